#include "gfx/quad_buffer_pool.h"

namespace vm::gfx {

QuadBufferPool& QuadBufferPool::instance() noexcept {
    static QuadBufferPool pool;
    return pool;
}

std::uint32_t QuadBufferPool::strideOf(std::uint32_t vertexFormat) noexcept {
    switch (vertexFormat) {
        case 0x144: return 28;  // xyzrhw, diffuse, one uv pair
        case 0x152: return 36;  // xyz, normal, diffuse, one uv pair
        case 0x252: return 44;  // xyz, normal, diffuse, two uv pairs
        default: return 0;
    }
}

void QuadBufferPool::attach(d3d::Device* device, std::uint64_t window) noexcept {
    if (!device) return;
    window_ = window;
    device_ = device;
    device->GetViewport(&viewport_);
}

int QuadBufferPool::create(int& id, std::uint32_t vertexFormat, std::uint32_t vertexCount) noexcept {
    const std::uint32_t stride = strideOf(vertexFormat);
    if (!device_ || stride == 0) return -1;
    if (!inUse(id)) {
        if (count() >= kCapacity) return -1;
        slots_.emplace_back();
        id = count() - 1;
    }
    Slot& slot = slots_[static_cast<std::size_t>(id)];
    slot.buffer.reset();
    slot.vertexFormat = vertexFormat;
    slot.stride = stride;
    slot.vertexCount = vertexCount;
    device_->CreateVertexBuffer(vertexCount * stride, d3d::usage::kWriteOnly, vertexFormat, d3d::Pool::Managed,
                                &slot.buffer);
    slot.valid = true;
    return 0;
}

void* QuadBufferPool::lock(int id) noexcept {
    if (!inUse(id)) return nullptr;
    Slot& slot = slots_[static_cast<std::size_t>(id)];
    void* data = nullptr;
    if (!slot.buffer || d3d::Failed(slot.buffer->Lock(0, 0, &data, 0))) return nullptr;
    return data;
}

void QuadBufferPool::unlock(int id) noexcept {
    if (!inUse(id)) return;
    Slot& slot = slots_[static_cast<std::size_t>(id)];
    if (slot.buffer) slot.buffer->Unlock();
}

void QuadBufferPool::bind(std::uint32_t stream, int id) noexcept {
    if (!device_ || !inUse(id)) return;
    Slot& slot = slots_[static_cast<std::size_t>(id)];
    device_->SetVertexShader(slot.vertexFormat);
    device_->SetStreamSource(stream, slot.buffer.get(), slot.stride);
}

void QuadBufferPool::setQuad(int id, float x, float y, float width, float height, std::uint32_t color, float uLeft,
                             float vTop, float uRight, float vBottom) noexcept {
    if (!inUse(id)) return;
    const Slot& slot = slots_[static_cast<std::size_t>(id)];
    if (slot.vertexFormat != kRectVertexFormat || slot.vertexCount < 4) return;
    auto* v = static_cast<RectVertex*>(lock(id));
    if (!v) return;
    const float vx = static_cast<float>(viewport_.X), vy = static_cast<float>(viewport_.Y);
    const float vw = static_cast<float>(viewport_.Width), vh = static_cast<float>(viewport_.Height);
    const auto px = [&](float a) { return vx + vw * a; };
    const auto py = [&](float a) { return vy + vh * a; };
    const float left = px(x), right = px(x + width), top = py(y), bottom = py(y + height);
    const RectVertex corners[4] = {{left, bottom, 0, 0, color, uLeft, vBottom},
                                   {left, top, 0, 0, color, uLeft, vTop},
                                   {right, bottom, 0, 0, color, uRight, vBottom},
                                   {right, top, 0, 0, color, uRight, vTop}};
    for (int i = 0; i < 4; ++i) {  // z and rhw stay as the owner filled them
        v[i].x = corners[i].x;
        v[i].y = corners[i].y;
        v[i].color = color;
        v[i].u = corners[i].u;
        v[i].v = corners[i].v;
    }
    unlock(id);
}

void QuadBufferPool::releaseAll() noexcept {
    for (Slot& slot : slots_) {
        slot.buffer.reset();
        slot.valid = false;
    }
    device_ = nullptr;
}

}  // namespace vm::gfx
