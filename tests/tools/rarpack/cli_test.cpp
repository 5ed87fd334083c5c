// The rarpack command line: packing with explicit names and order, and the reading commands'
// exit status and one-line reasons.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

#include "pack_support.h"

namespace vm::rarpack::test {
namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun run(const std::filesystem::path& dir, const std::string& args)
{
    const auto out = dir / "stdout", err = dir / "stderr";
    const std::string cmd = "cd '" + dir.string() + "' && '" VM_RARPACK_TOOL "' " + args + " >'" + out.string() +
                            "' 2>'" + err.string() + "'";
    const int raw = std::system(cmd.c_str());
    ToolRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
    const auto o = readWholeFile(out), e = readWholeFile(err);
    if (o)
        r.out.assign(o->begin(), o->end());
    if (e)
        r.err.assign(e->begin(), e->end());
    return r;
}

void writeFile(const std::filesystem::path& p, const std::vector<uint8_t>& data)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

TEST(RarpackCli, PacksListsExtractsAndTests)
{
    const auto dir = freshDirectory("cli");
    const auto digit = randomBytes(1500, 3), text = textBytes(9000, 4);
    writeFile(dir / "d0.jpg", digit);
    writeFile(dir / "t.txt", text);

    ASSERT_EQ(run(dir, "a -s -m5 -p secret arc.rar 'Digits/' 'Digits\\digit_0.jpg=d0.jpg' Cam_Tracks.bin=t.txt").status, 0);

    const ToolRun listing = run(dir, "l arc.rar");
    EXPECT_EQ(listing.status, 0);
    const auto digits = listing.out.find("Digits\n");
    const auto digit0 = listing.out.find("Digits\\digit_0.jpg");
    const auto tracks = listing.out.find("Cam_Tracks.bin");
    ASSERT_NE(digits, std::string::npos) << listing.out;
    ASSERT_NE(digit0, std::string::npos) << listing.out;
    ASSERT_NE(tracks, std::string::npos) << listing.out;
    EXPECT_LT(digits, digit0); // command-line order
    EXPECT_LT(digit0, tracks);

    const ToolRun x = run(dir, "x arc.rar digits/DIGIT_0.JPG secret");
    EXPECT_EQ(x.status, 0);
    EXPECT_TRUE(std::vector<uint8_t>(x.out.begin(), x.out.end()) == digit);

    EXPECT_EQ(run(dir, "t arc.rar secret").status, 0);

    struct Failing {
        const char* name;
        std::string args;
    };
    const Failing failing[] = {
        {"missing_entry", "x arc.rar nothing.bin secret"},
        {"wrong_password", "x arc.rar Cam_Tracks.bin guess"},
        {"test_without_password", "t arc.rar"},
        {"missing_archive", "l none.rar"},
        {"missing_input_file", "a out.rar name=absent.bin"},
    };
    for (const Failing& f : failing) {
        SCOPED_TRACE(f.name);
        const ToolRun r = run(dir, f.args);
        EXPECT_EQ(r.status, 1);
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err; // one line
        EXPECT_EQ(r.err.rfind("rarpack: ", 0), 0u) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.rar")); // a failed pack leaves nothing behind
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vm::rarpack::test
