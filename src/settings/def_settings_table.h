#pragma once
// The def_settings text: up to 100 "key=value" pairs of 8-bit strings, in file order.
//
// Parsing rules (the shipped file and the program rely on every one of them):
// - a line ends at CR, which is consumed together with an LF right after it; an LF alone ends nothing;
// - every byte outside 0x21..0x7F is removed wherever it stands (blanks, tabs, controls, all bytes from
//   0x80 up), then the line is cut at its first ';';
// - lines left empty are skipped; a line without '=' is reported and stored with the whole line as key
//   and value (so it matches no setting);
// - key = text before the first '=', value = the rest (further '=' included).
// Once the table holds 100 pairs the rest of the text is ignored, unread and unreported.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vm {

class DefSettingsTable {
public:
    static constexpr std::size_t kCapacity = 100;

    struct Entry {
        std::string key;
        std::string value;
    };

    // Replaces the table. onBadLine gets each stored line that had no '=' (after filtering).
    void parse(std::span<const std::uint8_t> bytes, const std::function<void(std::string_view line)>& onBadLine);

    // Case-blind (A-Z) whole-key search; the first match's value, lower-cased (A-Z). nullopt when absent.
    std::optional<std::string> find(std::string_view key) const;

    const std::vector<Entry>& entries() const noexcept { return entries_; }

private:
    std::vector<Entry> entries_;
};

// "true" -> 1, "false" -> 0, otherwise the leading decimal integer (optional sign; none = 0), held to
// the 32-bit range. The value is already lower-cased, so TRUE and True count too.
std::int32_t defSettingsNumber(std::string_view value) noexcept;

}  // namespace vm
