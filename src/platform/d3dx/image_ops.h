#pragma once
// Pixel work between a decoded image and a texture: scaling to a requested size and the box-filtered
// mip chain. Images are 0xAARRGGBB, rows top to bottom; channels are filtered independently.

#include <cstdint>

#include "platform/d3dx/image.h"

namespace vm::d3dx {

// Scales src to width × height with a tent filter whose support widens with the reduction, so both
// enlarging (bilinear) and shrinking (averaging every covered pixel) look right. Same size copies.
// Fails (false, dst empty) when a size is 0, beyond the image limits, or memory runs out.
bool scaleImage(const Image& src, std::uint32_t width, std::uint32_t height, Image& dst) noexcept;

// The next mip level: each side halves (rounding down, never below 1) and each pixel is the mean of
// the 2 × 2 (or 2 × 1 at a side of 1) block it covers. An odd side drops its last row or column.
bool halveImage(const Image& src, Image& dst) noexcept;

// Levels of a full chain down to 1 × 1: 1 + floor(log2(max(width, height))).
std::uint32_t fullMipCount(std::uint32_t width, std::uint32_t height) noexcept;

}  // namespace vm::d3dx
