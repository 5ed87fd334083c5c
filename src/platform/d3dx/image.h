#pragma once
// Images decoded from files held in memory: JPEG, TGA and BMP.
//
// Contract: every input byte is untrusted. decodeImage reads only inside [data, data + size), never
// crashes or hangs on any input, and returns kErrInvalidData for anything it cannot read completely
// (unknown signature, truncated data, unsupported variant, absurd dimensions). On failure the output
// image is left empty.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3dx/pixel_format.h"
#include "platform/d3dx/result.h"

namespace vm::d3dx {

enum class ImageFileFormat : std::uint8_t { Bmp = 0, Jpg = 1, Tga = 2 };

// Largest side accepted from a file, and largest pixel count (16 Mi pixels = 64 MiB decoded, a 4096 ×
// 4096 picture, beyond any texture this program makes), so that a forged header cannot ask for more.
inline constexpr std::uint32_t kMaxImageSide = 8192;
inline constexpr std::uint64_t kMaxImagePixels = 16ull << 20;

struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // 0xAARRGGBB per pixel, rows top to bottom; opaque images carry alpha 0xFF.
    std::vector<std::uint32_t> pixels;
    ImageFileFormat fileFormat = ImageFileFormat::Bmp;
    // The texture format that keeps what the file holds: A8R8G8B8 when it has an alpha channel,
    // else X8R8G8B8.
    PixelFormat format = PixelFormat::X8R8G8B8;

    bool empty() const noexcept { return pixels.empty(); }
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const noexcept {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
};

// Recognises the format by its content (JPEG and BMP signatures; TGA, which has none, by a
// consistent header) and decodes it.
Result decodeImage(const void* data, std::size_t size, Image& out) noexcept;

// The single decoders, for callers and tests that know the format.
Result decodeJpeg(const std::uint8_t* data, std::size_t size, Image& out) noexcept;
Result decodeTga(const std::uint8_t* data, std::size_t size, Image& out) noexcept;
Result decodeBmp(const std::uint8_t* data, std::size_t size, Image& out) noexcept;

// Allocates width × height pixels after checking the limits above; false when they are exceeded
// or memory runs out.
bool allocateImage(Image& out, std::uint32_t width, std::uint32_t height) noexcept;

}  // namespace vm::d3dx
