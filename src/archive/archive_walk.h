#pragma once
// The block walk shared by the archive requests: the marker and main header, then one block at a
// time as if every block were a file header (32 fixed bytes, the name right after them).
//
// Every read stays inside the blob. A step ends the walk when fewer than 32 bytes remain or a header
// claims fewer than 7 bytes; blocks of types other than file (0x74) and sub-block (0x77) are
// passed over. Positions beyond the blob are clamped to its size, so the next step ends the walk.

#include <cstdint>
#include <string_view>

#include "archive/media_blob.h"

namespace vm::archive {

inline constexpr std::uint16_t kFileEncrypted = 0x0004;
inline constexpr std::uint16_t kFileSolid = 0x0010;
inline constexpr std::uint16_t kFileDirectoryMask = 0x00E0;  // all three dictionary bits
inline constexpr std::uint16_t kLongBlock = 0x8000;          // packed data follow the header
inline constexpr std::uint8_t kMethodStored = 0x30;

// One file header as read; name points into the blob.
struct FileHeader {
  std::uint32_t blockStart = 0;
  std::uint32_t nextPosition = 0;  // start of the next block, clamped to the blob size
  std::uint16_t flags = 0;
  std::uint16_t headerSize = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t unpackedSize = 0;
  std::uint8_t hostOs = 0;
  std::uint32_t crc = 0;
  std::uint32_t fileTime = 0;
  std::uint8_t unpackVersion = 0;
  std::uint8_t method = 0;
  std::uint32_t attributes = 0;
  std::string_view name;  // cut at 259 bytes or at a NUL, whichever comes first

  // The packed data follow the whole header (which may hold more than the name).
  std::uint64_t dataStart() const noexcept { return std::uint64_t{blockStart} + headerSize; }
};

enum class WalkStep {
  File,       // a file header was read; the cursor stands right after its 32 fixed bytes
  End,        // the blocks ran out
  SubBlock,   // a 0x77 block: the search ends here
  BadHeader,  // a file header whose name does not fit in the header or the blob
};

class BlockWalker {
 public:
  explicit BlockWalker(MediaBlob& blob) noexcept : blob_(blob) {}

  // Sets the cursor to 0, checks the marker ("Rar!\x1A\x07\x00" or "Qorvex!") and reads the main
  // header, leaving the cursor at the first block. False when either is missing or cut short.
  bool start(bool& solidArchive) noexcept;

  WalkStep next(FileHeader& out) noexcept;

  // After next() returned End: whether the archive ended where an archive may end, on its last
  // byte or on an end-of-archive block (type 0x7B), rather than inside a header.
  bool endedCleanly() const noexcept { return cleanEnd_; }

  // Moves the cursor to the block after h.
  void skip(const FileHeader& h) noexcept { blob_.position = h.nextPosition; }

  // The packed data of h, or empty with false when they run past the blob.
  bool packedData(const FileHeader& h, const std::uint8_t*& data) const noexcept;

 private:
  MediaBlob& blob_;
  bool cleanEnd_ = false;
};

}  // namespace vm::archive
