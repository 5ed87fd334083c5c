// Render targets, the gamma ramp on the presented picture, device loss and reset.

#include <cmath>
#include <cstring>

#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

using Targets = DeviceFixture;

TEST_F(Targets, RenderToTextureAndBack) {
    std::unique_ptr<Texture> rt;
    ASSERT_EQ(dev->CreateTexture(32, 32, 1, usage::kRenderTarget, Format::A8R8G8B8, Pool::Default, &rt), kOk);
    std::unique_ptr<Surface> depth;
    ASSERT_EQ(dev->CreateDepthStencilSurface(32, 32, Format::D24X8, MultisampleType::None, &depth), kOk);
    Surface* level0 = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level0), kOk);

    Surface* savedColor = dev->GetRenderTarget();
    Surface* savedDepth = dev->GetDepthStencilSurface();
    ASSERT_EQ(dev->SetRenderTarget(level0, depth.get()), kOk);
    Viewport vp;
    ASSERT_EQ(dev->GetViewport(&vp), kOk);
    EXPECT_EQ(vp.Width, 32u);
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF0000FF, 1.0f, 0), kOk);
    DrawQuad(0, 0, 16, 16, 0xFFFF0000);  // top-left quarter of the texture
    ASSERT_EQ(dev->SetRenderTarget(savedColor, savedDepth), kOk);
    ASSERT_EQ(dev->GetViewport(&vp), kOk);
    EXPECT_EQ(vp.Width, kSize);

    // The picture, stretched over the back buffer, keeps its orientation.
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    ASSERT_EQ(dev->SetTexture(0, rt.get()), kOk);
    DrawQuad(0, 0, 64, 64, 0xFFFFFFFF);
    const Image img = Target();
    EXPECT_EQ(img.At(8, 8), 0xFFFF0000u);
    EXPECT_EQ(img.At(56, 8), 0xFF0000FFu);
    EXPECT_EQ(img.At(8, 56), 0xFF0000FFu);

    // A read-only lock sees the same picture, top row first.
    LockedRect lr;
    ASSERT_EQ(rt->LockRect(0, &lr, nullptr, lock::kReadOnly), kOk);
    EXPECT_EQ(static_cast<const std::uint32_t*>(lr.Bits)[0], 0xFFFF0000u);
    EXPECT_EQ(static_cast<const std::uint32_t*>(lr.Bits)[31], 0xFF0000FFu);
    ASSERT_EQ(rt->UnlockRect(0), kOk);
    EXPECT_EQ(rt->LockRect(0, &lr, nullptr, 0), kErrInvalidCall);  // writing a target is not allowed
}

TEST_F(Targets, DestroyingTheCurrentTargetFallsBackToTheBackBuffer) {
    std::unique_ptr<Texture> rt;
    ASSERT_EQ(dev->CreateTexture(16, 16, 1, usage::kRenderTarget, Format::A8R8G8B8, Pool::Default, &rt), kOk);
    Surface* level0 = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level0), kOk);
    ASSERT_EQ(dev->SetRenderTarget(level0, nullptr), kOk);
    rt.reset();
    EXPECT_EQ(dev->GetRenderTarget(), dev->GetBackBuffer());
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF00FF00, 1.0f, 0), kOk);
    EXPECT_EQ(Pixel(63, 63), 0xFF00FF00u);
}

TEST_F(Targets, RejectsMismatchedDepthSurface) {
    std::unique_ptr<Texture> rt;
    ASSERT_EQ(dev->CreateTexture(32, 32, 1, usage::kRenderTarget, Format::A8R8G8B8, Pool::Default, &rt), kOk);
    std::unique_ptr<Surface> small;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, Format::D16, MultisampleType::None, &small), kOk);
    Surface* level0 = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level0), kOk);
    EXPECT_EQ(dev->SetRenderTarget(level0, small.get()), kErrInvalidCall);
    EXPECT_EQ(dev->GetRenderTarget(), dev->GetBackBuffer());
}

// Ramp entries are 16-bit; their high byte is the output level.
TEST_F(Targets, GammaRampAppliesToThePresentedPicture) {
    auto ramp = [](int g) {
        GammaRamp r;
        for (int i = 0; i < 256; ++i) {
            int v;
            if (g <= 100) {
                v = (256 - 2 * (100 - g)) * i;
            } else {
                const int step = static_cast<int>(256.0f - 1.5f * static_cast<float>(g - 100));
                v = 65355 - step * (255 - i);
            }
            r.red[i] = r.green[i] = r.blue[i] = static_cast<std::uint16_t>(v);
        }
        return r;
    };
    struct Case {
        const char* name;
        int g;
        std::uint32_t expected;  // for the colour (255, 128, 0)
    };
    const Case cases[] = {
        {"neutral_100", 100, Rgb(255, 128, 0)},
        {"darkest_0", 0, Rgb(55, 28, 0)},
        {"lifted_200", 200, Rgb(255, 202, 149)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dev->SetGammaRamp(gamma::kCalibrate, ramp(c.g));
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, Rgb(255, 128, 0), 1.0f, 0), kOk);
        ASSERT_EQ(dev->Present(), kOk);
        Image img;
        ASSERT_EQ(dev->ReadPresentedImage(&img), kOk);
        EXPECT_EQ(img.At(10, 10), c.expected);
        EXPECT_EQ(Pixel(10, 10), Rgb(255, 128, 0));  // the back buffer itself is untouched
    }
    GammaRamp back;
    dev->GetGammaRamp(&back);
    EXPECT_EQ(back.red[255], 65355);
}

TEST_F(Targets, LossResetAndManagedResourcesSurvive) {
    auto tex = MakeTexture(1, 1, [](std::uint32_t, std::uint32_t) { return 0xFF20C040u; });
    std::unique_ptr<VertexBuffer> vb;
    ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(ScreenVertex), usage::kWriteOnly, 0x144, Pool::Managed, &vb), kOk);
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), kOk);
    const ScreenVertex quad[4] = {{0, 64, 0.5f, 1, 0xFFFFFFFF, 0, 1}, {0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                  {64, 64, 0.5f, 1, 0xFFFFFFFF, 1, 1}, {64, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0}};
    std::memcpy(p, quad, sizeof quad);
    ASSERT_EQ(vb->Unlock(), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::Lighting, false), kOk);

    dev->SimulateLoss();
    EXPECT_EQ(dev->TestCooperativeLevel(), kErrDeviceLost);
    EXPECT_EQ(dev->Present(), kErrDeviceLost);
    ASSERT_EQ(dev->SetStreamSource(0, vb.get(), sizeof(ScreenVertex)), kOk);
    ASSERT_EQ(dev->SetVertexShader(0x144), kOk);
    EXPECT_EQ(dev->DrawPrimitive(PrimitiveType::TriangleStrip, 0, 2), kErrDeviceLost);
    PresentParameters pp = Params(kSize, kSize);
    EXPECT_EQ(dev->Reset(&pp), kErrDeviceLost);  // not yet resettable
    dev->SimulateRestore();
    EXPECT_EQ(dev->TestCooperativeLevel(), kErrDeviceNotReset);
    ASSERT_EQ(dev->Reset(&pp), kOk);
    EXPECT_EQ(dev->TestCooperativeLevel(), kOk);

    // Defaults are back.
    std::uint32_t v = 0;
    ASSERT_EQ(dev->GetRenderState(RenderState::Lighting, &v), kOk);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(dev->GetTexture(0), nullptr);

    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    ASSERT_EQ(dev->SetTexture(0, tex.get()), kOk);
    ASSERT_EQ(dev->SetStreamSource(0, vb.get(), sizeof(ScreenVertex)), kOk);
    ASSERT_EQ(dev->SetVertexShader(0x144), kOk);
    ASSERT_EQ(dev->DrawPrimitive(PrimitiveType::TriangleStrip, 0, 2), kOk);
    EXPECT_EQ(Pixel(32, 32), 0xFF20C040u);
}

TEST_F(Targets, MultisampledBackBufferPresents) {
    if (d3d->CheckDeviceMultiSampleType(0, DevType::Hal, Format::X8R8G8B8, false, MultisampleType::Samples4) != kOk)
        GTEST_SKIP() << "the GL implementation offers no 4-sample buffers";
    MakeDevice(32, 32, Format::D24S8, MultisampleType::Samples4);
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    DrawQuad(0, 0, 16, 32, 0xFFFFFFFF);
    ASSERT_EQ(dev->Present(), kOk);
    Image img;
    ASSERT_EQ(dev->ReadPresentedImage(&img), kOk);
    EXPECT_EQ(img.At(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(28, 4), 0xFF000000u);
}

}  // namespace
}  // namespace vm::d3d::test

namespace vm::d3d::test {
namespace {

// Regression: Reset cleared the new depth buffer with whatever depth-write and scissor state the
// last draws had left in GL, so after a pass without depth writes the fresh buffer kept stale
// depth and hid everything drawn next.
TEST_F(Targets, ResetClearsDepthWhateverTheLastDrawsLeft) {
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 0.0f, 0), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::ZWriteEnable, false), kOk);
    ASSERT_EQ(dev->SetViewport(Viewport{0, 0, 8, 8, 0, 1}), kOk);
    DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
    PresentParameters pp = Params(kSize, kSize);
    ASSERT_EQ(dev->Reset(&pp), kOk);
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF000000, 1.0f, 0), kOk);
    DrawQuad(0, 0, 64, 64, 0xFF00FF00, 0.99f);
    EXPECT_EQ(Pixel(32, 32), 0xFF00FF00u);
}

}  // namespace
}  // namespace vm::d3d::test
