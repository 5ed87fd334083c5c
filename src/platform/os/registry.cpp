#include "platform/os/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/os/registry_store_file.h"

namespace vm::os {

struct RegKey::State {
    RegHive hive = RegHive::CurrentUser;
    RegAccess access = RegAccess::Read;
    RegistryDocument::Key key;  // the values as read at open, plus this handle's own sets
    std::vector<std::pair<std::string, RegValue>> pending;  // sets not yet persisted, one per name
};

namespace {

struct Backend {
    bool chosen = false;
    std::string path;               // empty: CurrentUser in memory
    RegistryDocument memoryUser;
    RegistryDocument machine;
};

Backend& backend() {
    static Backend b;
    if (!b.chosen) {
        b.path = defaultRegistryPath();
        b.chosen = true;
    }
    return b;
}

RegistryDocument loadHive(RegHive hive) {
    Backend& b = backend();
    if (hive == RegHive::LocalMachine) return b.machine;
    if (b.path.empty()) return b.memoryUser;
    RegistryDocument doc;
    readRegistryFile(b.path, doc);  // whatever went wrong, the registry reads as empty
    return doc;
}

void apply(RegistryDocument& doc, const std::string& path,
           const std::vector<std::pair<std::string, RegValue>>& values) {
    for (const auto& [name, value] : values) doc.set(path, name, value);
}

// Writes values into the CurrentUser hive on top of its latest content.
int commit(const std::string& keyPath, const std::vector<std::pair<std::string, RegValue>>& values) {
    Backend& b = backend();
    if (b.path.empty()) {
        apply(b.memoryUser, keyPath, values);
        return kRegOk;
    }
    RegistryFileLock lock(b.path);
    RegistryDocument doc;
    switch (readRegistryFile(b.path, doc)) {
    case RegFileState::Missing:
    case RegFileState::Loaded:
        break;
    case RegFileState::Corrupt:
        if (setAsideCorruptRegistryFile(b.path) != 0) return kRegIoError;
        break;
    case RegFileState::Unreadable:
        return kRegIoError;  // replacing what we cannot read could destroy it
    }
    apply(doc, keyPath, values);
    if (replaceRegistryFile(b.path, doc.serialize()) != 0) return kRegIoError;
    removeStaleRegistryTemporaries(b.path);
    return kRegOk;
}

int openKey(RegHive hive, std::string_view path, RegAccess access, bool create, RegKey::State& out) {
    if (!isValidRegKeyPath(path)) return kRegInvalidArgument;
    const RegistryDocument doc = loadHive(hive);
    const RegistryDocument::Key* existing = doc.key(path);
    if (hive == RegHive::LocalMachine && (access == RegAccess::Write || (!existing && create))) {
        return kRegAccessDenied;
    }
    if (!existing && !create) return kRegNotFound;
    out.hive = hive;
    out.access = access;
    out.key = existing ? *existing : RegistryDocument::Key{std::string(path), {}};
    return kRegOk;
}

bool sameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

using ValueList = std::vector<std::pair<std::string, RegValue>>;

RegValue* findIn(ValueList& list, std::string_view name) noexcept {
    for (auto& [n, v] : list) {
        if (sameName(n, name)) return &v;
    }
    return nullptr;
}

void putIn(ValueList& list, std::string_view name, const RegValue& value) {
    if (RegValue* v = findIn(list, name)) {
        *v = value;
    } else {
        list.emplace_back(std::string(name), value);
    }
}

int setValue(RegKey::State* s, std::string_view name, const RegValue& value) {
    if (!s) return kRegInvalidArgument;
    if (s->access != RegAccess::Write) return kRegAccessDenied;
    if (!isValidRegValueName(name)) return kRegInvalidArgument;
    if (value.type == RegValueType::String && value.text.size() > kRegMaxStringBytes) return kRegInvalidArgument;
    putIn(s->key.values, name, value);  // the handle sees its own sets at once
    putIn(s->pending, name, value);
    return kRegOk;
}

}  // namespace

RegKey::RegKey() noexcept = default;
RegKey::~RegKey() {
    if (state_) regCloseKey(*this);
}
RegKey::RegKey(RegKey&&) noexcept = default;
RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        if (state_) regCloseKey(*this);
        state_ = std::move(other.state_);
    }
    return *this;
}

int regCreateKey(RegHive hive, std::string_view path, RegAccess access, RegKey& out) noexcept {
    if (out.state_) regCloseKey(out);
    auto state = std::make_unique<RegKey::State>();
    const int r = openKey(hive, path, access, true, *state);
    if (r == kRegOk) out.state_ = std::move(state);
    return r;
}

int regOpenKey(RegHive hive, std::string_view path, RegAccess access, RegKey& out) noexcept {
    if (out.state_) regCloseKey(out);
    auto state = std::make_unique<RegKey::State>();
    const int r = openKey(hive, path, access, false, *state);
    if (r == kRegOk) out.state_ = std::move(state);
    return r;
}

int regQueryDword(const RegKey& key, std::string_view name, std::uint32_t& out) noexcept {
    if (!key.state_) return kRegInvalidArgument;
    if (key.state_->access != RegAccess::Read) return kRegAccessDenied;
    const RegValue* v = findIn(key.state_->key.values, name);
    if (!v) return kRegNotFound;
    if (v->type != RegValueType::Dword) return kRegWrongType;
    out = v->dword;
    return kRegOk;
}

int regQueryString(const RegKey& key, std::string_view name, std::string& out, std::size_t maxBytes) noexcept {
    if (!key.state_) return kRegInvalidArgument;
    if (key.state_->access != RegAccess::Read) return kRegAccessDenied;
    const RegValue* v = findIn(key.state_->key.values, name);
    if (!v) return kRegNotFound;
    if (v->type != RegValueType::String) return kRegWrongType;
    if (v->text.size() > maxBytes) return kRegMoreData;
    out = v->text;
    return kRegOk;
}

int regSetDword(RegKey& key, std::string_view name, std::uint32_t value) noexcept {
    return setValue(key.state_.get(), name, RegValue{RegValueType::Dword, value, {}});
}

int regSetString(RegKey& key, std::string_view name, std::string_view value) noexcept {
    return setValue(key.state_.get(), name, RegValue{RegValueType::String, 0, std::string(value)});
}

int regFlushKey(RegKey& key) noexcept {
    if (!key.state_) return kRegInvalidArgument;
    if (key.state_->pending.empty()) return kRegOk;
    const int r = commit(key.state_->key.path, key.state_->pending);
    if (r == kRegOk) key.state_->pending.clear();
    return r;
}

int regCloseKey(RegKey& key) noexcept {
    if (!key.state_) return kRegInvalidArgument;
    const int r = key.state_->access == RegAccess::Write ? regFlushKey(key) : kRegOk;
    key.state_.reset();
    return r;
}

int regReadDword(RegHive hive, std::string_view path, std::string_view name, std::uint32_t& out) noexcept {
    RegKey key;
    const int r = regOpenKey(hive, path, RegAccess::Read, key);
    return r == kRegOk ? regQueryDword(key, name, out) : r;
}

int regReadString(RegHive hive, std::string_view path, std::string_view name, std::string& out,
                  std::size_t maxBytes) noexcept {
    RegKey key;
    const int r = regOpenKey(hive, path, RegAccess::Read, key);
    return r == kRegOk ? regQueryString(key, name, out, maxBytes) : r;
}

void useRegistryFile(std::string path) {
    Backend& b = backend();
    b.path = std::move(path);
    b.memoryUser = RegistryDocument{};
    b.machine = RegistryDocument{};
}

void useInMemoryRegistry() { useRegistryFile(std::string()); }

std::string defaultRegistryPath() {
    std::string base;
    // Relative XDG paths are invalid by that convention and ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
        base = std::string(pw->pw_dir) + "/.config";
    } else {
        return {};
    }
    return base + "/vaultmere/registry.ini";
}

std::string registryFilePath() { return backend().path; }

int seedRegistryValue(RegHive hive, std::string_view path, std::string_view name, const RegValue& value) {
    if (!isValidRegKeyPath(path) || !isValidRegValueName(name)) return kRegInvalidArgument;
    if (hive == RegHive::LocalMachine) {
        backend().machine.set(path, name, value);
        return kRegOk;
    }
    return commit(std::string(path), {{std::string(name), value}});
}

}  // namespace vm::os
