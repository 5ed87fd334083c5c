#pragma once
// Turns the packed data of one file entry into its bytes: the unpack-version check, decryption of
// flagged entries, the copy of stored entries and the decompressor for the others. One instance
// serves one request and carries the solid stream from entry to entry.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "archive/archive_walk.h"
#include "archive/rar20_unpacker.h"

namespace vm::archive {

class EntryDecoder {
 public:
  // Results of decode(); 0 = the entry's data were processed.
  static constexpr int kOk = 0;
  static constexpr int kBadVersion = -1;  // unpack version outside 13..20
  static constexpr int kCutShort = -2;    // packed data run past the archive's end

  // password: null or empty for none; used up to 255 bytes. Wiped on destruction.
  explicit EntryDecoder(const char* password) noexcept;
  ~EntryDecoder();
  EntryDecoder(const EntryDecoder&) = delete;
  EntryDecoder& operator=(const EntryDecoder&) = delete;

  // Allocates the decompressor's window; false when memory is short.
  bool init() noexcept;

  // Whether h's unpacked size is one its packed data could produce: a stored entry cannot grow and a
  // compressed bit decodes to at most 260 bytes. A buffer of that size is only allocated when true.
  static bool plausibleSize(const FileHeader& h) noexcept;

  // Processes h's data, handing its bytes to sink in order: a stored entry in one piece (inside the
  // archive, or inside this decoder's scratch when decrypted), a compressed one in pieces as it is
  // decoded. sink is null when the bytes only carry a solid stream forward; a stored entry is then
  // not even read. produced: the bytes handed over.
  int decode(const BlockWalker& walker, const FileHeader& h, UnpackSink* sink,
             std::uint32_t& produced);
  // The same into output, a buffer of h.unpackedSize bytes (or null).
  int decode(const BlockWalker& walker, const FileHeader& h, std::uint8_t* output,
             std::uint32_t& produced);

  // After a decode with a sink or an output: CRC-32 of the bytes handed over, computed while they
  // were still in the cache.
  std::uint32_t crc() const noexcept { return crc_; }

 private:
  std::span<const std::uint8_t> entryData(std::span<const std::uint8_t> raw, bool decrypt);

  std::array<char, 256> password_{};
  std::size_t passwordSize_ = 0;
  std::unique_ptr<Rar20Unpacker> unpacker_;
  std::vector<std::uint8_t> scratch_;
  std::uint32_t crc_ = 0;
};

}  // namespace vm::archive
