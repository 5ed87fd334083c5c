// Per-vertex lighting, checked on a camera-facing quad whose four corners light identically, so
// every pixel carries the value computed by hand.

#include <cmath>

#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

constexpr std::uint32_t kPosNormal = fvf::kXyz | fvf::kNormal;

struct Lighting : DeviceFixture {
    void SetUp() override {
        DeviceFixture::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(dev->SetTransform(TransformState::Projection, OrthoLH(2, 2, 0, 100)), kOk);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    }
    // Quad spanning x, y in [-1, 1] at z = 10, facing the camera (normal toward -z).
    void DrawQuad3D() {
        const PosNormal v[4] = {{-1, -1, 10, 0, 0, -1}, {-1, 1, 10, 0, 0, -1}, {1, -1, 10, 0, 0, -1}, {1, 1, 10, 0, 0, -1}};
        ASSERT_EQ(dev->SetVertexShader(kPosNormal), kOk);
        ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof(PosNormal)), kOk);
    }
    static Material White() {
        Material m;
        m.Diffuse = {1, 1, 1, 1};
        m.Ambient = {1, 1, 1, 1};
        return m;
    }
};

// Light on the quad's axis, √2 in front of it: every corner is at distance 2 with N·L = √2 / 2.
TEST_F(Lighting, PointLightAttenuationAndRange) {
    struct Case {
        const char* name;
        float a0, a1, a2, range;
        float expected;  // (0.3 · N·L + 0.1 ambient) · attenuation, grey
    };
    const float ndl = std::sqrt(2.0f) / 2;
    const Case cases[] = {
        {"linear", 0, 0.25f, 0, 10, (0.3f * ndl + 0.1f) * 2.0f},
        {"quadratic", 0.5f, 0, 0.125f, 10, (0.3f * ndl + 0.1f) * 1.0f},
        {"constant", 2, 0, 0, 10, (0.3f * ndl + 0.1f) * 0.5f},
        {"zero_denominator_counts_as_one", 0, 0, 0, 10, 0.3f * ndl + 0.1f},
        {"beyond_range_nothing_not_even_ambient", 0, 0.25f, 0, 1.9f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Light l;
        l.Type = LightType::Point;
        l.Diffuse = {0.3f, 0.3f, 0.3f, 1};
        l.Ambient = {0.1f, 0.1f, 0.1f, 1};
        l.Position = {0, 0, 10 - std::sqrt(2.0f)};
        l.Range = c.range;
        l.Attenuation0 = c.a0, l.Attenuation1 = c.a1, l.Attenuation2 = c.a2;
        ASSERT_EQ(dev->SetLight(0, l), kOk);
        ASSERT_EQ(dev->LightEnable(0, true), kOk);
        ASSERT_EQ(dev->SetMaterial(White()), kOk);
        DrawQuad3D();
        EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgbf(c.expected, c.expected, c.expected)));
    }
}

TEST_F(Lighting, DirectionalLightIsNormalisedAndIgnoresRange) {
    struct Case {
        const char* name;
        Vector3 direction;
        Matrix world;
        float expected;
    };
    const float c45 = std::sqrt(0.5f);
    const Case cases[] = {
        {"head_on", {0, 0, 1}, Identity(), 0.8f},
        {"unnormalised_direction", {0, 0, 5}, Identity(), 0.8f},
        {"at_45_degrees", {0, -1, 1}, Identity(), 0.8f * c45},
        {"from_behind_is_dark", {0, 0, -1}, Identity(), 0.0f},
        {"scaled_object_normals_renormalised", {0, 0, 1}, Scaling(0.5f, 0.5f, 0.5f), 0.8f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Light l;
        l.Type = LightType::Directional;
        l.Diffuse = {0.8f, 0.8f, 0.8f, 1};
        l.Direction = c.direction;
        l.Range = 0;            // ignored for directional lights
        l.Attenuation0 = 10;    // ignored too
        ASSERT_EQ(dev->SetLight(3, l), kOk);
        ASSERT_EQ(dev->LightEnable(3, true), kOk);
        ASSERT_EQ(dev->SetMaterial(White()), kOk);
        ASSERT_EQ(dev->SetTransform(TransformState::World, c.world), kOk);
        DrawQuad3D();
        EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgbf(c.expected, c.expected, c.expected)));
    }
}

// emissive + material ambient × (render-state ambient + light ambient); no diffuse material.
TEST_F(Lighting, MaterialAmbientTakesRenderStateAndLightAmbient) {
    Light l;
    l.Type = LightType::Directional;
    l.Direction = {0, 0, 1};
    l.Diffuse = {1, 1, 1, 1};
    l.Ambient = {0.2f, 0.4f, 0.6f, 1};
    ASSERT_EQ(dev->SetLight(0, l), kOk);
    ASSERT_EQ(dev->LightEnable(0, true), kOk);
    Material m;
    m.Ambient = {0.5f, 0.5f, 1.0f, 1};
    m.Emissive = {0.1f, 0, 0, 0};
    ASSERT_EQ(dev->SetMaterial(m), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::Ambient, 0x00202020u), kOk);
    DrawQuad3D();
    const float rs = 32.0f / 255.0f;
    EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgbf(0.1f + 0.5f * (rs + 0.2f), 0.5f * (rs + 0.4f), 1.0f * (rs + 0.6f))));

    // A disabled light adds nothing, its ambient part included.
    ASSERT_EQ(dev->LightEnable(0, false), kOk);
    DrawQuad3D();
    EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgbf(0.1f + 0.5f * rs, 0.5f * rs, rs)));
}

TEST_F(Lighting, LightingOffUsesVertexColour) {
    ASSERT_EQ(dev->SetRenderState(RenderState::Lighting, false), kOk);
    const LitVertex v[4] = {{-1, -1, 10, 0, 0, -1, 0xFF4080C0, 0, 0},
                            {-1, 1, 10, 0, 0, -1, 0xFF4080C0, 0, 0},
                            {1, -1, 10, 0, 0, -1, 0xFF4080C0, 0, 0},
                            {1, 1, 10, 0, 0, -1, 0xFF4080C0, 0, 0}};
    ASSERT_EQ(dev->SetVertexShader(0x152), kOk);
    ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof(LitVertex)), kOk);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0xFF4080C0, 1));
}

// XYZB1: one weight per vertex, the second matrix takes 1 − weight.
TEST_F(Lighting, VertexBlendingWithTwoMatrices) {
    struct BlendVertex {
        float x, y, z, w0;
        Color color;
    };
    struct Case {
        const char* name;
        float weight;
        std::uint32_t litX, darkX;  // pixel columns on and off the quad
    };
    const Case cases[] = {
        {"all_first_matrix", 1.0f, 16, 48},
        {"all_second_matrix", 0.0f, 48, 16},
        {"halfway", 0.5f, 32, 16},
    };
    ASSERT_EQ(dev->SetRenderState(RenderState::Lighting, false), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::VertexBlend, VertexBlend::Weights1), kOk);
    ASSERT_EQ(dev->SetTransform(WorldMatrix(0), Translation(-0.5f, 0, 0)), kOk);
    ASSERT_EQ(dev->SetTransform(WorldMatrix(1), Translation(0.5f, 0, 0)), kOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
        const float s = 0.25f;
        const BlendVertex v[4] = {{-s, -s, 10, c.weight, 0xFFFFFFFF},
                                  {-s, s, 10, c.weight, 0xFFFFFFFF},
                                  {s, -s, 10, c.weight, 0xFFFFFFFF},
                                  {s, s, 10, c.weight, 0xFFFFFFFF}};
        ASSERT_EQ(dev->SetVertexShader(fvf::kXyzB1 | fvf::kDiffuse), kOk);
        ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof(BlendVertex)), kOk);
        const Image img = Target();
        EXPECT_EQ(img.At(c.litX, 32), 0xFFFFFFFFu);
        EXPECT_EQ(img.At(c.darkX, 32), 0xFF000000u);
    }
}

TEST_F(Lighting, MultiplyTransformOrder) {
    ASSERT_EQ(dev->SetTransform(TransformState::World, Translation(1, 0, 0)), kOk);
    ASSERT_EQ(dev->MultiplyTransform(TransformState::World, Scaling(2, 2, 2)), kOk);
    Matrix m;
    ASSERT_EQ(dev->GetTransform(TransformState::World, &m), kOk);
    // Scaling × translation: the given scaling applies first, so the translation stays 1.
    EXPECT_FLOAT_EQ(m.m[3][0], 1.0f);
    EXPECT_FLOAT_EQ(m.m[0][0], 2.0f);
}

}  // namespace
}  // namespace vm::d3d::test
