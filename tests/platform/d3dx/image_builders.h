#pragma once
// Small image files built byte by byte, so each test shows exactly what the decoder is given.

#include <cstdint>
#include <vector>

namespace vm::d3dx::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// TGA header: idLength 0, the given types, origin 0, size, bits, descriptor.
inline Bytes tgaHeader(unsigned imageType, unsigned w, unsigned h, unsigned bits, unsigned descriptor,
                       unsigned mapType = 0, unsigned mapLength = 0, unsigned mapBits = 0) {
    Bytes b{0, static_cast<std::uint8_t>(mapType), static_cast<std::uint8_t>(imageType)};
    put16(b, 0);          // first map entry
    put16(b, mapLength);  // map length
    b.push_back(static_cast<std::uint8_t>(mapBits));
    put16(b, 0);  // x origin
    put16(b, 0);  // y origin
    put16(b, w);
    put16(b, h);
    b.push_back(static_cast<std::uint8_t>(bits));
    b.push_back(static_cast<std::uint8_t>(descriptor));
    return b;
}

// One 32-bit TGA pixel in file order (B, G, R, A).
inline void tgaPixel32(Bytes& b, std::uint32_t argb) { put32(b, argb); }

// BMP with a 40-byte info header (bitfields get the three masks after it).
inline Bytes bmpFile(int w, int h, unsigned bits, std::uint32_t compression, const Bytes& extra,
                     const Bytes& pixels) {
    Bytes b{'B', 'M'};
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(extra.size());
    put32(b, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(w));
    put32(b, static_cast<std::uint32_t>(h));
    put16(b, 1);
    put16(b, bits);
    put32(b, compression);
    put32(b, static_cast<std::uint32_t>(pixels.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A baseline JPEG of the given ARGB pixels (alpha ignored), via libjpeg.
Bytes encodeJpeg(const std::vector<std::uint32_t>& argb, unsigned w, unsigned h, int quality = 95,
                 bool progressive = false);

}  // namespace vm::d3dx::testing
