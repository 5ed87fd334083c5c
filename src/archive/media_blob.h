#pragma once
// A "MediaData" resource seen as a read-only byte blob with a read cursor. The archive reader reads
// every byte of it through read(), which never goes past size.

#include <cstdint>

namespace vm {

struct MediaBlob {
  const std::uint8_t* data = nullptr;  // owned by the executable's resource table; null when missing
  std::uint32_t size = 0;
  std::uint32_t position = 0;

  // Copies n bytes at the cursor and advances it by n, when n is not 0 and all n bytes lie inside
  // the blob. Otherwise copies nothing, leaves the cursor and returns 0.
  std::uint32_t read(void* dst, std::uint32_t n) noexcept;
};

}  // namespace vm
