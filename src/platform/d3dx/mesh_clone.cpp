#include <algorithm>
#include <cstring>
#include <new>

#include "platform/d3dx/mesh.h"

namespace vm::d3dx {

namespace {

// Copies min(a, b) bytes of an element both layouts have.
void copyElement(std::uint8_t* dst, int dstAt, const std::uint8_t* src, int srcAt, std::size_t bytes) {
    if (dstAt < 0 || srcAt < 0 || bytes == 0) return;
    std::memcpy(dst + dstAt, src + srcAt, bytes);
}

}  // namespace

Result Mesh::CloneMeshFVF(std::uint32_t options, std::uint32_t format, std::unique_ptr<Mesh>& out) const noexcept {
    out.reset();
    if (vertexLocked_ || indexLocked_ || attributeLocked_) return kErrInvalidCall;
    std::unique_ptr<Mesh> copy;
    Result r = Create(faceCount_, vertexCount_, options, format, copy, device_);
    if (r < 0) return r;
    if (!copy->uses32BitIndices() && !indicesInRange()) return kErrInvalidData;
    try {
        const VertexLayout& from = layout_;
        const VertexLayout& to = copy->layout_;
        // Positions: xyz always; rhw only between two rhw formats.
        const std::size_t positionBytes = (from.rhw && to.rhw) ? 16 : 12;
        const std::size_t weightBytes = 4 * std::min(from.blendWeightCount, to.blendWeightCount);
        for (std::uint32_t v = 0; v < vertexCount_; ++v) {
            const std::uint8_t* s = vertices_.data() + from.stride * v;
            std::uint8_t* d = copy->vertices_.data() + to.stride * v;
            copyElement(d, to.position, s, from.position, positionBytes);
            copyElement(d, to.weights, s, from.weights, weightBytes);
            copyElement(d, to.normal, s, from.normal, 12);
            copyElement(d, to.pointSize, s, from.pointSize, 4);
            copyElement(d, to.diffuse, s, from.diffuse, 4);
            copyElement(d, to.specular, s, from.specular, 4);
            for (std::uint32_t t = 0; t < std::min(from.texCoordSets, to.texCoordSets); ++t)
                copyElement(d, to.texCoords[t], s, from.texCoords[t],
                            4 * std::min(from.texCoordFloats[t], to.texCoordFloats[t]));
        }
        for (std::size_t i = 0; i < std::size_t{faceCount_} * 3; ++i) copy->setIndex(i, index(i));
        copy->attributes_ = attributes_;
        copy->table_ = table_;
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    out = std::move(copy);
    return kOk;
}

}  // namespace vm::d3dx
