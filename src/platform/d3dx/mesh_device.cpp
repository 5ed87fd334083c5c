// Drawing a mesh on its device. The mesh's data stays on the CPU (the X loader and the scene lock and
// edit it freely); the device gets managed copies, refreshed lazily at the first draw after a change.

#include <cstring>
#include <new>

#include "platform/d3d/device.h"
#include "platform/d3dx/mesh.h"

namespace vm::d3dx {

struct detail::MeshDeviceCopy {
    std::unique_ptr<d3d::VertexBuffer> vertices;
    std::unique_ptr<d3d::IndexBuffer> indices;
    std::uint32_t vertexBytes = 0;
};

namespace {
void destroyDeviceCopy(detail::MeshDeviceCopy* copy) noexcept { delete copy; }
}  // namespace

Result Mesh::uploadToDevice() noexcept {
    detail::MeshDeviceCopy* copy = deviceCopy_.get();
    const auto vertexBytes = static_cast<std::uint32_t>(vertices_.size());
    const auto indexBytes = static_cast<std::uint32_t>(indices_.size());
    // Buffers outliving a device turn inert; a vertex count changed by optimisation needs a new size.
    const bool usable = copy != nullptr && copy->vertices && copy->indices && copy->vertices->HasDevice() &&
                        copy->indices->HasDevice() && copy->vertexBytes == vertexBytes;
    if (usable && !deviceStale_) return kOk;
    if (!usable) {
        std::unique_ptr<detail::MeshDeviceCopy, detail::MeshDeviceCopyDeleter> fresh(
            new (std::nothrow) detail::MeshDeviceCopy, detail::MeshDeviceCopyDeleter{destroyDeviceCopy});
        if (!fresh) return kErrOutOfMemory;
        Result r = device_->CreateVertexBuffer(vertexBytes, d3d::usage::kWriteOnly, format_, d3d::Pool::Managed,
                                               &fresh->vertices);
        if (r < 0) return r;
        r = device_->CreateIndexBuffer(indexBytes, d3d::usage::kWriteOnly,
                                       uses32BitIndices() ? d3d::Format::Index32 : d3d::Format::Index16,
                                       d3d::Pool::Managed, &fresh->indices);
        if (r < 0) return r;
        fresh->vertexBytes = vertexBytes;
        deviceCopy_ = std::move(fresh);
        copy = deviceCopy_.get();
    }
    void* p = nullptr;
    Result r = copy->vertices->Lock(0, 0, &p, 0);
    if (r < 0) return r;
    std::memcpy(p, vertices_.data(), vertices_.size());
    r = copy->vertices->Unlock();
    if (r < 0) return r;
    r = copy->indices->Lock(0, 0, &p, 0);
    if (r < 0) return r;
    std::memcpy(p, indices_.data(), indices_.size());
    r = copy->indices->Unlock();
    if (r < 0) return r;
    deviceStale_ = false;
    return kOk;
}

Result Mesh::DrawSubset(std::uint32_t attribId) noexcept {
    if (device_ == nullptr || vertexLocked_ || indexLocked_ || attributeLocked_) return kErrInvalidCall;
    try {
        std::vector<Run> runs;
        Result r = subsetRuns(attribId, runs);
        if (r < 0 || runs.empty()) return r;
        r = uploadToDevice();
        if (r < 0) return r;
        device_->SetVertexShader(format_);
        device_->SetStreamSource(0, deviceCopy_->vertices.get(), static_cast<std::uint32_t>(layout_.stride));
        device_->SetIndices(deviceCopy_->indices.get(), 0);
        for (const Run& run : runs) {
            r = device_->DrawIndexedPrimitive(d3d::PrimitiveType::TriangleList, run.minVertex, run.vertexCount,
                                              run.faceStart * 3, run.faceCount);
            if (r < 0) return r;
        }
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

}  // namespace vm::d3dx
