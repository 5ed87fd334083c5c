#pragma once
// Bitmap resources as files: a BITMAP resource of the desktop platform is a BMP file without its
// 14-byte file header. Image decoders want the whole file, so the header is rebuilt here.

#include <cstdint>
#include <span>
#include <vector>

namespace vm::os {

// The bytes as a complete BMP file: unchanged when they already start with "BM", otherwise with a
// file header whose pixel offset follows the info header, the colour masks and the palette. Empty when
// the info header is cut short or implausible (the decoder never sees a header pointing past the end).
std::vector<std::uint8_t> bitmapFileFromResource(std::span<const std::uint8_t> resource);

}  // namespace vm::os
