#include "rarpack/rar20_symbols.h"

#include <algorithm>
#include <iterator>

namespace vm::rarpack {
namespace {

constexpr uint32_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,   8,   10,  12,  14,  16,  20,
                                      24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint32_t kDistBase[48] = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr uint8_t kDistBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                   7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                   15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr uint32_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

template <size_t N>
Slot slotOf(const uint32_t (&base)[N], const uint8_t (&bits)[N], uint32_t value)
{
    const auto it = std::upper_bound(std::begin(base), std::end(base), value);
    const auto i = static_cast<size_t>(std::distance(std::begin(base), it)) - 1;
    return {static_cast<uint8_t>(i), bits[i], value - base[i]};
}

} // namespace

Slot lengthSlot(uint32_t value) { return slotOf(kLengthBase, kLengthBits, value); }
Slot distanceSlot(uint32_t value) { return slotOf(kDistBase, kDistBits, value); }
Slot shortDistanceSlot(uint32_t value) { return slotOf(kShortBase, kShortBits, value); }

} // namespace vm::rarpack
