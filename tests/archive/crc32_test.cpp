#include "archive/crc32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace vm {
namespace {

std::span<const std::uint8_t> bytesOf(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Bit-at-a-time reference, independent of the table code.
std::uint32_t referenceCrc(std::span<const std::uint8_t> bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
  }
  return ~c;
}

TEST(Crc32, KnownValues) {
  struct Case {
    const char* name;
    std::string_view input;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"empty", "", 0x00000000u},
      {"check string", "123456789", 0xCBF43926u},
      {"one byte", "a", 0xE8B7BE43u},
      {"pangram", "The quick brown fox jumps over the lazy dog", 0x414FA339u},
  };
  for (const Case& c : cases) EXPECT_EQ(crc32(bytesOf(c.input)), c.expected) << c.name;
  EXPECT_EQ(crc32Table()[1], 0x77073096u);
  EXPECT_EQ(crc32Table()[255], 0x2D02EF8Du);
}

// The sixteen-byte fast loop and the byte tail must agree with the reference for every length and
// alignment, and a checksum continued across split points must equal the one-shot value.
TEST(Crc32, SlicedLoopMatchesReferenceAtEveryLengthAndOffset) {
  std::vector<std::uint8_t> data(300);
  std::uint32_t x = 12345;
  for (auto& b : data) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  for (std::size_t off = 0; off < 16; ++off) {
    for (std::size_t len = 0; len + off <= 64; ++len) {
      const std::span<const std::uint8_t> s(data.data() + off, len);
      ASSERT_EQ(crc32(s), referenceCrc(s)) << "off " << off << " len " << len;
    }
  }
  const std::span<const std::uint8_t> all(data);
  for (std::size_t split : {0u, 1u, 7u, 8u, 9u, 150u, 299u, 300u}) {
    const std::uint32_t reg = crc32Update(0xFFFFFFFFu, all.first(split));
    EXPECT_EQ(~crc32Update(reg, all.subspan(split)), referenceCrc(all)) << "split " << split;
  }
}

}  // namespace
}  // namespace vm
