#pragma once
// Texture pixel formats this layer can produce, numbered as the device's formats (21 and 22 are the
// 32-bit ones stored in settings), and conversion of 0xAARRGGBB pixels into them.

#include <cstddef>
#include <cstdint>

namespace vm::d3dx {

enum class PixelFormat : std::uint32_t {
    Unknown = 0,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
};

// 4 or 2; 0 for Unknown and anything else.
std::size_t bytesPerPixel(PixelFormat f) noexcept;

// Writes count pixels in format f to out (count × bytesPerPixel bytes, little-endian words).
// X formats store their unused bits as ones; A1 keeps alpha >= 128 as opaque.
void convertPixels(const std::uint32_t* argb, std::size_t count, PixelFormat f, std::uint8_t* out) noexcept;

// The inverse, for tests and readback: one stored pixel back to 0xAARRGGBB (X formats read as opaque).
std::uint32_t pixelToArgb(const std::uint8_t* in, PixelFormat f) noexcept;

}  // namespace vm::d3dx
