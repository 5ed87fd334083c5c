#pragma once
// Conversion of 0xAARRGGBB pixels into the texture formats of the device layer.

#include <cstddef>
#include <cstdint>

#include "platform/d3d/formats.h"

namespace vm::d3dx {

using PixelFormat = d3d::Format;

// 4 or 2 for the texture formats (A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5); 0 for all others.
std::size_t bytesPerPixel(PixelFormat f) noexcept;

// Writes count pixels in format f to out (count × bytesPerPixel bytes, little-endian words).
// X formats store their unused bits as ones; A1 keeps alpha >= 128 as opaque.
void convertPixels(const std::uint32_t* argb, std::size_t count, PixelFormat f, std::uint8_t* out) noexcept;

// The inverse, for tests and readback: one stored pixel back to 0xAARRGGBB (X formats read as opaque).
std::uint32_t pixelToArgb(const std::uint8_t* in, PixelFormat f) noexcept;

}  // namespace vm::d3dx
