// Clock and FPS glyph sequences and positions, and one overlay frame drawn headless.

#include <gtest/gtest.h>

#include "gfx/overlay.h"
#include "headless_device.h"
#include "platform/os/fake/fake_platform.h"

namespace vm::gfx {
namespace {

constexpr int kEmpty = -100;  // marks a position left empty

TEST(OverlayLayout, ClockSequences) {
    struct Case {
        const char* name;
        LocalTime time;
        bool h24;
        std::vector<int> glyphs;  // by position; kEmpty where nothing is drawn
    };
    const int C = kGlyphColon, A = kGlyphA, M = kGlyphM, P = kGlyphP;
    const Case cases[] = {
        {"24h 09:05:07", {9, 5, 7}, true, {0, 9, C, 0, 5, C, 0, 7}},
        {"12h 13:05:09 leaves the first place empty", {13, 5, 9}, false, {kEmpty, 1, C, 0, 5, C, 0, 9, P, M}},
        {"12h midnight reads 12 AM", {0, 30, 0}, false, {1, 2, C, 3, 0, C, 0, 0, A, M}},
        {"12h noon reads 12 PM", {12, 0, 0}, false, {1, 2, C, 0, 0, C, 0, 0, P, M}},
        {"12h 10:15:00 AM", {10, 15, 0}, false, {1, 0, C, 1, 5, C, 0, 0, A, M}},
        {"12h 23:59:59 PM", {23, 59, 59}, false, {1, 1, C, 5, 9, C, 5, 9, P, M}},
    };
    const OverlayParams params;
    const float step = params.glyphWidth * params.advance;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto placed = layoutClock(c.time, c.h24, params);
        const float x0 = c.h24 ? params.clockX : params.clockX - 2 * step;
        std::size_t k = 0;
        for (std::size_t p = 0; p < c.glyphs.size(); ++p) {
            if (c.glyphs[p] == kEmpty) continue;
            ASSERT_LT(k, placed.size());
            EXPECT_EQ(placed[k].glyph, c.glyphs[p]) << "position " << p;
            EXPECT_FLOAT_EQ(placed[k].x, x0 + static_cast<float>(p) * step) << "position " << p;
            EXPECT_FLOAT_EQ(placed[k].y, params.clockY);
            ++k;
        }
        EXPECT_EQ(k, placed.size()) << "no extra glyphs";
    }
}

TEST(OverlayLayout, FpsText) {
    const OverlayParams params;
    const auto first = layoutFps(0, params);
    ASSERT_EQ(first.size(), 1u) << "the first second shows a single 0";
    EXPECT_EQ(first[0].glyph, 0);
    EXPECT_FLOAT_EQ(first[0].x, params.fpsX);
    EXPECT_FLOAT_EQ(first[0].y, params.fpsY);
    const auto negative = layoutFps(-5, params);  // a minus sign is below '0': the dot glyph
    ASSERT_EQ(negative.size(), 2u);
    EXPECT_EQ(negative[0].glyph, kGlyphDot);
    EXPECT_EQ(negative[1].glyph, 5);
}

// A frame over a bright grey background with the glyphs missing, so each glyph is a plain rectangle:
// the darkening pass blackens the 7 % rim below and right of the glyph, the glow pass whitens the glyph.
TEST(OverlayFrame, GlyphsSitWhereExpectedAndDarkenTheBackground) {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    constexpr std::uint32_t W = 400, H = 400;
    test::HeadlessDevice dev;
    if (!dev.open(W, H)) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
    QuadBufferPool pool;
    pool.attach(dev.device.get(), 0);
    int rect = -1;
    ASSERT_EQ(pool.create(rect, kRectVertexFormat, 4), 0);
    auto* v = static_cast<RectVertex*>(pool.lock(rect));
    for (int i = 0; i < 4; ++i) v[i] = {0, 0, 0.99f, 1, 0xFFFFFFFFu, 0, 0};
    pool.unlock(rect);
    engine::TextureTable table;
    table.Init(dev.d3d.get(), dev.device.get(), d3d::Format::X8R8G8B8, os::WindowHandle::None);

    Overlay overlay;
    d3d::Device& d = *dev.device;
    d.Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0xFFC0C0C0u, 1, 0);
    d.BeginScene();
    overlay.drawOverlay(&d, pool, rect, table, {true, true, true}, {9, 5, 7}, 0);
    d.EndScene();
    d3d::Image img;
    ASSERT_EQ(d.ReadRenderTarget(&img), 0);

    const OverlayParams& p = overlay.params;
    const auto px = [](float f, std::uint32_t size) { return static_cast<std::uint32_t>(f * static_cast<float>(size)); };
    struct Probe {
        const char* name;
        std::uint32_t x, y, rgb;
    };
    const std::uint32_t clockLeft = px(p.clockX, W), clockTop = px(p.clockY, H);
    const std::uint32_t glyphBottom = px(p.clockY + p.glyphHeight, H);
    const Probe probes[] = {
        {"inside the first clock glyph", clockLeft + 3, clockTop + 3, 0xFFFFFF},
        {"left of the clock untouched", clockLeft - 3, clockTop + 3, 0xC0C0C0},
        {"darkened rim below the first glyph", clockLeft + 3, glyphBottom + 1, 0x000000},
        {"inside the FPS glyph", px(p.fpsX, W) + 3, px(p.fpsY, H) + 3, 0xFFFFFF},
        {"darkened rim below the FPS glyph", px(p.fpsX, W) + 3, px(p.fpsY + p.glyphHeight, H) + 1, 0x000000},
        {"between the FPS text and the clock untouched", W / 2, H / 2, 0xC0C0C0},
    };
    for (const Probe& pr : probes) EXPECT_EQ(img.At(pr.x, pr.y) & 0xFFFFFF, pr.rgb) << pr.name;

    std::uint32_t z = 0, blend = 1;
    d.GetRenderState(d3d::RenderState::ZEnable, &z);
    d.GetRenderState(d3d::RenderState::AlphaBlendEnable, &blend);
    EXPECT_EQ(z, 1u);
    EXPECT_EQ(blend, 0u);
    pool.releaseAll();
    table.ReleaseAll();
}

}  // namespace
}  // namespace vm::gfx
