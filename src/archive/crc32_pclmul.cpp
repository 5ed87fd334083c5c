// CRC-32 by folding with 64x64-bit carry-less multiplication: the message polynomial is kept as a
// few 128-bit lanes, each moved forward over the data by multiplying with x^D mod P, and only the
// last lane is reduced to 32 bits (Barrett). Bit order and constants: crc32_fold_constants.h.
#include "archive/crc32_clmul_tail.h"

#if VM_CRC32_X86
#include "archive/crc32_fold_constants.h"

#define VM_TARGET_PCLMUL __attribute__((target("pclmul,sse4.1")))

namespace vm::crc32impl {
namespace {

VM_TARGET_PCLMUL inline __m128i load128(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Moves a lane forward by D bits: the low half of the result multiplies the lane's low (earlier)
// half, the high half its other half.
template <unsigned D>
VM_TARGET_PCLMUL inline __m128i multipliers() {
  constexpr std::uint64_t lo = foldConstant(D + 32), hi = foldConstant(D - 32);
  return _mm_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo));
}

// acc moved forward by the distance in k, plus the lane found there.
VM_TARGET_PCLMUL inline __m128i fold(__m128i acc, __m128i k, __m128i next) {
  const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
  const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

// (acc * x^32) mod P as a reflected register.
VM_TARGET_PCLMUL inline std::uint32_t reduce(__m128i acc) {
  const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
  // 128 -> 96 bits: the low half H (H * x^64 of the lane) times x^96 mod P lands as H * x^128,
  // the high half slides down by 64 bits. The result Z, in bits 0..95, is the register's
  // polynomial before reduction: the register is Z mod P.
  constexpr std::uint64_t x96 = foldConstant(96), x64 = foldConstant(64);
  const __m128i k = _mm_set_epi64x(static_cast<long long>(x64), static_cast<long long>(x96));
  const __m128i z =
      _mm_xor_si128(_mm_clmulepi64_si128(acc, k, 0x00), _mm_srli_si128(acc, 8));
  // 96 -> 64 bits: Z's top 32 bits times x^64 mod P, plus its lower 64 bits.
  const __m128i w = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(z, low32), k, 0x10),
                                  _mm_srli_si128(z, 4));
  // Barrett: quotient q = floor(Wtop * mu / x^32), remainder = low 32 bits of W + q * P.
  const __m128i b = _mm_set_epi64x(static_cast<long long>(kBarrettPoly),
                                   static_cast<long long>(kBarrettMu));
  const __m128i q = _mm_clmulepi64_si128(_mm_and_si128(w, low32), b, 0x00);
  const __m128i qp = _mm_clmulepi64_si128(_mm_and_si128(q, low32), b, 0x10);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(qp, w), 1));
}

}  // namespace

VM_TARGET_PCLMUL std::uint32_t finishClmul(__m128i acc, const std::uint8_t* p,
                                            std::size_t n) noexcept {
  const __m128i k = multipliers<128>();
  for (; n >= 16; p += 16, n -= 16) acc = fold(acc, k, load128(p));
  return updateSlicing(reduce(acc), {p, n});
}

VM_TARGET_PCLMUL std::uint32_t updatePclmul(std::uint32_t reg,
                                             std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  if (n < 64) return updateSlicing(reg, bytes);
  // A running register is the same as zero with its value xored into the first four bytes.
  __m128i x0 = _mm_xor_si128(load128(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
  __m128i x1 = load128(p + 16), x2 = load128(p + 32), x3 = load128(p + 48);
  p += 64;
  n -= 64;
  // Four independent lanes hide the multiplier's latency.
  const __m128i k512 = multipliers<512>();
  for (; n >= 64; p += 64, n -= 64) {
    x0 = fold(x0, k512, load128(p));
    x1 = fold(x1, k512, load128(p + 16));
    x2 = fold(x2, k512, load128(p + 32));
    x3 = fold(x3, k512, load128(p + 48));
  }
  const __m128i k128 = multipliers<128>();
  __m128i acc = fold(x0, k128, x1);
  acc = fold(acc, k128, x2);
  acc = fold(acc, k128, x3);
  return finishClmul(acc, p, n);
}

}  // namespace vm::crc32impl
#endif
