#include "settings/text_table.h"

#include "platform/os/resources.h"

namespace vm {
namespace {

char16_t lowerAscii(char16_t c) noexcept { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

std::string narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out += static_cast<char>(c & 0xFF);
    return out;
}

// One code point from the cursor; false when the data ends. Sets cp to 0 for anything that yields no
// character (byte-order mark, skipped byte, cut-off sequence), which the caller drops like a NUL.
bool decodeNext(std::span<const std::uint8_t> bytes, std::size_t& pos, char16_t& cp) {
    const std::size_t left = bytes.size() - pos;
    if (left == 0) return false;
    const std::uint8_t b0 = bytes[pos];
    cp = 0;
    if (left >= 3 && b0 == 0xEF && bytes[pos + 1] == 0xBB && bytes[pos + 2] == 0xBF) {
        pos += 3;
    } else if (b0 < 0x80) {
        cp = b0;
        pos += 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        if (left < 3) {
            pos = bytes.size();
        } else {
            cp = static_cast<char16_t>((b0 & 0x0F) << 12 | (bytes[pos + 1] & 0x3F) << 6 | (bytes[pos + 2] & 0x3F));
            pos += 3;
        }
    } else if ((b0 & 0xE0) == 0xC0) {
        if (left < 2) {
            pos = bytes.size();
        } else {
            cp = static_cast<char16_t>((b0 & 0x1F) << 6 | (bytes[pos + 1] & 0x3F));
            pos += 2;
        }
    } else {
        pos += 1;
    }
    return true;
}

}  // namespace

void TextTable::load() { load(os::findResource(kResourceType, kResourceId)); }

void TextTable::load(std::span<const std::uint8_t> bytes) {
    lines_.clear();
    about_ = {};
    std::size_t pos = 0;
    while (pos < bytes.size() && lines_.size() < kCapacity) {
        std::u16string line;
        char16_t cp = 0;
        while (decodeNext(bytes, pos, cp)) {
            if (cp == u'\n') break;
            if (cp != 0 && cp != u'\r') line += cp;
        }
        if (!line.empty() && line.front() == u'#') {
            for (std::size_t i = 1; i + 1 < line.size(); ++i) line[i] = lowerAscii(line[i]);
        }
        lines_.push_back(std::move(line));
    }

    if (const std::u16string* about = findValue(u"about_window_text")) {
        std::size_t index = 0;
        std::u16string part;
        for (char16_t c : *about) {
            if (c == u'%') {
                if (index < kAboutLineCount) about_[index] = narrow(part);
                ++index;
                part.clear();
            } else {
                part += c;
            }
        }
        if (index < kAboutLineCount) about_[index] = narrow(part);
    }
}

const std::u16string* TextTable::findValue(std::u16string_view key) const {
    std::u16string folded(key);
    for (char16_t& c : folded) c = lowerAscii(c);
    for (std::size_t i = 0; i + 1 < lines_.size(); ++i) {
        const std::u16string& line = lines_[i];
        const std::size_t n = folded.size();
        // "#" + key needs n + 1 characters; at most two more than the key leaves n + 1 or n + 2.
        if (line.empty() || line.front() != u'#' || line.size() < n + 1 || line.size() > n + 2) continue;
        if (std::u16string_view(line).substr(1, n) == folded) return &lines_[i + 1];
    }
    return nullptr;
}

std::string TextTable::lookup(std::u16string_view key) const {
    const std::u16string* value = findValue(key);
    return value ? narrow(*value) : std::string();
}

std::string TextTable::lookup(std::string_view key) const {
    std::u16string wide;
    wide.reserve(key.size());
    for (char c : key) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return lookup(std::u16string_view(wide));
}

}  // namespace vm
