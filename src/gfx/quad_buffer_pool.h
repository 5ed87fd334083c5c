#pragma once
// Vertex buffers addressed by small integer ids, with one convenience the 2D drawing is built on:
// writing a screen-aligned rectangle, given in fractions of the viewport, as a four-vertex strip.
//
// Contract:
// - attach(null, ...) does nothing; otherwise the device and its current viewport are kept.
// - create(id, fvf, n): an id that is no slot in use (-1 for instance) takes a new slot; a slot in use
//   is reused after its buffer is dropped. Only the formats 0x144 (28 bytes), 0x152 (36) and 0x252 (44)
//   have a stride; other formats, a missing device or a full pool leave id unchanged and return < 0.
// - setQuad writes x, y, colour, u, v of the four vertices (0: left-bottom, 1: left-top, 2: right-bottom,
//   3: right-top); z and rhw keep what the caller stored. Unknown ids, non-rectangle slots and slots of
//   fewer than four vertices are ignored.
// - Buffers live in the managed pool and survive a device reset; releaseAll drops them before the
//   device goes away.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/d3d.h"

namespace vm::gfx {

// Offsets inside a 0x144 vertex: x, y, z, rhw floats, ARGB colour, u, v floats.
struct RectVertex {
    float x, y, z, rhw;
    std::uint32_t color;
    float u, v;
};
static_assert(sizeof(RectVertex) == 28);

constexpr std::uint32_t kRectVertexFormat = 0x144;

class QuadBufferPool {
public:
    static constexpr int kCapacity = 10000;

    // The program's one pool.
    static QuadBufferPool& instance() noexcept;

    void attach(d3d::Device* device, std::uint64_t window) noexcept;
    int create(int& id, std::uint32_t vertexFormat, std::uint32_t vertexCount) noexcept;
    void* lock(int id) noexcept;
    void unlock(int id) noexcept;
    void bind(std::uint32_t stream, int id) noexcept;
    void setQuad(int id, float x, float y, float width, float height, std::uint32_t color, float uLeft, float vTop,
                 float uRight, float vBottom) noexcept;
    void releaseAll() noexcept;

    int count() const noexcept { return static_cast<int>(slots_.size()); }
    const d3d::Viewport& viewport() const noexcept { return viewport_; }
    static std::uint32_t strideOf(std::uint32_t vertexFormat) noexcept;

private:
    struct Slot {
        std::uint32_t vertexFormat = 0;
        std::uint32_t stride = 0;
        std::uint32_t vertexCount = 0;
        std::unique_ptr<d3d::VertexBuffer> buffer;
        bool valid = false;
    };
    bool inUse(int id) const noexcept { return id >= 0 && id < count(); }

    std::vector<Slot> slots_;
    std::uint64_t window_ = 0;
    d3d::Device* device_ = nullptr;
    d3d::Viewport viewport_;
};

}  // namespace vm::gfx
