#include "archive/crc32.h"
#include "archive/crc32_kernels.h"

namespace vm {
namespace {

// Slicing-by-16: table k maps a byte that still has k further bytes to travel through the register,
// so sixteen input bytes fold in with sixteen lookups and no serial dependency between them.
constexpr std::size_t kSlices = 16;
using SliceTables = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr SliceTables buildTables() {
  SliceTables t{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t c = b;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[0][b] = c;
  }
  for (std::size_t k = 1; k < kSlices; ++k)
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

std::uint32_t crc32impl::updateSlicing(std::uint32_t reg,
                                       std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  while (n >= 16) {
    const std::uint32_t w0 = load32le(p) ^ reg;
    const std::uint32_t w1 = load32le(p + 4);
    const std::uint32_t w2 = load32le(p + 8);
    const std::uint32_t w3 = load32le(p + 12);
    reg = kTables[15][w0 & 0xFF] ^ kTables[14][(w0 >> 8) & 0xFF] ^ kTables[13][(w0 >> 16) & 0xFF] ^
          kTables[12][w0 >> 24] ^ kTables[11][w1 & 0xFF] ^ kTables[10][(w1 >> 8) & 0xFF] ^
          kTables[9][(w1 >> 16) & 0xFF] ^ kTables[8][w1 >> 24] ^ kTables[7][w2 & 0xFF] ^
          kTables[6][(w2 >> 8) & 0xFF] ^ kTables[5][(w2 >> 16) & 0xFF] ^ kTables[4][w2 >> 24] ^
          kTables[3][w3 & 0xFF] ^ kTables[2][(w3 >> 8) & 0xFF] ^ kTables[1][(w3 >> 16) & 0xFF] ^
          kTables[0][w3 >> 24];
    p += 16;
    n -= 16;
  }
  while (n-- > 0) reg = (reg >> 8) ^ kTables[0][(reg ^ *p++) & 0xFF];
  return reg;
}

}  // namespace vm
