#pragma once
// Length-limited prefix codes in the canonical order the RAR 2.0 decoder assumes:
// codes are handed out by (length, symbol), counting up from 0, read most significant bit first.

#include <cstdint>
#include <span>

namespace vm::rarpack {

inline constexpr unsigned kMaxCodeLength = 15;

// Optimal code lengths (package-merge) for `freq`, none longer than maxLength.
// Symbols with frequency 0 get length 0. When fewer than two symbols occur, a second symbol
// is given a code too so every used table is a complete code (decoders may reject a lone
// one-bit code).
void buildCodeLengths(std::span<const uint32_t> freq, unsigned maxLength, std::span<uint8_t> lengths);

// Canonical codes for `lengths`; codes[i] is meaningful only where lengths[i] > 0.
void buildCanonicalCodes(std::span<const uint8_t> lengths, std::span<uint16_t> codes);

// Bits needed to code `freq` with `lengths`; UINT64_MAX when a used symbol has no code.
uint64_t codedBits(std::span<const uint32_t> freq, std::span<const uint8_t> lengths);

} // namespace vm::rarpack
