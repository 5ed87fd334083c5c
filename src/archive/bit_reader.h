#pragma once
// MSB-first bit reader over one entry's packed bytes, refilled 64 bits at a time.
//
// Past the end of the data it reads zero bits, as many as asked: the caller bounds its work with
// consumedBits(). The 64-bit buffer holds the next bits left-aligned; bits below count_ are either
// zero or the true next input bits, so a refill may OR the same byte in twice.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vm {

class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> data) noexcept
      : data_(data.data()), size_(data.size()) {}

  // Afterwards at least 56 bits are buffered.
  void refill() noexcept {
    if (!refillFast()) refillSlow();
  }

  // One unaligned 8-byte load; false (nothing done) within 8 bytes of the end of the data.
  bool refillFast() noexcept {
    if (next_ + 8 > size_) return false;
    std::uint64_t w;
    std::memcpy(&w, data_ + next_, 8);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
    buf_ |= w >> count_;
    next_ += (63 - count_) >> 3;
    count_ |= 56;
    return true;
  }

  // Byte by byte, reading zeros past the end.
  void refillSlow() noexcept {
    while (count_ <= 56) {
      const std::uint64_t b = next_ < size_ ? data_[next_] : 0;
      buf_ |= b << (56 - count_);
      ++next_;
      count_ += 8;
    }
  }

  // The buffer: the next bits from bit 63 down, count of them valid.
  std::uint64_t bits() const noexcept { return buf_; }

  // Next 16 bits, first bit in bit 15. Needs at least 16 buffered bits.
  std::uint32_t peek16() const noexcept { return static_cast<std::uint32_t>(buf_ >> 48); }

  void skip(unsigned n) noexcept {
    buf_ <<= n;
    count_ -= n;
  }
  // Skips the code of a table entry whose low 6 bits hold its length. On x86 the shift takes the
  // entry as it is, since the instruction masks its count to 6 bits itself.
  void skipEntry(std::uint32_t entry) noexcept {
#if defined(__x86_64__)
    asm("shlq %%cl, %0" : "+r"(buf_) : "c"(entry) : "cc");
#else
    buf_ <<= entry & 63;
#endif
    count_ -= entry & 63;
  }

  // n in 0..16; needs n buffered bits. Branch-free: n is often 0 and hard to predict.
  std::uint32_t take(unsigned n) noexcept {
    const auto v = static_cast<std::uint32_t>((buf_ >> 1) >> (63 - n));
    skip(n);
    return v;
  }

  // Bits consumed since the start, counting zero bits read past the end.
  std::uint64_t consumedBits() const noexcept { return std::uint64_t{next_} * 8 - count_; }
  std::size_t size() const noexcept { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t next_ = 0;   // index of the next byte to load (may run past size_)
  std::uint64_t buf_ = 0;
  unsigned count_ = 0;     // valid bits at the top of buf_
};

}  // namespace vm
