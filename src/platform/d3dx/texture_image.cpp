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

Result build(const Image& image, const TextureRequest& request, TextureImage& out) {
    const PixelFormat format = request.format == PixelFormat::Unknown ? image.format : request.format;
    if (bytesPerPixel(format) == 0) return kErrInvalidArg;
    const std::uint32_t width = request.width != 0 ? request.width : image.width;
    const std::uint32_t height = request.height != 0 ? request.height : image.height;
    if (width > kMaxImageSide || height > kMaxImageSide) return kErrInvalidArg;
    if (request.maxSide != 0 && (width > request.maxSide || height > request.maxSide)) return kErrInvalidCall;
    const std::uint32_t full = fullMipCount(width, height);
    const std::uint32_t levels = (request.mipLevels == 0 || request.mipLevels > full) ? full : request.mipLevels;

    // The key matches the file's own pixels, so it applies before any filtering blends them.
    Image keyed;
    const Image* source = &image;
    if (request.colorKey != 0) {
        keyed = image;
        for (std::uint32_t& p : keyed.pixels)
            if (p == request.colorKey) p = 0;
        source = &keyed;
    }
    Image current;
    if (!scaleImage(*source, width, height, current)) return kErrOutOfMemory;
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
    out.source = ImageInfo{image.width, image.height, 1, 1, image.format, image.fileFormat};
    return kOk;
}

}  // namespace

Result prepareTextureImage(const Image& image, const TextureRequest& request, TextureImage& out) noexcept {
    out = TextureImage{};
    if (image.empty()) return kErrInvalidData;
    Result r = kErrOutOfMemory;
    try {
        r = build(image, request, out);
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
    return prepareTextureImage(image, request, out);
}

}  // namespace vm::d3dx
