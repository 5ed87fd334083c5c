#pragma once
// TextTable: the localised captions of the dialogs, from the UTF-8 text resource "CustomData" 473.
//
// The resource is a list of lines; a key line is "#" + key + "#" and its value is the line right after
// it, "%" separating the lines of a multi-line value. Loading keeps up to 200 lines as UTF-16 (code
// points up to U+FFFF) and folds A-Z in key lines to lower case, except the first and last character.
// Decoding: EF BB BF is dropped wherever it stands; one-, two- and three-byte sequences are decoded
// without checking their follow bytes; a byte that starts none of them (a stray follow byte, a
// four-byte lead) is skipped, and so is a sequence cut off by the end of the data. Lines end at LF;
// CR and NUL are dropped. Lines past the 200th and About lines past the seventh are ignored.
//
// Lookups answer 8-bit text: the low byte of each UTF-16 unit, so U+00E9 gives E9 and U+0141 gives 41.
// To show such text on Linux, pass it through latin1ToUtf8 (settings/text_encoding.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vm {

class TextTable {
public:
    static constexpr std::size_t kCapacity = 200;
    static constexpr std::size_t kAboutLineCount = 7;
    static constexpr int kResourceId = 473;  // type "CustomData"
    static constexpr std::string_view kResourceType = "CustomData";

    // From the embedded resource; a missing resource leaves the table empty.
    void load();
    void load(std::span<const std::uint8_t> bytes);

    // Case-blind (A-Z) key. A key line matches when it starts with '#', continues with the key and is at
    // most two characters longer or shorter than the key; the first match wins, and a key line with no
    // line after it never matches. "" when nothing matches.
    std::string lookup(std::u16string_view key) const;
    // The same for an ASCII key (each byte one character).
    std::string lookup(std::string_view key) const;

    // The value of "about_window_text" split at '%' into the seven lines of the About box.
    const std::array<std::string, kAboutLineCount>& aboutLines() const noexcept { return about_; }
    const std::vector<std::u16string>& lines() const noexcept { return lines_; }

private:
    const std::u16string* findValue(std::u16string_view key) const;

    std::vector<std::u16string> lines_;
    std::array<std::string, kAboutLineCount> about_;
};

}  // namespace vm
