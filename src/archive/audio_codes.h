#pragma once
// A wider, flatter lookup over one audio channel's Huffman table, for the bulk multimedia loop.
//
// HuffmanTable answers codes of up to 10 bits from its quick table, in a packed 16-bit entry. The
// audio loop wants fewer steps per code: this table answers every code of up to kBits bits with
// one load, and an entry whose length field is 0 sends the caller back to HuffmanTable::decode,
// which stays the one statement of the format's rule. Entries are derived from that rule: a slot
// of kBits bits gets the answer for its lowest 16-bit window, which holds for the whole slot when
// the length is at most kBits (see HuffmanTable's quick table).
//
// Entry layout (16 bits): bits 0..5 code length (0: longer than kBits), bits 6..14 symbol 0..256.
// The length sits in the bits a 64-bit shift by the entry reads, so the bit buffer advances by
// the entry itself; 4 KiB per channel keeps four channels' tables in the first-level cache.

#include <array>
#include <cstdint>

#include "archive/huffman_table.h"

namespace vm {

class AudioCodeTable {
 public:
  static constexpr unsigned kBits = 11;

  void build(const HuffmanTable& table) noexcept;

  // window: the next 16 input bits, first bit in bit 15.
  std::uint32_t entry(std::uint32_t window) const noexcept { return entries_[window >> (16 - kBits)]; }

  static constexpr std::uint32_t length(std::uint32_t entry) noexcept { return entry & 63; }
  static constexpr std::uint32_t symbol(std::uint32_t entry) noexcept { return entry >> 6; }

 private:
  std::array<std::uint16_t, 1u << kBits> entries_{};
};

}  // namespace vm
