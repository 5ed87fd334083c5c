#pragma once
// Which addresses the saver hands to the desktop's opener.

#include <string_view>

namespace vm::os {

// Only web addresses: "http://" or "https://", no control characters, at most 2048 bytes. The text comes
// from a resource, and the opener would also open local files or take a leading '-' as an option.
bool isOpenableUrl(std::string_view url) noexcept;

}  // namespace vm::os
