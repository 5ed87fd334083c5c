#pragma once
// Textures on the device from image files held in memory (JPEG, TGA, BMP), and empty textures.
//
// Guarantees:
// - width/height 0 (or kDefault) take the image's size, a given size scales the image (tent filter);
//   mipLevels 0 (or kDefault) builds the full chain down to 1 × 1 (2 × 2 box filter per level);
//   Format::Unknown keeps the image's own format (A8R8G8B8 with alpha, else X8R8G8B8), another
//   texture format converts to it. The filter arguments are accepted and the filters above always used.
// - A size beyond the device's MaxTextureWidth/Height fails (it is not clamped), so callers can retry
//   smaller: kErrInvalidCall.
// - Bytes that are no readable image: kErrInvalidData. Video memory exhausted: kErrOutOfVideoMemory,
//   as the device reports it. Any failure leaves *out empty.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/d3d/formats.h"
#include "platform/d3d/resources.h"
#include "platform/d3dx/result.h"
#include "platform/d3dx/texture_image.h"

namespace vm::d3d {
class Device;
}

namespace vm::d3dx {

// "Take it from the file" for sizes, levels and filters.
inline constexpr std::uint32_t kDefault = 0xFFFFFFFFu;

Result CreateTextureFromFileInMemoryEx(d3d::Device* device, const void* data, std::size_t size, std::uint32_t width,
                                       std::uint32_t height, std::uint32_t mipLevels, std::uint32_t usage,
                                       d3d::Format format, d3d::Pool pool, std::uint32_t filter,
                                       std::uint32_t mipFilter, d3d::Color colorKey, ImageInfo* info,
                                       std::unique_ptr<d3d::Texture>* out) noexcept;

// The image's size and format, the full chain, managed pool.
Result CreateTextureFromFileInMemory(d3d::Device* device, const void* data, std::size_t size,
                                     std::unique_ptr<d3d::Texture>* out) noexcept;

// An empty texture (for example a render target: usage d3d::usage::kRenderTarget, Pool::Default, one
// level). Format Unknown becomes A8R8G8B8; sizes 0 become 256; levels 0 the full chain.
Result CreateTexture(d3d::Device* device, std::uint32_t width, std::uint32_t height, std::uint32_t mipLevels,
                     std::uint32_t usage, d3d::Format format, d3d::Pool pool,
                     std::unique_ptr<d3d::Texture>* out) noexcept;

// The caller's arguments as a request for prepareTextureImage (kDefault read as 0).
TextureRequest makeTextureRequest(std::uint32_t width, std::uint32_t height, std::uint32_t mipLevels,
                                  d3d::Format format, d3d::Color colorKey, std::uint32_t maxSide) noexcept;

}  // namespace vm::d3dx
