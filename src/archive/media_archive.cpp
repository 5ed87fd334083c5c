#include "archive/media_archive.h"

#include <algorithm>
#include <new>
#include <string>

#include "archive/archive_walk.h"
#include "archive/entry_decoder.h"

namespace vm {
namespace {

using archive::BlockWalker;
using archive::EntryDecoder;
using archive::FileHeader;
using archive::WalkStep;

// Case-blind, separator-blind key: '\' and '/' become '_', ASCII letters upper case.
std::string nameKey(std::string_view s) {
  std::string k(s);
  for (char& c : k) {
    if (c == '\\' || c == '/') c = '_';
    else if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return k;
}

bool extractNamed(const char* name, MediaBlob& blob, const char* password, std::uint8_t*& data,
                  std::uint32_t& size) {
  if (name == nullptr) return false;
  const std::size_t nameLen = strnlen(name, MediaArchive::kMaxNameSize + 1);
  if (nameLen > MediaArchive::kMaxNameSize) return false;  // no entry name is that long
  const std::string wanted = nameKey(std::string_view(name, nameLen));

  BlockWalker walker(blob);
  bool solidArchive = false;
  if (!walker.start(solidArchive)) return false;
  EntryDecoder decoder(password);
  if (!decoder.init()) return false;

  FileHeader h;
  while (walker.next(h) == WalkStep::File) {
    const bool requested = nameKey(h.name) == wanted;
    if (!requested && !solidArchive) {
      walker.skip(h);
      continue;
    }

    MediaFile out;
    if (requested) {
      if (!EntryDecoder::plausibleSize(h)) return false;
      out.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>(h.unpackedSize, 1)]);
      if (!out) return false;
    }
    std::uint32_t produced = 0;
    if (decoder.decode(walker, h, out.get(), produced) != EntryDecoder::kOk) return false;
    walker.skip(h);

    if (requested) {
      if (produced != h.unpackedSize) return false;
      if (decoder.crc() != h.crc) return false;
      data = out.release();
      size = h.unpackedSize;
      return true;
    }
  }
  return false;  // end of the blocks, a 0x77 block or a damaged header
}

}  // namespace

bool MediaArchive::extractFile(const char* name, MediaBlob& blob, const char* password,
                               std::uint8_t*& data, std::uint32_t& size) noexcept {
  data = nullptr;
  size = 0;
  try {
    return extractNamed(name, blob, password, data, size);
  } catch (...) {  // allocation failure inside a container: a failed request like any other
    return false;
  }
}

void MediaArchive::releaseFile(std::uint8_t* data) noexcept { delete[] data; }

}  // namespace vm
