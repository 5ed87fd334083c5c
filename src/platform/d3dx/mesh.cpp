#include "platform/d3dx/mesh.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vm::d3dx {

namespace {
// Beyond this a 3 × faces index count or the buffers would overflow 32-bit counts.
constexpr std::uint32_t kMaxFaces = 1u << 28;
constexpr std::uint32_t kMaxVertices = 1u << 28;
}  // namespace

Result Mesh::Create(std::uint32_t faceCount, std::uint32_t vertexCount, std::uint32_t options,
                    std::uint32_t format, std::unique_ptr<Mesh>& out, d3d::Device* device) noexcept {
    out.reset();
    VertexLayout layout;
    if (faceCount == 0 || vertexCount == 0 || faceCount > kMaxFaces || vertexCount > kMaxVertices ||
        !describeVertexFormat(format, layout))
        return kErrInvalidCall;
    if ((options & meshopt::k32Bit) == 0 && vertexCount > 65536) return kErrInvalidCall;
    try {
        std::unique_ptr<Mesh> mesh(new Mesh());
        mesh->faceCount_ = faceCount;
        mesh->vertexCount_ = vertexCount;
        mesh->options_ = options;
        mesh->format_ = format;
        mesh->layout_ = layout;
        mesh->device_ = device;
        mesh->vertices_.assign(layout.stride * vertexCount, 0);
        mesh->indices_.assign(std::size_t{faceCount} * 3 * mesh->indexSize(), 0);
        mesh->attributes_.assign(faceCount, 0);
        out = std::move(mesh);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

Result Mesh::LockVertexBuffer(std::uint32_t, void** data) noexcept {
    if (data == nullptr || vertexLocked_) return kErrInvalidCall;
    vertexLocked_ = true;
    *data = vertices_.data();
    return kOk;
}

Result Mesh::UnlockVertexBuffer() noexcept {
    if (!vertexLocked_) return kErrInvalidCall;
    vertexLocked_ = false;
    deviceStale_ = true;
    return kOk;
}

Result Mesh::LockIndexBuffer(std::uint32_t, void** data) noexcept {
    if (data == nullptr || indexLocked_) return kErrInvalidCall;
    indexLocked_ = true;
    *data = indices_.data();
    return kOk;
}

Result Mesh::UnlockIndexBuffer() noexcept {
    if (!indexLocked_) return kErrInvalidCall;
    indexLocked_ = false;
    deviceStale_ = true;
    return kOk;
}

Result Mesh::LockAttributeBuffer(std::uint32_t flags, std::uint32_t** data) noexcept {
    if (data == nullptr || attributeLocked_) return kErrInvalidCall;
    attributeLocked_ = true;
    if ((flags & kLockReadOnly) == 0) table_.clear();
    *data = attributes_.data();
    return kOk;
}

Result Mesh::UnlockAttributeBuffer() noexcept {
    if (!attributeLocked_) return kErrInvalidCall;
    attributeLocked_ = false;
    return kOk;
}

Result Mesh::GetAttributeTable(AttributeRange* table, std::uint32_t* count) const noexcept {
    if (count == nullptr) return kErrInvalidCall;
    if (table != nullptr) {
        const std::size_t n = std::min<std::size_t>(*count, table_.size());
        std::copy_n(table_.begin(), n, table);
    }
    *count = static_cast<std::uint32_t>(table_.size());
    return kOk;
}

Result Mesh::SetAttributeTable(const AttributeRange* table, std::uint32_t count) noexcept {
    if (count != 0 && table == nullptr) return kErrInvalidCall;
    for (std::uint32_t i = 0; i < count; ++i) {
        const AttributeRange& r = table[i];
        if (r.faceStart > faceCount_ || r.faceCount > faceCount_ - r.faceStart ||
            r.vertexStart > vertexCount_ || r.vertexCount > vertexCount_ - r.vertexStart)
            return kErrInvalidCall;
    }
    try {
        table_.assign(table, table + count);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

std::uint32_t Mesh::index(std::size_t i) const noexcept {
    if (uses32BitIndices()) {
        std::uint32_t v;
        std::memcpy(&v, indices_.data() + 4 * i, 4);
        return v;
    }
    std::uint16_t v;
    std::memcpy(&v, indices_.data() + 2 * i, 2);
    return v;
}

void Mesh::setIndex(std::size_t i, std::uint32_t v) noexcept {
    if (uses32BitIndices()) {
        std::memcpy(indices_.data() + 4 * i, &v, 4);
    } else {
        const auto s = static_cast<std::uint16_t>(v);
        std::memcpy(indices_.data() + 2 * i, &s, 2);
    }
}

bool Mesh::indicesInRange() const noexcept {
    const std::size_t n = std::size_t{faceCount_} * 3;
    for (std::size_t i = 0; i < n; ++i)
        if (index(i) >= vertexCount_) return false;
    return true;
}

d3d::Vector3 Mesh::position(std::uint32_t vertex) const noexcept {
    d3d::Vector3 p;
    if (vertex >= vertexCount_) return p;
    std::memcpy(&p, vertices_.data() + layout_.stride * vertex, sizeof p);
    return p;
}

Result Mesh::subsetRuns(std::uint32_t attribId, std::vector<Run>& runs) const {
    runs.clear();
    auto add = [&](std::uint32_t faceStart, std::uint32_t faceCount) -> Result {
        // Vertex range from the indices themselves, so a stale or forged range cannot lead the device
        // outside the buffer.
        std::uint32_t lo = 0xFFFFFFFFu, hi = 0;
        for (std::size_t i = std::size_t{faceStart} * 3; i < (std::size_t{faceStart} + faceCount) * 3; ++i) {
            const std::uint32_t v = index(i);
            if (v >= vertexCount_) return kErrInvalidData;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        runs.push_back({faceStart, faceCount, lo, hi - lo + 1});
        return kOk;
    };
    if (!table_.empty()) {
        for (const AttributeRange& r : table_) {
            if (r.attribId != attribId || r.faceCount == 0) continue;
            const Result res = add(r.faceStart, r.faceCount);
            if (res < 0) return res;
        }
        return kOk;
    }
    // No table: each run of consecutive faces with this id.
    for (std::uint32_t f = 0; f < faceCount_;) {
        if (attributes_[f] != attribId) {
            ++f;
            continue;
        }
        std::uint32_t end = f + 1;
        while (end < faceCount_ && attributes_[end] == attribId) ++end;
        const Result res = add(f, end - f);
        if (res < 0) return res;
        f = end;
    }
    return kOk;
}

Result Mesh::DrawSubset(std::uint32_t attribId, MeshDrawTarget& target) const noexcept {
    if (vertexLocked_ || indexLocked_ || attributeLocked_) return kErrInvalidCall;
    try {
        std::vector<Run> runs;
        const Result r = subsetRuns(attribId, runs);
        if (r < 0) return r;
        for (const Run& run : runs) {
            const Result res = target.drawIndexedTriangles(
                format_, vertices_.data(), layout_.stride, run.minVertex, run.vertexCount,
                indices_.data() + std::size_t{run.faceStart} * 3 * indexSize(), uses32BitIndices(), run.faceCount);
            if (res < 0) return res;
        }
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

}  // namespace vm::d3dx
