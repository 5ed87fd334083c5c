// In-place optimisation: faces sorted by attribute (stable, so the file's order survives within a
// subset), optionally reordered for the vertex cache inside each subset, then vertices renumbered in
// order of first use so that each subset reads a compact vertex range.

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

#include "platform/d3dx/mesh.h"
#include "platform/d3dx/vertex_cache.h"

namespace vm::d3dx {

namespace {

// Reorders each run of equal attributes in `faces` (new -> old) for the vertex cache.
void cacheOrderRuns(const Mesh& mesh, const std::vector<std::uint32_t>& attributes,
                    std::vector<std::uint32_t>& faces) {
    const auto faceCount = static_cast<std::uint32_t>(faces.size());
    std::vector<std::uint32_t> localOf(mesh.GetNumVertices(), kNoNeighbour);
    std::vector<std::uint32_t> local, touched;
    for (std::uint32_t start = 0; start < faceCount;) {
        std::uint32_t end = start + 1;
        while (end < faceCount && attributes[faces[end]] == attributes[faces[start]]) ++end;
        // Local vertex numbers keep the work proportional to the subset, not the mesh.
        local.clear();
        touched.clear();
        for (std::uint32_t f = start; f < end; ++f)
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t v = mesh.index(3 * std::size_t{faces[f]} + k);
                if (localOf[v] == kNoNeighbour) {
                    localOf[v] = static_cast<std::uint32_t>(touched.size());
                    touched.push_back(v);
                }
                local.push_back(localOf[v]);
            }
        const std::vector<std::uint32_t> order =
            orderForVertexCache(local, static_cast<std::uint32_t>(touched.size()));
        const std::vector<std::uint32_t> run(faces.begin() + start, faces.begin() + end);
        for (std::size_t i = 0; i < order.size(); ++i) faces[start + i] = run[order[i]];
        for (std::uint32_t v : touched) localOf[v] = kNoNeighbour;
        start = end;
    }
}

}  // namespace

Result Mesh::OptimizeInplace(std::uint32_t flags, const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut,
                             std::uint32_t* faceRemap, std::vector<std::uint32_t>* vertexRemap) noexcept {
    if (vertexLocked_ || indexLocked_ || attributeLocked_) return kErrInvalidCall;
    if (!indicesInRange()) return kErrInvalidData;
    const bool cache = (flags & (meshopt::kOptVertexCache | meshopt::kOptStripReorder)) != 0;
    const bool sort = cache || (flags & meshopt::kOptAttrSort) != 0;
    const bool compact = (flags & meshopt::kOptCompact) != 0;
    const bool moveVertices = (sort || compact) && (flags & meshopt::kOptIgnoreVerts) == 0;
    try {
        // 1. Face order (new -> old).
        std::vector<std::uint32_t> faces(faceCount_);
        std::iota(faces.begin(), faces.end(), 0u);
        if (sort)
            std::stable_sort(faces.begin(), faces.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return attributes_[a] < attributes_[b]; });
        if (cache) cacheOrderRuns(*this, attributes_, faces);

        // 2. Vertex order (new -> old): first use in the new face order, unused ones after (or dropped).
        std::vector<std::uint32_t> vertices;
        std::vector<std::uint32_t> newOf(vertexCount_, kNoNeighbour);
        if (moveVertices) {
            vertices.reserve(vertexCount_);
            for (std::uint32_t f : faces)
                for (std::uint32_t k = 0; k < 3; ++k) {
                    const std::uint32_t v = index(3 * std::size_t{f} + k);
                    if (newOf[v] == kNoNeighbour) {
                        newOf[v] = static_cast<std::uint32_t>(vertices.size());
                        vertices.push_back(v);
                    }
                }
            if (!compact)
                for (std::uint32_t v = 0; v < vertexCount_; ++v)
                    if (newOf[v] == kNoNeighbour) {
                        newOf[v] = static_cast<std::uint32_t>(vertices.size());
                        vertices.push_back(v);
                    }
        } else {
            vertices.resize(vertexCount_);
            std::iota(vertices.begin(), vertices.end(), 0u);
            std::iota(newOf.begin(), newOf.end(), 0u);
        }

        // 3. Build the new buffers, then commit (nothing changes when an allocation fails).
        std::vector<std::uint8_t> newVertices(layout_.stride * vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i)
            std::memcpy(newVertices.data() + i * layout_.stride, vertices_.data() + vertices[i] * layout_.stride,
                        layout_.stride);
        std::vector<std::uint32_t> newIndices(std::size_t{faceCount_} * 3);
        std::vector<std::uint32_t> newAttributes(faceCount_);
        std::vector<std::uint32_t> newFaceOf(faceCount_);
        for (std::uint32_t i = 0; i < faceCount_; ++i) {
            newFaceOf[faces[i]] = i;
            newAttributes[i] = attributes_[faces[i]];
            for (std::uint32_t k = 0; k < 3; ++k) newIndices[3 * std::size_t{i} + k] = newOf[index(3 * std::size_t{faces[i]} + k)];
        }
        std::vector<std::uint32_t> newAdjacency;
        if (adjacencyOut != nullptr) {
            newAdjacency.assign(std::size_t{faceCount_} * 3, kNoNeighbour);
            if (adjacencyIn != nullptr)
                for (std::uint32_t i = 0; i < faceCount_; ++i)
                    for (std::uint32_t k = 0; k < 3; ++k) {
                        const std::uint32_t n = adjacencyIn[3 * std::size_t{faces[i]} + k];
                        newAdjacency[3 * std::size_t{i} + k] = n < faceCount_ ? newFaceOf[n] : kNoNeighbour;
                    }
        }

        vertices_ = std::move(newVertices);
        vertexCount_ = static_cast<std::uint32_t>(vertices.size());
        for (std::size_t i = 0; i < newIndices.size(); ++i) setIndex(i, newIndices[i]);
        attributes_ = std::move(newAttributes);
        deviceStale_ = true;
        if (adjacencyOut != nullptr) std::copy(newAdjacency.begin(), newAdjacency.end(), adjacencyOut);
        if (faceRemap != nullptr) std::copy(faces.begin(), faces.end(), faceRemap);
        if (vertexRemap != nullptr) *vertexRemap = std::move(vertices);

        // 4. A table can only describe faces grouped by attribute; unsorted faces get none.
        table_.clear();
        if (std::is_sorted(attributes_.begin(), attributes_.end())) {
            for (std::uint32_t f = 0; f < faceCount_;) {
                AttributeRange r;
                r.attribId = attributes_[f];
                r.faceStart = f;
                std::uint32_t lo = kNoNeighbour, hi = 0;
                for (; f < faceCount_ && attributes_[f] == r.attribId; ++f)
                    for (std::uint32_t k = 0; k < 3; ++k) {
                        const std::uint32_t v = index(3 * std::size_t{f} + k);
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                    }
                r.faceCount = f - r.faceStart;
                r.vertexStart = lo;
                r.vertexCount = hi - lo + 1;
                table_.push_back(r);
            }
        }
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

Result Mesh::Optimize(std::uint32_t flags, std::uint32_t options, const std::uint32_t* adjacencyIn,
                      std::uint32_t* adjacencyOut, std::uint32_t* faceRemap, std::vector<std::uint32_t>* vertexRemap,
                      std::unique_ptr<Mesh>& out) const noexcept {
    out.reset();
    std::unique_ptr<Mesh> copy;
    Result r = CloneMeshFVF(options, format_, copy);
    if (r < 0) return r;
    r = copy->OptimizeInplace(flags, adjacencyIn, adjacencyOut, faceRemap, vertexRemap);
    if (r < 0) return r;
    out = std::move(copy);
    return kOk;
}

}  // namespace vm::d3dx
