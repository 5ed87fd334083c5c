#include "church/image_io.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vm::church {
namespace {

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const Image& image, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            row[static_cast<std::size_t>(x) * 3 + 0] = toByte(p.r);
            row[static_cast<std::size_t>(x) * 3 + 1] = toByte(p.g);
            row[static_cast<std::size_t>(x) * 3 + 2] = toByte(p.b);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> encodeTga(const Image& image) {
    std::vector<std::uint8_t> out(18, 0);
    out[2] = 2;  // uncompressed true colour
    out[12] = static_cast<std::uint8_t>(image.width & 0xFF);
    out[13] = static_cast<std::uint8_t>(image.width >> 8);
    out[14] = static_cast<std::uint8_t>(image.height & 0xFF);
    out[15] = static_cast<std::uint8_t>(image.height >> 8);
    out[16] = 32;
    out[17] = 8;  // 8 alpha bits, rows stored bottom-up
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            out.push_back(toByte(p.b));
            out.push_back(toByte(p.g));
            out.push_back(toByte(p.r));
            out.push_back(toByte(p.a));
        }
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace vm::church
