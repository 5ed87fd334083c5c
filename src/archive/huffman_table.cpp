#include "archive/huffman_table.h"

#include <algorithm>

namespace vm {

void HuffmanTable::build(std::span<const std::uint8_t> lengths) noexcept {
  const std::size_t n = std::min<std::size_t>(lengths.size(), kMaxSymbols);
  std::array<std::uint32_t, 16> count{};
  for (std::size_t i = 0; i < n; ++i) ++count[lengths[i] & 0xF];
  count[0] = 0;

  limit_[0] = 0;
  position_[0] = 0;
  std::uint32_t code = 0;
  for (unsigned i = 1; i < 16; ++i) {
    code = 2 * (code + count[i]);
    limit_[i] = std::min<std::uint32_t>(code << (15 - i), 0xFFFF);
    position_[i] = position_[i - 1] + count[i - 1];
  }

  symbols_.fill(0);  // slots an over-full set leaves unfilled decode as symbol 0, deterministically
  std::array<std::uint32_t, 16> next = position_;
  for (std::size_t s = 0; s < n; ++s) {
    const unsigned len = lengths[s] & 0xF;
    if (len != 0 && next[len] < kMaxSymbols) symbols_[next[len]++] = static_cast<std::uint16_t>(s);
  }
  symbolCount_ = static_cast<std::uint32_t>(n);

  // A quick slot covers the windows q << 6 .. q << 6 | 63. When the length found for its lowest
  // window is within the quick bits, the answer holds for the whole slot: limit[i] for i <= 10 is a
  // multiple of 2^(16-i) >= 64 (or the 0xFFFF cap, above every window the rule reads), so no limit
  // falls inside a slot, and the index shift drops the slot's low bits. The limits rise with the
  // length, so the slots of length i are those from limit[i-1] up to limit[i], and one code of
  // length i covers 2^(10-i) slots in a row (limit[i-1] is a multiple of 2^(17-i)): each is
  // filled at once. Slots past the quick lengths are left to the slow path.
  constexpr unsigned kRest = 16 - kQuickBits;
  std::uint32_t q = 0;
  for (unsigned len = 1; len <= kQuickBits; ++len) {
    const std::uint32_t end =
        std::min<std::uint32_t>((limit_[len] + (1u << kRest) - 1) >> kRest, 1u << kQuickBits);
    const std::uint32_t run = 1u << (kQuickBits - len);
    for (; q < end; q += run) {
      std::uint32_t index = position_[len] + (((q << kRest) - limit_[len - 1]) >> (16 - len));
      if (index >= symbolCount_) index = 0;
      const auto entry = static_cast<std::uint16_t>(symbols_[index] << 6 | len);
      std::fill_n(quick_.begin() + q, std::min(run, end - q), entry);
    }
    q = std::max(q, end);
  }
  std::fill(quick_.begin() + std::min<std::uint32_t>(q, 1u << kQuickBits), quick_.end(),
            std::uint16_t{0});
}

HuffmanTable::Result HuffmanTable::decodeSlow(std::uint32_t window) const noexcept {
  const std::uint32_t b = window & 0xFFFE;
  unsigned len;
  // Fixed search tree over the limits, as the format decodes.
  if (b < limit_[8]) {
    if (b < limit_[4]) {
      len = b < limit_[2] ? (b < limit_[1] ? 1 : 2) : (b < limit_[3] ? 3 : 4);
    } else {
      len = b < limit_[6] ? (b < limit_[5] ? 5 : 6) : (b < limit_[7] ? 7 : 8);
    }
  } else if (b < limit_[12]) {
    len = b < limit_[10] ? (b < limit_[9] ? 9 : 10) : (b < limit_[11] ? 11 : 12);
  } else {
    len = b < limit_[14] ? (b < limit_[13] ? 13 : 14) : 15;
  }
  std::uint32_t index = position_[len] + ((b - limit_[len - 1]) >> (16 - len));
  if (index >= symbolCount_ || index >= kMaxSymbols) index = 0;
  return {symbols_[index], static_cast<std::uint8_t>(len)};
}

}  // namespace vm
