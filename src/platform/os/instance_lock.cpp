#include "platform/os/instance_lock.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vm::os {

std::string defaultInstanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/vaultmere.lock";
    return "/tmp/vaultmere-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire(const std::string& path) {
    if (fd_ >= 0) return true;
    // O_NOFOLLOW: in a shared /tmp another user could plant a link to a file of ours.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd);
        return error != EWOULDBLOCK;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() noexcept {
    if (fd_ < 0) return;
    ::close(fd_);  // closing drops the flock
    fd_ = -1;
}

}  // namespace vm::os
