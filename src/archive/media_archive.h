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
#include <memory>

#include "archive/media_blob.h"

namespace vm {

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
};

// Owning handle for a buffer from extractFile.
struct MediaFileDeleter {
  void operator()(std::uint8_t* p) const noexcept { MediaArchive::releaseFile(p); }
};
using MediaFile = std::unique_ptr<std::uint8_t[], MediaFileDeleter>;

}  // namespace vm
