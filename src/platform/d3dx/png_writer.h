#pragma once
// Encodes 32-bit pixels (0xAARRGGBB, top row first) as a PNG file in memory: 8-bit RGB, or RGBA when
// alpha is kept. Used for snapshots and contact sheets; zlib does the compression.

#include <cstdint>
#include <span>
#include <vector>

namespace vm::d3dx {

// Empty result when the size is zero or does not match the pixel count.
std::vector<std::uint8_t> EncodePng(std::span<const std::uint32_t> pixels, std::uint32_t width, std::uint32_t height,
                                    bool keepAlpha = false);

}  // namespace vm::d3dx
