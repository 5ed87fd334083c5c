#pragma once
// The single-format readers behind decodeImage. They may leave a partly written image behind on
// failure; the public decoders clear it.

#include "platform/d3dx/image.h"

namespace vm::d3dx {

Result readJpeg(const std::uint8_t* data, std::size_t size, Image& out) noexcept;
Result readTga(const std::uint8_t* data, std::size_t size, Image& out) noexcept;
Result readBmp(const std::uint8_t* data, std::size_t size, Image& out) noexcept;

}  // namespace vm::d3dx
