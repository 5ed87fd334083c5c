#include "platform/d3dx/image_ops.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace vm::d3dx {

namespace {

// Taps of one output coordinate: weights over source indices [first, first + weights.size()).
struct Taps {
    std::uint32_t first = 0;
    std::vector<float> weights;
};

std::vector<Taps> buildTaps(std::uint32_t srcSize, std::uint32_t dstSize) {
    std::vector<Taps> taps(dstSize);
    const double ratio = static_cast<double>(srcSize) / dstSize;
    const double radius = std::max(1.0, ratio);
    for (std::uint32_t i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) * ratio - 0.5;
        const auto lo = static_cast<std::int64_t>(std::ceil(centre - radius));
        const auto hi = static_cast<std::int64_t>(std::floor(centre + radius));
        const std::int64_t first = std::clamp<std::int64_t>(lo, 0, srcSize - 1);
        const std::int64_t last = std::clamp<std::int64_t>(hi, 0, srcSize - 1);
        Taps& t = taps[i];
        t.first = static_cast<std::uint32_t>(first);
        t.weights.assign(static_cast<std::size_t>(last - first + 1), 0.0f);
        double sum = 0;
        for (std::int64_t s = lo; s <= hi; ++s) {
            const double w = 1.0 - std::abs(static_cast<double>(s) - centre) / radius;
            if (w <= 0) continue;
            // Taps outside the image fold onto the edge pixel (clamp addressing).
            const std::int64_t c = std::clamp<std::int64_t>(s, 0, srcSize - 1);
            t.weights[static_cast<std::size_t>(c - first)] += static_cast<float>(w);
            sum += w;
        }
        if (sum <= 0) {
            t.weights.assign(1, 1.0f);
            t.first = static_cast<std::uint32_t>(std::clamp<std::int64_t>(std::llround(centre), 0, srcSize - 1));
            continue;
        }
        for (float& w : t.weights) w = static_cast<float>(static_cast<double>(w) / sum);
    }
    return taps;
}

std::uint32_t pack(const float c[4]) noexcept {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
        const long q = std::lround(std::clamp(c[k], 0.0f, 255.0f));
        v |= static_cast<std::uint32_t>(q) << (8 * k);
    }
    return v;
}

}  // namespace

bool scaleImage(const Image& src, std::uint32_t width, std::uint32_t height, Image& dst) noexcept {
    dst = Image{};
    if (src.empty()) return false;
    try {
        Image out;
        if (!allocateImage(out, width, height)) return false;
        out.fileFormat = src.fileFormat;
        out.format = src.format;
        if (width == src.width && height == src.height) {
            out.pixels = src.pixels;
            dst = std::move(out);
            return true;
        }
        const std::vector<Taps> tx = buildTaps(src.width, width);
        const std::vector<Taps> ty = buildTaps(src.height, height);
        // Horizontal pass into floats (b, g, r, a per pixel), then vertical.
        std::vector<float> mid(static_cast<std::size_t>(width) * src.height * 4);
        for (std::uint32_t y = 0; y < src.height; ++y) {
            const std::uint32_t* row = src.pixels.data() + static_cast<std::size_t>(y) * src.width;
            float* m = mid.data() + static_cast<std::size_t>(y) * width * 4;
            for (std::uint32_t x = 0; x < width; ++x, m += 4) {
                const Taps& t = tx[x];
                for (std::size_t k = 0; k < t.weights.size(); ++k) {
                    const std::uint32_t p = row[t.first + k];
                    const float w = t.weights[k];
                    for (int c = 0; c < 4; ++c) m[c] += w * static_cast<float>((p >> (8 * c)) & 0xFF);
                }
            }
        }
        for (std::uint32_t y = 0; y < height; ++y) {
            const Taps& t = ty[y];
            for (std::uint32_t x = 0; x < width; ++x) {
                float c[4] = {0, 0, 0, 0};
                for (std::size_t k = 0; k < t.weights.size(); ++k) {
                    const float* m = mid.data() + (static_cast<std::size_t>(t.first + k) * width + x) * 4;
                    for (int i = 0; i < 4; ++i) c[i] += t.weights[k] * m[i];
                }
                out.pixels[static_cast<std::size_t>(y) * width + x] = pack(c);
            }
        }
        dst = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        dst = Image{};
        return false;
    }
}

bool halveImage(const Image& src, Image& dst) noexcept {
    dst = Image{};
    if (src.empty()) return false;
    const std::uint32_t w = std::max(1u, src.width / 2), h = std::max(1u, src.height / 2);
    Image out;
    if (!allocateImage(out, w, h)) return false;
    out.fileFormat = src.fileFormat;
    out.format = src.format;
    const std::uint32_t dx = src.width > 1 ? 1 : 0, dy = src.height > 1 ? 1 : 0;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t sx = x * (1 + dx), sy = y * (1 + dy);
            const std::uint32_t p[4] = {src.at(sx, sy), src.at(sx + dx, sy), src.at(sx, sy + dy),
                                        src.at(sx + dx, sy + dy)};
            std::uint32_t v = 0;
            for (int c = 0; c < 4; ++c) {
                std::uint32_t sum = 2;  // round half up
                for (std::uint32_t q : p) sum += (q >> (8 * c)) & 0xFF;
                v |= (sum / 4) << (8 * c);
            }
            out.pixels[static_cast<std::size_t>(y) * w + x] = v;
        }
    }
    dst = std::move(out);
    return true;
}

std::uint32_t fullMipCount(std::uint32_t width, std::uint32_t height) noexcept {
    std::uint32_t side = std::max(width, height), levels = 1;
    while (side > 1) side /= 2, ++levels;
    return levels;
}

}  // namespace vm::d3dx
