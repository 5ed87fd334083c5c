#pragma once
// The per-user single-instance lock: an advisory lock (flock) on a file in the user's runtime folder.
// The kernel drops the lock when the holder ends, so a crashed run never blocks the next one.

#include <string>

namespace vm::os {

// $XDG_RUNTIME_DIR/vaultmere.lock, or /tmp/vaultmere-UID.lock where that variable is unset or not an
// absolute path.
std::string defaultInstanceLockPath();

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object holds the lock afterwards (also when it already did). False when another
    // holder has it; a file that cannot be created counts as not locked by anyone, so the saver still runs.
    bool acquire(const std::string& path);
    void release() noexcept;
    bool held() const noexcept { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace vm::os
