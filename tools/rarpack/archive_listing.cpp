#include "rarpack/archive_listing.h"

#include <cstring>

namespace vm::rarpack {
namespace {

constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr size_t kMainHeaderSize = 13, kFileHeaderSize = 32, kBlockHeadSize = 7;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) { return get16(p) | (uint32_t{get16(p + 2)} << 16); }

} // namespace

int listArchive(std::span<const uint8_t> a, Listing& out, std::string& error)
{
    out = Listing{};
    if (a.size() < sizeof kMarker + kMainHeaderSize || std::memcmp(a.data(), kMarker, sizeof kMarker) != 0) {
        error = "not a RAR archive";
        return -1;
    }
    size_t pos = sizeof kMarker;
    const uint16_t mainSize = get16(a.data() + pos + 5);
    if (a[pos + 2] != 0x73 || mainSize < kMainHeaderSize || mainSize > a.size() - pos) {
        error = "damaged main header";
        return -1;
    }
    out.solidArchive = (get16(a.data() + pos + 3) & 0x0008) != 0;
    pos += mainSize;

    while (a.size() - pos >= kBlockHeadSize) {
        const uint8_t* h = a.data() + pos;
        const uint8_t type = h[2];
        const uint16_t flags = get16(h + 3);
        const uint16_t size = get16(h + 5);
        if (type == 0x7B)
            return 0;
        if (size < kBlockHeadSize || size > a.size() - pos) {
            error = "damaged block header at offset " + std::to_string(pos);
            return -1;
        }
        uint64_t next = pos + size;
        if (type == 0x74) {
            if (size < kFileHeaderSize) {
                error = "damaged file header at offset " + std::to_string(pos);
                return -1;
            }
            ListedEntry e;
            e.flags = flags;
            e.packedSize = get32(h + 7);
            e.unpackedSize = get32(h + 11);
            e.hostOs = h[15];
            e.crc = get32(h + 16);
            e.dosTime = get32(h + 20);
            e.unpackVersion = h[24];
            e.method = h[25];
            const uint16_t nameSize = get16(h + 26);
            e.attributes = get32(h + 28);
            if (nameSize > size - kFileHeaderSize) {
                error = "damaged file header at offset " + std::to_string(pos);
                return -1;
            }
            e.name.assign(reinterpret_cast<const char*>(h + kFileHeaderSize), nameSize);
            next += e.packedSize;
            out.entries.push_back(std::move(e));
        } else if (flags & 0x8000) {
            if (size < kBlockHeadSize + 4) {
                error = "damaged block header at offset " + std::to_string(pos);
                return -1;
            }
            next += get32(h + 7);
        }
        if (next > a.size()) {
            error = "archive cut short at offset " + std::to_string(pos);
            return -1;
        }
        pos = static_cast<size_t>(next);
    }
    // Archives without an end block are accepted, as the reader does.
    return 0;
}

} // namespace vm::rarpack
