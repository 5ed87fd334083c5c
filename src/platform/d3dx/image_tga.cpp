// TGA: 18-byte header, optional id field, optional colour map, then pixels raw or run-length coded.
//
// Header (little-endian): idLength u8, colorMapType u8 (0/1), imageType u8 (1 mapped, 2 true colour,
// 3 grey; +8 = run-length coded), mapFirst u16, mapLength u16, mapEntryBits u8, xOrigin u16,
// yOrigin u16, width u16, height u16, pixelBits u8, descriptor u8 (bits 0-3 alpha bits, bit 4
// right-to-left, bit 5 top-to-bottom).
// Run-length packets: a header byte h, count = (h & 0x7F) + 1; h & 0x80 repeats one pixel count
// times, else count raw pixels follow. Packets may run across rows.

#include "platform/d3dx/byte_reader.h"
#include "platform/d3dx/image_readers.h"

namespace vm::d3dx {

namespace {

std::uint32_t expand5(std::uint32_t v) noexcept { return (v << 3) | (v >> 2); }

// One stored pixel of `bits` bits at p as 0xAARRGGBB.
std::uint32_t readColor(const std::uint8_t* p, unsigned bits, bool alpha16) noexcept {
    switch (bits) {
        case 8:
            return 0xFF000000u | (std::uint32_t{p[0]} * 0x010101u);
        case 15:
        case 16: {
            const std::uint32_t w = static_cast<std::uint32_t>(p[0] | (p[1] << 8));
            const std::uint32_t a = (!alpha16 || (w & 0x8000u)) ? 0xFFu : 0u;
            return (a << 24) | (expand5((w >> 10) & 31) << 16) | (expand5((w >> 5) & 31) << 8) |
                   expand5(w & 31);
        }
        case 24:
            return 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        default:  // 32
            return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
                   p[0];
    }
}

}  // namespace

Result readTga(const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    ByteReader in(data, size);
    const unsigned idLength = in.u8();
    const unsigned mapType = in.u8();
    const unsigned imageType = in.u8();
    const unsigned mapFirst = in.u16();
    const unsigned mapLength = in.u16();
    const unsigned mapBits = in.u8();
    in.skip(4);  // x and y origin: placement on a screen, not part of the picture
    const std::uint32_t width = in.u16();
    const std::uint32_t height = in.u16();
    const unsigned pixelBits = in.u8();
    const unsigned descriptor = in.u8();
    if (in.bad() || mapType > 1) return kErrInvalidData;

    const bool rle = imageType >= 9;
    const unsigned kind = rle ? imageType - 8 : imageType;
    const bool mapped = kind == 1;
    if (kind < 1 || kind > 3 || (imageType > 3 && imageType < 9) || imageType > 11) return kErrInvalidData;
    if (mapped != (mapType == 1)) return kErrInvalidData;
    if (kind == 2 && pixelBits != 15 && pixelBits != 16 && pixelBits != 24 && pixelBits != 32)
        return kErrInvalidData;
    if (kind == 3 && pixelBits != 8) return kErrInvalidData;
    if (mapped && (pixelBits != 8 || mapLength == 0 ||
                   (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)))
        return kErrInvalidData;
    const unsigned alphaBits = descriptor & 0x0F;

    in.skip(idLength);
    // Colour map, already turned into ARGB; a missing map with type 0 is skipped by its size anyway.
    std::uint32_t palette[256] = {};
    unsigned paletteCount = 0;
    if (mapType == 1) {
        const std::size_t entryBytes = (mapBits + 7) / 8;
        const std::uint8_t* map = in.take(std::size_t{mapLength} * entryBytes);
        if (map == nullptr) return kErrInvalidData;
        // Entries before mapFirst are not addressable by an 8-bit index relative to it, and
        // indices start at mapFirst; we keep indices 0..255 as stored.
        for (unsigned i = 0; i < mapLength && mapFirst + i < 256; ++i)
            palette[mapFirst + i] = readColor(map + i * entryBytes, mapBits, alphaBits > 0 || mapBits == 16);
        paletteCount = mapFirst + mapLength < 256 ? mapFirst + mapLength : 256;
    }
    if (in.bad()) return kErrInvalidData;

    // A header alone must not make us allocate: the smallest data that could fill the picture is one
    // byte per pixel raw, or one packet of 128 pixels coded.
    const std::size_t pixelBytes = (pixelBits + 7) / 8;
    const std::uint64_t total = std::uint64_t{width} * height;
    const std::uint64_t minimum = rle ? (total + 127) / 128 * (1 + pixelBytes) : total * pixelBytes;
    if (in.remaining() < minimum) return kErrInvalidData;
    if (!allocateImage(out, width, height)) return kErrInvalidData;
    out.fileFormat = ImageFileFormat::Tga;
    const bool hasAlpha = pixelBits == 32 || (pixelBits == 16 && alphaBits > 0) ||
                          (mapped && (mapBits == 32 || (mapBits == 16 && alphaBits > 0)));
    out.format = hasAlpha ? PixelFormat::A8R8G8B8 : PixelFormat::X8R8G8B8;

    const bool alpha16 = alphaBits > 0;
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;

    // Pixels arrive in file order; place each where the origin bits say.
    std::uint64_t n = 0;
    auto store = [&](std::uint32_t argb) {
        const std::uint32_t fx = static_cast<std::uint32_t>(n % width);
        const std::uint32_t fy = static_cast<std::uint32_t>(n / width);
        const std::uint32_t x = rightToLeft ? width - 1 - fx : fx;
        const std::uint32_t y = topDown ? fy : height - 1 - fy;
        out.pixels[static_cast<std::size_t>(y) * width + x] = argb;
        ++n;
    };
    auto decode = [&](const std::uint8_t* p, std::uint32_t& argb) {
        if (!mapped) {
            argb = readColor(p, pixelBits, alpha16);
            return true;
        }
        if (p[0] >= paletteCount || p[0] < mapFirst) return false;
        argb = palette[p[0]];
        return true;
    };

    while (n < total) {
        unsigned count = 1;
        bool run = false;
        if (rle) {
            const unsigned h = in.u8();
            count = (h & 0x7F) + 1;
            run = (h & 0x80) != 0;
        }
        if (run) {
            const std::uint8_t* p = in.take(pixelBytes);
            std::uint32_t argb = 0;
            if (p == nullptr || !decode(p, argb)) return kErrInvalidData;
            // A run reaching past the last pixel is cut off: the picture is complete at that point.
            for (unsigned i = 0; i < count && n < total; ++i) store(argb);
        } else {
            if (!rle) count = static_cast<unsigned>(total);  // one raw block of all pixels
            const std::uint64_t take = count < total - n ? count : total - n;
            const std::uint8_t* p = in.take(static_cast<std::size_t>(take) * pixelBytes);
            if (p == nullptr) return kErrInvalidData;
            for (std::uint64_t i = 0; i < take; ++i, p += pixelBytes) {
                std::uint32_t argb = 0;
                if (!decode(p, argb)) return kErrInvalidData;
                store(argb);
            }
            if (take < count) in.skip((count - take) * pixelBytes);
        }
    }
    return kOk;
}

}  // namespace vm::d3dx
