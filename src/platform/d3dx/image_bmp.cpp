// BMP: 14-byte file header ("BM", file size u32, reserved u32, pixel offset u32), then an info header
// whose first u32 is its own size: 12 (core: u16 width, height, planes, bits), 40 and larger (i32 width,
// i32 height (negative = rows top to bottom), u16 planes, u16 bits, u32 compression, u32 image size,
// 2 × i32 resolution, u32 colours used, u32 colours important, and from 56 bytes on the r, g, b, a
// masks). Rows are padded to 4 bytes and stored bottom-up unless the height is negative.
// Read here: 1, 4 and 8 bits with a palette, 16 bits (5-5-5 or masks), 24 bits, 32 bits (masks, the
// alpha mask giving an alpha channel). Run-length coded files are refused.

#include <bit>

#include "platform/d3dx/byte_reader.h"
#include "platform/d3dx/image_readers.h"

namespace vm::d3dx {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// One channel described by a bit mask, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) noexcept : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint32_t get(std::uint32_t v) const noexcept {
        if (max == 0) return 0;
        return static_cast<std::uint32_t>((std::uint64_t{(v & mask) >> shift} * 255 + max / 2) / max);
    }
};

}  // namespace

Result readBmp(const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    ByteReader in(data, size);
    if (in.u8() != 'B' || in.u8() != 'M') return kErrInvalidData;
    in.skip(8);  // file size and reserved: writers disagree on the size, the offset is what counts
    const std::uint32_t pixelOffset = in.u32();
    const std::size_t infoStart = in.position();
    const std::uint32_t infoSize = in.u32();

    std::int64_t width = 0, height = 0;
    unsigned bits = 0;
    std::uint32_t compression = kBiRgb, colorsUsed = 0;
    std::uint32_t masks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0};
    std::size_t paletteEntryBytes = 4;
    if (infoSize == 12) {
        width = in.u16();
        height = in.u16();
        in.u16();
        bits = in.u16();
        paletteEntryBytes = 3;
    } else if (infoSize >= 40 && infoSize <= 1024) {
        width = in.i32();
        height = in.i32();
        in.u16();
        bits = in.u16();
        compression = in.u32();
        in.skip(12);  // image size, resolution
        colorsUsed = in.u32();
        in.u32();
        if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
            // Masks follow a 40-byte header and sit inside the larger ones at the same place.
            const unsigned maskCount = (compression == kBiAlphaBitfields || infoSize >= 56) ? 4 : 3;
            for (unsigned i = 0; i < maskCount; ++i) masks[i] = in.u32();
        }
    } else {
        return kErrInvalidData;
    }
    if (in.bad()) return kErrInvalidData;
    if (infoSize >= 40) in.seek(infoStart + infoSize + ((infoSize == 40 && compression == kBiBitfields) ? 12 : 0) +
                                ((infoSize == 40 && compression == kBiAlphaBitfields) ? 16 : 0));

    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return kErrInvalidData;
    const bool masked = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !(masked && (bits == 16 || bits == 32))) return kErrInvalidData;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return kErrInvalidData;
    if (bits == 16 && !masked) {
        masks[0] = 0x7C00u, masks[1] = 0x03E0u, masks[2] = 0x001Fu, masks[3] = 0;
    }
    if (bits == 32 && !masked) masks[3] = 0;  // plain 32-bit rows carry an unused byte, not alpha

    std::uint32_t palette[256] = {};
    unsigned paletteCount = 0;
    if (bits <= 8) {
        const unsigned full = 1u << bits;
        paletteCount = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
        const std::uint8_t* p = in.take(paletteCount * paletteEntryBytes);
        if (p == nullptr) return kErrInvalidData;
        for (unsigned i = 0; i < paletteCount; ++i, p += paletteEntryBytes)
            palette[i] = 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }

    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(height);
    if (pixelOffset > size || size - pixelOffset < needed) return kErrInvalidData;

    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    if (!allocateImage(out, w, h)) return kErrInvalidData;
    out.fileFormat = ImageFileFormat::Bmp;
    const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    out.format = a.max != 0 ? PixelFormat::A8R8G8B8 : PixelFormat::X8R8G8B8;

    for (std::uint32_t row = 0; row < h; ++row) {
        const std::uint8_t* src = data + pixelOffset + stride * row;
        const std::uint32_t y = topDown ? row : h - 1 - row;
        std::uint32_t* dst = out.pixels.data() + static_cast<std::size_t>(y) * w;
        for (std::uint32_t x = 0; x < w; ++x) {
            std::uint32_t argb = 0;
            if (bits <= 8) {
                const std::uint64_t bit = std::uint64_t{x} * bits;
                const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
                const unsigned index = (src[bit / 8] >> shift) & ((1u << bits) - 1);
                if (index >= paletteCount) return kErrInvalidData;
                argb = palette[index];
            } else if (bits == 24) {
                const std::uint8_t* p = src + std::size_t{x} * 3;
                argb = 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
            } else {
                std::uint32_t v = 0;
                const std::uint8_t* p = src + std::size_t{x} * (bits / 8);
                for (int i = static_cast<int>(bits / 8) - 1; i >= 0; --i) v = (v << 8) | p[i];
                const std::uint32_t alpha = a.max != 0 ? a.get(v) : 0xFFu;
                argb = (alpha << 24) | (r.get(v) << 16) | (g.get(v) << 8) | b.get(v);
            }
            dst[x] = argb;
        }
    }
    return kOk;
}

}  // namespace vm::d3dx
