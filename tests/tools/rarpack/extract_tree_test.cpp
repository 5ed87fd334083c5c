// rarpack e: every entry into a folder tree in one pass, and the guard that keeps untrusted entry
// names inside the target folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

#include "pack_support.h"
#include "rarpack/tree_writer.h"

namespace vm::rarpack::test {
namespace {

int runTool(const std::string& args)
{
    const std::string cmd = "'" VM_RARPACK_TOOL "' " + args + " >/dev/null 2>&1";
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& data)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

TEST(SafeComponents, RefusesNamesThatLeaveTheTarget)
{
    struct Case {
        const char* name;
        bool accepted;
        std::vector<std::string> components;
    };
    const Case cases[] = {
        {"file.bin", true, {"file.bin"}},
        {"Digits\\digit_0.jpg", true, {"Digits", "digit_0.jpg"}},
        {"a/b\\c", true, {"a", "b", "c"}},
        {"a\\\\.\\b\\", true, {"a", "b"}},     // empty and "." parts dropped
        {"..x\\y..", true, {"..x", "y.."}},     // dots inside a name are fine
        {"..", false, {}},
        {"..\\escape.txt", false, {}},
        {"a\\..\\..\\escape.txt", false, {}},
        {"a/../b", false, {}},
        {"\\abs.txt", false, {}},
        {"/etc/passwd", false, {}},
        {"C:\\Windows\\x", false, {}},
        {"c:rel", false, {}},
        {"", false, {}},
        {".\\.", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> parts;
        EXPECT_EQ(safeComponents(c.name, parts), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(parts, c.components) << c.name;
        }
    }
}

TEST(RarpackExtractTree, EveryEntryWithItsFolders)
{
    const auto dir = freshDirectory("etree");
    const auto text = textBytes(200000, 5), noise = randomBytes(30000, 6), pcm = sampleBytes(20000, 2);
    // More than the writer's chunks hold at once, so the decoder waits for the writer.
    const auto big = textBytes(3000000, 7);
    const std::vector<ArchiveEntry> entries = {
        {"Digits", {}, true},
        {"Digits\\digit_0.jpg", noise, false},
        {"Models\\Deep\\church11.X", text, false},
        {"organ.raw", pcm, false},
        {"empty.txt", {}, false},
        {"big.txt", big, false},
    };
    for (const bool solid : {false, true}) {
        SCOPED_TRACE(solid ? "solid" : "non-solid");
        ArchiveOptions o;
        o.solid = solid;
        o.multimedia = Multimedia::Auto;
        writeBytes(dir / "a.rar", pack(entries, o));
        const auto out = dir / (solid ? "solid_out" : "plain_out");
        ASSERT_EQ(runTool("e '" + (dir / "a.rar").string() + "' '" + out.string() + "'"), 0);
        EXPECT_TRUE(std::filesystem::is_directory(out / "Digits"));
        EXPECT_EQ(readWholeFile(out / "Digits" / "digit_0.jpg"), noise);
        EXPECT_EQ(readWholeFile(out / "Models" / "Deep" / "church11.X"), text);
        EXPECT_EQ(readWholeFile(out / "organ.raw"), pcm);
        EXPECT_EQ(readWholeFile(out / "empty.txt"), std::vector<uint8_t>{});
        EXPECT_EQ(readWholeFile(out / "big.txt"), big);
    }
    std::filesystem::remove_all(dir);
}

// Regression: names from the archive must never write outside the target, whether by "..", an
// absolute name or a symbolic link planted inside the target. The safe entries still land.
TEST(RarpackExtractTree, PathTraversalIsRefused)
{
    const auto dir = freshDirectory("etrav");
    const auto target = dir / "target", outside = dir / "outside";
    std::filesystem::create_directories(target);
    std::filesystem::create_directories(outside);
    std::filesystem::create_directory_symlink(outside, target / "link");
    const std::vector<uint8_t> evil = bytesOf("evil"), good = bytesOf("good");
    const std::vector<ArchiveEntry> entries = {
        {"..\\outside\\dotdot.txt", evil, false},
        {"sub\\..\\..\\outside\\nested.txt", evil, false},
        {"\\" + outside.string().substr(1) + "\\absolute.txt", evil, false},
        {"link\\through_link.txt", evil, false},
        {"safe\\good.txt", good, false},
    };
    writeBytes(dir / "evil.rar", pack(entries, ArchiveOptions{}));
    EXPECT_EQ(runTool("e '" + (dir / "evil.rar").string() + "' '" + target.string() + "'"), 1); // entries failed
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    EXPECT_EQ(readWholeFile(target / "safe" / "good.txt"), good);
    std::filesystem::remove_all(dir);
}

// A damaged entry is reported, and whatever of it was already written is thrown away: a file of
// the same name keeps its bytes and no partial file is left behind. A damaged entry that is
// compressed reaches the writer in pieces before its CRC can tell.
TEST(RarpackExtractTree, DamagedEntryIsReportedAndNotWritten)
{
    const auto dir = freshDirectory("edamage");
    const auto big = textBytes(400000, 9);
    const std::vector<ArchiveEntry> entries = {{"a.txt", bytesOf("first entry"), false}, {"b.txt", big, false}};
    for (const int level : {0, 3}) {
        SCOPED_TRACE(level);
        ArchiveOptions o;
        o.level = level;
        std::vector<uint8_t> archive = pack(entries, o);
        // The data of b.txt sit at the end, before the end block.
        archive[archive.size() - 7 - (level == 0 ? 3 : 2000)] ^= 0x01;
        writeBytes(dir / "d.rar", archive);
        const auto out = dir / ("out" + std::to_string(level));
        std::filesystem::create_directories(out);
        writeBytes(out / "b.txt", bytesOf("keep me"));
        EXPECT_EQ(runTool("e '" + (dir / "d.rar").string() + "' '" + out.string() + "'"), 1);
        EXPECT_EQ(readWholeFile(out / "a.txt"), bytesOf("first entry"));
        EXPECT_EQ(readWholeFile(out / "b.txt"), bytesOf("keep me"));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 2);
        EXPECT_EQ(runTool("t '" + (dir / "d.rar").string() + "'"), 1);
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vm::rarpack::test
