#pragma once
// A headless device (Mesa llvmpipe through EGL) for the drawing tests of every layer, and a small TGA
// writer for hand-built images.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/d3d.h"

namespace vm::gfx::test {

struct HeadlessDevice {
    std::unique_ptr<d3d::Direct3D> d3d;
    std::unique_ptr<d3d::Device> device;

    bool open(std::uint32_t width, std::uint32_t height, std::uint32_t maxTextureSize = 0, bool windowed = false) {
        d3d::ObjectOptions o;
        o.headless = true;
        o.maxTextureSize = maxTextureSize;
        d3d = d3d::Direct3D::Create(d3d::kSdkVersion, o);
        if (!d3d) return false;
        d3d::PresentParameters pp;
        pp.Windowed = windowed;
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = d3d::Format::X8R8G8B8;
        pp.EnableAutoDepthStencil = true;
        pp.AutoDepthStencilFormat = d3d::Format::D24S8;
        d3d->CreateDevice(0, d3d::DevType::Hal, d3d::PresentTarget::Headless(width, height),
                          d3d::create::kHardwareVertexProcessing, &pp, &device);
        return device != nullptr;
    }
};

// Uncompressed 32-bit true-colour TGA, every pixel argb, top-left origin.
inline std::vector<std::uint8_t> makeTga(std::uint16_t width, std::uint16_t height, std::uint32_t argb) {
    std::vector<std::uint8_t> t(18, 0);
    t[2] = 2;  // uncompressed true colour
    t[12] = static_cast<std::uint8_t>(width & 0xFF);
    t[13] = static_cast<std::uint8_t>(width >> 8);
    t[14] = static_cast<std::uint8_t>(height & 0xFF);
    t[15] = static_cast<std::uint8_t>(height >> 8);
    t[16] = 32;
    t[17] = 0x28;  // 8 alpha bits, rows stored top first
    for (std::uint32_t i = 0; i < std::uint32_t{width} * height; ++i) {
        t.push_back(static_cast<std::uint8_t>(argb));
        t.push_back(static_cast<std::uint8_t>(argb >> 8));
        t.push_back(static_cast<std::uint8_t>(argb >> 16));
        t.push_back(static_cast<std::uint8_t>(argb >> 24));
    }
    return t;
}

}  // namespace vm::gfx::test
