#pragma once
// Resources carried by the executable, found by (type, numeric id) like the module resources of the
// original platform. Type names compare case-blind. The bytes are read-only and live as long as the
// process; nothing is copied.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vm::os {

using ResourceBytes = std::span<const std::uint8_t>;

// Empty span when no such resource exists.
ResourceBytes findResource(std::string_view type, int id) noexcept;

// Test seam: an override wins over the embedded table until cleared. The bytes must outlive the override.
void overrideResource(std::string_view type, int id, ResourceBytes bytes);
// Makes findResource report (type, id) as missing even when it is embedded.
void hideResource(std::string_view type, int id);
void clearResourceOverrides() noexcept;

}  // namespace vm::os
