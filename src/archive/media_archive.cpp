#include "archive/media_archive.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/rar20_cipher.h"
#include "archive/rar20_unpacker.h"

namespace vm {
namespace {

constexpr std::array<std::uint8_t, 7> kRarMarker = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::array<std::uint8_t, 7> kAltMarker = {'Q', 'o', 'r', 'v', 'e', 'x', '!'};

constexpr std::uint32_t kMainHeaderSize = 13;
constexpr std::uint32_t kFileHeaderFixed = 32;
constexpr std::uint16_t kMainSolid = 0x0008;

constexpr std::uint8_t kTypeFile = 0x74;
constexpr std::uint8_t kTypeSubBlock = 0x77;  // ends the search
constexpr std::uint16_t kFileEncrypted = 0x0004;
constexpr std::uint16_t kFileSolid = 0x0010;
constexpr std::uint16_t kLongBlock = 0x8000;  // packed data follow the header

constexpr std::uint8_t kMethodStored = 0x30;
constexpr std::uint8_t kMinUnpackVersion = 13, kMaxUnpackVersion = 20;
constexpr std::uint8_t kCipherVersion = 20;

// One bit of packed data decodes to at most 260 bytes (the longest match, repeated by a one-bit
// code), so an entry claiming more than this is corrupt and gets no buffer of that size.
std::uint64_t maxUnpackedSize(std::uint64_t packedSize) {
  return (packedSize + Rar20Unpacker::kOverreadBytes) * 8 * 260;
}

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// Case-blind, separator-blind key: '\' and '/' become '_', ASCII letters upper case.
std::string nameKey(const char* s, std::size_t n) {
  std::string k(s, n);
  for (char& c : k) {
    if (c == '\\' || c == '/') c = '_';
    else if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return k;
}

void wipe(void* p, std::size_t n) {
  auto* v = static_cast<volatile std::uint8_t*>(p);
  while (n-- > 0) *v++ = 0;
}

// The request's own state; released on every exit path.
class Request {
 public:
  Request(MediaBlob& blob, const char* password) : blob_(blob) {
    if (password != nullptr) {
      passwordSize_ = strnlen(password, Rar20Cipher::kMaxPasswordSize);
      std::memcpy(password_.data(), password, passwordSize_);
    }
  }
  ~Request() { wipe(password_.data(), password_.size()); }

  bool run(const char* name, std::uint8_t*& data, std::uint32_t& size);

 private:
  bool readArchiveHeader(bool& solidArchive);
  // Packed bytes of an entry, decrypted into scratch_ when the entry is encrypted.
  std::span<const std::uint8_t> entryData(std::span<const std::uint8_t> raw, bool decrypt);

  MediaBlob& blob_;
  std::array<char, 256> password_{};
  std::size_t passwordSize_ = 0;
  std::vector<std::uint8_t> scratch_;
};

bool Request::readArchiveHeader(bool& solidArchive) {
  std::array<std::uint8_t, 7> marker{};
  if (blob_.read(marker.data(), 7) != 7) return false;
  if (marker != kRarMarker && marker != kAltMarker) return false;
  std::array<std::uint8_t, kMainHeaderSize> head{};
  if (blob_.read(head.data(), kMainHeaderSize) != kMainHeaderSize) return false;
  const std::uint16_t headerSize = le16(&head[5]);
  if (headerSize < kMainHeaderSize) return false;  // would step back into the header
  const std::uint64_t next = std::uint64_t{blob_.position} + (headerSize - kMainHeaderSize);
  blob_.position = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, blob_.size));
  solidArchive = (le16(&head[3]) & kMainSolid) != 0;
  return true;
}

std::span<const std::uint8_t> Request::entryData(std::span<const std::uint8_t> raw, bool decrypt) {
  if (!decrypt) return raw;
  // Decrypting a copy leaves the module's bytes untouched and keeps the last, padded cipher block
  // whole even when the unpacked size ends inside it.
  scratch_.assign(raw.begin(), raw.end());
  Rar20Cipher cipher;
  cipher.setPassword(std::string_view(password_.data(), passwordSize_));
  const std::size_t whole = cipher.decrypt(scratch_);
  if (whole < scratch_.size()) cipher.decryptTail(std::span(scratch_).subspan(whole));
  return scratch_;
}

bool Request::run(const char* name, std::uint8_t*& data, std::uint32_t& size) {
  if (name == nullptr) return false;
  const std::size_t nameLen = strnlen(name, MediaArchive::kMaxNameSize + 1);
  if (nameLen > MediaArchive::kMaxNameSize) return false;  // no entry name is that long
  const std::string wanted = nameKey(name, nameLen);

  blob_.position = 0;
  bool solidArchive = false;
  if (!readArchiveHeader(solidArchive)) return false;

  auto unpacker = std::unique_ptr<Rar20Unpacker>(new (std::nothrow) Rar20Unpacker);
  if (!unpacker || !unpacker->init()) return false;

  for (;;) {
    const std::uint32_t blockStart = blob_.position;
    std::array<std::uint8_t, kFileHeaderFixed> h{};
    if (blob_.read(h.data(), kFileHeaderFixed) != kFileHeaderFixed) return false;
    const std::uint8_t type = h[2];
    const std::uint16_t flags = le16(&h[3]);
    const std::uint16_t headerSize = le16(&h[5]);
    if (headerSize < 7) return false;
    const std::uint32_t packedSize = le32(&h[7]);
    const std::uint64_t next =
        std::uint64_t{blockStart} + headerSize + ((flags & kLongBlock) ? packedSize : 0);
    const auto nextPosition =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(next, blob_.size));

    if (type == kTypeSubBlock) return false;
    if (type != kTypeFile) {
      blob_.position = nextPosition;
      continue;
    }

    // The name and whatever the header carries after it (comments, extra fields) must fit inside
    // the header; the packed data start right after the header, not after the name.
    const std::uint16_t nameSize = le16(&h[26]);
    if (headerSize < kFileHeaderFixed + nameSize) return false;
    if (std::uint64_t{blockStart} + kFileHeaderFixed + nameSize > blob_.size) return false;
    const char* rawName = reinterpret_cast<const char*>(blob_.data + blockStart + kFileHeaderFixed);
    const std::size_t keptName =
        strnlen(rawName, std::min<std::size_t>(nameSize, MediaArchive::kMaxNameSize));
    const bool requested = nameKey(rawName, keptName) == wanted;

    if (!requested && !solidArchive) {
      blob_.position = nextPosition;
      continue;
    }

    const std::uint8_t unpackVersion = h[24];
    if (unpackVersion < kMinUnpackVersion || unpackVersion > kMaxUnpackVersion) return false;
    const std::uint64_t dataStart = std::uint64_t{blockStart} + headerSize;
    if (dataStart + packedSize > blob_.size) return false;  // packed data cut short
    const std::uint32_t unpackedSize = le32(&h[11]);
    const bool stored = h[25] == kMethodStored;

    MediaFile out;
    if (requested) {
      // A stored entry cannot grow; a compressed one is bounded by what its bits can encode.
      if (stored ? unpackedSize > packedSize : unpackedSize > maxUnpackedSize(packedSize))
        return false;
      out.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>(unpackedSize, 1)]);
      if (!out) return false;
    }

    const bool decrypt = passwordSize_ > 0 && (flags & kFileEncrypted) != 0 &&
                         unpackVersion == kCipherVersion && (requested || !stored);
    const std::span<const std::uint8_t> packed =
        entryData(std::span(blob_.data + dataStart, packedSize), decrypt);

    std::uint32_t produced = 0;
    if (stored) {
      if (requested) {
        produced = std::min(unpackedSize, packedSize);
        if (produced > 0) std::memcpy(out.get(), packed.data(), produced);
      }
    } else {
      produced = unpacker->unpack(packed, unpackedSize, (flags & kFileSolid) != 0, out.get());
    }
    blob_.position = nextPosition;

    if (requested) {
      if (produced != unpackedSize) return false;
      if (crc32(std::span<const std::uint8_t>(out.get(), unpackedSize)) != le32(&h[16]))
        return false;
      data = out.release();
      size = unpackedSize;
      return true;
    }
  }
}

}  // namespace

bool MediaArchive::extractFile(const char* name, MediaBlob& blob, const char* password,
                               std::uint8_t*& data, std::uint32_t& size) noexcept {
  data = nullptr;
  size = 0;
  try {
    Request request(blob, password);
    return request.run(name, data, size);
  } catch (...) {  // allocation failure inside a container: a failed request like any other
    return false;
  }
}

void MediaArchive::releaseFile(std::uint8_t* data) noexcept { delete[] data; }

}  // namespace vm
