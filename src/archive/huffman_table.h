#pragma once
// Canonical Huffman decode table of the RAR 2.0 format, built from per-symbol code lengths 0..15.
//
// Codes are read most significant bit first from a 16-bit window ("peek"). The table keeps the
// format's own decoding rule exactly, including its answers for incomplete or over-full length sets,
// because corrupt input must decode deterministically rather than be rejected here:
//   length = smallest i in 1..14 with (peek & ~1) < limit[i], else 15;
//   index  = position[length] + ((peek & ~1) - limit[length-1]) >> (16 - length);
//   symbol = symbols[index], or symbols[0] when index >= symbolCount.
// A quick table over the first kQuickBits bits answers every code that the rule resolves without
// looking further; other windows fall back to the limit search.

#include <array>
#include <cstdint>
#include <span>

namespace vm {

class HuffmanTable {
 public:
  static constexpr unsigned kQuickBits = 10;
  static constexpr unsigned kMaxSymbols = 298;  // the literal/length alphabet is the largest

  // lengths.size() <= kMaxSymbols; each value is taken modulo 16.
  void build(std::span<const std::uint8_t> lengths) noexcept;

  struct Result {
    std::uint16_t symbol;
    std::uint8_t length;  // bits to consume, 1..15
  };

  // window: the next 16 input bits, first bit in bit 15.
  Result decode(std::uint32_t window) const noexcept {
    // Quick entry layout: bits 0..5 code length (0 = not resolvable by the quick table),
    // bits 6..15 symbol. Six bits, not four: a shift by (entry & 63) is a plain shift on x86,
    // which masks its count the same way, so consuming a code takes no extra step.
    const std::uint16_t e = quick_[window >> (16 - kQuickBits)];
    if (e & 63) return {static_cast<std::uint16_t>(e >> 6), static_cast<std::uint8_t>(e & 63)};
    return decodeSlow(window);
  }
  // The next code as a packed entry, symbol << 6 | length, from a bit reader's whole buffer (next
  // bit in bit 63). BitReader::skipEntry consumes it without first cutting out the length, which
  // keeps a step off the chain from one code to the next.
  std::uint32_t decodeEntry(std::uint64_t bits) const noexcept {
    const std::uint32_t e = quick_[bits >> (64 - kQuickBits)];
    if (e & 63) return e;
    const Result r = decodeSlow(static_cast<std::uint32_t>(bits >> 48));
    return std::uint32_t{r.symbol} << 6 | r.length;
  }
  static std::uint32_t entrySymbol(std::uint32_t entry) noexcept { return entry >> 6; }

 private:
  Result decodeSlow(std::uint32_t window) const noexcept;

  std::array<std::uint32_t, 16> limit_{};
  std::array<std::uint32_t, 16> position_{};
  std::array<std::uint16_t, kMaxSymbols> symbols_{};
  std::uint32_t symbolCount_ = 0;
  std::array<std::uint16_t, 1u << kQuickBits> quick_{};
};

}  // namespace vm
