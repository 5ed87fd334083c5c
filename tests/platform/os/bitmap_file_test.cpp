#include "platform/os/bitmap_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vm::os {
namespace {

// An info header of headerSize bytes (40 or more) or a 12-byte core header, then extra bytes of payload.
std::vector<std::uint8_t> dib(std::uint32_t headerSize, std::uint16_t bits, std::uint32_t compression,
                              std::uint32_t coloursUsed, std::size_t payload) {
    std::vector<std::uint8_t> b(headerSize + payload, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, headerSize);
    if (headerSize == 12) {
        b[10] = static_cast<std::uint8_t>(bits);
    } else {
        b[14] = static_cast<std::uint8_t>(bits);
        put32(16, compression);
        put32(32, coloursUsed);
    }
    return b;
}

std::uint32_t pixelOffset(const std::vector<std::uint8_t>& file) {
    return file[10] | (file[11] << 8) | (file[12] << 16) | (static_cast<std::uint32_t>(file[13]) << 24);
}

TEST(BitmapFileFromResource, RebuildsTheFileHeader) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> input;
        std::int64_t offset;  // -1: rejected
    };
    const Case cases[] = {
        {"24-bit, no palette", dib(40, 24, 0, 0, 155 * 115 * 3), 54},
        {"8-bit, full palette", dib(40, 8, 0, 0, 1024 + 64), 54 + 1024},
        {"8-bit, 16 colours used", dib(40, 8, 0, 16, 64 + 64), 54 + 64},
        {"16-bit with colour masks", dib(40, 16, 3, 0, 12 + 32), 54 + 12},
        {"v5 header, masks inside it", dib(124, 32, 3, 0, 64), 14 + 124},
        {"old core header, 3-byte palette", dib(12, 8, 0, 0, 768 + 16), 14 + 12 + 768},
        {"palette runs past the end", dib(40, 8, 0, 0, 100), -1},
        {"header size past the end", {200, 0, 0, 0, 1, 2, 3}, -1},
        {"three bytes", {1, 2, 3}, -1},
        {"unknown header size", dib(20, 8, 0, 0, 8), -1},
        {"more than 256 palette colours for 8 bits", dib(40, 8, 0, 257, 2000), -1},
        {"absurd colour count", dib(40, 24, 0, 0xFFFFFFFF, 16), -1},
        {"64 bits per pixel", dib(40, 64, 0, 0, 16), -1},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> file = bitmapFileFromResource(c.input);
        if (c.offset < 0) {
            EXPECT_TRUE(file.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(file.size(), c.input.size() + 14) << c.name;
        EXPECT_EQ(file[0], 'B') << c.name;
        EXPECT_EQ(file[1], 'M') << c.name;
        EXPECT_EQ(pixelOffset(file), static_cast<std::uint32_t>(c.offset)) << c.name;
        EXPECT_TRUE(std::equal(c.input.begin(), c.input.end(), file.begin() + 14)) << c.name;
    }
}

TEST(BitmapFileFromResource, CompleteFileIsKept) {
    std::vector<std::uint8_t> file = {'B', 'M', 1, 2, 3};
    EXPECT_EQ(bitmapFileFromResource(file), file);
}

}  // namespace
}  // namespace vm::os
