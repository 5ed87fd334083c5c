#pragma once
// Writes a complete RAR 2.0 archive in memory: marker, main header, one header per entry
// (files stored or compressed, directory entries), packed data, end block. The output depends only
// on the entries and the options, so builds are byte for byte repeatable.

#include <cstdint>
#include <string>
#include <vector>

#include "rarpack/rar20_encoder.h"

namespace vm::rarpack {

struct ArchiveEntry {
    std::string name;           // 8-bit, folders separated by '\'
    std::vector<uint8_t> data;  // empty for a directory
    bool directory = false;
};

struct ArchiveOptions {
    unsigned level = 3;           // 0 stores every entry; 1..5 compress (fastest .. best)
    bool solid = false;
    Multimedia multimedia = Multimedia::Off;
    std::string password;         // empty: no encryption
    uint32_t dosTime = 0x30210000; // 2004-01-01 00:00:00, fixed so output never depends on the clock
};

inline constexpr unsigned kMaxNameSize = 259; // longer names would be cut by the reader

// 0 on success with the archive in `out`; negative with a one-line reason in `error` when an
// entry cannot be represented (name empty or too long, entry of 4 GiB or more).
int writeArchive(const std::vector<ArchiveEntry>& entries, const ArchiveOptions& options, std::vector<uint8_t>& out,
                 std::string& error);

} // namespace vm::rarpack
