#include "archive/archive_walk.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vm::archive {
namespace {

constexpr std::array<std::uint8_t, 7> kRarMarker = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::array<std::uint8_t, 7> kAltMarker = {'Q', 'o', 'r', 'v', 'e', 'x', '!'};

constexpr std::uint32_t kMainHeaderSize = 13;
constexpr std::uint32_t kFileHeaderFixed = 32;
constexpr std::uint16_t kMainSolid = 0x0008;
constexpr std::uint8_t kTypeFile = 0x74;
constexpr std::uint8_t kTypeSubBlock = 0x77;
constexpr std::uint8_t kTypeEnd = 0x7B;
constexpr std::size_t kMaxNameSize = 259;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace

bool BlockWalker::start(bool& solidArchive) noexcept {
  blob_.position = 0;
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

WalkStep BlockWalker::next(FileHeader& out) noexcept {
  for (;;) {
    const std::uint32_t blockStart = blob_.position;
    std::array<std::uint8_t, kFileHeaderFixed> h{};
    if (blob_.read(h.data(), kFileHeaderFixed) != kFileHeaderFixed) {
      const std::uint32_t left = blockStart < blob_.size ? blob_.size - blockStart : 0;
      cleanEnd_ = left == 0 || (left >= 7 && blob_.data[blockStart + 2] == kTypeEnd);
      return WalkStep::End;
    }
    const std::uint8_t type = h[2];
    const std::uint16_t flags = le16(&h[3]);
    const std::uint16_t headerSize = le16(&h[5]);
    if (headerSize < 7) {
      cleanEnd_ = false;
      return WalkStep::End;
    }
    const std::uint32_t packedSize = le32(&h[7]);
    const std::uint64_t next =
        std::uint64_t{blockStart} + headerSize + ((flags & kLongBlock) ? packedSize : 0);
    const auto nextPosition =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(next, blob_.size));

    if (type == kTypeSubBlock) return WalkStep::SubBlock;
    if (type != kTypeFile) {
      blob_.position = nextPosition;
      continue;
    }

    // The name and whatever the header carries after it (comments, extra fields) must fit inside
    // the header; the packed data start right after the header, not after the name.
    const std::uint16_t nameSize = le16(&h[26]);
    if (headerSize < kFileHeaderFixed + nameSize) return WalkStep::BadHeader;
    if (std::uint64_t{blockStart} + kFileHeaderFixed + nameSize > blob_.size)
      return WalkStep::BadHeader;
    const char* rawName = reinterpret_cast<const char*>(blob_.data + blockStart + kFileHeaderFixed);

    out.blockStart = blockStart;
    out.nextPosition = nextPosition;
    out.flags = flags;
    out.headerSize = headerSize;
    out.packedSize = packedSize;
    out.unpackedSize = le32(&h[11]);
    out.hostOs = h[15];
    out.crc = le32(&h[16]);
    out.fileTime = le32(&h[20]);
    out.unpackVersion = h[24];
    out.method = h[25];
    out.attributes = le32(&h[28]);
    out.name = std::string_view(rawName, strnlen(rawName, std::min<std::size_t>(nameSize, kMaxNameSize)));
    return WalkStep::File;
  }
}

bool BlockWalker::packedData(const FileHeader& h, const std::uint8_t*& data) const noexcept {
  if (h.dataStart() + h.packedSize > blob_.size) return false;
  data = blob_.data + h.dataStart();
  return true;
}

}  // namespace vm::archive
