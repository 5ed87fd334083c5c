#include "archive/audio_predictor.h"

#include <algorithm>
#include <cstring>

#include <immintrin.h>

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
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i)
    s[i] = _mm_add_epi16(_mm_unpacklo_epi16(v[2 * i], v[2 * i + 1]),
                         _mm_unpackhi_epi16(v[2 * i], v[2 * i + 1]));
  const __m128i t0 = _mm_add_epi16(_mm_unpacklo_epi32(s[0], s[1]), _mm_unpackhi_epi32(s[0], s[1]));
  const __m128i t1 = _mm_add_epi16(_mm_unpacklo_epi32(s[2], s[3]), _mm_unpackhi_epi32(s[2], s[3]));
  return _mm_add_epi16(_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1));
}

// The eleven sums of a period record (see AudioPredictor's layout) into out[0..10].
[[gnu::always_inline]] inline void errorSums(const std::int16_t* history, const std::int16_t* channelDeltas,
                                             const std::int16_t* coded, __m128i& low,
                                             __m128i& high) noexcept {
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
  low = totals8(halves);       // sums 0..7
  high = totals8(halves + 8);  // sums 8..10, then zeros
}

using Record = const std::int16_t*;

void errorSumsBaseline(Record h, Record cd, Record c, std::uint16_t* out) noexcept {
  __m128i low, high;
  errorSums(h, cd, c, low, high);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), high);
}

// Index of the smallest sum, the lowest index winning ties, as the format breaks them: keys
// sum << 4 | index order exactly so.
unsigned smallestOf(const std::uint16_t* sums) noexcept {
  std::uint32_t best = std::uint32_t{sums[0]} << 4;
  for (unsigned i = 1; i < 11; ++i) best = std::min(best, std::uint32_t{sums[i]} << 4 | i);
  return best & 0xF;
}

unsigned winnerBaseline(Record h, Record cd, Record c) noexcept {
  alignas(16) std::uint16_t sums[16];
  errorSumsBaseline(h, cd, c, sums);
  return smallestOf(sums);
}

// With AVX2: 256-bit vectors, and the smallest sum found by PHMINPOSUW, which also yields the
// lowest index among equal minima.
[[gnu::target("avx2")]] void errorTotalsAvx2(Record h, Record cd, Record c, __m128i& low,
                                             __m128i& high) noexcept;

[[gnu::target("avx2")]] void errorSumsAvx2(Record h, Record cd, Record c, std::uint16_t* out) noexcept {
  __m128i low, high;
  errorTotalsAvx2(h, cd, c, low, high);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), high);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i at(Record p) noexcept {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The two 128-bit halves of v added.
[[gnu::target("avx2"), gnu::always_inline]] inline __m128i fold(__m256i v) noexcept {
  return _mm_add_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

// The eleven sums, each over both halves of the period at once, reduced to lanes as above.
[[gnu::target("avx2")]] void errorTotalsAvx2(Record h, Record cd, Record c, __m128i& low,
                                             __m128i& high) noexcept {
  // Samples 0..15 and 16..31: E = (coded as a signed byte) * 8, and the five terms.
  __m256i e[2], t[5][2];
#pragma GCC unroll 2
  for (int q = 0; q < 2; ++q) {
    const __m256i l1 = at(h + 16 * q - 1), l2 = at(h + 16 * q - 2), l3 = at(h + 16 * q - 3),
                  l4 = at(h + 16 * q - 4);
    e[q] = _mm256_srai_epi16(_mm256_slli_epi16(at(c + 16 * q), 8), 5);
    t[0][q] = l1;
    t[1][q] = _mm256_sub_epi16(l1, l2);
    t[2][q] = _mm256_sub_epi16(l2, l3);
    t[3][q] = _mm256_sub_epi16(l3, l4);
    t[4][q] = at(cd + 16 * q);
  }
  __m128i halves[16];
  halves[0] = fold(_mm256_add_epi16(_mm256_abs_epi16(e[0]), _mm256_abs_epi16(e[1])));
#pragma GCC unroll 5
  for (int k = 0; k < 5; ++k) {
    halves[2 * k + 1] = fold(_mm256_add_epi16(_mm256_abs_epi16(_mm256_sub_epi16(e[0], t[k][0])),
                                              _mm256_abs_epi16(_mm256_sub_epi16(e[1], t[k][1]))));
    halves[2 * k + 2] = fold(_mm256_add_epi16(_mm256_abs_epi16(_mm256_add_epi16(e[0], t[k][0])),
                                              _mm256_abs_epi16(_mm256_add_epi16(e[1], t[k][1]))));
  }
#pragma GCC unroll 5
  for (int i = 11; i < 16; ++i) halves[i] = _mm_setzero_si128();
  low = totals8(halves);
  high = totals8(halves + 8);
}

[[gnu::target("avx2")]] unsigned winnerAvx2(Record h, Record cd, Record c) noexcept {
  __m128i low, high;
  errorTotalsAvx2(h, cd, c, low, high);
  // Lanes 3..7 of high hold no sum: make them lose.
  high = _mm_or_si128(high, _mm_setr_epi16(0, 0, 0, -1, -1, -1, -1, -1));
  const auto lo = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_minpos_epu16(low)));
  const auto hi = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_minpos_epu16(high)));
  // value in bits 0..15, index in bits 16..18; on equal values the lower vector wins
  return (hi & 0xFFFF) < (lo & 0xFFFF) ? 8 + (hi >> 16) : lo >> 16;
}

struct Kernels {
  void (*sums)(Record, Record, Record, std::uint16_t*) noexcept;
  unsigned (*winner)(Record, Record, Record) noexcept;
};

Kernels pickKernels() noexcept {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return {errorSumsAvx2, winnerAvx2};
  return {errorSumsBaseline, winnerBaseline};
}

Kernels kKernels = pickKernels();

}  // namespace

void AudioPredictor::usePortableKernels(bool portable) noexcept {
  kKernels = portable ? Kernels{errorSumsBaseline, winnerBaseline} : pickKernels();
}

std::array<std::uint32_t, 11> AudioPredictor::periodErrorSums() const noexcept {
  alignas(16) std::uint16_t totals[16];
  kKernels.sums(record_.data() + kHistory, record_.data() + kChannelDeltas, record_.data() + kCoded,
                totals);
  std::array<std::uint32_t, 11> sums{};
  std::copy_n(totals, 11, sums.begin());
  return sums;
}

void AudioPredictor::endPeriod() noexcept {
  const unsigned index = kKernels.winner(record_.data() + kHistory, record_.data() + kChannelDeltas,
                                         record_.data() + kCoded);
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
