#include "platform/d3dx/image.h"

#include <new>

#include "platform/d3dx/image_readers.h"

namespace vm::d3dx {

namespace {

using Reader = Result (*)(const std::uint8_t*, std::size_t, Image&) noexcept;

Result run(Reader reader, const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    out = Image{};
    if (data == nullptr || size == 0) return kErrInvalidData;
    const Result r = reader(data, size, out);
    if (r < 0) out = Image{};
    return r;
}

}  // namespace

bool allocateImage(Image& out, std::uint32_t width, std::uint32_t height) noexcept {
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    const std::uint64_t count = std::uint64_t{width} * height;
    if (count > kMaxImagePixels) return false;
    try {
        out.pixels.assign(static_cast<std::size_t>(count), 0xFF000000u);
    } catch (const std::bad_alloc&) {
        out.pixels.clear();
        return false;
    }
    out.width = width;
    out.height = height;
    return true;
}

Result decodeJpeg(const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    return run(readJpeg, data, size, out);
}
Result decodeTga(const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    return run(readTga, data, size, out);
}
Result decodeBmp(const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    return run(readBmp, data, size, out);
}

Result decodeImage(const void* data, std::size_t size, Image& out) noexcept {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // JPEG and BMP have signatures; TGA has none and is recognised by a consistent header.
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return decodeJpeg(bytes, size, out);
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return decodeBmp(bytes, size, out);
    return decodeTga(bytes, size, out);
}

}  // namespace vm::d3dx
