#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/launch_options.h"
#include "app/run_mode.h"

namespace vm {
namespace {

TEST(ParseCommandLine, ModesSeparatorsAndNumbers) {
    struct Case {
        const char* name;
        const char* input;
        RunMode mode;
        std::uint64_t parent;
    };
    const Case cases[] = {
        {"no switch opens the configuration", "vaultmere.scr", RunMode::Config, 0},
        {"only blanks after the name", "vaultmere.scr    ", RunMode::Config, 0},
        {"/c without a number has no owner", "vaultmere.scr /c", RunMode::Config, 0},
        {"/c with owner", "vaultmere.scr /c:4242", RunMode::Config, 4242},
        {"-P:987", "vaultmere.scr -P:987", RunMode::Preview, 987},
        {"/p 987", "vaultmere.scr /p 987", RunMode::Preview, 987},
        {"/P987", "vaultmere.scr /P987", RunMode::Preview, 987},
        {"/p without a number", "vaultmere.scr /p", RunMode::Preview, 0},
        {"/a with owner", "vaultmere.scr /a 77", RunMode::ChangePassword, 77},
        {"/a without owner", "vaultmere.scr /A", RunMode::ChangePassword, 0},
        {"/t reads no number", "vaultmere.scr /t 55", RunMode::Test, 0},
        {"/S", "vaultmere.scr /S", RunMode::Saver, 0},
        {"unknown letter is saver", "vaultmere.scr /x", RunMode::Saver, 0},
        {"double dash is saver", "vaultmere --frames", RunMode::Saver, 0},
        {"switch at the very end is saver", "vaultmere /", RunMode::Saver, 0},
        {"quoted name with blanks and a slash", "\"C:/My Savers/v -p.scr\" /p 12", RunMode::Preview, 12},
        {"quoted name never closed", "\"C:/x /p 12", RunMode::Config, 0},
        {"a switch inside the unquoted name is skipped", "a/t /p 5", RunMode::Preview, 5},
        {"text before the switch is skipped", "v.scr hello /t", RunMode::Test, 0},
        {"first switch wins", "v.scr /t /p 5", RunMode::Test, 0},
        {"XScreenSaver -root", "vaultmere -root", RunMode::Saver, 0},
        {"XScreenSaver -window-id", "vaultmere -window-id 0x1c00007", RunMode::Saver, 0},
        {"largest 64-bit parent", "v /p 18446744073709551615", RunMode::Preview, 18446744073709551615u},
        // Regression: digits past 64 bits used to wrap into an unrelated window number.
        {"parent number beyond 64 bits is no window", "v /p 18446744073709551616", RunMode::Preview, 0},
    };
    for (const Case& c : cases) {
        ParsedCommandLine parsed = parseCommandLine(c.input);
        EXPECT_EQ(parsed.mode, c.mode) << c.name;
        EXPECT_EQ(parsed.parentWindow, c.parent) << c.name;
    }
}

TEST(ParseLaunchOptions, XScreenSaverAndHeadlessSwitches) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* environment;
        RunMode mode;               // of the resulting command text, with impliedSaver applied
        os::ForeignWindowId target; // saverTarget with root window 0x100
        long frames;
        std::string error;          // prefix
    };
    const Case cases[] = {
        {"plain /t", {"vm", "/t"}, nullptr, RunMode::Test, 0, 0, ""},
        {"-window-id hex", {"vm", "-window-id", "0x1c00007"}, nullptr, RunMode::Saver, 0x1c00007, 0, ""},
        {"--window-id decimal", {"vm", "--window-id", "1234"}, nullptr, RunMode::Saver, 1234, 0, ""},
        {"-window-id beats the environment", {"vm", "-window-id", "5", "-root"}, "0x77", RunMode::Saver, 5, 0, ""},
        {"-root takes the environment window", {"vm", "-root"}, "0x77", RunMode::Saver, 0x77, 0, ""},
        {"-root without environment is the root window", {"vm", "--root"}, nullptr, RunMode::Saver, 0x100, 0, ""},
        {"bare environment window", {"vm"}, "0x77", RunMode::Saver, 0x77, 0, ""},
        {"bad environment window is ignored", {"vm"}, "garbage", RunMode::Config, 0, 0, ""},
        {"-window is saver in our own windows", {"vm", "-window"}, nullptr, RunMode::Saver, 0, 0, ""},
        {"headless alone means saver", {"vm", "--frames", "120", "--snapshot", "a.png"}, nullptr, RunMode::Saver, 0, 120, ""},
        {"headless numbers are not parent windows", {"vm", "/c", "--seed", "99"}, nullptr, RunMode::Config, 0, 0, ""},
        {"benchmark has a frame count", {"vm", "--benchmark"}, nullptr, RunMode::Saver, 0, kBenchmarkFrames, ""},
        {"frames zero", {"vm", "--frames", "0"}, nullptr, RunMode::Saver, 0, 0, "--frames"},
        {"frames not a number", {"vm", "--frames", "12x"}, nullptr, RunMode::Saver, 0, 0, "--frames"},
        {"frames missing value", {"vm", "--frames"}, nullptr, RunMode::Config, 0, 0, "--frames"},
        {"seed too large", {"vm", "--seed", "4294967296"}, nullptr, RunMode::Saver, 0, 0, "--seed"},
        {"window id not a number", {"vm", "-window-id", "0xZZ"}, nullptr, RunMode::Saver, 0, 0, "-window-id"},
        {"window id zero", {"vm", "-window-id", "0"}, nullptr, RunMode::Saver, 0, 0, "-window-id"},
        {"window id missing", {"vm", "-window-id"}, nullptr, RunMode::Saver, 0, 0, "-window-id"},
    };
    for (const Case& c : cases) {
        LaunchOptions options = parseLaunchOptions(c.args, c.environment);
        if (!c.error.empty()) {
            EXPECT_TRUE(options.error.starts_with(c.error)) << c.name << ": " << options.error;
            continue;
        }
        EXPECT_EQ(options.error, "") << c.name;
        RunMode mode = options.impliedSaver ? RunMode::Saver : parseCommandLine(options.commandLine).mode;
        EXPECT_EQ(mode, c.mode) << c.name;
        EXPECT_EQ(saverTarget(options, 0x100), c.target) << c.name;
        EXPECT_EQ(options.frames, c.frames) << c.name;
    }
}

TEST(ParseLaunchOptions, SeedAndSnapshotAreKept) {
    std::vector<std::string> args = {"vm", "--seed", "4294967295", "--snapshot", "out.png"};
    LaunchOptions options = parseLaunchOptions(args, nullptr);
    ASSERT_TRUE(options.seed.has_value());
    EXPECT_EQ(*options.seed, 4294967295u);
    EXPECT_EQ(options.snapshot, "out.png");
    EXPECT_EQ(options.commandLine, "vm");
}

}  // namespace
}  // namespace vm
