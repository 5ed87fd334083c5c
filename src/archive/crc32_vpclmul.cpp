// The folding of crc32_pclmul.cpp on 256- and 512-bit registers: VPCLMULQDQ multiplies every
// 128-bit lane of a register by the lane's own pair of constants, so a register is two or four
// independent 128-bit lanes, folded together at the end.
#include "archive/crc32_clmul_tail.h"

#if VM_CRC32_X86
#include "archive/crc32_fold_constants.h"

#define VM_TARGET_VPCLMUL256 __attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1")))
#define VM_TARGET_VPCLMUL512 __attribute__((target("vpclmulqdq,avx512f,avx2,pclmul,sse4.1")))

namespace vm::crc32impl {
namespace {

// Per lane: low half moves a lane's low (earlier) half by D bits, high half its other half
// (see crc32_fold_constants.h). A lane whose distance is 0 gets zeros and drops out.
template <unsigned D>
struct Pair {
  static constexpr long long lo = D ? static_cast<long long>(foldConstant(D + 32)) : 0;
  static constexpr long long hi = D ? static_cast<long long>(foldConstant(D - 32)) : 0;
};

// ---- 256-bit registers: two lanes each.

VM_TARGET_VPCLMUL256 inline __m256i load256(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

template <unsigned D0, unsigned D1>
VM_TARGET_VPCLMUL256 inline __m256i multipliers256() {
  return _mm256_set_epi64x(Pair<D1>::hi, Pair<D1>::lo, Pair<D0>::hi, Pair<D0>::lo);
}

VM_TARGET_VPCLMUL256 inline __m256i fold256(__m256i acc, __m256i k, __m256i next) {
  const __m256i lo = _mm256_clmulepi64_epi128(acc, k, 0x00);
  const __m256i hi = _mm256_clmulepi64_epi128(acc, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(lo, hi), next);
}

// ---- 512-bit registers: four lanes each.

VM_TARGET_VPCLMUL512 inline __m512i load512(const std::uint8_t* p) {
  return _mm512_loadu_si512(p);
}

template <unsigned D0, unsigned D1, unsigned D2, unsigned D3>
VM_TARGET_VPCLMUL512 inline __m512i multipliers512() {
  return _mm512_set_epi64(Pair<D3>::hi, Pair<D3>::lo, Pair<D2>::hi, Pair<D2>::lo, Pair<D1>::hi,
                          Pair<D1>::lo, Pair<D0>::hi, Pair<D0>::lo);
}

VM_TARGET_VPCLMUL512 inline __m512i fold512(__m512i acc, __m512i k, __m512i next) {
  const __m512i lo = _mm512_clmulepi64_epi128(acc, k, 0x00);
  const __m512i hi = _mm512_clmulepi64_epi128(acc, k, 0x11);
  return _mm512_ternarylogic_epi64(lo, hi, next, 0x96);  // three-way xor
}

}  // namespace

VM_TARGET_VPCLMUL256 std::uint32_t updateVpclmul256(std::uint32_t reg,
                                                     std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  if (n < 128) return updatePclmul(reg, bytes);
  __m256i y0 = _mm256_xor_si256(load256(p), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0,
                                                               static_cast<int>(reg)));
  __m256i y1 = load256(p + 32), y2 = load256(p + 64), y3 = load256(p + 96);
  p += 128;
  n -= 128;
  const __m256i k1024 = multipliers256<1024, 1024>();
  for (; n >= 128; p += 128, n -= 128) {
    y0 = fold256(y0, k1024, load256(p));
    y1 = fold256(y1, k1024, load256(p + 32));
    y2 = fold256(y2, k1024, load256(p + 64));
    y3 = fold256(y3, k1024, load256(p + 96));
  }
  const __m256i k256 = multipliers256<256, 256>();
  __m256i acc = fold256(y0, k256, y1);
  acc = fold256(acc, k256, y2);
  acc = fold256(acc, k256, y3);
  for (; n >= 32; p += 32, n -= 32) acc = fold256(acc, k256, load256(p));
  // Lane 0 moves 128 bits onto lane 1.
  const __m256i k = multipliers256<128, 0>();
  const __m256i moved = _mm256_xor_si256(_mm256_clmulepi64_epi128(acc, k, 0x00),
                                         _mm256_clmulepi64_epi128(acc, k, 0x11));
  const __m128i lane = _mm_xor_si128(_mm256_castsi256_si128(moved),
                                     _mm256_extracti128_si256(acc, 1));
  return finishClmul(lane, p, n);
}

VM_TARGET_VPCLMUL512 std::uint32_t updateVpclmul512(std::uint32_t reg,
                                                     std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  if (n < 256) return updatePclmul(reg, bytes);
  __m512i z0 = _mm512_xor_si512(load512(p), _mm512_maskz_set1_epi32(1, static_cast<int>(reg)));
  __m512i z1 = load512(p + 64), z2 = load512(p + 128), z3 = load512(p + 192);
  p += 256;
  n -= 256;
  const __m512i k2048 = multipliers512<2048, 2048, 2048, 2048>();
  for (; n >= 256; p += 256, n -= 256) {
    z0 = fold512(z0, k2048, load512(p));
    z1 = fold512(z1, k2048, load512(p + 64));
    z2 = fold512(z2, k2048, load512(p + 128));
    z3 = fold512(z3, k2048, load512(p + 192));
  }
  const __m512i k512 = multipliers512<512, 512, 512, 512>();
  __m512i acc = fold512(z0, k512, z1);
  acc = fold512(acc, k512, z2);
  acc = fold512(acc, k512, z3);
  for (; n >= 64; p += 64, n -= 64) acc = fold512(acc, k512, load512(p));
  // Lanes 0..2 move 384, 256 and 128 bits onto lane 3, which stays as it is.
  const __m512i k = multipliers512<384, 256, 128, 0>();
  const __m512i moved =
      _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(acc, k, 0x00),
                                _mm512_clmulepi64_epi128(acc, k, 0x11),
                                _mm512_maskz_mov_epi64(0xC0, acc), 0x96);
  const __m256i half = _mm256_xor_si256(_mm512_maskz_extracti64x4_epi64(0xF, moved, 0),
                                        _mm512_maskz_extracti64x4_epi64(0xF, moved, 1));
  const __m128i lane =
      _mm_xor_si128(_mm256_castsi256_si128(half), _mm256_extracti128_si256(half, 1));
  return finishClmul(lane, p, n);
}

}  // namespace vm::crc32impl
#endif
