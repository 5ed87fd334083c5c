#pragma once
// Device resources: textures with their levels, surfaces, vertex and index buffers. Each is created by
// the Device and owned by the caller through std::unique_ptr. Every resource keeps a system-memory
// copy of what was written to it (Managed semantics for every pool except render targets), so a
// device reset loses nothing and a lock never stalls on the GPU.
//
// Lifetime: a resource may be destroyed at any time. If it is bound (texture on a stage, buffer on the
// stream, surface as render target) the device unbinds it first (a render-target surface falls back
// to the back buffer). A resource outliving its device becomes inert: every call fails with
// kErrInvalidDevice and destruction is safe.
//
// Locks: one lock per buffer or level at a time; a second Lock fails with kErrInvalidCall. Offsets
// and sizes are checked against the resource: nothing is read or written past its end.

#include <cstdint>
#include <memory>

#include "platform/d3d/formats.h"
#include "platform/d3d/records.h"
#include "platform/d3d/results.h"
#include "platform/d3d/types.h"

namespace vm::d3d {

namespace detail {
struct DeviceCore;
struct TextureImpl;
struct SurfaceImpl;
struct BufferImpl;
}  // namespace detail

class Texture;

// Common part: registration with the device so that it can unbind and orphan resources.
class Resource {
public:
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;
    virtual ~Resource();

    // False once the device that made the resource is gone.
    bool HasDevice() const noexcept { return core_ != nullptr; }

protected:
    explicit Resource(detail::DeviceCore* core) noexcept;
    detail::DeviceCore* core_;

private:
    friend struct detail::DeviceCore;
    virtual void Orphan() noexcept = 0;  // release GL objects; called by the dying device
    Resource* prev_ = nullptr;
    Resource* next_ = nullptr;
};

// A 2D image: a level of a texture, a depth-stencil surface, or the device's back buffer.
class Surface final : public Resource {
public:
    ~Surface() override;
    Result GetDesc(SurfaceDesc* out) const noexcept;
    // The texture this surface is a level of, null for a stand-alone surface.
    Texture* GetContainer() const noexcept;

private:
    friend struct detail::DeviceCore;
    friend class Texture;
    friend class Device;
    Surface(detail::DeviceCore* core, std::unique_ptr<detail::SurfaceImpl> impl) noexcept;
    void Orphan() noexcept override;
    std::unique_ptr<detail::SurfaceImpl> impl_;
};

// A 2D texture with a chain of levels, level 0 the largest. Each level halves width and height
// (never below 1). Formats: A8R8G8B8, X8R8G8B8, R5G6B5, A1R5G5B5 (and X1R5G5B5).
class Texture final : public Resource {
public:
    ~Texture() override;

    std::uint32_t GetLevelCount() const noexcept;
    Result GetLevelDesc(std::uint32_t level, SurfaceDesc* out) const noexcept;

    // Rows top to bottom, each Pitch bytes, pixels in the texture's format. rect null = whole level.
    // The pointer stays valid until UnlockRect, which uploads the level. On a render-target texture
    // only kReadOnly locks are allowed; they read back what was drawn into level 0.
    Result LockRect(std::uint32_t level, LockedRect* out, const Rect* rect, std::uint32_t flags) noexcept;
    Result UnlockRect(std::uint32_t level) noexcept;

    // Copies a whole level from rows of `pitch` bytes (top row first) and uploads it. Same as
    // LockRect + copy + UnlockRect; the convenient way to fill each level of a mip chain.
    Result UpdateLevel(std::uint32_t level, const void* bits, std::int32_t pitch) noexcept;

    // Level surface, owned by the texture (valid while it lives). Needed to draw into a render-target
    // texture with SetRenderTarget.
    Result GetSurfaceLevel(std::uint32_t level, Surface** out) noexcept;

private:
    friend struct detail::DeviceCore;
    friend class Device;
    friend class Surface;
    Texture(detail::DeviceCore* core, std::unique_ptr<detail::TextureImpl> impl) noexcept;
    void Orphan() noexcept override;
    std::unique_ptr<detail::TextureImpl> impl_;
};

struct VertexBufferDesc {
    std::uint32_t Length = 0;  // bytes
    std::uint32_t Usage = 0;
    std::uint32_t VertexFormat = 0;
    d3d::Pool Pool = d3d::Pool::Managed;
};

struct IndexBufferDesc {
    std::uint32_t Length = 0;  // bytes
    std::uint32_t Usage = 0;
    d3d::Format Format = d3d::Format::Index16;
    d3d::Pool Pool = d3d::Pool::Managed;
};

// Vertex data for stream 0. Lock (offset, size 0 = to the end) gives a pointer into the buffer's
// system-memory copy; Unlock uploads the locked range. Write-only buffers may be read back through a
// lock as well (this device keeps the copy anyway).
class VertexBuffer final : public Resource {
public:
    ~VertexBuffer() override;
    Result Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags) noexcept;
    Result Unlock() noexcept;
    Result GetDesc(VertexBufferDesc* out) const noexcept;

private:
    friend struct detail::DeviceCore;
    friend class Device;
    VertexBuffer(detail::DeviceCore* core, std::unique_ptr<detail::BufferImpl> impl) noexcept;
    void Orphan() noexcept override;
    std::unique_ptr<detail::BufferImpl> impl_;
};

// 16- or 32-bit indices. Indices that point past the bound vertex buffer are caught at draw time:
// the draw fails with kErrInvalidCall instead of reading out of bounds.
class IndexBuffer final : public Resource {
public:
    ~IndexBuffer() override;
    Result Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags) noexcept;
    Result Unlock() noexcept;
    Result GetDesc(IndexBufferDesc* out) const noexcept;

private:
    friend struct detail::DeviceCore;
    friend class Device;
    IndexBuffer(detail::DeviceCore* core, std::unique_ptr<detail::BufferImpl> impl) noexcept;
    void Orphan() noexcept override;
    std::unique_ptr<detail::BufferImpl> impl_;
};

}  // namespace vm::d3d
