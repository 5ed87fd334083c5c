// The one-pass requests: every entry of an archive, or only its headers.
#include <algorithm>
#include <memory>
#include <new>

#include "archive/archive_walk.h"
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

// Passes decoded pieces to the entry stream.
class StreamSink final : public UnpackSink {
 public:
  explicit StreamSink(MediaArchive::EntryStream& stream) noexcept : stream_(stream) {}
  void take(std::span<const std::uint8_t> bytes) noexcept override {
    if (failed_) return;
    try {
      stream_.write(bytes);
    } catch (...) {  // kept until the entry ends: the decoder cannot stop in the middle of a piece
      failed_ = true;
    }
  }
  bool failed() const noexcept { return failed_; }

 private:
  MediaArchive::EntryStream& stream_;
  bool failed_ = false;
};

int streamEverything(MediaBlob& blob, const char* password, MediaArchive::EntryStream& stream) {
  BlockWalker walker(blob);
  bool solidArchive = false;
  if (!walker.start(solidArchive)) return MediaArchive::kNotAnArchive;
  EntryDecoder decoder(password);
  if (!decoder.init()) return MediaArchive::kOutOfMemory;

  int result = MediaArchive::kOk;
  FileHeader h;
  WalkStep step;
  while ((step = walker.next(h)) == WalkStep::File) {
    const MediaEntryInfo info = infoOf(h);
    if (!stream.begin(info)) return MediaArchive::kStopped;
    MediaEntryStatus status = MediaEntryStatus::Ok;
    if (!EntryDecoder::plausibleSize(h)) {
      // Not decoded at all: a solid stream loses its state here, and the CRC checks of the
      // entries after it tell whether that mattered.
      status = MediaEntryStatus::Damaged;
    } else {
      StreamSink sink(stream);
      std::uint32_t produced = 0;
      const int rc = decoder.decode(walker, h, &sink, produced);
      if (sink.failed()) return MediaArchive::kOutOfMemory;
      if (rc == EntryDecoder::kBadVersion) status = MediaEntryStatus::Unsupported;
      else if (rc != EntryDecoder::kOk || produced != h.unpackedSize)
        status = MediaEntryStatus::Damaged;
      else if (decoder.crc() != h.crc) status = MediaEntryStatus::CrcMismatch;
    }
    walker.skip(h);
    if (status != MediaEntryStatus::Ok) result = MediaArchive::kEntriesFailed;
    if (!stream.end(info, status)) return MediaArchive::kStopped;
  }
  const int walked = walkResult(step, walker);
  return walked != MediaArchive::kOk ? walked : result;
}

// Gathers each entry into one buffer, which grows to the largest entry and is reused, and hands it
// to extractAll's callback once its status is known.
class GatheringStream final : public MediaArchive::EntryStream {
 public:
  explicit GatheringStream(const MediaArchive::EntryCallback& onEntry) : onEntry_(onEntry) {}

  bool begin(const MediaEntryInfo& info) override {
    size_ = 0;
    expected_ = info.unpackedSize;
    short_ = false;
    return true;
  }
  void write(std::span<const std::uint8_t> bytes) override {
    // Reserved at the first piece: only an entry whose size its packed data can produce is
    // decoded, and no entry hands over more than its size.
    if (size_ == 0 && !reserve(expected_)) short_ = true;
    if (short_ || bytes.size() > capacity_ - size_) {
      short_ = true;
      return;
    }
    std::copy(bytes.begin(), bytes.end(), data_.get() + size_);
    size_ += bytes.size();
  }
  bool end(const MediaEntryInfo& info, MediaEntryStatus status) override {
    if (status == MediaEntryStatus::Ok && short_) status = MediaEntryStatus::OutOfMemory;
    const std::span<const std::uint8_t> bytes =
        status == MediaEntryStatus::Ok ? std::span<const std::uint8_t>(data_.get(), size_)
                                       : std::span<const std::uint8_t>();
    if (status != MediaEntryStatus::Ok) failed_ = true;
    return onEntry_(info, status, bytes);
  }
  bool failed() const noexcept { return failed_; }

 private:
  bool reserve(std::size_t want) {
    if (want <= capacity_) return true;
    data_.reset();  // the old bytes are not needed: release before asking for more
    data_.reset(new (std::nothrow) std::uint8_t[want]);
    capacity_ = data_ ? want : 0;
    return data_ != nullptr;
  }

  const MediaArchive::EntryCallback& onEntry_;
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  std::size_t expected_ = 0;
  bool short_ = false;
  bool failed_ = false;
};

}  // namespace

int MediaArchive::streamAll(MediaBlob& blob, const char* password, EntryStream& stream) noexcept {
  try {
    return streamEverything(blob, password, stream);
  } catch (...) {  // allocation failure inside a container, or thrown by the stream
    return kOutOfMemory;
  }
}

int MediaArchive::extractAll(MediaBlob& blob, const char* password,
                             const EntryCallback& onEntry) noexcept {
  try {
    GatheringStream gather(onEntry);
    const int rc = streamEverything(blob, password, gather);
    // An entry the buffer could not hold was reported failed although it decoded.
    return rc == kOk && gather.failed() ? kEntriesFailed : rc;
  } catch (...) {
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
