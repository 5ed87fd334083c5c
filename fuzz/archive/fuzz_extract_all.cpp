// Feeds arbitrary bytes to the one-pass requests as an archive: the listing, then extractAll, which
// decodes every entry once and hands out the ones that pass their CRC check. Inputs holding the
// encrypted seed's name are also tried with its password.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "archive/media_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t n) {
  if (n > 0xFFFFFFFFu) return 0;
  vm::MediaBlob blob{bytes, static_cast<std::uint32_t>(n), 0};
  std::vector<vm::MediaEntryInfo> entries;
  (void)vm::MediaArchive::listEntries(blob, entries);

  const std::string_view text(reinterpret_cast<const char*>(bytes), n);
  const char* password = text.find("a.txt") != std::string_view::npos ? "Secret123" : nullptr;
  (void)vm::MediaArchive::extractAll(
      blob, password,
      [](const vm::MediaEntryInfo&, vm::MediaEntryStatus, std::span<const std::uint8_t> b) {
        volatile std::uint8_t sink = 0;  // touch every byte so the sanitizers see the whole span
        for (std::uint8_t v : b) sink = sink ^ v;
        return true;
      });
  return 0;
}
