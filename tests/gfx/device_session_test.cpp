// Device creation with its fall-backs, the gamma ramp, surviving device loss, and the loading screen,
// on a headless device.

#include <gtest/gtest.h>

#include "engine/texture_table.h"
#include "gfx/device_session.h"
#include "gfx/gamma_ramp.h"
#include "gfx/loading_screen.h"
#include "gfx/quad_buffer_pool.h"
#include "headless_device.h"
#include "platform/os/fake/fake_platform.h"
#include "platform/os/resources.h"

namespace vm::gfx {
namespace {

struct SessionTest : ::testing::Test {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    DeviceEnumerator enumerator;
    engine::TextureTable textures;
    QuadBufferPool quads;
    DeviceSession session;

    bool enumerate(std::vector<d3d::DisplayMode> modes = {}, d3d::Format desktop = d3d::Format::X8R8G8B8) {
        d3d::ObjectOptions o;
        if (modes.empty()) {
            o.headless = true;
        } else {
            o.displays.push_back({"DISPLAY1", std::move(modes), {1024, 768, 60, desktop}});
        }
        auto d3d = d3d::Direct3D::Create(d3d::kSdkVersion, o);
        return d3d && enumerator.enumerate(std::move(d3d)) == 0;
    }
    int create(bool useDesktop, std::uint8_t gamma = 100) {
        return session.createDevice(enumerator, d3d::PresentTarget::Headless(640, 480), 640, 480, {useDesktop, gamma},
                                    textures, quads, os::WindowHandle::None, nullptr);
    }
    void TearDown() override {
        quads.releaseAll();
        textures.ReleaseAll();
        session.release();
        os::clearResourceOverrides();
    }
};

#define NEED_GL(ok) \
    if (!(ok)) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)"

TEST_F(SessionTest, ChosenModeAndGamma) {
    NEED_GL(enumerate({{800, 600, 60, d3d::Format::R5G6B5}, {1024, 768, 60, d3d::Format::X8R8G8B8}}));
    enumerator.selectMode(1024, 768, 32, 0);
    ASSERT_EQ(create(false, 0), 0);
    EXPECT_EQ(session.presentParams().BackBufferWidth, 1024u);
    EXPECT_EQ(session.presentParams().BackBufferHeight, 768u);
    EXPECT_EQ(session.presentParams().BackBufferFormat, d3d::Format::X8R8G8B8);
    EXPECT_TRUE(session.presentParams().EnableAutoDepthStencil);
    d3d::GammaRamp ramp;
    session.device()->GetGammaRamp(&ramp);
    EXPECT_EQ(ramp.red[255], 14280) << "GmCntrl 0 darkens";
    d3d::Viewport vp;
    session.device()->GetViewport(&vp);
    EXPECT_EQ(quads.viewport().Width, vp.Width) << "quad buffers attached to the new device";
}

TEST_F(SessionTest, TwentyFourBitDesktopGetsA16BitBackBufferAtTheWindowSize) {
    NEED_GL(enumerate({{1024, 768, 60, d3d::Format::X8R8G8B8}}, d3d::Format::R8G8B8));
    ASSERT_EQ(create(true), 0);
    EXPECT_EQ(session.presentParams().BackBufferFormat, d3d::Format::R5G6B5);
    EXPECT_EQ(session.presentParams().BackBufferWidth, 640u);
    EXPECT_EQ(session.presentParams().BackBufferHeight, 480u);
}

TEST_F(SessionTest, SafeModeKeepsItsValuesAcrossResets) {
    // A mode far beyond what any GL implementation allocates makes the first creation fail.
    NEED_GL(enumerate({{32768, 32768, 60, d3d::Format::X8R8G8B8}}));
    const int r = create(false);
    if (r == 0 && session.presentParams().BackBufferWidth == 32768)
        GTEST_SKIP() << "this GL implementation accepted a 32768 x 32768 back buffer";
    ASSERT_EQ(r, 0);
    const auto check = [&] {
        const d3d::PresentParameters& pp = session.presentParams();
        EXPECT_EQ(pp.BackBufferWidth, 640u);
        EXPECT_EQ(pp.BackBufferHeight, 480u);
        EXPECT_EQ(pp.BackBufferFormat, d3d::Format::R5G6B5);
        EXPECT_EQ(pp.AutoDepthStencilFormat, d3d::Format::D16);
        EXPECT_EQ(pp.MultiSampleType, d3d::MultisampleType::None);
    };
    check();
    for (int i = 0; i < 3; ++i) {
        session.device()->SimulateLoss();
        session.device()->SimulateRestore();
        session.restoreDevice(nullptr, nullptr);
        check();
    }
}

TEST_F(SessionTest, SurvivesAThousandLossResetCycles) {
    NEED_GL(enumerate());
    ASSERT_EQ(create(true), 0);
    int rect = -1, parity = 1;
    showLoadingScreen(session.device(), quads, rect, parity, nullptr);
    const auto tga = test::makeTga(2, 2, 0xFFFFFFFFu);
    const int glyph = textures.LoadFromMemory(tga.data(), tga.size(), "digit_0.JPG", "Digits\\").index;
    const int slots = quads.count();
    int setups = 0;
    d3d::Device* d = session.device();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        d->SimulateLoss();
        ASSERT_EQ(session.testState(), DeviceState::Lost) << "cycle " << cycle;
        EXPECT_NE(d->Present(), d3d::kOk) << "frames are skipped while lost";
        d->SimulateRestore();
        ASSERT_EQ(session.testState(), DeviceState::Resettable);
        session.restoreDevice([&](d3d::Device* dev) {
            ++setups;
            dev->SetRenderState(d3d::RenderState::Lighting, false);
        }, nullptr);
        ASSERT_EQ(session.testState(), DeviceState::Ready);
    }
    EXPECT_EQ(setups, 1000) << "states are set again after every reset";
    std::uint32_t lighting = 1;
    d->GetRenderState(d3d::RenderState::Lighting, &lighting);
    EXPECT_EQ(lighting, 0u);
    EXPECT_EQ(quads.count(), slots) << "no buffer slot is made by a reset";
    EXPECT_EQ(textures.count(), 1);
    EXPECT_TRUE(textures.loaded(glyph)) << "managed textures survive resets";
    EXPECT_EQ(session.device(), d) << "the same device is reset, not recreated";
}

TEST_F(SessionTest, GammaAboveNeutralLiftsTheDarkEnd) {
    NEED_GL(enumerate());
    ASSERT_EQ(create(true, 200), 0);
    d3d::GammaRamp ramp;
    session.device()->GetGammaRamp(&ramp);
    EXPECT_EQ(ramp.red[0], 38325);
    EXPECT_EQ(ramp.red[255], 65355);
    session.release();
    EXPECT_EQ(session.device(), nullptr);
}

TEST_F(SessionTest, LoadingScreenCornerAt640x480AndParity) {
    NEED_GL(enumerate());
    ASSERT_EQ(create(true), 0);
    // The picture is missing (drawn white); the bottom-right corner is opaque red.
    const auto red = test::makeTga(256, 128, 0xFFFF0000u);
    os::hideResource("CustomData", 476);
    os::overrideResource("CustomData", 479, red);
    for (int id : {480, 481, 482}) os::hideResource("CustomData", id);
    int rect = -1, parity = 1;
    ASSERT_EQ(showLoadingScreen(session.device(), quads, rect, parity, nullptr), 0);
    EXPECT_EQ(parity, 1) << "two presents leave the parity as it was";
    EXPECT_GE(rect, 0);
    d3d::Image img;
    ASSERT_EQ(session.device()->ReadPresentedImage(&img), 0);
    ASSERT_EQ(img.width, 640u);
    struct Probe {
        std::uint32_t x, y, rgb;
    };
    const Probe probes[] = {{384, 352, 0xFF0000}, {639, 479, 0xFF0000}, {383, 352, 0xFFFFFF},
                            {384, 351, 0xFFFFFF}, {10, 10, 0xFFFFFF}};
    for (const Probe& p : probes) EXPECT_EQ(img.At(p.x, p.y) & 0xFFFFFF, p.rgb) << p.x << "," << p.y;
    std::uint32_t blend = 1;
    session.device()->GetRenderState(d3d::RenderState::AlphaBlendEnable, &blend);
    EXPECT_EQ(blend, 0u) << "saved states restored";
}

}  // namespace
}  // namespace vm::gfx
