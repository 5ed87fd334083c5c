#pragma once
// The RAR 2.0 LZ mode's slot tables, shared by the decoder and the packer: the base value and the count
// of extra bits of every length, distance and short-distance slot.

#include <array>
#include <cstdint>

namespace vm::rar20 {

inline constexpr std::array<std::uint32_t, 28> kLengthBase = {0,  1,  2,  3,  4,  5,   6,   7,   8,   10,
                                                              12, 14, 16, 20, 24, 28,  32,  40,  48,  56,
                                                              64, 80, 96, 112, 128, 160, 192, 224};
inline constexpr std::array<std::uint8_t, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                             2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
inline constexpr std::array<std::uint32_t, 48> kDistanceBase = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
inline constexpr std::array<std::uint8_t, 48> kDistanceBits = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,
                                                               5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
                                                               11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16,
                                                               16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
inline constexpr std::array<std::uint32_t, 8> kShortDistanceBase = {0, 4, 8, 16, 32, 64, 128, 192};
inline constexpr std::array<std::uint8_t, 8> kShortDistanceBits = {2, 2, 3, 4, 5, 6, 6, 6};

}  // namespace vm::rar20
