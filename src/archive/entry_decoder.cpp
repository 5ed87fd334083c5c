#include "archive/entry_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "archive/crc32.h"
#include "archive/rar20_cipher.h"

namespace vm::archive {
namespace {

constexpr std::uint8_t kMinUnpackVersion = 13, kMaxUnpackVersion = 20;
constexpr std::uint8_t kCipherVersion = 20;

void wipe(void* p, std::size_t n) {
  auto* v = static_cast<volatile std::uint8_t*>(p);
  while (n-- > 0) *v++ = 0;
}

}  // namespace

EntryDecoder::EntryDecoder(const char* password) noexcept {
  if (password != nullptr) {
    passwordSize_ = strnlen(password, Rar20Cipher::kMaxPasswordSize);
    std::memcpy(password_.data(), password, passwordSize_);
  }
}

EntryDecoder::~EntryDecoder() {
  wipe(password_.data(), password_.size());
  if (!scratch_.empty()) wipe(scratch_.data(), scratch_.size());
}

bool EntryDecoder::init() noexcept {
  unpacker_.reset(new (std::nothrow) Rar20Unpacker);
  return unpacker_ && unpacker_->init();
}

bool EntryDecoder::plausibleSize(const FileHeader& h) noexcept {
  if (h.method == kMethodStored) return h.unpackedSize <= h.packedSize;
  const std::uint64_t bound = (std::uint64_t{h.packedSize} + Rar20Unpacker::kOverreadBytes) * 8 * 260;
  return h.unpackedSize <= bound;
}

std::span<const std::uint8_t> EntryDecoder::entryData(std::span<const std::uint8_t> raw,
                                                      bool decrypt) {
  if (!decrypt) return raw;
  // Decrypting a copy leaves the archive's bytes untouched and keeps the last, padded cipher block
  // whole even when the unpacked size ends inside it.
  scratch_.assign(raw.begin(), raw.end());
  Rar20Cipher cipher;
  cipher.setPassword(std::string_view(password_.data(), passwordSize_));
  const std::size_t whole = cipher.decrypt(scratch_);
  if (whole < scratch_.size()) cipher.decryptTail(std::span(scratch_).subspan(whole));
  return scratch_;
}

int EntryDecoder::decode(const BlockWalker& walker, const FileHeader& h, UnpackSink* sink,
                         std::uint32_t& produced) {
  produced = 0;
  crc_ = 0;
  if (h.unpackVersion < kMinUnpackVersion || h.unpackVersion > kMaxUnpackVersion)
    return kBadVersion;
  const std::uint8_t* raw = nullptr;
  if (!walker.packedData(h, raw)) return kCutShort;

  const bool stored = h.method == kMethodStored;
  if (stored && sink == nullptr) return kOk;  // nothing to carry forward: passed over unread
  const bool decrypt = passwordSize_ > 0 && (h.flags & kFileEncrypted) != 0 &&
                       h.unpackVersion == kCipherVersion;
  const std::span<const std::uint8_t> packed = entryData(std::span(raw, h.packedSize), decrypt);

  if (stored) {
    produced = std::min(h.unpackedSize, h.packedSize);
    const std::span<const std::uint8_t> bytes = packed.first(produced);
    crc_ = crc32(bytes);
    if (!bytes.empty()) sink->take(bytes);
    return kOk;
  }
  produced = unpacker_->unpack(packed, h.unpackedSize, (h.flags & kFileSolid) != 0, sink);
  crc_ = unpacker_->outputCrc();
  return kOk;
}

int EntryDecoder::decode(const BlockWalker& walker, const FileHeader& h, std::uint8_t* output,
                         std::uint32_t& produced) {
  if (output == nullptr) return decode(walker, h, static_cast<UnpackSink*>(nullptr), produced);
  BufferSink sink(output);
  return decode(walker, h, &sink, produced);
}

}  // namespace vm::archive
