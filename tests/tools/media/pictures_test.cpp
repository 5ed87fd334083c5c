// The loading-screen pictures, glyph images, bitmaps and icon embedded in the program decode to
// what their readers expect.

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <csetjmp>
#include <string>

#include "media_support.h"
#include "platform/d3dx/image.h"
#include "platform/os/bitmap_file.h"
#include "platform/os/resources.h"

namespace vm::media_test {
namespace {

uint32_t le16(std::span<const uint8_t> b, size_t at) { return b[at] | static_cast<uint32_t>(b[at + 1]) << 8; }
uint32_t le32(std::span<const uint8_t> b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

struct Decoded {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<uint8_t> gray;  // luminance, row by row
};

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void onJpegError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

Decoded decodeJpeg(const std::vector<uint8_t>& bytes)
{
    Decoded d;
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onJpegError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Decoded{};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.gray.resize(static_cast<size_t>(d.width) * d.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.gray.data() + static_cast<size_t>(cinfo.output_scanline) * d.width;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    d.ok = true;
    return d;
}

TEST(MediaPictures, LoadingPictureIsAJpegOfTheScreenShape)
{
    const os::ResourceBytes r = os::findResource("CustomData", 476);
    const Decoded d = decodeJpeg(std::vector<uint8_t>(r.begin(), r.end()));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width * 3, d.height * 4);
}

TEST(MediaPictures, CornerImagesAreTheStatedTgas)
{
    struct Case {
        int id;
        uint32_t width, height;
        bool transparentWhite;  // the single texel is white with alpha 0
    };
    const Case cases[] = {{479, 256, 128, false}, {480, 1, 1, true}, {481, 1, 1, true}, {482, 1, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const os::ResourceBytes r = os::findResource("CustomData", c.id);
        ASSERT_GE(r.size(), 18u);
        EXPECT_EQ(r[2], 2) << "uncompressed true colour";
        EXPECT_EQ(le16(r, 12), c.width);
        EXPECT_EQ(le16(r, 14), c.height);
        EXPECT_EQ(r[16], 32);
        EXPECT_EQ(r[17] & 0x0F, 8) << "8 alpha bits";
        ASSERT_EQ(r.size(), 18u + c.width * c.height * 4);
        if (c.transparentWhite) {
            EXPECT_EQ(r[18], 255);
            EXPECT_EQ(r[19], 255);
            EXPECT_EQ(r[20], 255);
            EXPECT_EQ(r[21], 0);
        }
    }
    // The mark shows something and leaves the rest of its corner see-through.
    const os::ResourceBytes mark = os::findResource("CustomData", 479);
    size_t opaque = 0, clear = 0;
    for (size_t i = 18 + 3; i < mark.size(); i += 4)
        (mark[i] > 128 ? opaque : clear) += 1;
    EXPECT_GT(opaque, 500u);
    EXPECT_GT(clear, opaque);
}

// Drawn first as a darkening pass and then additively: the background must be black so neither
// pass touches the screen outside the strokes, and the strokes bright.
TEST(MediaPictures, GlyphsAreBrightStrokesOnBlack)
{
    const char* names[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ddot", "dot", "A", "M", "P"};
    for (const char* n : names) {
        const std::string entry = std::string("Digits\\digit_") + n + ".JPG";
        SCOPED_TRACE(entry);
        const auto bytes = extract(452, entry.c_str(), nullptr);
        ASSERT_TRUE(bytes.has_value());
        const Decoded d = decodeJpeg(*bytes);
        ASSERT_TRUE(d.ok);
        int bright = 0;
        for (uint8_t v : d.gray)
            bright += v > 200;
        EXPECT_GT(bright, 20);
        for (int corner : {0, d.width - 1, (d.height - 1) * d.width, d.height * d.width - 1})
            EXPECT_LT(d.gray[static_cast<size_t>(corner)], 12);
    }
}

TEST(MediaPictures, BitmapsAndIconHaveTheirSizes)
{
    struct Case {
        const char* type;
        int id;
        int width, height;
    };
    const Case cases[] = {{"BITMAP", 432, 155, 115}, {"BITMAP", 434, 215, 141}, {"BITMAP", 437, 49, 46}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const os::ResourceBytes r = os::findResource(c.type, c.id);
        const std::vector<uint8_t> file = os::bitmapFileFromResource(r);
        ASSERT_GE(file.size(), 54u);
        const std::span<const uint8_t> f(file);
        EXPECT_EQ(le32(f, 18), static_cast<uint32_t>(c.width));
        EXPECT_EQ(le32(f, 22), static_cast<uint32_t>(c.height));
        EXPECT_EQ(le16(f, 28), 24u);
        EXPECT_EQ(file.size(), 54u + ((static_cast<size_t>(c.width) * 3 + 3) & ~size_t{3}) * c.height);
    }
    const os::ResourceBytes icon = os::findResource("ICON", 224);
    ASSERT_GE(icon.size(), 22u + 40u);
    EXPECT_EQ(le16(icon, 0), 0u);
    EXPECT_EQ(le16(icon, 2), 1u) << "icon";
    EXPECT_EQ(le16(icon, 4), 1u) << "one image";
    EXPECT_EQ(icon[6], 32);
    EXPECT_EQ(icon[7], 32);
    EXPECT_EQ(le32(icon, 14) + le32(icon, 18), icon.size()) << "image bytes end with the file";
}

}  // namespace
}  // namespace vm::media_test

namespace vm::media_test {
namespace {

// The saver's own decoder reads every picture the right way up: the mark's candle stands on the
// bottom of its image with the flame above it, so a file written upside down is caught.
TEST(MediaPictures, SaversDecoderReadsTheMarkUpright)
{
    const os::ResourceBytes r = os::findResource("CustomData", 479);
    d3dx::Image image;
    ASSERT_TRUE(d3dx::succeeded(d3dx::decodeImage(r.data(), r.size(), image)));
    ASSERT_EQ(image.width, 256u);
    ASSERT_EQ(image.height, 128u);
    EXPECT_EQ(image.format, d3dx::PixelFormat::A8R8G8B8);
    auto alpha = [&](uint32_t x, uint32_t y) { return image.at(x, y) >> 24; };
    EXPECT_GT(alpha(192, 94), 200u) << "candle near the bottom";
    EXPECT_EQ(alpha(192, 128 - 94), 0u) << "open arch above it";
    EXPECT_EQ(alpha(0, 0), 0u);
}

}  // namespace
}  // namespace vm::media_test
