#pragma once
// A whole file mapped read-only into memory: the archive readers see it as one byte range without
// copying it. Files of 4 GiB and more are refused (the format's sizes are 32-bit).

#include <cstdint>
#include <span>
#include <string>

namespace vm::rarpack {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // 0 on success (an empty file maps to an empty range); negative with a reason otherwise.
    int open(const std::string& path, std::string& error);

    std::span<const uint8_t> bytes() const { return {data_, size_}; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace vm::rarpack
