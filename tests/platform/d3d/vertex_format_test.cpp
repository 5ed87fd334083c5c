#include <gtest/gtest.h>

#include "platform/d3d/vertex_format.h"

namespace vm::d3d {
namespace {

TEST(VertexFormat, LayoutsOfTheProgramsFormats) {
    struct Case {
        const char* name;
        std::uint32_t format;
        std::uint32_t stride;
        std::int32_t weights, normal, diffuse;
        std::uint32_t blendWeights, texSets;
        std::int32_t tex0, tex1;
    };
    const Case cases[] = {
        {"screen_quad_0x144", 0x144, 28, -1, -1, 16, 0, 1, 20, -1},
        {"lit_quad_0x152", 0x152, 36, -1, 12, 24, 0, 1, 28, -1},
        {"flame_338_is_0x152", 338, 36, -1, 12, 24, 0, 1, 28, -1},
        {"fade_324_is_0x144", 324, 28, -1, -1, 16, 0, 1, 20, -1},
        {"two_sets_0x252", 0x252, 44, -1, 12, 24, 0, 2, 28, 36},
        // Regression: XYZB1 carries one weight, not two.
        {"blended_xyzb1_normal_tex1", fvf::kXyzB1 | fvf::kNormal | fvf::kTex1, 36, 12, 16, -1, 1, 1, 28, -1},
        {"blended_xyzb3", fvf::kXyzB3 | fvf::kNormal | fvf::kTex1, 44, 12, 24, -1, 3, 1, 36, -1},
        {"three_component_set", fvf::kXyz | fvf::kTex1 | fvf::TexCoordSize3(0), 24, -1, -1, -1, 0, 1, 12, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VertexLayout l = LayoutOf(c.format);
        ASSERT_TRUE(l.valid);
        EXPECT_EQ(l.stride, c.stride);
        EXPECT_EQ(l.weights, c.weights);
        EXPECT_EQ(l.normal, c.normal);
        EXPECT_EQ(l.diffuse, c.diffuse);
        EXPECT_EQ(l.blendWeights, c.blendWeights);
        EXPECT_EQ(l.texCoordSets, c.texSets);
        EXPECT_EQ(l.texCoord[0], c.tex0);
        EXPECT_EQ(l.texCoord[1], c.tex1);
    }
    EXPECT_TRUE(LayoutOf(0x144).pretransformed);
    EXPECT_FALSE(LayoutOf(0x152).pretransformed);
}

TEST(VertexFormat, RejectsMalformedFormats) {
    struct Case {
        const char* name;
        std::uint32_t format;
    };
    const Case cases[] = {
        {"no_position", fvf::kNormal | fvf::kDiffuse},
        {"nine_texture_sets", fvf::kXyz | 0x900},
        {"unknown_bit", fvf::kXyz | 0x2000},
        {"size_bits_of_absent_set", fvf::kXyz | fvf::kTex1 | fvf::TexCoordSize3(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(LayoutOf(c.format).valid);
        EXPECT_EQ(VertexSize(c.format), 0u);
    }
}

}  // namespace
}  // namespace vm::d3d
