#include "rarpack/rar20_symbols.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "archive/rar20_tables.h"

namespace vm::rarpack {
namespace {

template <size_t N>
Slot slotOf(const std::array<uint32_t, N>& base, const std::array<uint8_t, N>& bits, uint32_t value)
{
    const auto it = std::upper_bound(std::begin(base), std::end(base), value);
    const auto i = static_cast<size_t>(std::distance(std::begin(base), it)) - 1;
    return {static_cast<uint8_t>(i), bits[i], value - base[i]};
}

} // namespace

Slot lengthSlot(uint32_t value) { return slotOf(rar20::kLengthBase, rar20::kLengthBits, value); }
Slot distanceSlot(uint32_t value) { return slotOf(rar20::kDistanceBase, rar20::kDistanceBits, value); }
Slot shortDistanceSlot(uint32_t value) { return slotOf(rar20::kShortDistanceBase, rar20::kShortDistanceBits, value); }

} // namespace vm::rarpack
