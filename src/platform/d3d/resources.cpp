// Textures, surfaces and buffers: the system-memory copy, locking, and upload to GL.

#include "platform/d3d/resources.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/d3d/device_core.h"
#include "platform/d3d/texture_format_gl.h"

namespace vm::d3d {

using detail::DeviceCore;

// ---------------------------------------------------------------------------------------------
Resource::Resource(DeviceCore* core) noexcept : core_(core) {
    if (core_) core_->Register(this);
}

Resource::~Resource() {
    if (core_) core_->Unregister(this);
}

// ---------------------------------------------------------------------------------------------
Surface::Surface(DeviceCore* core, std::unique_ptr<detail::SurfaceImpl> impl) noexcept
    : Resource(core), impl_(std::move(impl)) {}

Surface::~Surface() {
    if (core_ && impl_) {
        core_->Enter();
        core_->OnSurfaceGone(this);
        if (impl_->renderbuffer) glDeleteRenderbuffers(1, &impl_->renderbuffer);
    }
}

void Surface::Orphan() noexcept {
    if (impl_ && impl_->renderbuffer) glDeleteRenderbuffers(1, &impl_->renderbuffer);
    if (impl_) impl_->renderbuffer = 0;
}

Result Surface::GetDesc(SurfaceDesc* out) const noexcept {
    if (!out) return kErrInvalidCall;
    if (!core_) return kErrInvalidDevice;
    *out = SurfaceDesc{};
    out->Format = impl_->format;
    out->Type = ResourceType::Surface;
    out->Width = impl_->width;
    out->Height = impl_->height;
    out->MultiSampleType = impl_->multisample;
    out->Size = impl_->width * impl_->height * BytesPerPixel(impl_->format);
    switch (impl_->kind) {
        case detail::SurfaceImpl::Kind::BackBuffer: out->Usage = usage::kRenderTarget; break;
        case detail::SurfaceImpl::Kind::DepthStencil: out->Usage = usage::kDepthStencil; break;
        case detail::SurfaceImpl::Kind::TextureLevel:
            out->Usage = impl_->container->impl_->usage;
            out->Pool = impl_->container->impl_->pool;
            break;
    }
    return kOk;
}

Texture* Surface::GetContainer() const noexcept { return impl_ ? impl_->container : nullptr; }

// ---------------------------------------------------------------------------------------------
Texture::Texture(DeviceCore* core, std::unique_ptr<detail::TextureImpl> impl) noexcept
    : Resource(core), impl_(std::move(impl)) {
    impl_->self = this;
}

Texture::~Texture() {
    if (core_ && impl_) {
        core_->Enter();
        // Level surfaces first: they may be the render target.
        impl_->surfaces.clear();
        core_->OnTextureGone(this);
        if (impl_->tex) glDeleteTextures(1, &impl_->tex);
    }
}

void Texture::Orphan() noexcept {
    if (!impl_) return;
    if (impl_->tex) glDeleteTextures(1, &impl_->tex);
    impl_->tex = 0;
    // Level surfaces are resources of their own and are orphaned by the same sweep.
}

std::uint32_t Texture::GetLevelCount() const noexcept {
    return impl_ ? static_cast<std::uint32_t>(impl_->levels.size()) : 0;
}

Result Texture::GetLevelDesc(std::uint32_t level, SurfaceDesc* out) const noexcept {
    if (!out || !impl_ || level >= impl_->levels.size()) return kErrInvalidCall;
    *out = SurfaceDesc{};
    const auto& L = impl_->levels[level];
    out->Format = impl_->format;
    out->Type = ResourceType::Surface;
    out->Usage = impl_->usage;
    out->Pool = impl_->pool;
    out->Width = L.width;
    out->Height = L.height;
    out->Size = L.width * L.height * BytesPerPixel(impl_->format);
    return kOk;
}

Result Texture::LockRect(std::uint32_t level, LockedRect* out, const Rect* rect, std::uint32_t flags) noexcept {
    if (!out) return kErrInvalidCall;
    *out = LockedRect{};
    if (!core_) return kErrInvalidDevice;
    if (level >= impl_->levels.size()) return kErrInvalidCall;
    auto& L = impl_->levels[level];
    if (L.locked) return kErrInvalidCall;
    const bool renderTarget = (impl_->usage & usage::kRenderTarget) != 0;
    const bool readOnly = (flags & lock::kReadOnly) != 0;
    if (renderTarget && !readOnly) return kErrInvalidCall;
    std::uint32_t left = 0, top = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            static_cast<std::uint32_t>(rect->right) > L.width || static_cast<std::uint32_t>(rect->bottom) > L.height)
            return kErrInvalidCall;
        left = static_cast<std::uint32_t>(rect->left);
        top = static_cast<std::uint32_t>(rect->top);
    }
    if (renderTarget) {
        // What was drawn lives only in GL: read it back into the copy.
        try {
            L.bits.resize(std::size_t{L.pitch} * L.height);
        } catch (const std::bad_alloc&) {
            return kErrOutOfMemory;
        }
        core_->Enter();
        const auto f = detail::TextureFormatGl(impl_->format);
        core_->gl.BindTexture(0, impl_->tex);
        glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), f.format, f.type, L.bits.data());
    }
    L.locked = true;
    L.lockedReadOnly = readOnly;
    out->Pitch = static_cast<std::int32_t>(L.pitch);
    out->Bits = L.bits.data() + std::size_t{top} * L.pitch + std::size_t{left} * BytesPerPixel(impl_->format);
    return kOk;
}

Result Texture::UnlockRect(std::uint32_t level) noexcept {
    if (!core_) return kErrInvalidDevice;
    if (level >= impl_->levels.size()) return kErrInvalidCall;
    auto& L = impl_->levels[level];
    if (!L.locked) return kErrInvalidCall;
    L.locked = false;
    if (L.lockedReadOnly) return kOk;
    core_->Enter();
    const auto f = detail::TextureFormatGl(impl_->format);
    core_->gl.BindTexture(0, impl_->tex);
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(L.width),
                    static_cast<GLsizei>(L.height), f.format, f.type, L.bits.data());
    return glGetError() == GL_OUT_OF_MEMORY ? kErrOutOfVideoMemory : kOk;
}

Result Texture::UpdateLevel(std::uint32_t level, const void* bits, std::int32_t pitch) noexcept {
    if (!bits) return kErrInvalidCall;
    if (!core_) return kErrInvalidDevice;
    if (level >= impl_->levels.size()) return kErrInvalidCall;
    const auto& L = impl_->levels[level];
    if (pitch < 0 || static_cast<std::uint32_t>(pitch) < L.pitch) return kErrInvalidCall;
    LockedRect lr;
    Result r = LockRect(level, &lr, nullptr, 0);
    if (Failed(r)) return r;
    const auto* src = static_cast<const std::uint8_t*>(bits);
    auto* dst = static_cast<std::uint8_t*>(lr.Bits);
    for (std::uint32_t y = 0; y < L.height; ++y)
        std::memcpy(dst + std::size_t{y} * L.pitch, src + std::size_t{y} * static_cast<std::uint32_t>(pitch), L.pitch);
    return UnlockRect(level);
}

Result Texture::GetSurfaceLevel(std::uint32_t level, Surface** out) noexcept {
    if (!out) return kErrInvalidCall;
    *out = nullptr;
    if (!core_) return kErrInvalidDevice;
    if (level >= impl_->levels.size()) return kErrInvalidCall;
    auto& surfaces = impl_->surfaces;
    try {
        if (surfaces.size() < impl_->levels.size()) surfaces.resize(impl_->levels.size());
        if (!surfaces[level]) {
            auto s = std::make_unique<detail::SurfaceImpl>();
            s->kind = detail::SurfaceImpl::Kind::TextureLevel;
            s->container = this;
            s->level = level;
            s->format = impl_->format;
            s->width = impl_->levels[level].width;
            s->height = impl_->levels[level].height;
            surfaces[level].reset(new Surface(core_, std::move(s)));
        }
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    *out = surfaces[level].get();
    return kOk;
}

// ---------------------------------------------------------------------------------------------
namespace {

Result LockBuffer(DeviceCore* core, detail::BufferImpl* b, std::uint32_t offset, std::uint32_t size, void** data) {
    if (!data) return kErrInvalidCall;
    *data = nullptr;
    if (!core) return kErrInvalidDevice;
    if (b->locked) return kErrInvalidCall;
    const std::uint64_t length = b->bytes.size();
    if (offset > length) return kErrInvalidCall;
    if (size == 0) size = static_cast<std::uint32_t>(length - offset);
    if (std::uint64_t{offset} + size > length) return kErrInvalidCall;
    b->locked = true;
    b->lockOffset = offset;
    b->lockSize = size;
    *data = b->bytes.data() + offset;
    return kOk;
}

Result UnlockBuffer(DeviceCore* core, detail::BufferImpl* b) {
    if (!core) return kErrInvalidDevice;
    if (!b->locked) return kErrInvalidCall;
    b->locked = false;
    if (b->lockSize == 0) return kOk;
    if (b->isIndex) {
        const std::uint32_t isize = b->indexFormat == Format::Index32 ? 4 : 2;
        const std::uint32_t first = b->lockOffset / isize;
        const std::uint32_t end = (b->lockOffset + b->lockSize + isize - 1) / isize;
        std::uint32_t maxIndex = b->maxIndex;
        for (std::uint32_t i = first; i < end && std::size_t{i + 1} * isize <= b->bytes.size(); ++i) {
            std::uint32_t v = 0;
            if (isize == 4) std::memcpy(&v, &b->bytes[std::size_t{i} * 4], 4);
            else {
                std::uint16_t v16 = 0;
                std::memcpy(&v16, &b->bytes[std::size_t{i} * 2], 2);
                v = v16;
            }
            maxIndex = std::max(maxIndex, v);
        }
        b->maxIndex = maxIndex;
    }
    core->Enter();
    // The copy-write target leaves the vertex array's bindings alone.
    glBindBuffer(GL_COPY_WRITE_BUFFER, b->buffer);
    glBufferSubData(GL_COPY_WRITE_BUFFER, b->lockOffset, b->lockSize, b->bytes.data() + b->lockOffset);
    return glGetError() == GL_OUT_OF_MEMORY ? kErrOutOfVideoMemory : kOk;
}

}  // namespace

VertexBuffer::VertexBuffer(DeviceCore* core, std::unique_ptr<detail::BufferImpl> impl) noexcept
    : Resource(core), impl_(std::move(impl)) {}

VertexBuffer::~VertexBuffer() {
    if (core_ && impl_) {
        core_->Enter();
        if (core_->stream == this) core_->stream = nullptr;
        core_->OnBufferGone(impl_.get());
        glDeleteBuffers(1, &impl_->buffer);
    }
}

void VertexBuffer::Orphan() noexcept {
    if (impl_ && impl_->buffer) glDeleteBuffers(1, &impl_->buffer);
    if (impl_) impl_->buffer = 0;
}

Result VertexBuffer::Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t) noexcept {
    return LockBuffer(core_, impl_.get(), offset, size, data);
}
Result VertexBuffer::Unlock() noexcept { return UnlockBuffer(core_, impl_.get()); }

Result VertexBuffer::GetDesc(VertexBufferDesc* out) const noexcept {
    if (!out) return kErrInvalidCall;
    out->Length = static_cast<std::uint32_t>(impl_->bytes.size());
    out->Usage = impl_->usage;
    out->VertexFormat = impl_->vertexFormat;
    out->Pool = impl_->pool;
    return kOk;
}

IndexBuffer::IndexBuffer(DeviceCore* core, std::unique_ptr<detail::BufferImpl> impl) noexcept
    : Resource(core), impl_(std::move(impl)) {}

IndexBuffer::~IndexBuffer() {
    if (core_ && impl_) {
        core_->Enter();
        if (core_->indices == this) core_->indices = nullptr;
        core_->OnBufferGone(impl_.get());
        glDeleteBuffers(1, &impl_->buffer);
    }
}

void IndexBuffer::Orphan() noexcept {
    if (impl_ && impl_->buffer) glDeleteBuffers(1, &impl_->buffer);
    if (impl_) impl_->buffer = 0;
}

Result IndexBuffer::Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t) noexcept {
    return LockBuffer(core_, impl_.get(), offset, size, data);
}
Result IndexBuffer::Unlock() noexcept { return UnlockBuffer(core_, impl_.get()); }

Result IndexBuffer::GetDesc(IndexBufferDesc* out) const noexcept {
    if (!out) return kErrInvalidCall;
    out->Length = static_cast<std::uint32_t>(impl_->bytes.size());
    out->Usage = impl_->usage;
    out->Format = impl_->indexFormat;
    out->Pool = impl_->pool;
    return kOk;
}

}  // namespace vm::d3d
