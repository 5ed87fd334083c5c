// Culling by screen winding and the depth test.

#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

struct XyzColor {
    float x, y, z;
    Color c;
};

struct Raster : DeviceFixture {
    void SetUp() override {
        DeviceFixture::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(dev->SetRenderState(RenderState::Lighting, false), kOk);
        ASSERT_EQ(dev->SetTransform(TransformState::Projection, PerspectiveFovLH(1.5707964f, 1, 1, 100)), kOk);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    }
    void Triangle(bool clockwiseOnScreen, float xOffset, Color c) {
        // In the left-handed view (x right, y up, looking down +z) the screen shows y upward, so
        // (-1,-1) → (-1,1) → (1,-1) runs clockwise as seen.
        XyzColor cw[3] = {{-1 + xOffset, -1, 5, c}, {-1 + xOffset, 1, 5, c}, {1 + xOffset, -1, 5, c}};
        if (!clockwiseOnScreen) std::swap(cw[1], cw[2]);
        ASSERT_EQ(dev->SetVertexShader(fvf::kXyz | fvf::kDiffuse), kOk);
        ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleList, 1, cw, sizeof(XyzColor)), kOk);
    }
};

TEST_F(Raster, CullingFollowsScreenWinding) {
    struct Case {
        const char* name;
        Cull cull;
        bool cwVisible, ccwVisible;
    };
    const Case cases[] = {
        {"default_ccw_culls_counter_clockwise", Cull::CCW, true, false},
        {"cw_culls_clockwise", Cull::CW, false, true},
        {"none_draws_both", Cull::None, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::CullMode, c.cull), kOk);
        Triangle(true, -2.5f, 0xFFFF0000);   // left half of the screen
        Triangle(false, 2.5f, 0xFF00FF00);   // right half
        const Image img = Target();
        // Near each triangle's right-angle corner (pixels 9.6 and 41.6, 38.4), well inside it.
        EXPECT_EQ(img.At(12, 36), c.cwVisible ? 0xFFFF0000u : 0xFF000000u);
        EXPECT_EQ(img.At(44, 36), c.ccwVisible ? 0xFF00FF00u : 0xFF000000u);
    }
}

TEST_F(Raster, MirroredWorldFlipsWindingAndCullCwRestoresIt) {
    // Reflecting y turns a clockwise triangle counter-clockwise on screen: the mirrored hall pass
    // culls clockwise to keep the same faces.
    ASSERT_EQ(dev->SetTransform(TransformState::World, Scaling(1, -1, 1)), kOk);
    Triangle(true, -2.5f, 0xFFFF0000);
    EXPECT_EQ(Pixel(12, 28), 0xFF000000u);
    ASSERT_EQ(dev->SetRenderState(RenderState::CullMode, Cull::CW), kOk);
    Triangle(true, -2.5f, 0xFFFF0000);
    EXPECT_EQ(Pixel(12, 28), 0xFFFF0000u);
}

TEST_F(Raster, DepthTestAndDepthWrite) {
    struct Case {
        const char* name;
        bool zEnable, firstWrites;
        Cmp func;
        float secondZ;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"farther_hidden", true, true, Cmp::LessEqual, 0.7f, 0xFFFF0000},
        {"nearer_drawn", true, true, Cmp::LessEqual, 0.3f, 0xFF00FF00},
        {"equal_passes_lessequal", true, true, Cmp::LessEqual, 0.5f, 0xFF00FF00},
        {"equal_fails_less", true, true, Cmp::Less, 0.5f, 0xFFFF0000},
        {"no_write_lets_farther_through", true, false, Cmp::LessEqual, 0.7f, 0xFF00FF00},
        {"z_off_draws_over", false, true, Cmp::LessEqual, 0.9f, 0xFF00FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::ZEnable, c.zEnable ? ZBuffer::True : ZBuffer::False), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::ZFunc, c.func), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::ZWriteEnable, c.firstWrites), kOk);
        DrawQuad(0, 0, 64, 64, 0xFFFF0000, 0.5f);
        ASSERT_EQ(dev->SetRenderState(RenderState::ZWriteEnable, true), kOk);
        DrawQuad(0, 0, 64, 64, 0xFF00FF00, c.secondZ);
        EXPECT_EQ(Pixel(32, 32), c.expected);
    }
}

}  // namespace
}  // namespace vm::d3d::test
