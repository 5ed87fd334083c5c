#pragma once
// The block cipher of encrypted RAR 2.0 entries: 16-byte blocks, 32 rounds, a password-shuffled byte
// substitution and four key words that every processed block feeds back into (so blocks must be
// processed in stream order, and encryption and decryption keep their keys in step).
//
// Usage: setPassword once per entry, then encrypt or decrypt the packed data block by block.
// A password is used up to its first 255 bytes. Key material is wiped on destruction and by wipe().

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vm {

class Rar20Cipher {
 public:
  static constexpr std::size_t kBlockSize = 16;
  static constexpr std::size_t kMaxPasswordSize = 255;

  Rar20Cipher() noexcept { wipe(); }
  ~Rar20Cipher() { wipe(); }
  Rar20Cipher(const Rar20Cipher&) = delete;
  Rar20Cipher& operator=(const Rar20Cipher&) = delete;

  // Resets the keys and the substitution table, then runs the password schedule.
  void setPassword(std::string_view password) noexcept;

  void encryptBlock(std::span<std::uint8_t, kBlockSize> block) noexcept;
  void decryptBlock(std::span<std::uint8_t, kBlockSize> block) noexcept;

  // In place over every whole block of bytes; returns the number of bytes processed (a multiple of
  // 16). A trailing partial block is left untouched: see decryptTail.
  std::size_t encrypt(std::span<std::uint8_t> bytes) noexcept;
  std::size_t decrypt(std::span<std::uint8_t> bytes) noexcept;

  // Decrypts fewer than 16 trailing bytes as the head of a zero-padded block, writing only those
  // bytes. Stream data never ends mid-block when intact, so this only keeps a cut-short stream from
  // reaching past its buffer.
  void decryptTail(std::span<std::uint8_t> tail) noexcept;

  // Forgets the password schedule (keys and table back to their start values).
  void wipe() noexcept;

 private:
  std::uint32_t substitute(std::uint32_t x) const noexcept;
  void updateKeys(const std::uint8_t* block) noexcept;

  std::array<std::uint32_t, 4> key_{};
  std::array<std::uint8_t, 256> subst_{};
};

}  // namespace vm
