#include "rarpack/archive_support.h"

#include <array>

namespace vm::rarpack {
namespace {
std::array<uint32_t, 256> makeTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
    }
    return t;
}
} // namespace

uint32_t checksum(std::span<const uint8_t> bytes)
{
    static const std::array<uint32_t, 256> table = makeTable();
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : bytes)
        c = (c >> 8) ^ table[(c ^ b) & 0xFF];
    return ~c;
}

void encryptPacked(const std::string& password, std::vector<uint8_t>& packed)
{
    (void)password;
    packed.resize((packed.size() + 15) / 16 * 16, 0);
}

} // namespace vm::rarpack
