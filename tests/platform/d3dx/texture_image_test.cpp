#include "platform/d3dx/texture_image.h"

#include <gtest/gtest.h>

#include <string>

#include "image_builders.h"
#include "platform/d3dx/image_ops.h"

namespace vm::d3dx {
namespace {

using testing::Bytes;

// A w × h 32-bit top-down TGA whose pixel (x, y) is given by f.
template <typename F>
Bytes makeTga(unsigned w, unsigned h, F f) {
    Bytes b = testing::tgaHeader(2, w, h, 32, 0x28);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) testing::put32(b, f(x, y));
    return b;
}

TEST(TextureImage, SizesLevelsAndFormats) {
    const Bytes tga = makeTga(5, 3, [](unsigned, unsigned) { return 0x80FF8040u; });
    struct Case {
        std::string name;
        TextureRequest request;
        PixelFormat format;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> levels;
        std::size_t bytesPerPixel;
    };
    const std::vector<Case> cases = {
        {"file's own size, format, full chain", {}, PixelFormat::A8R8G8B8, {{5, 3}, {2, 1}, {1, 1}}, 4},
        {"one level", {0, 0, 1}, PixelFormat::A8R8G8B8, {{5, 3}}, 4},
        {"more levels than exist are cut", {0, 0, 9}, PixelFormat::A8R8G8B8, {{5, 3}, {2, 1}, {1, 1}}, 4},
        {"requested size scales",
         {8, 4, 0, PixelFormat::R5G6B5},
         PixelFormat::R5G6B5,
         {{8, 4}, {4, 2}, {2, 1}, {1, 1}},
         2},
        {"only width requested", {16, 0, 1, PixelFormat::X8R8G8B8}, PixelFormat::X8R8G8B8, {{16, 3}}, 4},
        {"fallback 16-bit", {128, 128, 1, PixelFormat::A1R5G5B5}, PixelFormat::A1R5G5B5, {{128, 128}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureImage tex;
        ASSERT_EQ(prepareTextureImage(tga.data(), tga.size(), c.request, tex), kOk);
        EXPECT_EQ(tex.format, c.format);
        EXPECT_EQ(tex.source.width, 5u);
        EXPECT_EQ(tex.source.height, 3u);
        EXPECT_EQ(tex.source.fileFormat, ImageFileFormat::Tga);
        ASSERT_EQ(tex.levels.size(), c.levels.size());
        for (std::size_t i = 0; i < c.levels.size(); ++i) {
            EXPECT_EQ(tex.levels[i].width, c.levels[i].first) << "level " << i;
            EXPECT_EQ(tex.levels[i].height, c.levels[i].second) << "level " << i;
            EXPECT_EQ(tex.levels[i].pitch, c.levels[i].first * c.bytesPerPixel);
            EXPECT_EQ(tex.levels[i].bytes.size(), tex.levels[i].pitch * c.levels[i].second);
        }
        // A uniform picture stays uniform through scaling and every level.
        const std::uint32_t first = pixelToArgb(tex.levels.back().bytes.data(), tex.format);
        EXPECT_EQ(first, pixelToArgb(tex.levels.front().bytes.data(), tex.format));
    }
}

TEST(TextureImage, ConvertsPixelsExactly) {
    struct Case {
        PixelFormat format;
        std::uint32_t argb;
        std::uint32_t stored;  // little-endian word as written
        std::uint32_t readBack;
    };
    const Case cases[] = {
        {PixelFormat::A8R8G8B8, 0x80FF8040u, 0x80FF8040u, 0x80FF8040u},
        {PixelFormat::X8R8G8B8, 0x00123456u, 0xFF123456u, 0xFF123456u},
        {PixelFormat::R5G6B5, 0x80FF8040u, 0xFC08u, 0xFFFF8242u},
        {PixelFormat::A1R5G5B5, 0x80FF8040u, 0xFE08u, 0xFFFF8442u},
        {PixelFormat::A1R5G5B5, 0x7F00FF00u, 0x03E0u, 0x0000FF00u},
        {PixelFormat::X1R5G5B5, 0x000000FFu, 0x801Fu, 0xFF0000FFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        std::uint8_t out[4] = {};
        convertPixels(&c.argb, 1, c.format, out);
        const std::uint32_t word = bytesPerPixel(c.format) == 4
                                       ? (std::uint32_t{out[3]} << 24 | std::uint32_t{out[2]} << 16 |
                                          std::uint32_t{out[1]} << 8 | out[0])
                                       : (std::uint32_t{out[1]} << 8 | out[0]);
        EXPECT_EQ(word, c.stored);
        EXPECT_EQ(pixelToArgb(out, c.format), c.readBack);
    }
}

TEST(TextureImage, MipLevelsAreBoxFiltered) {
    // 4 × 2: left 2 × 2 block alternating 0 and 200 (mean 100), right block all 40, with alpha 255/0.
    const Bytes tga = makeTga(4, 2, [](unsigned x, unsigned y) -> std::uint32_t {
        if (x >= 2) return 0x00282828u;
        return ((x + y) % 2) ? 0xFFC8C8C8u : 0xFF000000u;
    });
    TextureImage tex;
    ASSERT_EQ(prepareTextureImage(tga.data(), tga.size(), {}, tex), kOk);
    ASSERT_EQ(tex.levels.size(), 3u);
    EXPECT_EQ(pixelToArgb(tex.levels[1].bytes.data(), tex.format), 0xFF646464u);
    EXPECT_EQ(pixelToArgb(tex.levels[1].bytes.data() + 4, tex.format), 0x00282828u);
    // 1 × 1: mean of (255, 100) and (0, 40) per channel, rounded.
    EXPECT_EQ(pixelToArgb(tex.levels[2].bytes.data(), tex.format), 0x80464646u);
}

TEST(TextureImage, ScalingAveragesWhenShrinkingAndInterpolatesWhenGrowing) {
    Image stripes;
    ASSERT_TRUE(allocateImage(stripes, 8, 1));
    for (unsigned x = 0; x < 8; ++x) stripes.pixels[x] = (x % 2) ? 0xFFFFFFFFu : 0xFF000000u;
    Image small;
    ASSERT_TRUE(scaleImage(stripes, 2, 1, small));
    // Shrinking by 4 must blend the stripes to a grey, not pick every fourth pixel (black or white);
    // the tent's weights and the clamped edge leave it some way off 128.
    for (std::uint32_t p : small.pixels) EXPECT_NEAR(static_cast<int>(p & 0xFF), 128, 40);

    Image ramp;
    ASSERT_TRUE(allocateImage(ramp, 2, 1));
    ramp.pixels = {0xFF000000u, 0xFF0000FFu};
    Image wide;
    ASSERT_TRUE(scaleImage(ramp, 4, 1, wide));
    // Bilinear at source x = -0.25, 0.25, 0.75, 1.25 with clamped edges: 0, 64, 191, 255.
    const int want[] = {0, 64, 191, 255};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<int>(wide.pixels[i] & 0xFF), want[i], 1) << i;
}

TEST(TextureImage, FailuresHaveDistinctCodes) {
    const Bytes tga = makeTga(300, 2, [](unsigned, unsigned) { return 0xFFFFFFFFu; });
    struct Case {
        std::string name;
        Bytes file;
        TextureRequest request;
        Result expected;
    };
    const std::vector<Case> cases = {
        {"corrupt image", Bytes{1, 2, 3, 4, 5}, {}, kErrInvalidData},
        {"larger than the device allows", tga, {0, 0, 0, PixelFormat::Unknown, 0, 256}, kErrInvalidCall},
        {"unsupported format", tga, {0, 0, 0, static_cast<PixelFormat>(50)}, kErrInvalidArg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureImage tex;
        EXPECT_EQ(prepareTextureImage(c.file.data(), c.file.size(), c.request, tex), c.expected);
        EXPECT_TRUE(tex.levels.empty());
    }
    // The retry of the texture table: the device's maximum, 16-bit, succeeds.
    TextureImage tex;
    EXPECT_EQ(prepareTextureImage(tga.data(), tga.size(), {256, 256, 0, PixelFormat::R5G6B5, 0, 256}, tex), kOk);
}

TEST(TextureImage, ColorKeyClearsMatchingPixelsBeforeFiltering) {
    const Bytes tga = makeTga(2, 1, [](unsigned x, unsigned) { return x ? 0xFFFF00FFu : 0xFF00FF00u; });
    TextureImage tex;
    TextureRequest request;
    request.mipLevels = 1;
    request.colorKey = 0xFFFF00FFu;
    ASSERT_EQ(prepareTextureImage(tga.data(), tga.size(), request, tex), kOk);
    EXPECT_EQ(pixelToArgb(tex.levels[0].bytes.data(), tex.format), 0xFF00FF00u);
    EXPECT_EQ(pixelToArgb(tex.levels[0].bytes.data() + 4, tex.format), 0x00000000u);
}

}  // namespace
}  // namespace vm::d3dx
