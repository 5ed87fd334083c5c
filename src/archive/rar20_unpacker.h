#pragma once
// Decoder of RAR 2.0 compressed entries (unpack versions 13..20): LZ77 over a 1 MiB window with
// Huffman-coded literals, lengths and distances, and the multimedia mode that codes byte deltas of
// up to four interleaved channels through adaptive predictors.
//
// One instance serves one extraction request. Entries of a solid archive are fed in archive order;
// a solid entry continues the window, the tables and the match history of the one before it, a
// non-solid entry starts from a cleared state.
//
// Untrusted input: any packed bytes decode without reading or writing out of bounds. Corrupt data
// yield wrong bytes (the caller's CRC check rejects them); data that run out stop decoding once more
// than kOverreadBytes of zero padding have been consumed, so a lying size cannot spin the decoder.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "archive/audio_codes.h"
#include "archive/audio_predictor.h"
#include "archive/bit_reader.h"
#include "archive/huffman_table.h"
#include "archive/huge_page_memory.h"

namespace vm {

// Receives an entry's decoded bytes in order, in pieces handed over while they are still in the
// cache. A piece is valid only during the call.
class UnpackSink {
 public:
  virtual void take(std::span<const std::uint8_t> bytes) noexcept = 0;

 protected:
  ~UnpackSink() = default;
};

// Copies into a caller's buffer, which must hold every byte that will be handed over.
class BufferSink final : public UnpackSink {
 public:
  explicit BufferSink(std::uint8_t* out) noexcept : out_(out) {}
  void take(std::span<const std::uint8_t> bytes) noexcept override {
    std::memcpy(out_, bytes.data(), bytes.size());
    out_ += bytes.size();
  }

 private:
  std::uint8_t* out_;
};

class Rar20Unpacker {
 public:
  // Matches reach at most kWindowSize back. The bytes live in a ring twice that size, so the half
  // ahead of the decoder is never read as history: copies may run past a match's end, and a match
  // needs no look at the ring's end unless its source lies before a wrap.
  static constexpr std::uint32_t kWindowSize = 0x100000;
  static constexpr std::uint32_t kRingSize = 2 * kWindowSize;
  static constexpr std::uint32_t kRingMask = kRingSize - 1;
  static constexpr std::size_t kOverreadBytes = 8;
  // Allocated beyond the ring for the bytes a copy may write past a match ending near it.
  static constexpr std::uint32_t kRingSlack = 64;

  Rar20Unpacker() noexcept;
  Rar20Unpacker(const Rar20Unpacker&) = delete;
  Rar20Unpacker& operator=(const Rar20Unpacker&) = delete;

  // Allocates the window. False when memory is short; unpack must not be called then.
  bool init() noexcept;

  // Decodes one entry from packed and hands its bytes to sink, never more than unpackedSize in all;
  // sink is null for an entry decoded only to carry a solid stream forward. Returns the number of
  // bytes handed over; anything but unpackedSize means the data were cut short or overran their size.
  std::uint32_t unpack(std::span<const std::uint8_t> packed, std::uint32_t unpackedSize, bool solid,
                       UnpackSink* sink) noexcept;
  // The same into output, a buffer of unpackedSize bytes (or null).
  std::uint32_t unpack(std::span<const std::uint8_t> packed, std::uint32_t unpackedSize, bool solid,
                       std::uint8_t* output) noexcept;

  // CRC-32 of the bytes the last unpack handed over, computed as they were handed over.
  std::uint32_t outputCrc() const noexcept { return ~crc_; }

 private:
  void reset() noexcept;
  // Takes and returns the reader by value so the decode loop's reader never has its address taken
  // and stays in registers across window stores.
  BitReader readTables(BitReader in) noexcept;
  // Hands window bytes [writePos_, upTo) to the sink; false on overrun (nothing handed over).
  bool flush(std::uint32_t upTo) noexcept;
  // Audio bytes of a C-channel block in one run (see audio_run.h): from curChannel_ on, while
  // the bytes fit before the window end, the next flush and the end of the entry, and while the
  // input holds 8 bytes; stops after a table switch. Returns with curChannel_ and the predictors
  // updated; progress tells whether any symbol was consumed.
  template <unsigned C>
  BitReader audioRun(BitReader in, std::uint32_t& pos, std::int64_t& remaining,
                     bool& progress) noexcept;
  // Copies a match inside the ring w; returns the position after the copied bytes (not yet
  // wrapped). distance is the format's, 0..kWindowSize (0 reads as kWindowSize).
  static std::uint32_t copyMatch(std::uint8_t* w, std::uint32_t pos, std::uint32_t length,
                                 std::uint32_t distance) noexcept;

  // The last four distances, the last match and where the next distance goes.
  struct LzHistory {
    std::array<std::uint32_t, 4> oldDist{};
    std::uint32_t oldDistIndex = 0;  // counts up without bound; used modulo 4
    std::uint32_t lastDist = 0;
    std::uint32_t lastLength = 0;
  };
  struct Match {
    std::uint32_t length = 0;
    std::uint32_t distance = 0;
  };
  // Bytes one LZ step writes at most: a match of 224 + 31 + 2 + 3.
  static constexpr std::uint32_t kMaxStep = 260;

  // The rest of a match symbol after its code (>= 256, not 269): extra bits, the distance code, the
  // history; needs a refilled reader. Updates the history as the format does.
  Match decodeMatch(BitReader& in, std::uint32_t symbol, LzHistory& history) noexcept;
  // LZ steps from posRef while pos < end and the input holds 8 more bytes; stops before a table
  // switch. end must leave room for one step before the ring's end.
  BitReader lzRun(BitReader in, std::uint32_t& posRef, std::uint32_t end,
                  LzHistory& history) noexcept;

  // Fresh pages come zeroed without being touched, and a reset clears only what was used.
  HugePageMemory ring_;
  std::uint64_t writtenSinceClear_ = 0;
  std::uint32_t unpackPos_ = 0;
  std::uint32_t writePos_ = 0;

  UnpackSink* sink_ = nullptr;
  std::uint32_t outputSize_ = 0;
  std::uint32_t produced_ = 0;
  std::uint32_t crc_ = 0xFFFFFFFFu;  // running register over the output

  HuffmanTable ld_, dd_, rd_, bd_;
  std::array<HuffmanTable, 4> md_;
  std::array<std::uint8_t, 4 * 257> prevLengths_{};

  bool audio_ = false;
  std::uint32_t channels_ = 1;
  std::uint32_t curChannel_ = 0;
  std::int32_t channelDelta_ = 0;
  std::array<AudioPredictor, 4> predictors_{};
  std::array<AudioCodeTable, 4> audioCodes_{};  // md_ as the bulk audio loop reads it

  LzHistory history_;
};

}  // namespace vm
