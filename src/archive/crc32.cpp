#include "archive/crc32.h"

#include <cstring>

namespace vm {
namespace {

// Slicing-by-8: table k maps a byte that still has k further bytes to travel through the register,
// so eight input bytes fold in with eight lookups and no serial dependency between them.
using SliceTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr SliceTables buildTables() {
  SliceTables t{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t c = b;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[0][b] = c;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t b = 0; b < 256; ++b) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFFu];
  return t;
}

constexpr SliceTables kTables = buildTables();

std::uint32_t load32le(const std::uint8_t* p) noexcept {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace

const std::array<std::uint32_t, 256>& crc32Table() noexcept { return kTables[0]; }

std::uint32_t crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  while (n >= 8) {
    const std::uint32_t lo = load32le(p) ^ reg;
    const std::uint32_t hi = load32le(p + 4);
    reg = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
          kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
          kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    p += 8;
    n -= 8;
  }
  while (n-- > 0) reg = (reg >> 8) ^ kTables[0][(reg ^ *p++) & 0xFF];
  return reg;
}

}  // namespace vm
