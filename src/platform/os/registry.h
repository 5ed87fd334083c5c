#pragma once
// The registry stand-in: per-user settings as keys with named values, after the operations the program
// performs on the original platform's registry (create/open a key, query, set, flush, close).
//
// Hives:
// - CurrentUser: persisted in one INI file per user (see registry_store.h for the format), by default
//   $XDG_CONFIG_HOME/vaultmere/registry.ini (else ~/.config/...). Every open reads the file afresh, so a
//   change saved by another process is seen by the next open. Sets go to the open key at once and reach
//   the file when the key is flushed or closed: the file is re-read under a lock, the key's changed
//   values are applied, and the file is replaced atomically (old or new content after any crash).
//   A missing, unreadable or corrupt file reads as empty and is never a crash; a corrupt file is moved
//   aside to "registry.ini.corrupt" before it is first replaced.
// - LocalMachine: Linux has no machine-wide registry that this program could share, so this hive lives
//   in memory only, is empty at start and is read-only to the program (creating or writing gives
//   kRegAccessDenied). Tests put values into it with seedRegistryValue.
//
// Names compare case-blind (ASCII). Key paths use '\' between segments. Results: kRegOk (0) or a
// negative code below; nothing throws.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/os/registry_store.h"

namespace vm::os {

enum class RegHive { CurrentUser, LocalMachine };
enum class RegAccess { Read, Write };

inline constexpr int kRegOk = 0;
inline constexpr int kRegNotFound = -1;         // key or value missing
inline constexpr int kRegAccessDenied = -2;     // read on a write handle and back, or a read-only hive
inline constexpr int kRegInvalidArgument = -3;  // bad path or name, closed handle, oversized string
inline constexpr int kRegMoreData = -4;         // the string is longer than the caller's limit
inline constexpr int kRegWrongType = -5;        // a string where a number was asked for, or back
inline constexpr int kRegIoError = -6;          // the settings file could not be written

// An open key. Move-only; closing (or destroying) an open write key flushes it first.
class RegKey {
public:
    RegKey() noexcept;
    ~RegKey();
    RegKey(RegKey&&) noexcept;
    RegKey& operator=(RegKey&&) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool isOpen() const noexcept { return state_ != nullptr; }

    struct State;

private:
    friend int regCreateKey(RegHive, std::string_view, RegAccess, RegKey&) noexcept;
    friend int regOpenKey(RegHive, std::string_view, RegAccess, RegKey&) noexcept;
    friend int regQueryDword(const RegKey&, std::string_view, std::uint32_t&) noexcept;
    friend int regQueryString(const RegKey&, std::string_view, std::string&, std::size_t) noexcept;
    friend int regSetDword(RegKey&, std::string_view, std::uint32_t) noexcept;
    friend int regSetString(RegKey&, std::string_view, std::string_view) noexcept;
    friend int regFlushKey(RegKey&) noexcept;
    friend int regCloseKey(RegKey&) noexcept;
    std::unique_ptr<State> state_;
};

// Opens the key, creating it when missing (a created key with no values is not persisted). Any key
// already open in out is closed first.
int regCreateKey(RegHive hive, std::string_view path, RegAccess access, RegKey& out) noexcept;
// Opens an existing key; kRegNotFound when missing.
int regOpenKey(RegHive hive, std::string_view path, RegAccess access, RegKey& out) noexcept;

// A 32-bit number; out is untouched on failure.
int regQueryDword(const RegKey& key, std::string_view name, std::uint32_t& out) noexcept;
// A string of at most maxBytes bytes (kRegMoreData when longer); out is untouched on failure.
int regQueryString(const RegKey& key, std::string_view name, std::string& out,
                   std::size_t maxBytes = kRegMaxStringBytes) noexcept;

int regSetDword(RegKey& key, std::string_view name, std::uint32_t value) noexcept;
int regSetString(RegKey& key, std::string_view name, std::string_view value) noexcept;

// Persists the key's changed values. Changes stay pending (and are retried) when this fails.
int regFlushKey(RegKey& key) noexcept;
// Flushes a write key, then closes it; the handle is closed whatever the result.
int regCloseKey(RegKey& key) noexcept;

// One value in one call: open for reading (a missing key is not created), query, close. For the
// single reads of the shell, e.g. "ScreenSaveUsePassword" of "Control Panel\Desktop".
int regReadDword(RegHive hive, std::string_view path, std::string_view name, std::uint32_t& out) noexcept;
int regReadString(RegHive hive, std::string_view path, std::string_view name, std::string& out,
                  std::size_t maxBytes = kRegMaxStringBytes) noexcept;

// Backends. The first use without a choice picks the file at defaultRegistryPath().
void useRegistryFile(std::string path);
// Tests: no disk at all; both hives start empty.
void useInMemoryRegistry();
// $XDG_CONFIG_HOME/vaultmere/registry.ini, else $HOME/.config/..., else the user database's home;
// empty when none is known (the registry then stays in memory).
std::string defaultRegistryPath();
// The file in use, empty in memory mode.
std::string registryFilePath();

// Test seam: writes a value straight into a hive, past access checks (the only way to fill
// LocalMachine). CurrentUser values go to the file in file mode.
int seedRegistryValue(RegHive hive, std::string_view path, std::string_view name, const RegValue& value);

}  // namespace vm::os
