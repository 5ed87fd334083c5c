#include "archive/media_blob.h"

#include <cstring>
#include <limits>

#include "platform/os/resources.h"

namespace vm {

std::uint32_t MediaBlob::read(void* dst, std::uint32_t n) noexcept {
  if (n == 0 || data == nullptr || position > size || n > size - position) return 0;
  std::memcpy(dst, data + position, n);
  position += n;
  return n;
}

MediaBlob loadMediaBlob(int resourceId) noexcept {
  const os::ResourceBytes bytes = os::findResource("MediaData", resourceId);
  // Sizes are 32-bit in the archive format; a larger resource cannot be one of ours.
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return {};
  return {bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0};
}

}  // namespace vm
