#include <cstddef>

#include "image_builders.h"
#include "pictures/image.h"

namespace vm::d3dx::testing {

Bytes encodeJpeg(const std::vector<std::uint32_t>& argb, unsigned w, unsigned h, int quality, bool progressive) {
    std::vector<std::uint8_t> rgb(std::size_t{w} * h * 3);
    for (std::size_t i = 0; i < std::size_t{w} * h; ++i) {
        rgb[i * 3 + 0] = static_cast<std::uint8_t>(argb[i] >> 16);
        rgb[i * 3 + 1] = static_cast<std::uint8_t>(argb[i] >> 8);
        rgb[i * 3 + 2] = static_cast<std::uint8_t>(argb[i]);
    }
    return pictures::encodeJpegRgb(rgb.data(), static_cast<int>(w), static_cast<int>(h), quality, progressive);
}

}  // namespace vm::d3dx::testing
