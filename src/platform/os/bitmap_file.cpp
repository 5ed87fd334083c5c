#include "platform/os/bitmap_file.h"

namespace vm::os {
namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kCoreHeaderBytes = 12;   // the old OS/2 header: palette entries of 3 bytes
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBitFields = 3;

}  // namespace

std::vector<std::uint8_t> bitmapFileFromResource(std::span<const std::uint8_t> resource) {
    if (resource.size() >= 2 && resource[0] == 'B' && resource[1] == 'M') {
        return {resource.begin(), resource.end()};
    }
    if (resource.size() < 4) return {};
    std::uint32_t headerSize = le32(resource, 0);
    if (headerSize > resource.size()) return {};
    std::size_t palette = 0;
    if (headerSize == kCoreHeaderBytes) {
        std::uint16_t bits = le16(resource, 10);
        if (bits <= 8) palette = (std::size_t{1} << bits) * 3;
    } else if (headerSize >= kInfoHeaderBytes && headerSize <= 124) {
        std::uint16_t bits = le16(resource, 14);
        std::uint32_t compression = le32(resource, 16);
        std::uint32_t used = le32(resource, 32);
        if (bits > 32) return {};
        std::size_t colours = used != 0 ? used : (bits <= 8 ? std::size_t{1} << bits : 0);
        if (colours > 256 && bits <= 8) return {};
        palette = colours * 4;
        if (compression == kBitFields && headerSize == kInfoHeaderBytes) palette += 12;
    } else {
        return {};
    }
    std::size_t offset = kFileHeaderBytes + headerSize + palette;
    if (headerSize + palette > resource.size()) return {};
    std::vector<std::uint8_t> file;
    file.reserve(kFileHeaderBytes + resource.size());
    file.push_back('B');
    file.push_back('M');
    put32(file, static_cast<std::uint32_t>(kFileHeaderBytes + resource.size()));
    put32(file, 0);  // reserved
    put32(file, static_cast<std::uint32_t>(offset));
    file.insert(file.end(), resource.begin(), resource.end());
    return file;
}

}  // namespace vm::os
