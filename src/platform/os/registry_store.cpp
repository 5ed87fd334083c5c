#include "platform/os/registry_store.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <memory>

namespace vm::os {
namespace {

char lowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool isPrintable(char c) noexcept { return c >= 0x20 && c <= 0x7E; }

constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kStringPrefix = "sz:";

std::string encodeString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        // GKeyFile keeps inner blanks but a trailing one is easy to lose when people edit the file.
        const bool trailingBlank = b == ' ' && i + 1 == text.size();
        if (b < 0x20 || b > 0x7E || b == '\\' || trailingBlank) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

int hexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool decodeString(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (i + 3 >= in.size()) return false;
        if (in[i + 1] != 'x') return false;
        const int hi = hexDigit(in[i + 2]);
        const int lo = hexDigit(in[i + 3]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 3;
    }
    return out.size() <= kRegMaxStringBytes;
}

bool decodeValue(std::string_view raw, RegValue& out) {
    if (raw.starts_with(kDwordPrefix)) {
        const std::string_view digits = raw.substr(kDwordPrefix.size());
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t v = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
        if (ec != std::errc{} || end != digits.data() + digits.size()) return false;
        out = RegValue{RegValueType::Dword, v, {}};
        return true;
    }
    if (raw.starts_with(kStringPrefix)) {
        out = RegValue{RegValueType::String, 0, {}};
        return decodeString(raw.substr(kStringPrefix.size()), out.text);
    }
    return false;
}

std::string encodeValue(const RegValue& v) {
    if (v.type == RegValueType::String) return std::string(kStringPrefix) + encodeString(v.text);
    char buf[9];
    g_snprintf(buf, sizeof buf, "%08x", v.dword);
    return std::string(kDwordPrefix) + buf;
}

struct KeyFileDeleter {
    void operator()(GKeyFile* f) const noexcept { g_key_file_free(f); }
};
struct StrvDeleter {
    void operator()(gchar** v) const noexcept { g_strfreev(v); }
};
struct GFreeDeleter {
    void operator()(gchar* p) const noexcept { g_free(p); }
};

}  // namespace

bool isValidRegKeyPath(std::string_view path) noexcept {
    if (path.empty() || path.size() > kRegMaxPathBytes) return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view seg = path.substr(start, end - start);
        if (seg.empty() || seg.front() == ' ' || seg.back() == ' ') return false;
        for (char c : seg) {
            if (!isPrintable(c) || c == '[' || c == ']') return false;
        }
        start = end + 1;
    }
    return true;
}

bool isValidRegValueName(std::string_view name) noexcept {
    if (name.empty() || name.size() > kRegMaxNameBytes) return false;
    if (name.front() == ' ' || name.back() == ' ' || name.front() == '#') return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return isPrintable(c) && c != '=' && c != '[' && c != ']'; });
}

RegistryDocument::Key* RegistryDocument::findKey(std::string_view path) noexcept {
    for (Key& k : keys_) {
        if (sameName(k.path, path)) return &k;
    }
    return nullptr;
}

const RegistryDocument::Key* RegistryDocument::key(std::string_view path) const noexcept {
    return const_cast<RegistryDocument*>(this)->findKey(path);
}

bool RegistryDocument::hasKey(std::string_view path) const noexcept { return key(path) != nullptr; }

const RegValue* RegistryDocument::find(std::string_view path, std::string_view name) const noexcept {
    const Key* k = key(path);
    if (!k) return nullptr;
    for (const auto& [n, v] : k->values) {
        if (sameName(n, name)) return &v;
    }
    return nullptr;
}

void RegistryDocument::createKey(std::string_view path) {
    if (!findKey(path)) keys_.push_back(Key{std::string(path), {}});
}

void RegistryDocument::set(std::string_view path, std::string_view name, RegValue value) {
    createKey(path);
    Key* k = findKey(path);
    for (auto& [n, v] : k->values) {
        if (sameName(n, name)) {
            v = std::move(value);
            return;
        }
    }
    k->values.emplace_back(std::string(name), std::move(value));
}

std::string RegistryDocument::serialize() const {
    std::unique_ptr<GKeyFile, KeyFileDeleter> file(g_key_file_new());
    for (const Key& k : keys_) {
        for (const auto& [name, value] : k.values) {
            g_key_file_set_value(file.get(), k.path.c_str(), name.c_str(), encodeValue(value).c_str());
        }
    }
    g_key_file_set_comment(file.get(), nullptr, nullptr,
                           " Vaultmere 3D Screensaver settings: dword:HEX numbers, sz:TEXT strings (\\xHH escapes)",
                           nullptr);
    gsize length = 0;
    std::unique_ptr<gchar, GFreeDeleter> data(g_key_file_to_data(file.get(), &length, nullptr));
    return data ? std::string(data.get(), length) : std::string();
}

bool RegistryDocument::parse(std::string_view text) {
    keys_.clear();
    std::unique_ptr<GKeyFile, KeyFileDeleter> file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, nullptr)) return false;
    std::unique_ptr<gchar*, StrvDeleter> groups(g_key_file_get_groups(file.get(), nullptr));
    for (gchar** g = groups.get(); g && *g; ++g) {
        if (!isValidRegKeyPath(*g)) continue;
        std::unique_ptr<gchar*, StrvDeleter> names(g_key_file_get_keys(file.get(), *g, nullptr, nullptr));
        for (gchar** n = names.get(); n && *n; ++n) {
            if (!isValidRegValueName(*n)) continue;
            std::unique_ptr<gchar, GFreeDeleter> raw(g_key_file_get_value(file.get(), *g, *n, nullptr));
            RegValue value;
            if (raw && decodeValue(raw.get(), value)) set(*g, *n, std::move(value));
        }
    }
    return true;
}

}  // namespace vm::os
