#include "platform/d3dx/texture_from_memory.h"

#include <algorithm>

#include "platform/d3d/device.h"

namespace vm::d3dx {

TextureRequest makeTextureRequest(std::uint32_t width, std::uint32_t height, std::uint32_t mipLevels,
                                  d3d::Format format, d3d::Color colorKey, std::uint32_t maxSide) noexcept {
    auto orZero = [](std::uint32_t v) { return v == kDefault ? 0u : v; };
    TextureRequest r;
    r.width = orZero(width);
    r.height = orZero(height);
    r.mipLevels = orZero(mipLevels);
    r.format = format;
    r.colorKey = colorKey;
    r.maxSide = maxSide;
    return r;
}

Result CreateTextureFromFileInMemoryEx(d3d::Device* device, const void* data, std::size_t size, std::uint32_t width,
                                       std::uint32_t height, std::uint32_t mipLevels, std::uint32_t usage,
                                       d3d::Format format, d3d::Pool pool, std::uint32_t /*filter*/,
                                       std::uint32_t /*mipFilter*/, d3d::Color colorKey, ImageInfo* info,
                                       std::unique_ptr<d3d::Texture>* out) noexcept {
    if (out == nullptr) return kErrInvalidCall;
    out->reset();
    if (device == nullptr || data == nullptr || size == 0) return kErrInvalidCall;
    d3d::Caps caps;
    if (device->GetDeviceCaps(&caps) < 0) return kErrInvalidCall;
    // The tighter of the two limits stands for both sides (square limits in practice).
    std::uint32_t maxSide = std::min(caps.MaxTextureWidth, caps.MaxTextureHeight);
    if (maxSide == 0) maxSide = std::max(caps.MaxTextureWidth, caps.MaxTextureHeight);
    TextureImage image;
    Result r = prepareTextureImage(data, size, makeTextureRequest(width, height, mipLevels, format, colorKey, maxSide),
                                   image);
    if (r < 0) return r;
    std::unique_ptr<d3d::Texture> texture;
    r = device->CreateTexture(image.levels[0].width, image.levels[0].height,
                              static_cast<std::uint32_t>(image.levels.size()), usage, image.format, pool, &texture);
    if (r < 0) return r;
    for (std::uint32_t i = 0; i < image.levels.size(); ++i) {
        const TextureLevel& level = image.levels[i];
        r = texture->UpdateLevel(i, level.bytes.data(), static_cast<std::int32_t>(level.pitch));
        if (r < 0) return r;
    }
    if (info != nullptr) {
        *info = image.source;
    }
    *out = std::move(texture);
    return kOk;
}

Result CreateTextureFromFileInMemory(d3d::Device* device, const void* data, std::size_t size,
                                     std::unique_ptr<d3d::Texture>* out) noexcept {
    return CreateTextureFromFileInMemoryEx(device, data, size, 0, 0, 0, 0, d3d::Format::Unknown, d3d::Pool::Managed,
                                           kDefault, kDefault, 0, nullptr, out);
}

Result CreateTexture(d3d::Device* device, std::uint32_t width, std::uint32_t height, std::uint32_t mipLevels,
                     std::uint32_t usage, d3d::Format format, d3d::Pool pool,
                     std::unique_ptr<d3d::Texture>* out) noexcept {
    if (out == nullptr) return kErrInvalidCall;
    out->reset();
    if (device == nullptr) return kErrInvalidCall;
    if (width == 0 || width == kDefault) width = 256;
    if (height == 0 || height == kDefault) height = 256;
    if (mipLevels == kDefault) mipLevels = 0;
    if (format == d3d::Format::Unknown) format = d3d::Format::A8R8G8B8;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, out);
}

}  // namespace vm::d3dx
