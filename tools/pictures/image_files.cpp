#include "pictures/image.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vm::pictures {
namespace {

uint8_t byteOf(float v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putInfoHeader(std::vector<uint8_t>& out, int width, int storedHeight, int bits, uint32_t imageSize)
{
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(storedHeight));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(bits));
    put32(out, 0);  // uncompressed
    put32(out, imageSize);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
}

}  // namespace

std::vector<uint8_t> encodeJpegRgb(const uint8_t* rgb, int width, int height, int quality, bool progressive)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = static_cast<size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg takes non-const rows; it only reads them.
        JSAMPROW rows[1] = {const_cast<uint8_t*>(rgb + cinfo.next_scanline * stride)};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> encodeJpeg(const Image& image, int quality)
{
    std::vector<uint8_t> rgb(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        rgb[i * 3 + 0] = byteOf(image.pixels[i].r);
        rgb[i * 3 + 1] = byteOf(image.pixels[i].g);
        rgb[i * 3 + 2] = byteOf(image.pixels[i].b);
    }
    return encodeJpegRgb(rgb.data(), image.width, image.height, quality);
}

std::vector<uint8_t> encodeTga32(const Image& image)
{
    std::vector<uint8_t> out;
    out.push_back(0);  // no id field
    out.push_back(0);  // no colour map
    out.push_back(2);  // uncompressed true colour
    for (int i = 0; i < 5; ++i)
        out.push_back(0);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(image.width));
    put16(out, static_cast<uint32_t>(image.height));
    out.push_back(32);
    out.push_back(8);  // 8 alpha bits, origin bottom-left
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            out.push_back(byteOf(p.b));
            out.push_back(byteOf(p.g));
            out.push_back(byteOf(p.r));
            out.push_back(byteOf(p.a));
        }
    return out;
}

std::vector<uint8_t> encodeDib24(const Image& image)
{
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    std::vector<uint8_t> out;
    putInfoHeader(out, image.width, image.height, 24, stride * static_cast<uint32_t>(image.height));
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t start = out.size();
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            out.push_back(byteOf(p.b));
            out.push_back(byteOf(p.g));
            out.push_back(byteOf(p.r));
        }
        out.resize(start + stride, 0);
    }
    return out;
}

std::vector<uint8_t> encodeBmpFile(const Image& image)
{
    const std::vector<uint8_t> dib = encodeDib24(image);
    std::vector<uint8_t> out{'B', 'M'};
    put32(out, static_cast<uint32_t>(14 + dib.size()));
    put32(out, 0);
    put32(out, 14 + 40);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

std::vector<uint8_t> encodeIco32(const Image& image)
{
    const uint32_t maskStride = ((static_cast<uint32_t>(image.width) + 31) / 32) * 4;
    const uint32_t pixelBytes = static_cast<uint32_t>(image.width * image.height) * 4;
    const uint32_t maskBytes = maskStride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> dib;
    // Icons store the XOR image and the AND mask stacked, so the header names twice the height.
    putInfoHeader(dib, image.width, image.height * 2, 32, pixelBytes + maskBytes);
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            dib.push_back(byteOf(p.b));
            dib.push_back(byteOf(p.g));
            dib.push_back(byteOf(p.r));
            dib.push_back(byteOf(p.a));
        }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < image.width; ++x)
            if (image.at(x, y).a < 0.5f)
                row[static_cast<size_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        dib.insert(dib.end(), row.begin(), row.end());
    }
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, 1);  // one image
    out.push_back(static_cast<uint8_t>(image.width >= 256 ? 0 : image.width));
    out.push_back(static_cast<uint8_t>(image.height >= 256 ? 0 : image.height));
    out.push_back(0);
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<uint32_t>(dib.size()));
    put32(out, 6 + 16);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

int writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return -1;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0 && ok) ? 0 : -1;
}

}  // namespace vm::pictures
