#pragma once
// RGBA images for the content tools, written as JPEG (libjpeg, fixed settings so output is repeatable)
// or as uncompressed 32-bit TGA with alpha.

#include <cstdint>
#include <string>
#include <vector>

namespace vm::church {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

struct Image {
    int width = 0, height = 0;
    std::vector<Rgba> pixels;  // row-major, top row first
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    const Rgba& at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

std::vector<std::uint8_t> encodeJpeg(const Image& image, int quality);
std::vector<std::uint8_t> encodeTga(const Image& image);
// Writes bytes to a file; false on failure.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vm::church
