#include "platform/d3dx/image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image_builders.h"

namespace vm::d3dx {
namespace {

using testing::Bytes;
using testing::put16;
using testing::put32;

// 2 × 2 picture used by most cases, top row first: red, green / blue, half-transparent white.
constexpr std::uint32_t kTL = 0xFFFF0000u, kTR = 0xFF00FF00u, kBL = 0xFF0000FFu, kBR = 0x80FFFFFFu;

Bytes tga32(unsigned descriptor) {
    Bytes b = testing::tgaHeader(2, 2, 2, 32, descriptor);
    const std::uint32_t topDown[] = {kTL, kTR, kBL, kBR}, bottomUp[] = {kBL, kBR, kTL, kTR};
    for (std::uint32_t p : (descriptor & 0x20) ? topDown : bottomUp) put32(b, p);
    return b;
}

// Same picture, run-length coded top-down with all three packet shapes: raw 2, run 1, raw 1.
Bytes tga32Rle() {
    Bytes b = testing::tgaHeader(10, 2, 2, 32, 0x28);  // top-down, 8 alpha bits
    b.push_back(0x01);  // raw packet of 2
    put32(b, kTL);
    put32(b, kTR);
    b.push_back(0x80);  // run of 1
    put32(b, kBL);
    b.push_back(0x00);  // raw packet of 1
    put32(b, kBR);
    return b;
}

// 3 × 2, 24-bit, rows padded to 12 bytes, bottom-up.
Bytes bmp24() {
    Bytes px;
    const std::uint32_t rows[2][3] = {{kBL, 0xFF102030u, 0xFF405060u}, {kTL, kTR, 0xFFFFFFFFu}};
    for (const auto& row : rows) {
        for (std::uint32_t p : row) {
            px.push_back(static_cast<std::uint8_t>(p));
            px.push_back(static_cast<std::uint8_t>(p >> 8));
            px.push_back(static_cast<std::uint8_t>(p >> 16));
        }
        for (int pad = 0; pad < 3; ++pad) px.push_back(0xEE);
    }
    return testing::bmpFile(3, 2, 24, 0, {}, px);
}

// 2 × 2, 8-bit palettised with 3 colours, top-down (negative height).
Bytes bmp8() {
    Bytes palette;
    put32(palette, 0x00FF0000u);  // stored B, G, R, 0
    put32(palette, 0x0000FF00u);
    put32(palette, 0x000000FFu);
    Bytes px{0, 1, 0, 0, 2, 0, 0, 0};  // rows padded to 4
    Bytes b = testing::bmpFile(2, -2, 8, 0, palette, px);
    // colours used = 3 (offset 14 + 32)
    b[46] = 3;
    return b;
}

// 2 × 1, 32-bit with an alpha mask via bitfields.
Bytes bmp32Alpha() {
    Bytes masks;
    put32(masks, 0x00FF0000u);
    put32(masks, 0x0000FF00u);
    put32(masks, 0x000000FFu);
    put32(masks, 0xFF000000u);
    Bytes px;
    put32(px, kBR);
    put32(px, kTL);
    return testing::bmpFile(2, 1, 32, 6, masks, px);  // 6: bitfields with alpha
}

TEST(ImageDecode, ReadsEachFormatAndOrientation) {
    struct Case {
        std::string name;
        Bytes file;
        std::uint32_t width, height;
        std::vector<std::uint32_t> pixels;
        PixelFormat format;
    };
    const std::vector<Case> cases = {
        {"tga 32 bottom-up", tga32(0x08), 2, 2, {kTL, kTR, kBL, kBR}, PixelFormat::A8R8G8B8},
        {"tga 32 top-down", tga32(0x28), 2, 2, {kTL, kTR, kBL, kBR}, PixelFormat::A8R8G8B8},
        {"tga 32 right-to-left", [] {
             Bytes b = testing::tgaHeader(2, 2, 1, 32, 0x38);
             put32(b, kTL);
             put32(b, kTR);
             return b;
         }(), 2, 1, {kTR, kTL}, PixelFormat::A8R8G8B8},
        {"tga rle crossing packets", tga32Rle(), 2, 2, {kTL, kTR, kBL, kBR}, PixelFormat::A8R8G8B8},
        {"tga rle run across rows", [] {
             Bytes b = testing::tgaHeader(10, 2, 2, 32, 0x28);
             b.push_back(0x82);  // run of 3 spans row 0 and half of row 1
             put32(b, kTL);
             b.push_back(0x00);
             put32(b, kBR);
             return b;
         }(), 2, 2, {kTL, kTL, kTL, kBR}, PixelFormat::A8R8G8B8},
        {"tga 24", [] {
             Bytes b = testing::tgaHeader(2, 1, 1, 24, 0x20);
             b.insert(b.end(), {0x30, 0x20, 0x10});
             return b;
         }(), 1, 1, {0xFF102030u}, PixelFormat::X8R8G8B8},
        {"tga 16 with alpha bit", [] {
             Bytes b = testing::tgaHeader(2, 2, 1, 16, 0x21);
             put16(b, 0x7C00);  // red, alpha bit clear
             put16(b, 0x83E0);  // green, opaque
             return b;
         }(), 2, 1, {0x00FF0000u, 0xFF00FF00u}, PixelFormat::A8R8G8B8},
        {"tga grey rle", [] {
             Bytes b = testing::tgaHeader(11, 2, 1, 8, 0x20);
             b.insert(b.end(), {0x81, 0x40});
             return b;
         }(), 2, 1, {0xFF404040u, 0xFF404040u}, PixelFormat::X8R8G8B8},
        {"tga colour mapped", [] {
             Bytes b = testing::tgaHeader(1, 2, 1, 8, 0x20, 1, 2, 24);
             b.insert(b.end(), {0xFF, 0, 0, 0, 0, 0xFF});  // map: blue, red (B, G, R)
             b.insert(b.end(), {1, 0});
             return b;
         }(), 2, 1, {0xFFFF0000u, 0xFF0000FFu}, PixelFormat::X8R8G8B8},
        {"bmp 24 padded bottom-up", bmp24(), 3, 2, {kTL, kTR, 0xFFFFFFFFu, kBL, 0xFF102030u, 0xFF405060u},
         PixelFormat::X8R8G8B8},
        {"bmp 8 palette top-down", bmp8(), 2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFF0000u},
         PixelFormat::X8R8G8B8},
        {"bmp 32 alpha mask", bmp32Alpha(), 2, 1, {kBR, kTL}, PixelFormat::A8R8G8B8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image;
        ASSERT_EQ(decodeImage(c.file.data(), c.file.size(), image), kOk);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.pixels, c.pixels);
        EXPECT_EQ(image.format, c.format);
    }
}

TEST(ImageDecode, JpegRoundTripsWithinCodingLoss) {
    std::vector<std::uint32_t> px(16 * 8);
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 16; ++x) px[y * 16 + x] = x < 8 ? 0xFFC02010u : 0xFF2040E0u;
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const Bytes file = testing::encodeJpeg(px, 16, 8, 95, progressive);
        Image image;
        ASSERT_EQ(decodeImage(file.data(), file.size(), image), kOk);
        ASSERT_EQ(image.width, 16u);
        ASSERT_EQ(image.height, 8u);
        EXPECT_EQ(image.fileFormat, ImageFileFormat::Jpg);
        EXPECT_EQ(image.format, PixelFormat::X8R8G8B8);
        for (std::size_t i : {std::size_t{0}, std::size_t{15}, std::size_t{8 * 16 - 1}}) {
            const std::uint32_t got = image.pixels[i], want = px[i];
            EXPECT_EQ(got >> 24, 0xFFu);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(static_cast<int>((got >> (8 * c)) & 0xFF), static_cast<int>((want >> (8 * c)) & 0xFF), 12);
        }
    }
}

// Every prefix of a valid file is a truncated file: each must fail cleanly (and, under the sanitizer
// build, without reading past the end). The complete file must still decode.
TEST(ImageDecode, EveryTruncationFailsCleanly) {
    std::vector<std::uint32_t> px(24 * 24, 0xFF336699u);
    px[5] = 0xFFFFFFFFu;
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"tga", tga32(0x08)}, {"tga rle", tga32Rle()}, {"bmp 24", bmp24()},
        {"bmp 8", bmp8()},    {"bmp 32", bmp32Alpha()}, {"jpeg", testing::encodeJpeg(px, 24, 24)},
    };
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        Image image;
        ASSERT_EQ(decodeImage(file.data(), file.size(), image), kOk);
        // JPEG's end marker (2 bytes) is optional for the pixels, so stop short of it.
        const std::size_t full = name == "jpeg" ? file.size() - 2 : file.size();
        for (std::size_t n = 0; n < full; ++n) {
            // A copy of exactly n bytes, so that reading beyond is caught by the sanitizer build.
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_EQ(decodeImage(prefix.data(), prefix.size(), image), kErrInvalidData) << "prefix " << n;
            EXPECT_TRUE(image.empty());
        }
    }
}

// Seeded byte corruption of valid files: every outcome is a clean success or invalid data, and a
// success always has as many pixels as its size says (the sanitizer build catches stray reads).
TEST(ImageDecode, CorruptedFilesFailCleanly) {
    std::vector<std::uint32_t> px(16 * 16, 0xFF804020u);
    const std::vector<Bytes> files = {tga32(0x08), tga32Rle(), bmp24(), bmp8(), bmp32Alpha(),
                                      testing::encodeJpeg(px, 16, 16, 80, true)};
    std::mt19937 rng(12345);
    for (std::size_t fi = 0; fi < files.size(); ++fi) {
        for (int round = 0; round < 300; ++round) {
            Bytes file = files[fi];
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < flips; ++k) file[rng() % file.size()] = static_cast<std::uint8_t>(rng());
            Image image;
            const Result r = decodeImage(file.data(), file.size(), image);
            ASSERT_TRUE(r == kOk || r == kErrInvalidData) << "file " << fi << " round " << round;
            if (r == kOk) {
                EXPECT_EQ(image.pixels.size(), std::size_t{image.width} * image.height);
            } else {
                EXPECT_TRUE(image.empty());
            }
        }
    }
}

TEST(ImageDecode, RejectsForgedHeaders) {
    struct Case {
        std::string name;
        Bytes file;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"random text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!', '!', '!', '!'}},
        {"tga zero width", testing::tgaHeader(2, 0, 5, 32, 0)},
        {"tga bad bits", testing::tgaHeader(2, 1, 1, 13, 0)},
        {"tga huge size, no pixels", testing::tgaHeader(2, 65535, 65535, 32, 0)},
        {"tga large size, no pixels (must not allocate)", testing::tgaHeader(10, 4000, 4000, 32, 0)},
        {"tga map index past the map", [] {
             Bytes b = testing::tgaHeader(1, 1, 1, 8, 0x20, 1, 1, 24);
             b.insert(b.end(), {0, 0, 0, 7});
             return b;
         }()},
        {"bmp index past the palette", [] {
             Bytes b = bmp8();
             b.back() = 0;
             b[b.size() - 8] = 9;  // first pixel uses colour 9 of 3
             return b;
         }()},
        {"bmp rle", testing::bmpFile(1, 1, 8, 1, Bytes(4 * 256, 0), Bytes{0, 0, 0, 0})},
        {"bmp height INT_MIN", testing::bmpFile(1, static_cast<int>(0x80000000u), 24, 0, {}, Bytes(4, 0))},
        {"bmp pixel offset past end", [] {
             Bytes b = bmp24();
             b[10] = 0xF0, b[11] = 0xFF, b[12] = 0xFF, b[13] = 0x7F;
             return b;
         }()},
        {"jpeg signature only", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image;
        image.width = 99;
        EXPECT_EQ(decodeImage(c.file.data(), c.file.size(), image), kErrInvalidData);
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(image.width, 0u);
    }
}

}  // namespace
}  // namespace vm::d3dx
