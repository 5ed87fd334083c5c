#include "platform/os/registry_store_file.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vm::os {
namespace {

std::optional<RegWriteCrash> g_crash;
bool g_dead = false;  // a simulated crash has happened: the "process" writes nothing more

// True when the simulated crash happens before this step.
bool crashesAt(RegWriteStep step) noexcept {
    if (!g_crash || g_crash->step != step) return false;
    g_crash.reset();
    g_dead = true;
    return true;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const char* data, std::size_t size) noexcept {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int syncFolder(const std::string& folder) noexcept {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    // Some file systems refuse fsync on folders; the rename itself has still happened.
    ::fsync(fd);
    ::close(fd);
    return 0;
}

}  // namespace

RegFileState readRegistryFile(const std::string& path, RegistryDocument& doc) {
    doc = RegistryDocument{};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? RegFileState::Missing : RegFileState::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return RegFileState::Unreadable;
    }
    std::string bytes;
    char chunk[16 * 1024];
    bool failed = false;
    bool tooLarge = false;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > kRegMaxFileBytes) {
            tooLarge = true;
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (failed) return RegFileState::Unreadable;
    if (tooLarge) return RegFileState::Corrupt;
    if (!doc.parse(bytes)) return RegFileState::Corrupt;
    return RegFileState::Loaded;
}

int replaceRegistryFile(const std::string& path, std::string_view bytes) {
    if (g_dead) return -1;
    const std::string folder = folderOf(path);
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) return -1;

    if (crashesAt(RegWriteStep::CreateTemp)) return -1;
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = g_mkstemp_full(temp.data(), O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    auto fail = [&](bool closeFd) {
        if (closeFd) ::close(fd);
        ::unlink(temp.c_str());
        return -1;
    };

    if (g_crash && g_crash->step == RegWriteStep::Write) {
        const std::size_t part = std::min(g_crash->bytesWritten, bytes.size());
        g_crash.reset();
        g_dead = true;
        writeAll(fd, bytes.data(), part);
        ::close(fd);
        return -1;
    }
    if (!writeAll(fd, bytes.data(), bytes.size())) return fail(true);

    if (crashesAt(RegWriteStep::SyncFile)) {
        ::close(fd);
        return -1;
    }
    if (::fsync(fd) != 0) return fail(true);
    if (::close(fd) != 0) return fail(false);

    if (crashesAt(RegWriteStep::Rename)) return -1;
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail(false);

    // From here on the new file is in place; a crash can only lose the folder sync.
    if (crashesAt(RegWriteStep::SyncFolder)) return -1;
    syncFolder(folder);
    return 0;
}

void removeStaleRegistryTemporaries(const std::string& path) {
    const std::string folder = folderOf(path);
    const auto slash = path.rfind('/');
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp-";
    GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (!dir) return;
    while (const gchar* name = g_dir_read_name(dir)) {
        // g_mkstemp_full replaces exactly six characters.
        if (std::string_view(name).starts_with(prefix) && std::strlen(name) == prefix.size() + 6) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
    g_dir_close(dir);
}

int setAsideCorruptRegistryFile(const std::string& path) {
    const std::string aside = path + ".corrupt";
    return ::rename(path.c_str(), aside.c_str()) == 0 ? 0 : -1;
}

RegistryFileLock::RegistryFileLock(const std::string& path) {
    g_mkdir_with_parents(folderOf(path).c_str(), 0700);
    const std::string lockPath = path + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    // A holder that never lets go (a hung process) must not hang us: give up after about half a second
    // and write unlocked, which at worst drops the other writer's concurrent change.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        g_usleep(10 * 1000);
    }
    ::close(fd_);
    fd_ = -1;
}

RegistryFileLock::~RegistryFileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

void simulateRegistryWriteCrash(std::optional<RegWriteCrash> crash) noexcept {
    g_crash = crash;
    g_dead = false;
}

}  // namespace vm::os
