#include "settings/def_settings_table.h"

#include <algorithm>
#include <limits>

namespace vm {
namespace {

char lowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool sameKey(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace

void DefSettingsTable::parse(std::span<const std::uint8_t> bytes,
                             const std::function<void(std::string_view line)>& onBadLine) {
    entries_.clear();
    std::size_t pos = 0;
    std::string line;
    while (pos < bytes.size() && entries_.size() < kCapacity) {
        line.clear();
        while (pos < bytes.size() && bytes[pos] != '\r') {
            // Kept bytes are 0x21..0x7F: as signed chars everything from 0x80 up is below the blank.
            if (bytes[pos] > 0x20 && bytes[pos] < 0x80) line += static_cast<char>(bytes[pos]);
            ++pos;
        }
        if (pos < bytes.size()) {
            ++pos;  // the CR
            if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
        }
        if (const auto semicolon = line.find(';'); semicolon != std::string::npos) line.resize(semicolon);
        if (line.empty()) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            if (onBadLine) onBadLine(line);
            entries_.push_back({line, line});
        } else {
            entries_.push_back({line.substr(0, eq), line.substr(eq + 1)});
        }
    }
}

std::optional<std::string> DefSettingsTable::find(std::string_view key) const {
    for (const Entry& e : entries_) {
        if (sameKey(e.key, key)) return lowered(e.value);
    }
    return std::nullopt;
}

std::int32_t defSettingsNumber(std::string_view value) noexcept {
    if (value == "true") return 1;
    if (value == "false") return 0;
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    std::int64_t n = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = std::min(n * 10 + (value[i] - '0'), kLimit);  // saturate instead of overflowing
    }
    if (negative) n = -n;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max()));
}

}  // namespace vm
