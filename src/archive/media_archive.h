#pragma once
// Extraction of one named file from a RAR 2.0 archive held in a MediaBlob.
//
// Names match case-blind, with '\', '/' and '_' all treated alike ("lights.X" finds lights.x,
// "Digits/digit_0.jpg" finds Digits\digit_0.JPG). Stored and compressed entries are supported, solid
// archives are decoded from their first entry up to the requested one, encrypted entries (unpack
// version 20) are decrypted with the password, and the result must match the entry's CRC-32.
//
// The archive is untrusted: truncated or corrupt data fail the request, never read or write out of
// bounds, and cannot make the reader allocate more than the entry's packed data can decode to.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/media_blob.h"

namespace vm {

// One file entry's header as the archive lists it.
struct MediaEntryInfo {
  std::string name;  // as stored, a backslash between folders, cut to 259 bytes
  std::uint16_t flags = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t unpackedSize = 0;
  std::uint32_t crc = 0;  // CRC-32 of the unpacked bytes
  std::uint8_t hostOs = 0;
  std::uint32_t fileTime = 0;  // MS-DOS date and time
  std::uint8_t unpackVersion = 0;
  std::uint8_t method = 0;  // 0x30 stored, 0x31..0x35 compressed
  std::uint32_t attributes = 0;

  bool directory() const noexcept { return (flags & 0x00E0) == 0x00E0; }
  bool encrypted() const noexcept { return (flags & 0x0004) != 0; }
  bool solid() const noexcept { return (flags & 0x0010) != 0; }
};

// The outcome of one entry of extractAll.
enum class MediaEntryStatus {
  Ok = 0,
  CrcMismatch = -1,   // decoded, but the bytes are not the ones stored (or the password is wrong)
  Unsupported = -2,   // unpack version outside 13..20
  Damaged = -3,       // data cut short, or a size its packed data cannot produce
  OutOfMemory = -4,
};

class MediaArchive {
 public:
  // Longest entry name kept from an archive; longer names are cut to this.
  static constexpr std::size_t kMaxNameSize = 259;

  // name: the entry to find. password: null or empty for none; used up to 255 bytes and only for
  // encrypted entries. On success data holds a new buffer of exactly size bytes (the entry's unpacked
  // size, not terminated) that the caller releases with releaseFile; on failure data is null and
  // size 0. The blob's cursor is reset first and left where the search stopped.
  static bool extractFile(const char* name, MediaBlob& blob, const char* password,
                          std::uint8_t*& data, std::uint32_t& size) noexcept;

  static void releaseFile(std::uint8_t* data) noexcept;

  // Results of extractAll and listEntries.
  static constexpr int kOk = 0;
  static constexpr int kNotAnArchive = -1;   // marker or main header missing or cut short
  static constexpr int kBadBlock = -2;       // a file header that does not fit, or a 0x77 block
  static constexpr int kEntriesFailed = -3;  // at least one entry was reported failed
  static constexpr int kStopped = -4;        // the callback asked to stop
  static constexpr int kOutOfMemory = -5;

  // Called once per file entry, in archive order. bytes holds the entry's unpacked bytes when status
  // is Ok and is empty otherwise; it is valid only during the call. Return false to stop the walk.
  using EntryCallback =
      std::function<bool(const MediaEntryInfo& info, MediaEntryStatus status,
                         std::span<const std::uint8_t> bytes)>;

  // Extracts every entry in one pass: the blocks are walked once, every entry is decoded once (a
  // solid stream runs on from entry to entry) and checked against its CRC-32 before it is handed
  // on. The walk follows extractFile's rules (and bounds); a failed entry is reported and the walk
  // goes on, since later entries may still be whole. Returns kOk when every entry was Ok.
  static int extractAll(MediaBlob& blob, const char* password,
                        const EntryCallback& onEntry) noexcept;

  // Receives streamAll's entries while they are decoded, so no entry is ever held whole.
  class EntryStream {
   public:
    // An entry starts; false stops the walk.
    virtual bool begin(const MediaEntryInfo& info) = 0;
    // Its next bytes, in order, valid only during the call.
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // The entry ends: only with status Ok are the bytes written since begin the entry's true bytes;
    // otherwise they must be discarded (some, none or wrong ones may have been written). False
    // stops the walk.
    virtual bool end(const MediaEntryInfo& info, MediaEntryStatus status) = 0;

   protected:
    ~EntryStream() = default;
  };

  // extractAll without holding entries: every entry is walked, decoded and checked the same way,
  // its bytes are handed to stream as they are decoded and its status follows them. An exception
  // thrown by stream ends the walk with kOutOfMemory.
  static int streamAll(MediaBlob& blob, const char* password, EntryStream& stream) noexcept;

  // The file entries' headers in archive order, without decoding anything, and whether the archive
  // is solid. Returns kOk, or the failure that ended the walk (entries read before it are kept).
  static int listEntries(MediaBlob& blob, std::vector<MediaEntryInfo>& entries,
                         bool* solidArchive = nullptr) noexcept;
};

// Owning handle for a buffer from extractFile.
struct MediaFileDeleter {
  void operator()(std::uint8_t* p) const noexcept { MediaArchive::releaseFile(p); }
};
using MediaFile = std::unique_ptr<std::uint8_t[], MediaFileDeleter>;

}  // namespace vm
