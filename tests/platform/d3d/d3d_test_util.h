#pragma once
// Helpers for the device tests: a headless device, small matrix builders (row-vector, left-handed),
// vertex structs of the program's formats, and pixel comparison.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "platform/d3d/d3d.h"

namespace vm::d3d::test {

// 0x144: x y z rhw, colour, u v
struct ScreenVertex {
    float x, y, z, rhw;
    Color color;
    float u, v;
};
// 0x152: x y z, normal, colour, u v
struct LitVertex {
    float x, y, z, nx, ny, nz;
    Color color;
    float u, v;
};
// XYZ | NORMAL (0x012)
struct PosNormal {
    float x, y, z, nx, ny, nz;
};

Matrix Identity();
Matrix Translation(float x, float y, float z);
Matrix Scaling(float x, float y, float z);
Matrix RotationY(float radians);
Matrix Mul(const Matrix& a, const Matrix& b);  // a applies first
// Left-handed perspective, vertical field of view.
Matrix PerspectiveFovLH(float fovY, float aspect, float zn, float zf);
// Orthographic left-handed, w × h units centred on the view axis, depth zn..zf.
Matrix OrthoLH(float w, float h, float zn, float zf);

struct DeviceFixture : ::testing::Test {
    static constexpr std::uint32_t kSize = 64;
    // One object and one 64 × 64 device serve every test of the program (a Reset before each test
    // brings back the defaults); MakeDevice makes a test's own device instead.
    Direct3D* d3d = nullptr;
    Device* dev = nullptr;
    std::unique_ptr<Device> owned;

    void SetUp() override;
    void TearDown() override;
    void MakeDevice(std::uint32_t w, std::uint32_t h, Format depth = Format::D24S8,
                    MultisampleType ms = MultisampleType::None);
    static PresentParameters Params(std::uint32_t w, std::uint32_t h, Format depth = Format::D24S8,
                                    MultisampleType ms = MultisampleType::None);
    // Colour of the current render target at (x, y), 0xAARRGGBB.
    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y);
    Image Target();
    // Screen quad from (x0, y0) to (x1, y1) in pixels with one colour, drawn from memory.
    void DrawQuad(float x0, float y0, float x1, float y1, Color color, float z = 0.5f, float u0 = 0, float v0 = 0,
                  float u1 = 1, float v1 = 1);
    // A managed A8R8G8B8 texture of w × h filled by f(x, y).
    template <class F>
    std::unique_ptr<Texture> MakeTexture(std::uint32_t w, std::uint32_t h, F f, std::uint32_t levels = 1,
                                         Format format = Format::A8R8G8B8) {
        std::unique_ptr<Texture> t;
        EXPECT_EQ(dev->CreateTexture(w, h, levels, 0, format, Pool::Managed, &t), kOk);
        if (!t) return t;
        LockedRect lr;
        EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), kOk);
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
                reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(lr.Bits) + y * lr.Pitch)[x] = f(x, y);
        EXPECT_EQ(t->UnlockRect(0), kOk);
        return t;
    }
};

// Channel-wise comparison with a tolerance in 8-bit steps.
::testing::AssertionResult ColorNear(std::uint32_t actual, std::uint32_t expected, int tolerance = 2);
std::uint32_t Rgb(int r, int g, int b);  // opaque
std::uint32_t Rgbf(float r, float g, float b);  // opaque, from 0..1, rounded

}  // namespace vm::d3d::test
