#pragma once
// An RGBA picture in memory (rows top to bottom) and the file formats our media ship in. Every
// writer is deterministic: the same picture always gives the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vm::pictures {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;  // 0..1, straight (not premultiplied) alpha
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // width * height, row 0 at the top

    Image(int w, int h, Rgba fill = {}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Baseline JPEG, 4:2:0, quality 1..100.
std::vector<uint8_t> encodeJpeg(const Image& image, int quality);
// The same from packed 8-bit RGB rows (width * 3 bytes each, top to bottom); progressive on request.
std::vector<uint8_t> encodeJpegRgb(const uint8_t* rgb, int width, int height, int quality, bool progressive = false);
// Uncompressed true-colour TGA, 32 bits with 8 alpha bits, rows stored bottom-up.
std::vector<uint8_t> encodeTga32(const Image& image);
// A bitmap resource: 40-byte info header and 24-bit rows bottom-up, without the 14-byte file header.
std::vector<uint8_t> encodeDib24(const Image& image);
// A complete .bmp file (file header + the DIB above).
std::vector<uint8_t> encodeBmpFile(const Image& image);
// An icon resource file holding one 32-bit image with its AND mask.
std::vector<uint8_t> encodeIco32(const Image& image);

// 0 on success, negative when the file cannot be written whole.
int writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace vm::pictures
