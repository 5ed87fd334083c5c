#pragma once
// The CPU half of making a texture from an image file in memory: decode, pick the size and format,
// scale, build the mip chain and convert every level to the texture's pixel format. The device half
// (texture_from_memory.h) only uploads what this produces, so all of the rules live and are tested here.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3dx/image.h"
#include "platform/d3dx/pixel_format.h"
#include "platform/d3dx/result.h"

namespace vm::d3dx {

// Zero-initialised means "as the file says": its size, its format, the full mip chain.
struct TextureRequest {
    std::uint32_t width = 0;      // 0: the image's width
    std::uint32_t height = 0;     // 0: the image's height
    std::uint32_t mipLevels = 0;  // 0: the full chain down to 1 × 1; more than that is cut to it
    PixelFormat format = PixelFormat::Unknown;  // Unknown: the image's own (A8R8G8B8 or X8R8G8B8)
    // 0xAARRGGBB that becomes transparent black; 0 disables the key.
    std::uint32_t colorKey = 0;
    // Largest side the device accepts; 0 for no limit. A larger final size fails, it is not clamped,
    // so that callers can retry at a size of their choice.
    std::uint32_t maxSide = 0;
};

// What the file held, before any scaling or conversion.
struct ImageInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 1;
    std::uint32_t mipLevels = 1;
    PixelFormat format = PixelFormat::Unknown;
    ImageFileFormat fileFormat = ImageFileFormat::Bmp;
};

struct TextureLevel {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::size_t pitch = 0;            // bytes per row, width × bytes per pixel
    std::vector<std::uint8_t> bytes;  // rows top to bottom, in the texture's format
};

struct TextureImage {
    PixelFormat format = PixelFormat::Unknown;
    std::vector<TextureLevel> levels;  // level 0 is the largest
    ImageInfo source;
};

// kErrInvalidData when the bytes are no readable image; kErrInvalidArg for a format this layer does not
// produce; kErrInvalidCall when the final size exceeds request.maxSide; kErrOutOfMemory when the
// levels cannot be allocated. On failure out is empty.
Result prepareTextureImage(const void* data, std::size_t size, const TextureRequest& request,
                           TextureImage& out) noexcept;

// The same from an already decoded image (the second form reuses its pixels).
Result prepareTextureImage(const Image& image, const TextureRequest& request, TextureImage& out) noexcept;
Result prepareTextureImage(Image&& image, const TextureRequest& request, TextureImage& out) noexcept;

}  // namespace vm::d3dx
