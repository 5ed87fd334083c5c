#include "archive/huffman_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vm {
namespace {

// The format's decoding rule written out plainly: limits, positions, a sorted symbol list and a
// linear length search. The table under test must give the same symbol and length for every
// 16-bit window, including for length sets no encoder would send.
HuffmanTable::Result referenceDecode(const std::vector<std::uint8_t>& lengths, std::uint32_t w) {
  std::uint32_t count[16] = {}, limit[16] = {}, pos[16] = {};
  for (std::uint8_t l : lengths) ++count[l & 15];
  count[0] = 0;
  std::uint32_t n = 0;
  for (unsigned i = 1; i < 16; ++i) {
    n = 2 * (n + count[i]);
    limit[i] = std::min<std::uint32_t>(n << (15 - i), 0xFFFF);
    pos[i] = pos[i - 1] + count[i - 1];
  }
  std::vector<std::uint16_t> symbols(lengths.size(), 0);
  std::uint32_t next[16];
  std::copy(pos, pos + 16, next);
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] & 15) symbols[next[lengths[s] & 15]++] = static_cast<std::uint16_t>(s);
  const std::uint32_t b = w & 0xFFFE;
  unsigned len = 15;
  for (unsigned i = 1; i < 15; ++i)
    if (b < limit[i]) {
      len = i;
      break;
    }
  std::uint32_t index = pos[len] + ((b - limit[len - 1]) >> (16 - len));
  if (index >= lengths.size()) index = 0;
  return {symbols[index], static_cast<std::uint8_t>(len)};
}

TEST(HuffmanTable, QuickTableAgreesWithTheRuleForEveryWindow) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> lengths;
  };
  std::vector<std::uint8_t> random(298);
  std::uint32_t x = 7;
  for (auto& l : random) l = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 27);
  std::vector<std::uint8_t> deflateLike(298, 9);  // complete: 2 of 1..7 bits would not fit 298
  std::fill(deflateLike.begin(), deflateLike.begin() + 144, 8);
  std::vector<std::uint8_t> skewed(298, 0);  // complete and deep: 1, 2, ..., 14, 15, 15
  for (unsigned i = 0; i < 15; ++i) skewed[i * 3] = static_cast<std::uint8_t>(i + 1);
  skewed[50] = 15;
  const Case cases[] = {
      {"flat 9 bits", std::vector<std::uint8_t>(298, 9)},
      {"two lengths", deflateLike},
      {"one symbol per length down to 15", skewed},
      {"all absent", std::vector<std::uint8_t>(298, 0)},
      {"single one-bit code", [] { std::vector<std::uint8_t> v(19, 0); v[5] = 1; return v; }()},
      {"over-full", std::vector<std::uint8_t>(48, 2)},
      {"random lengths", random},
  };
  for (const Case& c : cases) {
    HuffmanTable t;
    t.build(c.lengths);
    for (std::uint32_t w = 0; w < 0x10000; ++w) {
      const HuffmanTable::Result got = t.decode(w);
      const HuffmanTable::Result want = referenceDecode(c.lengths, w);
      ASSERT_EQ(got.symbol, want.symbol) << c.name << " window " << w;
      ASSERT_EQ(got.length, want.length) << c.name << " window " << w;
    }
  }
}

}  // namespace
}  // namespace vm
