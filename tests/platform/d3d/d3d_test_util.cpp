#include "d3d_test_util.h"

#include <cstdio>
#include <cstdlib>

namespace vm::d3d::test {

Matrix Identity() { return Matrix{}; }

Matrix Translation(float x, float y, float z) {
    Matrix m;
    m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
    return m;
}

Matrix Scaling(float x, float y, float z) {
    Matrix m;
    m.m[0][0] = x, m.m[1][1] = y, m.m[2][2] = z;
    return m;
}

Matrix RotationY(float a) {
    Matrix m;
    m.m[0][0] = std::cos(a), m.m[0][2] = -std::sin(a);
    m.m[2][0] = std::sin(a), m.m[2][2] = std::cos(a);
    return m;
}

Matrix Mul(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

Matrix PerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovY / 2), xs = ys / aspect;
    Matrix m;
    m.m[0][0] = xs, m.m[1][1] = ys;
    m.m[2][2] = zf / (zf - zn), m.m[2][3] = 1;
    m.m[3][2] = -zn * zf / (zf - zn), m.m[3][3] = 0;
    return m;
}

Matrix OrthoLH(float w, float h, float zn, float zf) {
    Matrix m;
    m.m[0][0] = 2 / w, m.m[1][1] = 2 / h, m.m[2][2] = 1 / (zf - zn);
    m.m[3][2] = -zn / (zf - zn);
    return m;
}

namespace {
std::unique_ptr<Direct3D> g_d3d;
std::unique_ptr<Device> g_dev;
bool g_tried = false;
}  // namespace

PresentParameters DeviceFixture::Params(std::uint32_t w, std::uint32_t h, Format depth, MultisampleType ms) {
    PresentParameters pp;
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = Format::X8R8G8B8;
    pp.MultiSampleType = ms;
    pp.Windowed = true;
    pp.EnableAutoDepthStencil = depth != Format::Unknown;
    pp.AutoDepthStencilFormat = depth;
    return pp;
}

void DeviceFixture::SetUp() {
    if (!g_tried) {
        g_tried = true;
        ObjectOptions o;
        o.headless = true;
        g_d3d = Direct3D::Create(kSdkVersion, o);
        if (g_d3d) {
            PresentParameters pp = Params(kSize, kSize);
            g_d3d->CreateDevice(0, DevType::Hal, PresentTarget::Headless(kSize, kSize),
                                create::kHardwareVertexProcessing, &pp, &g_dev);
        }
    }
    if (!g_d3d || !g_dev) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
    d3d = g_d3d.get();
    dev = g_dev.get();
    PresentParameters pp = Params(kSize, kSize);
    dev->SimulateRestore();
    ASSERT_EQ(dev->Reset(&pp), kOk);
}

void DeviceFixture::TearDown() {
    owned.reset();
    if (g_dev && g_dev->GetCooperativeState() != CooperativeState::Ready) g_dev->SimulateRestore();
}

void DeviceFixture::MakeDevice(std::uint32_t w, std::uint32_t h, Format depth, MultisampleType ms) {
    owned.reset();
    PresentParameters pp = Params(w, h, depth, ms);
    ASSERT_EQ(d3d->CreateDevice(0, DevType::Hal, PresentTarget::Headless(w, h), create::kHardwareVertexProcessing,
                                &pp, &owned),
              kOk);
    ASSERT_TRUE(owned);
    dev = owned.get();
}

Image DeviceFixture::Target() {
    Image img;
    EXPECT_EQ(dev->ReadRenderTarget(&img), kOk);
    return img;
}

std::uint32_t DeviceFixture::Pixel(std::uint32_t x, std::uint32_t y) {
    Image img = Target();
    if (x >= img.width || y >= img.height) return 0xDEADBEEF;
    return img.At(x, y);
}

void DeviceFixture::DrawQuad(float x0, float y0, float x1, float y1, Color color, float z, float u0, float v0,
                             float u1, float v1) {
    const ScreenVertex v[4] = {{x0, y1, z, 1, color, u0, v1},
                               {x0, y0, z, 1, color, u0, v0},
                               {x1, y1, z, 1, color, u1, v1},
                               {x1, y0, z, 1, color, u1, v0}};
    ASSERT_EQ(dev->SetVertexShader(0x144), kOk);
    ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof(ScreenVertex)), kOk);
}

::testing::AssertionResult ColorNear(std::uint32_t actual, std::uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "got 0x%08X, expected 0x%08X (±%d)", actual, expected, tolerance);
            return ::testing::AssertionFailure() << buf;
        }
    }
    return ::testing::AssertionSuccess();
}

std::uint32_t Rgb(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b);
}

std::uint32_t Rgbf(float r, float g, float b) {
    auto c = [](float f) { return static_cast<int>(std::lround(std::fmin(std::fmax(f, 0.0f), 1.0f) * 255.0f)); };
    return Rgb(c(r), c(g), c(b));
}

}  // namespace vm::d3d::test
