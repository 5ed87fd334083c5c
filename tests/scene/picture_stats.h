#pragma once
// What a rendered picture looks like in numbers: how much of it is lit and its average colour.

#include <cstdint>
#include <cstdlib>

#include "platform/d3d/device.h"

namespace vm::scene::test {

struct PictureStats {
    double litFraction = 0;  // pixels with a channel above 24 of 255
    double red = 0, green = 0, blue = 0;  // means over all pixels, 0..255
};

inline PictureStats measure(const d3d::Image& image) {
    PictureStats s;
    if (image.pixels.empty()) return s;
    std::size_t lit = 0;
    for (std::uint32_t argb : image.pixels) {
        const std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
        if (r > 24 || g > 24 || b > 24) ++lit;
        s.red += r;
        s.green += g;
        s.blue += b;
    }
    const double n = static_cast<double>(image.pixels.size());
    s.litFraction = static_cast<double>(lit) / n;
    s.red /= n;
    s.green /= n;
    s.blue /= n;
    return s;
}

// Mean absolute channel difference of two pictures of one size, 0..255; 255 when the sizes differ.
inline double meanDifference(const d3d::Image& a, const d3d::Image& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 255;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) - static_cast<int>((b.pixels[i] >> shift) & 0xFF));
        }
    }
    return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

// The church at night: most of the frame shows lit stone, wood and glass, and candle light makes it
// warm (more red than blue).
inline bool looksLikeTheChurchAtNight(const PictureStats& s) {
    return s.litFraction > 0.6 && s.red > s.blue * 1.2 && s.red > 30 && s.red < 200;
}

}  // namespace vm::scene::test
