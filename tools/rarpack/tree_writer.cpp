#include "rarpack/tree_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vm::rarpack {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Closes a directory descriptor unless it is the root's.
struct FolderFd {
    int fd;
    int root;
    ~FolderFd()
    {
        if (fd >= 0 && fd != root)
            ::close(fd);
    }
};

} // namespace

bool safeComponents(std::string_view name, std::vector<std::string>& components)
{
    components.clear();
    if (name.empty() || isSeparator(name.front()))
        return false;
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return false; // a drive letter
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !isSeparator(name[end]))
            ++end;
        const std::string_view part = name.substr(start, end - start);
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            components.emplace_back(part);
        start = end + 1;
    }
    return !components.empty();
}

TreeWriter::~TreeWriter()
{
    abandonFile();
    if (root_ >= 0)
        ::close(root_);
}

int TreeWriter::open(const std::string& root, std::string& error)
{
    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create " + root + ": " + std::strerror(errno);
        return -1;
    }
    root_ = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_ < 0) {
        error = "cannot open " + root + ": " + std::strerror(errno);
        return -1;
    }
    return 0;
}

int TreeWriter::openFolders(const std::vector<std::string>& components, size_t count, std::string& error)
{
    int dir = root_;
    for (size_t i = 0; i < count; ++i) {
        const char* part = components[i].c_str();
        if (::mkdirat(dir, part, 0755) != 0 && errno != EEXIST) {
            error = std::string("cannot create folder ") + part + ": " + std::strerror(errno);
            if (dir != root_)
                ::close(dir);
            return -1;
        }
        const int next = ::openat(dir, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int saved = errno;
        if (dir != root_)
            ::close(dir);
        if (next < 0) {
            error = std::string("cannot open folder ") + part + ": " + std::strerror(saved);
            return -1;
        }
        dir = next;
    }
    return dir;
}

int TreeWriter::makeDirectory(std::string_view name, std::string& error)
{
    std::vector<std::string> parts;
    if (!safeComponents(name, parts)) {
        error = "refused unsafe name " + std::string(name);
        return -1;
    }
    const FolderFd dir{openFolders(parts, parts.size(), error), root_};
    return dir.fd < 0 ? -1 : 0;
}

int TreeWriter::writeFile(std::string_view name, std::span<const uint8_t> bytes, std::string& error)
{
    if (beginFile(name, error) != 0 || append(bytes, error) != 0)
        return -1;
    return commitFile(error);
}

int TreeWriter::beginFile(std::string_view name, std::string& error)
{
    abandonFile();
    std::vector<std::string> parts;
    if (!safeComponents(name, parts)) {
        error = "refused unsafe name " + std::string(name);
        return -1;
    }
    folder_ = openFolders(parts, parts.size() - 1, error);
    if (folder_ < 0)
        return -1;
    final_ = parts.back();
    display_ = std::string(name);
    // O_EXCL: the temporary name is ours alone, never a planted file or link.
    for (int attempt = 0; attempt < 100 && file_ < 0; ++attempt) {
        temporary_ = ".rarpack-" + std::to_string(::getpid()) + "-" + std::to_string(serial_++) + ".part";
        file_ = ::openat(folder_, temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         0644);
        if (file_ < 0 && errno != EEXIST)
            break;
    }
    if (file_ < 0) {
        error = "cannot create " + display_ + ": " + std::strerror(errno);
        abandonFile();
        return -1;
    }
    return 0;
}

int TreeWriter::append(std::span<const uint8_t> bytes, std::string& error)
{
    if (file_ < 0) {
        error = "no file in progress";
        return -1;
    }
    // The loop only continues a write the kernel cut short.
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "cannot write " + display_ + ": " + std::strerror(n < 0 ? errno : EIO);
            abandonFile();
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

int TreeWriter::commitFile(std::string& error)
{
    if (file_ < 0) {
        error = "no file in progress";
        return -1;
    }
    const int closed = ::close(file_);
    file_ = -1;
    // renameat replaces a link at the final name instead of following it.
    if (closed != 0 || ::renameat(folder_, temporary_.c_str(), folder_, final_.c_str()) != 0) {
        error = "cannot write " + display_ + ": " + std::strerror(errno);
        abandonFile();
        return -1;
    }
    temporary_.clear();
    abandonFile();  // closes the folder
    return 0;
}

void TreeWriter::abandonFile()
{
    if (file_ >= 0)
        ::close(file_);
    file_ = -1;
    if (folder_ >= 0) {
        if (!temporary_.empty())
            ::unlinkat(folder_, temporary_.c_str(), 0);
        if (folder_ != root_)
            ::close(folder_);
    }
    folder_ = -1;
    temporary_.clear();
}

} // namespace vm::rarpack
