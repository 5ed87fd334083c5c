// Texture stages, addressing, texture-coordinate generation, alpha test and blending.

#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

struct Stages : DeviceFixture {
    void SetUp() override {
        DeviceFixture::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    }
    std::unique_ptr<Texture> Solid(std::uint32_t argb) {
        return MakeTexture(2, 2, [argb](std::uint32_t, std::uint32_t) { return argb; });
    }
    void StageState(std::uint32_t stage, TextureStageState s, std::uint32_t v) {
        ASSERT_EQ(dev->SetTextureStageState(stage, s, v), kOk);
    }
};

// Stage 1 multiplies what stage 0 made by the light map; an empty stage 1 leaves it unchanged.
TEST_F(Stages, Stage1ModulatesLightMap) {
    struct TwoSetVertex {
        float x, y, z, rhw;
        Color color;
        float u0, v0, u1, v1;
    };
    auto base = Solid(Rgbf(0.8f, 0.6f, 0.4f));
    auto lightMap = Solid(Rgbf(0.5f, 0.25f, 1.0f));
    struct Case {
        const char* name;
        Texture* stage1;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"light_map", lightMap.get(), Rgbf(0.8f * 0.5f, 0.6f * 0.25f, 0.4f)},
        {"no_light_map_reads_white", nullptr, Rgbf(0.8f, 0.6f, 0.4f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->SetTexture(0, base.get()), kOk);
        ASSERT_EQ(dev->SetTexture(1, c.stage1), kOk);
        StageState(1, TextureStageState::ColorOp, static_cast<std::uint32_t>(TextureOp::Modulate));
        StageState(1, TextureStageState::ColorArg1, texarg::kTexture);
        StageState(1, TextureStageState::ColorArg2, texarg::kCurrent);
        StageState(1, TextureStageState::AlphaOp, static_cast<std::uint32_t>(TextureOp::Disable));
        StageState(1, TextureStageState::TexCoordIndex, 1);
        const TwoSetVertex v[4] = {{0, 64, 0.5f, 1, 0xFFFFFFFF, 0, 1, 0, 1},
                                   {0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0},
                                   {64, 64, 0.5f, 1, 0xFFFFFFFF, 1, 1, 1, 1},
                                   {64, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0, 1, 0}};
        ASSERT_EQ(dev->SetVertexShader(fvf::kXyzRhw | fvf::kDiffuse | fvf::kTex2), kOk);
        ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof(TwoSetVertex)), kOk);
        EXPECT_TRUE(ColorNear(Pixel(32, 32), c.expected));
    }
}

// Each blend factor pair the program uses, over a background B with source S at alpha 0x80.
TEST_F(Stages, BlendFactorPairs) {
    const float b[3] = {0.2f, 0.4f, 0.6f}, s[3] = {0.8f, 0.5f, 0.25f};
    const float a = 128.0f / 255.0f;
    struct Case {
        const char* name;
        Blend src, dst;
        float expected[3];
    };
    auto sat = [](float f) { return f > 1 ? 1.0f : f; };
    const Case cases[] = {
        {"srcalpha_invsrcalpha", Blend::SrcAlpha, Blend::InvSrcAlpha,
         {s[0] * a + b[0] * (1 - a), s[1] * a + b[1] * (1 - a), s[2] * a + b[2] * (1 - a)}},
        {"srcalpha_one_additive", Blend::SrcAlpha, Blend::One, {sat(s[0] * a + b[0]), sat(s[1] * a + b[1]), sat(s[2] * a + b[2])}},
        {"zero_invsrccolor_darkening", Blend::Zero, Blend::InvSrcColor,
         {b[0] * (1 - s[0]), b[1] * (1 - s[1]), b[2] * (1 - s[2])}},
        {"srccolor_one_glow", Blend::SrcColor, Blend::One, {sat(s[0] * s[0] + b[0]), sat(s[1] * s[1] + b[1]), sat(s[2] * s[2] + b[2])}},
        {"one_zero_replace", Blend::One, Blend::Zero, {s[0], s[1], s[2]}},
    };
    const Color src = (0x80u << 24) | (Rgbf(s[0], s[1], s[2]) & 0xFFFFFF);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, Rgbf(b[0], b[1], b[2]), 1.0f, 0), kOk);
        StageState(0, TextureStageState::AlphaOp, static_cast<std::uint32_t>(TextureOp::SelectArg2));
        ASSERT_EQ(dev->SetRenderState(RenderState::AlphaBlendEnable, true), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::SrcBlend, c.src), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::DestBlend, c.dst), kOk);
        DrawQuad(0, 0, 64, 64, src);
        EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgbf(c.expected[0], c.expected[1], c.expected[2])));
    }
}

// Alpha SELECTARG2 takes the diffuse alpha, ignoring the texture's; the alpha test compares it
// (× 255) with the reference.
TEST_F(Stages, AlphaTestOnSelectArg2Alpha) {
    struct Case {
        const char* name;
        Cmp func;
        std::uint32_t ref;
        bool drawn;
    };
    const Case cases[] = {
        {"greaterequal_equal_passes", Cmp::GreaterEqual, 64, true},
        {"greaterequal_above_fails", Cmp::GreaterEqual, 65, false},
        {"greater_equal_fails", Cmp::Greater, 64, false},
        {"less_passes", Cmp::Less, 65, true},
        {"equal_passes", Cmp::Equal, 64, true},
        {"notequal_fails", Cmp::NotEqual, 64, false},
        {"never", Cmp::Never, 0, false},
        {"always", Cmp::Always, 255, true},
    };
    auto tex = Solid(0x00FFFFFF);  // alpha 0: would fail every test if it were used
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF000000, 1.0f, 0), kOk);
        ASSERT_EQ(dev->SetTexture(0, tex.get()), kOk);
        StageState(0, TextureStageState::AlphaArg1, texarg::kTexture);
        StageState(0, TextureStageState::AlphaArg2, texarg::kDiffuse);
        StageState(0, TextureStageState::AlphaOp, static_cast<std::uint32_t>(TextureOp::SelectArg2));
        ASSERT_EQ(dev->SetRenderState(RenderState::AlphaTestEnable, true), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::AlphaFunc, c.func), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::AlphaRef, c.ref), kOk);
        DrawQuad(0, 0, 64, 64, 0x40FF8000);
        EXPECT_EQ(Pixel(32, 32), c.drawn ? 0xFFFF8000u : 0xFF000000u);
    }
}

// The floor pass: lit diffuse alpha 0.5 from the material through SELECTARG2, blended over what is
// below.
TEST_F(Stages, LitMaterialAlphaBlendsThroughSelectArg2) {
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFFFF0000, 1.0f, 0), kOk);
    ASSERT_EQ(dev->SetTransform(TransformState::Projection, OrthoLH(2, 2, 0, 100)), kOk);
    Light l;
    l.Type = LightType::Directional;
    l.Direction = {0, 0, 1};
    l.Diffuse = {1, 1, 1, 1};
    ASSERT_EQ(dev->SetLight(0, l), kOk);
    ASSERT_EQ(dev->LightEnable(0, true), kOk);
    Material m;
    m.Diffuse = {0, 0, 1, 0.5f};
    ASSERT_EQ(dev->SetMaterial(m), kOk);
    auto tex = Solid(0x00FFFFFF);
    ASSERT_EQ(dev->SetTexture(0, tex.get()), kOk);
    StageState(0, TextureStageState::AlphaArg2, texarg::kDiffuse);
    StageState(0, TextureStageState::AlphaOp, static_cast<std::uint32_t>(TextureOp::SelectArg2));
    ASSERT_EQ(dev->SetRenderState(RenderState::AlphaBlendEnable, true), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha), kOk);
    const LitVertex v[4] = {{-1, -1, 10, 0, 0, -1, 0, 0, 0}, {-1, 1, 10, 0, 0, -1, 0, 0, 0},
                            {1, -1, 10, 0, 0, -1, 0, 0, 0}, {1, 1, 10, 0, 0, -1, 0, 0, 0}};
    // Format without vertex colour, so the material (not ColorVertex) feeds the diffuse part.
    struct PNT {
        float x, y, z, nx, ny, nz, u, v;
    };
    PNT p[4];
    for (int i = 0; i < 4; ++i) p[i] = {v[i].x, v[i].y, v[i].z, 0, 0, -1, 0, 0};
    ASSERT_EQ(dev->SetVertexShader(fvf::kXyz | fvf::kNormal | fvf::kTex1), kOk);
    ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, p, sizeof(PNT)), kOk);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgbf(0.5f, 0, 0.5f)));
}

// Camera-space position through a texture matrix with COUNT3: x, y map onto the light map, z is
// ignored, and outside [0, 1] the border colour shows.
TEST_F(Stages, CameraSpaceTexGenWithBorder) {
    // 2 × 2: red, green / blue, white.
    auto map = MakeTexture(2, 2, [](std::uint32_t x, std::uint32_t y) {
        static const std::uint32_t c[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}};
        return c[y][x];
    });
    ASSERT_EQ(dev->SetTransform(TransformState::Projection, OrthoLH(4, 4, 0, 100)), kOk);
    ASSERT_EQ(dev->SetRenderState(RenderState::Lighting, false), kOk);
    ASSERT_EQ(dev->SetTexture(1, map.get()), kOk);
    StageState(1, TextureStageState::ColorOp, static_cast<std::uint32_t>(TextureOp::Modulate));
    StageState(1, TextureStageState::ColorArg1, texarg::kTexture);
    StageState(1, TextureStageState::ColorArg2, texarg::kCurrent);
    StageState(1, TextureStageState::TexCoordIndex, texcoord::kCameraSpacePosition);
    StageState(1, TextureStageState::TextureTransformFlags, texturetransform::kCount3);
    StageState(1, TextureStageState::AddressU, static_cast<std::uint32_t>(TextureAddress::Border));
    StageState(1, TextureStageState::AddressV, static_cast<std::uint32_t>(TextureAddress::Border));
    // u = 0.5 x + 0.5, v = −0.5 y + 0.5: the translation sits in row 3 and needs w = 1.
    ASSERT_EQ(dev->SetTransform(TransformState::Texture1, Mul(Scaling(0.5f, -0.5f, 1), Translation(0.5f, 0.5f, 0))),
              kOk);
    struct XyzColor {
        float x, y, z;
        Color c;
    };
    const XyzColor v[4] = {{-2, -2, 10, 0xFFFFFFFF}, {-2, 2, 10, 0xFFFFFFFF}, {2, -2, 10, 0xFFFFFFFF}, {2, 2, 10, 0xFFFFFFFF}};
    struct Case {
        const char* name;
        Color border;
        std::uint32_t x, y, expected;
    };
    const Case cases[] = {
        {"top_left_texel", 0, 24, 24, 0xFFFF0000},  {"top_right_texel", 0, 40, 24, 0xFF00FF00},
        {"bottom_left_texel", 0, 24, 40, 0xFF0000FF}, {"bottom_right_texel", 0, 40, 40, 0xFFFFFFFF},
        {"outside_default_border_is_black", 0, 4, 32, 0xFF000000},
        {"outside_given_border", 0xFF808080, 4, 32, 0xFF808080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StageState(1, TextureStageState::BorderColor, c.border);
        ASSERT_EQ(dev->SetVertexShader(fvf::kXyz | fvf::kDiffuse), kOk);
        ASSERT_EQ(dev->DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof(XyzColor)), kOk);
        EXPECT_TRUE(ColorNear(Pixel(c.x, c.y), c.expected, 1));
    }
}

// u runs from −1 to 1 across the screen over a texture that is red on its left half and green on
// its right; pixel 8 samples u = −0.75, 24: −0.25, 40: 0.25, 56: 0.75.
TEST_F(Stages, MirrorAndWrapAddressing) {
    auto tex = MakeTexture(2, 1, [](std::uint32_t x, std::uint32_t) { return x == 0 ? 0xFFFF0000u : 0xFF00FF00u; });
    struct Case {
        const char* name;
        TextureAddress mode;
        std::uint32_t at8, at24, at40, at56;
    };
    const Case cases[] = {
        {"mirror", TextureAddress::Mirror, 0xFF00FF00, 0xFFFF0000, 0xFFFF0000, 0xFF00FF00},
        {"wrap", TextureAddress::Wrap, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->SetTexture(0, tex.get()), kOk);
        StageState(0, TextureStageState::AddressU, static_cast<std::uint32_t>(c.mode));
        DrawQuad(0, 0, 64, 64, 0xFFFFFFFF, 0.5f, -1, 0, 1, 1);
        const Image img = Target();
        EXPECT_EQ(img.At(8, 32), c.at8);
        EXPECT_EQ(img.At(24, 32), c.at24);
        EXPECT_EQ(img.At(40, 32), c.at40);
        EXPECT_EQ(img.At(56, 32), c.at56);
    }
}

TEST_F(Stages, TextureFormatsReadBackAsArgb) {
    struct Case {
        const char* name;
        Format format;
        std::uint32_t texel;  // raw bits as stored
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"a8r8g8b8", Format::A8R8G8B8, 0xFF336699, 0xFF336699},
        {"x8r8g8b8_alpha_ignored", Format::X8R8G8B8, 0x00336699, 0xFF336699},
        {"r5g6b5", Format::R5G6B5, 0xF800, 0xFFFF0000},
        {"a1r5g5b5", Format::A1R5G5B5, 0x83E0, 0xFF00FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Texture> t;
        ASSERT_EQ(dev->CreateTexture(1, 1, 1, 0, c.format, Pool::Managed, &t), kOk);
        LockedRect lr;
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), kOk);
        if (BytesPerPixel(c.format) == 4) *static_cast<std::uint32_t*>(lr.Bits) = c.texel;
        else *static_cast<std::uint16_t*>(lr.Bits) = static_cast<std::uint16_t>(c.texel);
        ASSERT_EQ(t->UnlockRect(0), kOk);
        ASSERT_EQ(dev->SetTexture(0, t.get()), kOk);
        // Alpha through to the blend: a texel with alpha 0 would leave the black background.
        ASSERT_EQ(dev->SetRenderState(RenderState::AlphaBlendEnable, true), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha), kOk);
        ASSERT_EQ(dev->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha), kOk);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF000000, 1.0f, 0), kOk);
        DrawQuad(0, 0, 64, 64, 0xFFFFFFFF);
        EXPECT_TRUE(ColorNear(Pixel(32, 32), c.expected, 1));
    }
}

TEST_F(Stages, MipLevelsUploadAndMipFilterNoneSamplesLevelZero) {
    std::unique_ptr<Texture> t;
    ASSERT_EQ(dev->CreateTexture(8, 4, 0, 0, Format::A8R8G8B8, Pool::Managed, &t), kOk);
    ASSERT_EQ(t->GetLevelCount(), 4u);  // 8×4, 4×2, 2×1, 1×1
    const std::uint32_t colors[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    for (std::uint32_t level = 0; level < 4; ++level) {
        SurfaceDesc d;
        ASSERT_EQ(t->GetLevelDesc(level, &d), kOk);
        std::vector<std::uint32_t> px(d.Width * d.Height, colors[level]);
        ASSERT_EQ(t->UpdateLevel(level, px.data(), static_cast<std::int32_t>(d.Width * 4)), kOk);
    }
    ASSERT_EQ(dev->SetTexture(0, t.get()), kOk);
    // A 64-pixel quad showing the 8-texel texture 8 times over needs level 0 only when mips are off.
    StageState(0, TextureStageState::MinFilter, static_cast<std::uint32_t>(TextureFilter::Point));
    DrawQuad(0, 0, 2, 2, 0xFFFFFFFF, 0.5f, 0, 0, 8, 8);
    EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);
    StageState(0, TextureStageState::MipFilter, static_cast<std::uint32_t>(TextureFilter::Point));
    DrawQuad(0, 0, 2, 2, 0xFFFFFFFF, 0.5f, 0, 0, 8, 8);
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFF00u);  // minified 32×: the 1 × 1 level
}

}  // namespace
}  // namespace vm::d3d::test
