#pragma once
// 8-bit texts made readable on Linux, whose message boxes and dialogs take UTF-8.

#include <string>
#include <string_view>

namespace vm {

// Code page 1251 (Cyrillic) to UTF-8; the one unassigned byte, 0x98, becomes U+FFFD.
std::string cp1251ToUtf8(std::string_view text);
// Latin-1 to UTF-8: each byte is the code point of the same value. The text table's 8-bit results are
// the low bytes of UTF-16 units, so this restores every character up to U+00FF.
std::string latin1ToUtf8(std::string_view text);

}  // namespace vm
