#pragma once
// The registry's data model and its file format, without any I/O.
//
// A document holds keys by path ("Software\Maker\Product"), each with named values of two types:
// 32-bit numbers and 8-bit strings. Paths and value names compare case-blind (ASCII), keeping the
// spelling they were first created with.
//
// On disk a document is a GKeyFile INI text: one group per key path, one entry per value, the type as a
// prefix, for example
//     [Software\BRASSWICK Studio\Vaultmere 3D Screensaver]
//     ShowFPS=dword:00000002
//     Path=sz:/home/me/audio
// String bytes outside 0x20..0x7E (and a backslash, and a trailing blank) are written as \xHH, so any
// 8-bit string survives unchanged. Keys without values are not written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vm::os {

enum class RegValueType { Dword, String };

struct RegValue {
    RegValueType type = RegValueType::Dword;
    std::uint32_t dword = 0;
    std::string text;

    friend bool operator==(const RegValue&, const RegValue&) = default;
};

// Limits that keep names usable as INI groups and keys and bound what a file can make us hold.
inline constexpr std::size_t kRegMaxPathBytes = 512;
inline constexpr std::size_t kRegMaxNameBytes = 255;
inline constexpr std::size_t kRegMaxStringBytes = 32 * 1024;

// Backslash-separated segments of printable ASCII without '[' and ']', none empty, no blank at either end.
bool isValidRegKeyPath(std::string_view path) noexcept;
// Printable ASCII without '=', '[' and ']'; no blank at either end, not starting with '#'.
bool isValidRegValueName(std::string_view name) noexcept;

class RegistryDocument {
public:
    struct Key {
        std::string path;
        std::vector<std::pair<std::string, RegValue>> values;
    };

    bool hasKey(std::string_view path) const noexcept;
    // Null when the key or the value is missing.
    const RegValue* find(std::string_view path, std::string_view name) const noexcept;
    const Key* key(std::string_view path) const noexcept;
    // Creates the key when missing. Names must be valid (callers check).
    void createKey(std::string_view path);
    void set(std::string_view path, std::string_view name, RegValue value);
    const std::vector<Key>& keys() const noexcept { return keys_; }
    bool empty() const noexcept { return keys_.empty(); }

    // The INI text described above.
    std::string serialize() const;
    // Replaces the content with the parsed text. Returns false (leaving the document empty) when the
    // text is not a key file at all; entries with bad names or undecodable values are skipped.
    bool parse(std::string_view text);

private:
    Key* findKey(std::string_view path) noexcept;
    std::vector<Key> keys_;
};

}  // namespace vm::os
