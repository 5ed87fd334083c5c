#include "platform/d3dx/texture_image.h"

#include <new>
#include <utility>

#include "platform/d3dx/image_ops.h"

namespace vm::d3dx {

namespace {

Result addLevel(const Image& image, PixelFormat format, TextureImage& out) {
    TextureLevel level;
    level.width = image.width;
    level.height = image.height;
    level.pitch = std::size_t{image.width} * bytesPerPixel(format);
    level.bytes.resize(level.pitch * image.height);
    convertPixels(image.pixels.data(), image.pixels.size(), format, level.bytes.data());
    out.levels.push_back(std::move(level));
    return kOk;
}

// Takes the image by value: at the file's own size it becomes level 0 without another 4-byte-per-pixel
// copy (at 1024 x 1024 that copy and its page faults cost more than the mip chain).
Result build(Image image, const TextureRequest& request, TextureImage& out) {
    const PixelFormat format = request.format == PixelFormat::Unknown ? image.format : request.format;
    if (bytesPerPixel(format) == 0) return kErrInvalidArg;
    const std::uint32_t width = request.width != 0 ? request.width : image.width;
    const std::uint32_t height = request.height != 0 ? request.height : image.height;
    if (width > kMaxImageSide || height > kMaxImageSide) return kErrInvalidArg;
    if (request.maxSide != 0 && (width > request.maxSide || height > request.maxSide)) return kErrInvalidCall;
    const std::uint32_t full = fullMipCount(width, height);
    const std::uint32_t levels = (request.mipLevels == 0 || request.mipLevels > full) ? full : request.mipLevels;

    // The key matches the file's own pixels, so it applies before any filtering blends them.
    if (request.colorKey != 0) {
        for (std::uint32_t& p : image.pixels)
            if (p == request.colorKey) p = 0;
    }
    out.source = ImageInfo{image.width, image.height, 1, 1, image.format, image.fileFormat};
    Image current;
    if (width == image.width && height == image.height) {
        current = std::move(image);
    } else if (!scaleImage(image, width, height, current)) {
        return kErrOutOfMemory;
    }
    out.format = format;
    out.levels.reserve(levels);
    for (std::uint32_t i = 0; i < levels; ++i) {
        if (i > 0) {
            Image next;
            if (!halveImage(current, next)) return kErrOutOfMemory;
            current = std::move(next);
        }
        const Result r = addLevel(current, format, out);
        if (r < 0) return r;
    }
    return kOk;
}

}  // namespace

Result prepareTextureImage(const Image& image, const TextureRequest& request, TextureImage& out) noexcept {
    try {
        Image copy = image;
        return prepareTextureImage(std::move(copy), request, out);
    } catch (const std::bad_alloc&) {
        out = TextureImage{};
        return kErrOutOfMemory;
    }
}

Result prepareTextureImage(Image&& image, const TextureRequest& request, TextureImage& out) noexcept {
    out = TextureImage{};
    if (image.empty()) return kErrInvalidData;
    Result r = kErrOutOfMemory;
    try {
        r = build(std::move(image), request, out);
    } catch (const std::bad_alloc&) {
        r = kErrOutOfMemory;
    }
    if (r < 0) out = TextureImage{};
    return r;
}

Result prepareTextureImage(const void* data, std::size_t size, const TextureRequest& request,
                           TextureImage& out) noexcept {
    out = TextureImage{};
    Image image;
    const Result r = decodeImage(data, size, image);
    if (r < 0) return r;
    return prepareTextureImage(std::move(image), request, out);
}

}  // namespace vm::d3dx
