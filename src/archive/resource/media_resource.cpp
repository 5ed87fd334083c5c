#include "archive/resource/media_resource.h"

#include <limits>

#include "platform/os/resources.h"

namespace vm {

MediaBlob loadMediaBlob(int resourceId) noexcept {
  const os::ResourceBytes bytes = os::findResource("MediaData", resourceId);
  // Sizes are 32-bit in the archive format; a larger resource cannot be one of ours.
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return {};
  return {bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0};
}

}  // namespace vm
