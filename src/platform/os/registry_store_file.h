#pragma once
// The registry file on disk: a bounded read and an atomic replace.
//
// Replacing writes a temporary file beside the target, syncs it, renames it over the target and syncs
// the folder, so a crash at any moment leaves either the old file or the new one, never a mix.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/registry_store.h"

namespace vm::os {

// Larger files are not ours: treated like a corrupt one.
inline constexpr std::size_t kRegMaxFileBytes = 1024 * 1024;

enum class RegFileState {
    Missing,     // no file: an empty registry
    Loaded,      // parsed
    Corrupt,     // present but not a key file (or too large): reads as empty
    Unreadable,  // present but cannot be read (a folder, an I/O error): reads as empty, must not be replaced
};

// Fills doc (empty unless Loaded).
RegFileState readRegistryFile(const std::string& path, RegistryDocument& doc);

// 0 on success, negative on failure (the old file is then untouched). Creates missing folders (0700).
int replaceRegistryFile(const std::string& path, std::string_view bytes);

// Deletes temporaries that replaceRegistryFile left behind when a process died mid-write. Call only
// while holding the RegistryFileLock, so no live writer's temporary is taken.
void removeStaleRegistryTemporaries(const std::string& path);

// Moves a corrupt file to path + ".corrupt" so that replacing it loses nothing a person could recover.
int setAsideCorruptRegistryFile(const std::string& path);

// Advisory exclusive lock on path + ".lock" around a read-merge-replace, so two processes that flush at
// once do not drop each other's values. Unlocks on destruction; a lock that cannot be taken is skipped.
class RegistryFileLock {
public:
    explicit RegistryFileLock(const std::string& path);
    ~RegistryFileLock();
    RegistryFileLock(const RegistryFileLock&) = delete;
    RegistryFileLock& operator=(const RegistryFileLock&) = delete;

private:
    int fd_ = -1;
};

// Test seam: makes the next replaceRegistryFile stop the way a killed process would, before the given
// step (for Write: after bytesWritten bytes), leaving the temporary file behind. Once it has fired,
// every later replace fails too (a dead process writes nothing more) until the seam is set again or
// cleared with nullopt.
enum class RegWriteStep { CreateTemp, Write, SyncFile, Rename, SyncFolder };
struct RegWriteCrash {
    RegWriteStep step = RegWriteStep::CreateTemp;
    std::size_t bytesWritten = 0;
};
void simulateRegistryWriteCrash(std::optional<RegWriteCrash> crash) noexcept;

}  // namespace vm::os
