#pragma once
// The entry headers of a RAR 2.0 archive, for listing. Reads only inside the given bytes and
// stops with a reason at the first header that does not fit.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vm::rarpack {

struct ListedEntry {
    std::string name;
    uint16_t flags = 0;
    uint32_t packedSize = 0;
    uint32_t unpackedSize = 0;
    uint8_t hostOs = 0;
    uint32_t crc = 0;
    uint32_t dosTime = 0;
    uint8_t unpackVersion = 0;
    uint8_t method = 0;
    uint32_t attributes = 0;

    bool directory() const { return (flags & 0x00E0) == 0x00E0; }
    bool encrypted() const { return (flags & 0x0004) != 0; }
    bool solid() const { return (flags & 0x0010) != 0; }
};

struct Listing {
    bool solidArchive = false;
    std::vector<ListedEntry> entries;
};

// 0 on success; negative with a one-line reason when the bytes are not a readable archive.
int listArchive(std::span<const uint8_t> archive, Listing& out, std::string& error);

} // namespace vm::rarpack
