// Feeds arbitrary bytes to MediaArchive::extractFile as an archive. It requests the first known
// entry name that occurs in the input (so mutated seeds reach the decoder without paying for a
// request per name), then a name in no archive: a full walk that decodes every entry of a solid
// archive. Inputs holding the encrypted seed's name are also tried with its password.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "archive/media_archive.h"

namespace {

void request(vm::MediaBlob& blob, const char* name, const char* password) {
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  if (vm::MediaArchive::extractFile(name, blob, password, data, size)) {
    volatile std::uint8_t sink = 0;  // touch every byte so the sanitizers see the whole buffer
    for (std::uint32_t i = 0; i < size; ++i) sink = sink ^ data[i];
  }
  vm::MediaArchive::releaseFile(data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t n) {
  if (n > 0xFFFFFFFFu) return 0;
  vm::MediaBlob blob{bytes, static_cast<std::uint32_t>(n), 0};
  static const char* const kNames[] = {"p0.bin",  "p1.bin",    "p2.bin", "p3.bin", "p4.bin",
                                       "p5.bin",  "pMM.bin",   "file.txt", "FILE1.TXT",
                                       "FILE2.TXT", "a.txt", "one", "two"};
  const std::string_view text(reinterpret_cast<const char*>(bytes), n);
  for (const char* name : kNames) {
    if (text.find(name) == std::string_view::npos) continue;
    request(blob, name, std::strcmp(name, "a.txt") == 0 ? "Secret123" : nullptr);
    break;
  }
  request(blob, "no such entry", nullptr);
  return 0;
}
