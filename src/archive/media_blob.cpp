#include "archive/media_blob.h"

#include <cstring>

namespace vm {

std::uint32_t MediaBlob::read(void* dst, std::uint32_t n) noexcept {
  if (n == 0 || data == nullptr || position > size || n > size - position) return 0;
  std::memcpy(dst, data + position, n);
  position += n;
  return n;
}

}  // namespace vm
