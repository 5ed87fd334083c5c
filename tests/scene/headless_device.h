#pragma once
// A small headless device (Mesa llvmpipe through EGL) for the scene tests.

#include <cstdint>
#include <memory>

#include "platform/d3d/d3d.h"

namespace vm::scene::test {

struct HeadlessDevice {
    std::unique_ptr<d3d::Direct3D> d3d;
    std::unique_ptr<d3d::Device> device;

    bool open(std::uint32_t width, std::uint32_t height) {
        d3d::ObjectOptions o;
        o.headless = true;
        d3d = d3d::Direct3D::Create(d3d::kSdkVersion, o);
        if (!d3d) return false;
        d3d::PresentParameters pp;
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = d3d::Format::X8R8G8B8;
        pp.Windowed = true;
        pp.EnableAutoDepthStencil = true;
        pp.AutoDepthStencilFormat = d3d::Format::D24S8;
        d3d->CreateDevice(0, d3d::DevType::Hal, d3d::PresentTarget::Headless(width, height),
                          d3d::create::kHardwareVertexProcessing, &pp, &device);
        return device != nullptr;
    }
};

}  // namespace vm::scene::test
