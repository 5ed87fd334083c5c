#include "rarpack/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vm::rarpack {

MappedFile::~MappedFile()
{
    if (data_ != nullptr)
        munmap(const_cast<uint8_t*>(data_), size_);
}

int MappedFile::open(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + path;
        return -1;
    }
    struct stat st {};
    int rc = 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "cannot read " + path + " (not a regular file)";
        rc = -1;
    } else if (static_cast<uint64_t>(st.st_size) > 0xFFFFFFF0u) {
        error = path + " is too large for a RAR 2.0 archive";
        rc = -1;
    } else if (st.st_size > 0) {
        const auto size = static_cast<size_t>(st.st_size);
        // Populated up front: one kernel call instead of a page fault per 4 KiB as the reader walks it.
        void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p == MAP_FAILED) {
            error = "cannot read " + path;
            rc = -1;
        } else {
            data_ = static_cast<const uint8_t*>(p);
            size_ = size;
        }
    }
    ::close(fd);
    return rc;
}

} // namespace vm::rarpack
