#include "platform/d3dx/pixel_format.h"

namespace vm::d3dx {

namespace {

// 8-bit channel to n bits with rounding, and back with bit replication so that 0 and max survive.
constexpr std::uint32_t narrow(std::uint32_t v, std::uint32_t maxOut) noexcept {
    return (v * maxOut + 127) / 255;
}
constexpr std::uint32_t widen(std::uint32_t v, std::uint32_t maxIn) noexcept {
    return (v * 255 + maxIn / 2) / maxIn;
}

void put16(std::uint8_t* out, std::uint32_t v) noexcept {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* out, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::size_t bytesPerPixel(PixelFormat f) noexcept {
    switch (f) {
        case PixelFormat::A8R8G8B8:
        case PixelFormat::X8R8G8B8:
            return 4;
        case PixelFormat::R5G6B5:
        case PixelFormat::X1R5G5B5:
        case PixelFormat::A1R5G5B5:
            return 2;
        default:
            return 0;
    }
}

void convertPixels(const std::uint32_t* argb, std::size_t count, PixelFormat f, std::uint8_t* out) noexcept {
    const std::size_t bpp = bytesPerPixel(f);
    for (std::size_t i = 0; i < count; ++i, out += bpp) {
        const std::uint32_t p = argb[i];
        const std::uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        switch (f) {
            case PixelFormat::A8R8G8B8:
                put32(out, p);
                break;
            case PixelFormat::X8R8G8B8:
                put32(out, p | 0xFF000000u);
                break;
            case PixelFormat::R5G6B5:
                put16(out, (narrow(r, 31) << 11) | (narrow(g, 63) << 5) | narrow(b, 31));
                break;
            case PixelFormat::X1R5G5B5:
                put16(out, 0x8000u | (narrow(r, 31) << 10) | (narrow(g, 31) << 5) | narrow(b, 31));
                break;
            case PixelFormat::A1R5G5B5:
                put16(out, (a >= 128 ? 0x8000u : 0u) | (narrow(r, 31) << 10) | (narrow(g, 31) << 5) |
                               narrow(b, 31));
                break;
            default:
                return;
        }
    }
}

std::uint32_t pixelToArgb(const std::uint8_t* in, PixelFormat f) noexcept {
    const std::uint32_t w16 = static_cast<std::uint32_t>(in[0] | (in[1] << 8));
    auto argb = [](std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return (a << 24) | (r << 16) | (g << 8) | b;
    };
    switch (f) {
        case PixelFormat::A8R8G8B8:
        case PixelFormat::X8R8G8B8: {
            std::uint32_t v = 0;
            for (int i = 3; i >= 0; --i) v = (v << 8) | in[i];
            return f == PixelFormat::X8R8G8B8 ? (v | 0xFF000000u) : v;
        }
        case PixelFormat::R5G6B5:
            return argb(255, widen(w16 >> 11, 31), widen((w16 >> 5) & 63, 63), widen(w16 & 31, 31));
        case PixelFormat::X1R5G5B5:
        case PixelFormat::A1R5G5B5: {
            const std::uint32_t a = (f == PixelFormat::X1R5G5B5 || (w16 & 0x8000u)) ? 255 : 0;
            return argb(a, widen((w16 >> 10) & 31, 31), widen((w16 >> 5) & 31, 31), widen(w16 & 31, 31));
        }
        default:
            return 0;
    }
}

}  // namespace vm::d3dx
