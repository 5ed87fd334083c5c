// Feeds arbitrary bytes to MediaArchive::extractFile as an archive. The names cover the entries of
// the seed archives (so mutated seeds reach the decoder), a name in no archive (a full walk that, in
// a solid archive, decodes every entry) and one request with a password.
#include <cstddef>
#include <cstdint>

#include "archive/media_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t n) {
  if (n > 0xFFFFFFFFu) return 0;
  vm::MediaBlob blob{bytes, static_cast<std::uint32_t>(n), 0};
  static const char* const kNames[] = {"p0.bin", "p2.bin", "pMM.bin", "file.txt", "FILE1.TXT",
                                       "a.txt",  "Digits", "no such entry"};
  for (const char* name : kNames) {
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    if (vm::MediaArchive::extractFile(name, blob, nullptr, data, size)) {
      // Touch every byte so the sanitizers see the whole buffer.
      volatile std::uint8_t sink = 0;
      for (std::uint32_t i = 0; i < size; ++i) sink = sink ^ data[i];
    }
    vm::MediaArchive::releaseFile(data);
  }
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  vm::MediaArchive::extractFile("a.txt", blob, "Secret123", data, size);
  vm::MediaArchive::releaseFile(data);
  return 0;
}
