#include <cstring>
#include <new>

#include "platform/d3dx/mesh.h"

namespace vm::d3dx {

Result Mesh::ExtractFaces(std::uint32_t firstFace, std::uint32_t faceCount, std::uint32_t options,
                          const std::uint32_t* adjacencyIn, std::vector<std::uint32_t>* adjacencyOut,
                          std::unique_ptr<Mesh>& out) const noexcept {
    out.reset();
    if (vertexLocked_ || indexLocked_ || attributeLocked_) return kErrInvalidCall;
    if (faceCount == 0 || firstFace > faceCount_ || faceCount > faceCount_ - firstFace) return kErrInvalidCall;
    try {
        std::vector<std::uint32_t> newOf(vertexCount_, kNoNeighbour), vertices, indices;
        indices.reserve(std::size_t{faceCount} * 3);
        for (std::size_t i = std::size_t{firstFace} * 3; i < (std::size_t{firstFace} + faceCount) * 3; ++i) {
            const std::uint32_t v = index(i);
            if (v >= vertexCount_) return kErrInvalidData;
            if (newOf[v] == kNoNeighbour) {
                newOf[v] = static_cast<std::uint32_t>(vertices.size());
                vertices.push_back(v);
            }
            indices.push_back(newOf[v]);
        }
        std::unique_ptr<Mesh> part;
        Result r = Create(faceCount, static_cast<std::uint32_t>(vertices.size()), options, format_, part, device_);
        if (r < 0) return r;
        for (std::size_t i = 0; i < vertices.size(); ++i)
            std::memcpy(part->vertices_.data() + i * layout_.stride, vertices_.data() + vertices[i] * layout_.stride,
                        layout_.stride);
        for (std::size_t i = 0; i < indices.size(); ++i) part->setIndex(i, indices[i]);
        part->attributes_.assign(attributes_.begin() + firstFace, attributes_.begin() + firstFace + faceCount);
        // An in-place pass with no flags only rebuilds the table (when the attributes are sorted).
        r = part->OptimizeInplace(0, nullptr, nullptr, nullptr, nullptr);
        if (r < 0) return r;
        if (adjacencyOut != nullptr) {
            adjacencyOut->assign(std::size_t{faceCount} * 3, kNoNeighbour);
            if (adjacencyIn != nullptr)
                for (std::size_t i = 0; i < std::size_t{faceCount} * 3; ++i) {
                    const std::uint32_t n = adjacencyIn[std::size_t{firstFace} * 3 + i];
                    if (n >= firstFace && n < firstFace + faceCount) (*adjacencyOut)[i] = n - firstFace;
                }
        }
        out = std::move(part);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

}  // namespace vm::d3dx
