#pragma once
// Constants of the carry-less-multiply CRC-32 kernels, computed at compile time from the polynomial
// so that none of them is typed in by hand.
//
// Bit order. The CRC is reflected: the first message bit is bit 0 of byte 0, and it carries the
// highest power of x. A 128-bit lane loaded little-endian therefore holds the polynomial
// sum(bit j * x^(127-j)); its low 64-bit half holds the high powers. Carry-less multiplying two
// such reflected values gives a reflected product one bit short of the lane (bit k is x^(126-k)),
// which is why every multiplier below carries one extra factor of x: foldConstant(k) is
// reflect32(x^k mod P) shifted left once, a 33-bit value whose bit i is the coefficient of
// x^(32-i).
//
// Folding a 128-bit lane H*x^64 + L forward by D bits (so it lines up with the lane D bits later)
// multiplies the low half H by foldConstant(D + 32) and the high half L by foldConstant(D - 32);
// both products are 96-bit values congruent mod P to H*x^(64+D) and L*x^D.

#include <cstdint>

namespace vm::crc32impl {

inline constexpr std::uint32_t kPolyReflected = 0xEDB88320u;

// x^k mod P, reflected to 32 bits (bit i is the coefficient of x^(31-i)). Multiplying by x is a
// right shift in this order, and a carry out of x^31 is reduced by the polynomial.
constexpr std::uint32_t xPowModP(unsigned k) {
  std::uint32_t r = 0x80000000u;  // x^0
  for (unsigned i = 0; i < k; ++i) r = (r & 1u) ? (r >> 1) ^ kPolyReflected : r >> 1;
  return r;
}

constexpr std::uint64_t foldConstant(unsigned k) { return std::uint64_t{xPowModP(k)} << 1; }

// Reverses the low 33 bits: bit i moves to bit 32-i.
constexpr std::uint64_t reflect33(std::uint64_t v) {
  std::uint64_t r = 0;
  for (unsigned i = 0; i < 33; ++i)
    if ((v >> i) & 1u) r |= std::uint64_t{1} << (32 - i);
  return r;
}

// P in the usual order, x^32 included (bit d is the coefficient of x^d).
constexpr std::uint64_t polyNormal() { return reflect33(std::uint64_t{kPolyReflected} << 1 | 1u); }

// floor(x^64 / P) in the usual order (33 bits), by long division.
constexpr std::uint64_t barrettQuotientNormal() {
  const std::uint64_t p = polyNormal();
  std::uint64_t rem = 0, quo = 0;
  for (int bit = 64; bit >= 0; --bit) {
    rem = rem << 1 | (bit == 64 ? 1u : 0u);
    if (rem >> 32) {
      rem ^= p;
      quo |= std::uint64_t{1} << bit;
    }
  }
  return quo;
}

// The two multipliers of the final Barrett reduction from 64 to 32 bits, both reflected to 33 bits.
inline constexpr std::uint64_t kBarrettMu = reflect33(barrettQuotientNormal());
inline constexpr std::uint64_t kBarrettPoly = reflect33(polyNormal());

}  // namespace vm::crc32impl
