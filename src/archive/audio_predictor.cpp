#include "archive/audio_predictor.h"

#include <algorithm>
#include <cstring>

#include <emmintrin.h>

namespace vm {
namespace {

// Sixteen samples per vector. 16-bit lanes are exact: a term is at most |E| + |T| <= 1024 + 255,
// and a whole period's sum, at most 32 * 1279 = 40928, still fits 16 unsigned bits, so lanes may
// be added in any order, wrapping modulo 2^16 on the way.
using Lanes = std::int16_t __attribute__((vector_size(32)));
using Sums = std::uint16_t __attribute__((vector_size(32)));

// Vectors pass by reference: these helpers are compiled for two instruction sets, and 32-byte
// vectors by value would have a different calling convention in each.
[[gnu::always_inline]] inline void load(Lanes& v, const std::int16_t* p) noexcept {
  std::memcpy(&v, p, sizeof v);
}

[[gnu::always_inline]] inline void addAbs(Sums& acc, const Lanes& x) noexcept {
  const Lanes sign = x >> 15;
  acc += __builtin_bit_cast(Sums, static_cast<Lanes>((x ^ sign) - sign));
}

// Lane totals of eight vectors, total i in lane i: pairs of vectors are interleaved and added
// until each lane holds one vector's total.
[[gnu::always_inline]] inline __m128i totals8(const __m128i* v) noexcept {
  __m128i s[4];
  for (int i = 0; i < 4; ++i)
    s[i] = _mm_add_epi16(_mm_unpacklo_epi16(v[2 * i], v[2 * i + 1]),
                         _mm_unpackhi_epi16(v[2 * i], v[2 * i + 1]));
  const __m128i t0 = _mm_add_epi16(_mm_unpacklo_epi32(s[0], s[1]), _mm_unpackhi_epi32(s[0], s[1]));
  const __m128i t1 = _mm_add_epi16(_mm_unpacklo_epi32(s[2], s[3]), _mm_unpackhi_epi32(s[2], s[3]));
  return _mm_add_epi16(_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1));
}

// The eleven sums of a period record (see AudioPredictor's layout) into out[0..10].
[[gnu::always_inline]] inline void errorSums(const std::int16_t* history, const std::int16_t* channelDeltas,
                                             const std::int16_t* coded, std::uint16_t* out) noexcept {
  Sums acc[11] = {};
#pragma GCC unroll 2
  for (unsigned q = 0; q < 32; q += 16) {
    const std::int16_t* h = history + q;
    Lanes l1, l2, l3, l4, cd, c;
    load(l1, h - 1);
    load(l2, h - 2);
    load(l3, h - 3);
    load(l4, h - 4);
    load(cd, channelDeltas + q);
    load(c, coded + q);
    const Lanes terms[5] = {l1, l1 - l2, l2 - l3, l3 - l4, cd};
    // The coded symbol as a signed byte, times 8: move it to the top byte, shift back arithmetically.
    const Lanes e = (c << 8) >> 5;
    addAbs(acc[0], e);
#pragma GCC unroll 5
    for (unsigned t = 0; t < 5; ++t) {
      addAbs(acc[2 * t + 1], e - terms[t]);
      addAbs(acc[2 * t + 2], e + terms[t]);
    }
  }
  __m128i halves[16];
#pragma GCC unroll 11
  for (unsigned i = 0; i < 11; ++i) {
    __m128i lo, hi;
    std::memcpy(&lo, &acc[i], 16);
    std::memcpy(&hi, reinterpret_cast<const char*>(&acc[i]) + 16, 16);
    halves[i] = _mm_add_epi16(lo, hi);
  }
  for (unsigned i = 11; i < 16; ++i) halves[i] = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), totals8(halves));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), totals8(halves + 8));
}

using ErrorSumsFn = void (*)(const std::int16_t*, const std::int16_t*, const std::int16_t*,
                             std::uint16_t*) noexcept;

void errorSumsBaseline(const std::int16_t* h, const std::int16_t* cd, const std::int16_t* c,
                       std::uint16_t* out) noexcept {
  errorSums(h, cd, c, out);
}

// The same code with 256-bit vectors where the processor has them.
[[gnu::target("avx2")]] void errorSumsAvx2(const std::int16_t* h, const std::int16_t* cd,
                                           const std::int16_t* c, std::uint16_t* out) noexcept {
  errorSums(h, cd, c, out);
}

ErrorSumsFn pickErrorSums() noexcept {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? errorSumsAvx2 : errorSumsBaseline;
}

const ErrorSumsFn kErrorSums = pickErrorSums();

}  // namespace

std::array<std::uint32_t, 11> AudioPredictor::periodErrorSums() const noexcept {
  alignas(16) std::uint16_t totals[16];
  kErrorSums(record_.data() + kHistory, record_.data() + kChannelDeltas, record_.data() + kCoded,
             totals);
  std::array<std::uint32_t, 11> sums{};
  std::copy_n(totals, 11, sums.begin());
  return sums;
}

void AudioPredictor::endPeriod() noexcept {
  const std::array<std::uint32_t, 11> sums = periodErrorSums();
  // Keys sum << 4 | index: the smallest key is the smallest sum and, among equal sums, the lowest
  // index, as the format breaks ties.
  std::uint32_t best = sums[0] << 4;
  for (unsigned i = 1; i < 11; ++i) best = std::min(best, sums[i] << 4 | i);
  const unsigned index = best & 0xF;
  if (index != 0) {
    // Odd winners mean the term works against the error: lower its weight; even: raise it.
    std::int32_t& k = k_[(index - 1) / 2];
    if (index % 2 == 1 && k >= -16) --k;
    if (index % 2 == 0 && k < 16) ++k;
  }
  // The period's last four deltas are the history of the next one.
  std::copy_n(record_.begin() + kHistory + kPeriod - 4, 4, record_.begin());
  fill_ = 0;
}

}  // namespace vm
