// The one-pass requests: every entry of an archive, or only its headers.
#include <algorithm>
#include <memory>
#include <new>

#include "archive/archive_walk.h"
#include "archive/crc32.h"
#include "archive/entry_decoder.h"
#include "archive/media_archive.h"

namespace vm {
namespace {

using archive::BlockWalker;
using archive::EntryDecoder;
using archive::FileHeader;
using archive::WalkStep;

MediaEntryInfo infoOf(const FileHeader& h) {
  MediaEntryInfo i;
  i.name.assign(h.name);
  i.flags = h.flags;
  i.packedSize = h.packedSize;
  i.unpackedSize = h.unpackedSize;
  i.crc = h.crc;
  i.hostOs = h.hostOs;
  i.fileTime = h.fileTime;
  i.unpackVersion = h.unpackVersion;
  i.method = h.method;
  i.attributes = h.attributes;
  return i;
}

int walkResult(WalkStep step, const BlockWalker& walker) {
  if (step == WalkStep::End && walker.endedCleanly()) return MediaArchive::kOk;
  return MediaArchive::kBadBlock;
}

// One output buffer serves every compressed entry; it grows to the largest and is never cleared.
class OutputBuffer {
 public:
  std::uint8_t* reserve(std::uint32_t n) {
    const std::size_t want = std::max<std::size_t>(n, 1);
    if (want > capacity_) {
      data_.reset();  // the old bytes are not needed: release before asking for more
      data_.reset(new (std::nothrow) std::uint8_t[want]);
      capacity_ = data_ ? want : 0;
    }
    return data_.get();
  }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
};

int extractEverything(MediaBlob& blob, const char* password,
                      const MediaArchive::EntryCallback& onEntry) {
  BlockWalker walker(blob);
  bool solidArchive = false;
  if (!walker.start(solidArchive)) return MediaArchive::kNotAnArchive;
  EntryDecoder decoder(password);
  if (!decoder.init()) return MediaArchive::kOutOfMemory;

  OutputBuffer buffer;
  int result = MediaArchive::kOk;
  FileHeader h;
  WalkStep step;
  while ((step = walker.next(h)) == WalkStep::File) {
    MediaEntryStatus status = MediaEntryStatus::Ok;
    std::span<const std::uint8_t> bytes;
    const bool stored = h.method == archive::kMethodStored;
    if (!EntryDecoder::plausibleSize(h)) {
      // Not decoded at all: a solid stream loses its state here, and the CRC checks of the
      // entries after it tell whether that mattered.
      status = MediaEntryStatus::Damaged;
    } else {
      std::uint8_t* out = stored ? nullptr : buffer.reserve(h.unpackedSize);
      if (!stored && out == nullptr) status = MediaEntryStatus::OutOfMemory;
      // Without a buffer the entry is still decoded, to carry a solid stream forward.
      std::uint32_t produced = 0;
      const int rc = decoder.decode(walker, h, out, produced, &bytes);
      if (rc == EntryDecoder::kBadVersion) {
        status = MediaEntryStatus::Unsupported;
      } else if (rc != EntryDecoder::kOk) {
        status = MediaEntryStatus::Damaged;
      } else if (status == MediaEntryStatus::Ok) {
        if (!stored) bytes = std::span<const std::uint8_t>(out, produced);
        if (produced != h.unpackedSize) status = MediaEntryStatus::Damaged;
        else if ((stored ? crc32(bytes) : decoder.compressedCrc()) != h.crc)
          status = MediaEntryStatus::CrcMismatch;
      }
    }
    walker.skip(h);
    if (status != MediaEntryStatus::Ok) {
      bytes = {};
      result = MediaArchive::kEntriesFailed;
    }
    if (!onEntry(infoOf(h), status, bytes)) return MediaArchive::kStopped;
  }
  const int walked = walkResult(step, walker);
  return walked != MediaArchive::kOk ? walked : result;
}

}  // namespace

int MediaArchive::extractAll(MediaBlob& blob, const char* password,
                             const EntryCallback& onEntry) noexcept {
  try {
    return extractEverything(blob, password, onEntry);
  } catch (...) {  // allocation failure inside a container, or thrown by the callback
    return kOutOfMemory;
  }
}

int MediaArchive::listEntries(MediaBlob& blob, std::vector<MediaEntryInfo>& entries,
                              bool* solidArchive) noexcept {
  entries.clear();
  try {
    BlockWalker walker(blob);
    bool solid = false;
    if (!walker.start(solid)) return kNotAnArchive;
    if (solidArchive != nullptr) *solidArchive = solid;
    FileHeader h;
    WalkStep step;
    while ((step = walker.next(h)) == WalkStep::File) {
      entries.push_back(infoOf(h));
      walker.skip(h);
    }
    return walkResult(step, walker);
  } catch (...) {
    return kOutOfMemory;
  }
}

}  // namespace vm
