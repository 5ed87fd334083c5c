#include "archive/rar20_cipher.h"

#include <algorithm>
#include <bit>

#include "archive/crc32.h"

namespace vm {
namespace {

constexpr std::array<std::uint32_t, 4> kStartKey = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u,
                                                    0xA4E7F123u};

// The published start permutation of the substitution table.
constexpr std::array<std::uint8_t, 256> kStartSubst = {
    215, 19,  149, 35,  73,  197, 192, 205, 249, 28,  16,  119, 48,  221, 2,   42,
    232, 1,   177, 233, 14,  88,  219, 25,  223, 195, 244, 90,  87,  239, 153, 137,
    255, 199, 147, 70,  92,  66,  246, 13,  216, 40,  62,  29,  217, 230, 86,  6,
    71,  24,  171, 196, 101, 113, 218, 123, 93,  91,  163, 178, 202, 67,  44,  235,
    107, 250, 75,  234, 49,  167, 125, 211, 83,  114, 157, 144, 32,  193, 143, 36,
    158, 124, 247, 187, 89,  214, 141, 47,  121, 228, 61,  130, 213, 194, 174, 251,
    97,  110, 54,  229, 115, 57,  152, 94,  105, 243, 212, 55,  209, 245, 63,  11,
    164, 200, 31,  156, 81,  176, 227, 21,  76,  99,  139, 188, 127, 17,  248, 51,
    207, 120, 189, 210, 8,   226, 41,  72,  183, 203, 135, 165, 166, 60,  98,  7,
    122, 38,  155, 170, 69,  172, 252, 238, 39,  134, 59,  128, 236, 27,  240, 80,
    131, 3,   85,  206, 145, 79,  154, 142, 159, 220, 201, 133, 74,  64,  20,  129,
    224, 185, 138, 103, 173, 182, 43,  34,  254, 82,  198, 151, 231, 180, 58,  10,
    118, 26,  102, 12,  50,  132, 22,  191, 136, 111, 162, 179, 45,  4,   148, 108,
    161, 56,  78,  126, 242, 222, 15,  175, 146, 23,  33,  241, 181, 190, 77,  225,
    0,   46,  169, 186, 68,  95,  237, 65,  53,  208, 253, 168, 9,   18,  100, 52,
    116, 184, 160, 96,  109, 37,  30,  106, 140, 104, 150, 5,   204, 117, 112, 84};

constexpr int kRounds = 32;

std::uint32_t load32le(const std::uint8_t* p) noexcept {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

void store32le(std::uint8_t* p, std::uint32_t v) noexcept {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace

void Rar20Cipher::wipe() noexcept {
  key_ = kStartKey;
  subst_ = kStartSubst;
}

std::uint32_t Rar20Cipher::substitute(std::uint32_t x) const noexcept {
  return std::uint32_t{subst_[x & 0xFF]} | std::uint32_t{subst_[(x >> 8) & 0xFF]} << 8 |
         std::uint32_t{subst_[(x >> 16) & 0xFF]} << 16 | std::uint32_t{subst_[x >> 24]} << 24;
}

void Rar20Cipher::updateKeys(const std::uint8_t* block) noexcept {
  const auto& crc = crc32Table();
  for (std::size_t n = 0; n < kBlockSize; ++n) key_[n & 3] ^= crc[block[n]];
}

void Rar20Cipher::setPassword(std::string_view password) noexcept {
  wipe();
  // Zero-padded so the pairwise walk below may read one byte past an odd-length password.
  std::array<std::uint8_t, 256> buf{};
  const std::size_t len = std::min(password.size(), kMaxPasswordSize);
  for (std::size_t i = 0; i < len; ++i) buf[i] = static_cast<std::uint8_t>(password[i]);

  const auto& crc = crc32Table();
  for (unsigned j = 0; j < 256; ++j) {
    for (std::size_t i = 0; i < len; i += 2) {
      unsigned n1 = crc[(buf[i] - j) & 0xFF] & 0xFF;
      const unsigned n2 = crc[(buf[i + 1] + j) & 0xFF] & 0xFF;
      for (unsigned k = 1; n1 != n2; ++k) {
        std::swap(subst_[n1], subst_[(n1 + i + k) & 0xFF]);
        n1 = (n1 + 1) & 0xFF;
      }
    }
  }
  // len < 256 and i is a multiple of 16, so every block lies inside buf.
  for (std::size_t i = 0; i < len; i += kBlockSize)
    encryptBlock(std::span<std::uint8_t, kBlockSize>(buf.data() + i, kBlockSize));
  buf.fill(0);
}

void Rar20Cipher::encryptBlock(std::span<std::uint8_t, kBlockSize> block) noexcept {
  std::uint8_t* b = block.data();
  std::uint32_t a = load32le(b) ^ key_[0];
  std::uint32_t bb = load32le(b + 4) ^ key_[1];
  std::uint32_t c = load32le(b + 8) ^ key_[2];
  std::uint32_t d = load32le(b + 12) ^ key_[3];
  for (int i = 0; i < kRounds; ++i) {
    const std::uint32_t k = key_[static_cast<std::size_t>(i & 3)];
    const std::uint32_t ta = a ^ substitute((c + std::rotl(d, 11)) ^ k);
    const std::uint32_t tb = bb ^ substitute((d ^ std::rotl(c, 17)) + k);
    a = c;
    bb = d;
    c = ta;
    d = tb;
  }
  store32le(b, c ^ key_[0]);
  store32le(b + 4, d ^ key_[1]);
  store32le(b + 8, a ^ key_[2]);
  store32le(b + 12, bb ^ key_[3]);
  updateKeys(b);
}

void Rar20Cipher::decryptBlock(std::span<std::uint8_t, kBlockSize> block) noexcept {
  std::uint8_t* b = block.data();
  std::array<std::uint8_t, kBlockSize> cipherText;
  std::copy_n(b, kBlockSize, cipherText.begin());
  std::uint32_t a = load32le(b) ^ key_[0];
  std::uint32_t bb = load32le(b + 4) ^ key_[1];
  std::uint32_t c = load32le(b + 8) ^ key_[2];
  std::uint32_t d = load32le(b + 12) ^ key_[3];
  for (int i = kRounds - 1; i >= 0; --i) {
    const std::uint32_t k = key_[static_cast<std::size_t>(i & 3)];
    const std::uint32_t ta = a ^ substitute((c + std::rotl(d, 11)) ^ k);
    const std::uint32_t tb = bb ^ substitute((d ^ std::rotl(c, 17)) + k);
    a = c;
    bb = d;
    c = ta;
    d = tb;
  }
  store32le(b, c ^ key_[0]);
  store32le(b + 4, d ^ key_[1]);
  store32le(b + 8, a ^ key_[2]);
  store32le(b + 12, bb ^ key_[3]);
  updateKeys(cipherText.data());
}

std::size_t Rar20Cipher::encrypt(std::span<std::uint8_t> bytes) noexcept {
  const std::size_t whole = bytes.size() / kBlockSize * kBlockSize;
  for (std::size_t i = 0; i < whole; i += kBlockSize)
    encryptBlock(std::span<std::uint8_t, kBlockSize>(bytes.data() + i, kBlockSize));
  return whole;
}

std::size_t Rar20Cipher::decrypt(std::span<std::uint8_t> bytes) noexcept {
  const std::size_t whole = bytes.size() / kBlockSize * kBlockSize;
  for (std::size_t i = 0; i < whole; i += kBlockSize)
    decryptBlock(std::span<std::uint8_t, kBlockSize>(bytes.data() + i, kBlockSize));
  return whole;
}

void Rar20Cipher::decryptTail(std::span<std::uint8_t> tail) noexcept {
  std::array<std::uint8_t, kBlockSize> block{};
  const std::size_t n = std::min(tail.size(), kBlockSize);
  std::copy_n(tail.data(), n, block.begin());
  decryptBlock(block);
  std::copy_n(block.begin(), n, tail.data());
}

}  // namespace vm
