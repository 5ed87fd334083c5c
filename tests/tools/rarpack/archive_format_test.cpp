// What the packer writes beyond the bytes of each entry: header fields, repeatability, the sizes
// it reaches on the reference file, and a listing that survives damaged input.

#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "pack_support.h"
#include "archive/crc32.h"
#include "rarpack/archive_listing.h"
#include "rarpack/huffman_builder.h"

namespace vm::rarpack::test {
namespace {

Listing listOf(const std::vector<uint8_t>& archive)
{
    Listing l;
    std::string error;
    EXPECT_EQ(listArchive(archive, l, error), 0) << error;
    return l;
}

TEST(ArchiveFormat, HeadersCarryTheFieldsTheReaderAndOtherToolsUse)
{
    ArchiveOptions o;
    o.level = 4;
    o.solid = true;
    const std::vector<ArchiveEntry> entries = {
        {"Digits", {}, true},
        {"Digits\\digit_0.jpg", textBytes(5000, 1), false},
        {"church11.X", textBytes(7000, 2), false},
    };
    const std::vector<uint8_t> archive = pack(entries, o);
    const Listing l = listOf(archive);
    EXPECT_TRUE(l.solidArchive);
    ASSERT_EQ(l.entries.size(), 3u);

    struct Expect {
        const char* name;
        bool directory, solid;
        uint8_t method;
        uint32_t attributes;
    };
    const Expect expect[] = {
        {"Digits", true, false, 0x30, 0x10},
        {"Digits\\digit_0.jpg", false, false, 0x34, 0x20}, // first compressed entry starts the stream
        {"church11.X", false, true, 0x34, 0x20},
    };
    for (size_t i = 0; i < 3; ++i) {
        const ListedEntry& e = l.entries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.name, expect[i].name);
        EXPECT_EQ(e.directory(), expect[i].directory);
        EXPECT_EQ(e.solid(), expect[i].solid);
        EXPECT_EQ(e.method, expect[i].method);
        EXPECT_EQ(e.attributes, expect[i].attributes);
        EXPECT_EQ(e.unpackVersion, 20);
        EXPECT_EQ(e.hostOs, 2);
        EXPECT_EQ(e.dosTime, o.dosTime);
        EXPECT_EQ(e.unpackedSize, entries[i].data.size());
        EXPECT_EQ(e.crc, entries[i].directory ? 0u : vm::crc32(entries[i].data));
    }
    // The archive ends with the 7-byte end block.
    const std::array<uint8_t, 7> end = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};
    EXPECT_TRUE(std::equal(end.begin(), end.end(), archive.end() - 7));
}

TEST(ArchiveFormat, OutputIsRepeatable)
{
    ArchiveOptions o;
    o.level = 5;
    o.solid = true;
    o.multimedia = Multimedia::Auto;
    o.password = "pw";
    const std::vector<ArchiveEntry> entries = {{"a", textBytes(20000, 1), false}, {"s", sampleBytes(4000, 2), false}};
    EXPECT_TRUE(pack(entries, o) == pack(entries, o));
}

TEST(ArchiveFormat, RejectsEntriesTheFormatCannotHold)
{
    struct Case {
        const char* name;
        std::string entryName;
    };
    const Case cases[] = {{"empty_name", ""}, {"name_longer_than_reader_keeps", std::string(260, 'n')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out{1, 2, 3};
        std::string error;
        EXPECT_LT(writeArchive({{c.entryName, {1}, false}}, ArchiveOptions{}, out, error), 0);
        EXPECT_FALSE(error.empty());
    }
}

std::optional<std::vector<uint8_t>> etalon()
{
    return readWholeFile(std::filesystem::path(VM_FIXTURES_DIR) / "rar" / "etalon.bin");
}

// Packed sizes of the reference file: the best the original archiver reached in LZ mode and in
// multimedia mode (see the fixtures' README).
TEST(ArchiveFormat, ReferenceFilePacksNoLargerThanTheOriginalArchiver)
{
    const auto data = etalon();
    if (!data)
        GTEST_SKIP() << "fixture rar/etalon.bin missing under " << VM_FIXTURES_DIR;
    struct Case {
        const char* name;
        unsigned level;
        Multimedia mm;
        uint32_t limit;
    };
    const Case cases[] = {{"best_lz", 5, Multimedia::Off, 8182}, {"multimedia_forced", 5, Multimedia::Force, 13321}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ArchiveOptions o;
        o.level = c.level;
        o.multimedia = c.mm;
        const std::vector<uint8_t> archive = pack({{"p.bin", *data, false}}, o);
        const Listing l = listOf(archive);
        ASSERT_EQ(l.entries.size(), 1u);
        EXPECT_LE(l.entries[0].packedSize, c.limit);
        EXPECT_TRUE(readerExtract(archive, "p.bin", nullptr) == *data);
    }
}

// Every prefix of a valid archive, and every single-byte corruption of its headers, lists
// with a clear result and never reads outside the bytes (run under the sanitizers to see it).
TEST(ArchiveListing, DamagedArchivesFailCleanly)
{
    ArchiveOptions o;
    o.level = 3;
    const std::vector<uint8_t> archive =
        pack({{"Digits", {}, true}, {"Digits\\a.txt", textBytes(3000, 1), false}, {"b", textBytes(100, 2), false}}, o);
    for (size_t cut = 0; cut < archive.size(); ++cut) {
        const std::vector<uint8_t> prefix(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(cut));
        Listing l;
        std::string error;
        const int rc = listArchive(prefix, l, error);
        if (rc != 0) {
            EXPECT_FALSE(error.empty()) << "cut at " << cut;
        }
    }
    for (size_t at = 0; at < 80; ++at) {
        std::vector<uint8_t> bad = archive;
        bad[at] ^= 0xFF;
        Listing l;
        std::string error;
        (void)listArchive(bad, l, error);
    }
    const std::vector<uint8_t> notRar = bytesOf("RE~^ an older marker");
    Listing l;
    std::string error;
    EXPECT_LT(listArchive(notRar, l, error), 0);
}

TEST(HuffmanBuilder, LengthsStayWithinLimitAndFormACompleteCode)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> freq;
    };
    std::vector<uint32_t> fibonacci(40);
    fibonacci[0] = fibonacci[1] = 1;
    for (size_t i = 2; i < fibonacci.size(); ++i)
        fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2]; // optimal code would be 39 bits deep
    std::vector<uint32_t> flat(298, 5);
    const Case cases[] = {
        {"fibonacci_needs_limiting", fibonacci},
        {"flat", flat},
        {"single_symbol_gets_a_partner", {0, 0, 9, 0}},
        {"two_symbols", {3, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> len(c.freq.size());
        buildCodeLengths(c.freq, kMaxCodeLength, len);
        double kraft = 0;
        for (size_t i = 0; i < len.size(); ++i) {
            EXPECT_LE(len[i], kMaxCodeLength);
            if (c.freq[i] > 0) {
                EXPECT_GT(len[i], 0) << "symbol " << i;
            }
            if (len[i] > 0)
                kraft += 1.0 / static_cast<double>(1u << len[i]);
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0);
    }
}

} // namespace
} // namespace vm::rarpack::test
