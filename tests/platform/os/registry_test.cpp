// The registry stand-in: value round trips, access rules, damaged files and interrupted writes.

#include "platform/os/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/os/registry_store.h"
#include "platform/os/registry_store_file.h"

namespace vm::os {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKey = "Software\\BRASSWICK Studio\\Vaultmere 3D Screensaver";

class RegistryFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vm-registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        file_ = (dir_ / "vaultmere" / "registry.ini").string();
        useRegistryFile(file_);
    }
    void TearDown() override {
        simulateRegistryWriteCrash(std::nullopt);
        useInMemoryRegistry();
        fs::remove_all(dir_);
    }
    static void writeText(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string readText(const std::string& path) {
        std::string text;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[4096];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
            std::fclose(f);
        }
        return text;
    }
    // Opens kKey afresh (re-reading the file) and returns a dword, or -1 when it cannot be read.
    static long long readDword(std::string_view name) {
        RegKey key;
        if (regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Read, key) != kRegOk) return -1;
        std::uint32_t v = 0;
        return regQueryDword(key, name, v) == kRegOk ? static_cast<long long>(v) : -1;
    }

    fs::path dir_;
    std::string file_;
};

TEST_F(RegistryFileTest, ValuesSurviveTheFileWithEveryByte) {
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"Empty", ""},
        {"Plain", "/home/someone/audio"},
        {"InnerAndTrailingBlanks", "  a b  "},
        {"BackslashesAndEscapeLookalikes", "C:\\Temp\\x41\\\\"},
        {"LineEndsAndControls", std::string("a\r\nb\tc\0d", 9)},
        {"EightBit", "\xC0\xFF\x80 caf\xE9"},
        {"IniSyntax", "[group]\nkey=value # not a comment ;"},
    };
    {
        RegKey key;
        ASSERT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, key), kRegOk);
        for (const Case& c : cases) ASSERT_EQ(regSetString(key, c.name, c.text), kRegOk) << c.name;
        ASSERT_EQ(regSetDword(key, "Zero", 0), kRegOk);
        ASSERT_EQ(regSetDword(key, "Max", 0xFFFFFFFFu), kRegOk);
        ASSERT_EQ(regCloseKey(key), kRegOk);
    }
    RegKey key;
    ASSERT_EQ(regOpenKey(RegHive::CurrentUser, "software\\brasswick studio\\VAULTMERE 3D SCREENSAVER",
                         RegAccess::Read, key),
              kRegOk);
    for (const Case& c : cases) {
        std::string got = "untouched";
        EXPECT_EQ(regQueryString(key, c.name, got), kRegOk) << c.name;
        EXPECT_EQ(got, c.text) << c.name;
    }
    std::uint32_t v = 7;
    EXPECT_EQ(regQueryDword(key, "zero", v), kRegOk);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(regQueryDword(key, "MAX", v), kRegOk);
    EXPECT_EQ(v, 0xFFFFFFFFu);
}

TEST(RegistryRules, AccessTypesAndNames) {
    useInMemoryRegistry();
    ASSERT_EQ(seedRegistryValue(RegHive::LocalMachine, "Software\\Microsoft\\DirectX", "DX8SDK Samples Path",
                                RegValue{RegValueType::String, 0, "/opt/media"}),
              kRegOk);
    RegKey w;
    ASSERT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, w), kRegOk);
    ASSERT_EQ(regSetDword(w, "Num", 5), kRegOk);
    ASSERT_EQ(regSetString(w, "Path", "abcdef"), kRegOk);
    ASSERT_EQ(regCloseKey(w), kRegOk);

    RegKey r;
    ASSERT_EQ(regOpenKey(RegHive::CurrentUser, kKey, RegAccess::Read, r), kRegOk);
    RegKey w2;
    ASSERT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, w2), kRegOk);
    RegKey closed;
    std::uint32_t n = 0;
    std::string s;

    struct Case {
        const char* name;
        int result;
        int expected;
    };
    const Case cases[] = {
        {"query missing value", regQueryDword(r, "Nope", n), kRegNotFound},
        {"number asked of a string", regQueryDword(r, "Path", n), kRegWrongType},
        {"string asked of a number", regQueryString(r, "Num", s), kRegWrongType},
        {"string longer than the limit", regQueryString(r, "Path", s, 5), kRegMoreData},
        {"string exactly at the limit", regQueryString(r, "Path", s, 6), kRegOk},
        {"set on a read key", regSetDword(r, "Num", 1), kRegAccessDenied},
        {"query on a write key", regQueryDword(w2, "Num", n), kRegAccessDenied},
        {"set with '=' in the name", regSetDword(w2, "a=b", 1), kRegInvalidArgument},
        {"set with an empty name", regSetDword(w2, "", 1), kRegInvalidArgument},
        {"set with a bracket", regSetDword(w2, "a[en]", 1), kRegInvalidArgument},
        {"oversized string", regSetString(w2, "Big", std::string(kRegMaxStringBytes + 1, 'x')), kRegInvalidArgument},
        {"query on a closed handle", regQueryDword(closed, "Num", n), kRegInvalidArgument},
        {"open a missing key", regOpenKey(RegHive::CurrentUser, "Software\\Nobody", RegAccess::Read, closed),
         kRegNotFound},
        {"path with an empty segment", regCreateKey(RegHive::CurrentUser, "Software\\\\X", RegAccess::Read, closed),
         kRegInvalidArgument},
        {"machine hive: write", regCreateKey(RegHive::LocalMachine, "Software\\Microsoft\\DirectX", RegAccess::Write,
                                             closed),
         kRegAccessDenied},
        {"machine hive: create a missing key", regCreateKey(RegHive::LocalMachine, "Software\\New", RegAccess::Read,
                                                            closed),
         kRegAccessDenied},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.name;
    EXPECT_EQ(s, "abcdef");

    ASSERT_EQ(regReadString(RegHive::LocalMachine, "software\\microsoft\\directx", "dx8sdk samples path", s),
              kRegOk);
    EXPECT_EQ(s, "/opt/media");
    EXPECT_EQ(regReadDword(RegHive::CurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword", n),
              kRegNotFound);
    EXPECT_EQ(regReadDword(RegHive::CurrentUser, kKey, "Num", n), kRegOk);
    EXPECT_EQ(n, 5u);

    // Creating a key for reading works on a missing key and finds it empty.
    RegKey fresh;
    ASSERT_EQ(regCreateKey(RegHive::CurrentUser, "Control Panel\\Desktop", RegAccess::Read, fresh), kRegOk);
    EXPECT_EQ(regQueryDword(fresh, "ScreenSaveUsePassword", n), kRegNotFound);
}

TEST_F(RegistryFileTest, DamagedFilesReadAsEmptyAndAreNotLost) {
    struct Case {
        const char* name;
        std::string content;
        bool keptAside;  // a corrupt file is moved to .corrupt before the first save
    };
    const std::vector<Case> cases = {
        {"NotAKeyFile", "this is not\x01\x02 an ini file\n", true},
        {"TruncatedMidLine", "[Software\\BRASSWICK Studio\\Vaultmere 3D Screensaver]\nShowFPS=dwo", false},
        {"BinaryGarbage", std::string("\0\xff\xfe[\0]\n=\n", 9), true},
        {"Oversized", std::string(kRegMaxFileBytes + 1, '#'), true},
        {"BadValuesOnly", "[Software\\BRASSWICK Studio\\Vaultmere 3D Screensaver]\nA=dword:xyz\nB=sz:\\q\nC=what\n"
                          "D=dword:123456789\n[bad]]group]\nE=dword:1\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(file_, c.content);
        fs::remove(file_ + ".corrupt");
        EXPECT_EQ(readDword("ShowFPS"), -1);
        EXPECT_EQ(readDword("A"), -1);

        RegKey key;
        ASSERT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, key), kRegOk);
        ASSERT_EQ(regSetDword(key, "ShowFPS", 2), kRegOk);
        ASSERT_EQ(regCloseKey(key), kRegOk);
        EXPECT_EQ(readDword("ShowFPS"), 2);
        if (c.keptAside) {
            EXPECT_EQ(readText(file_ + ".corrupt"), c.content);
        }
    }
}

TEST_F(RegistryFileTest, UnwritableOrUnreadableFileFailsClearly) {
    struct Case {
        const char* name;
        void (*prepare)(const fs::path& dir, const std::string& file);
    };
    const Case cases[] = {
        // Running as root makes permission bits useless here; these block any user.
        {"FolderIsAFile", [](const fs::path& dir, const std::string&) {
             std::ofstream(dir / "vaultmere") << "a file where the folder should be";
         }},
        {"FileIsAFolder", [](const fs::path&, const std::string& file) { fs::create_directories(file); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_ / "vaultmere");
        c.prepare(dir_, file_);
        EXPECT_EQ(readDword("ShowFPS"), -1);
        RegKey key;
        ASSERT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, key), kRegOk);
        ASSERT_EQ(regSetDword(key, "ShowFPS", 2), kRegOk);
        EXPECT_EQ(regFlushKey(key), kRegIoError);
        // The failed change stays pending: once the obstacle is gone a flush delivers it.
        fs::remove_all(dir_ / "vaultmere");
        EXPECT_EQ(regFlushKey(key), kRegOk);
        EXPECT_EQ(readDword("ShowFPS"), 2);
    }
}

// Every value the old and the new content hold; a reader must see exactly one of the two sets.
TEST_F(RegistryFileTest, WriteInterruptedAnywhereLeavesOldOrNew) {
    const std::vector<std::string> names = {"ShowFPS", "Width", "Height", "GmCntrl", "MusicVolume"};
    auto writeAll = [&](std::uint32_t base) {
        RegKey key;
        EXPECT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, key), kRegOk);
        for (std::size_t i = 0; i < names.size(); ++i) regSetDword(key, names[i], base + static_cast<std::uint32_t>(i));
        return regCloseKey(key);
    };
    auto snapshot = [&] {
        std::vector<long long> got;
        for (const auto& n : names) got.push_back(readDword(n));
        return got;
    };
    ASSERT_EQ(writeAll(100), kRegOk);
    const std::vector<long long> oldValues = snapshot();
    ASSERT_EQ(writeAll(200), kRegOk);
    const std::vector<long long> newValues = snapshot();
    const std::size_t fileSize = readText(file_).size();
    ASSERT_GT(fileSize, 0u);

    std::vector<RegWriteCrash> crashes = {{RegWriteStep::CreateTemp, 0}, {RegWriteStep::SyncFile, 0},
                                          {RegWriteStep::Rename, 0}, {RegWriteStep::SyncFolder, 0}};
    for (std::size_t b = 0; b <= fileSize; b += 1 + fileSize / 40) crashes.push_back({RegWriteStep::Write, b});
    crashes.push_back({RegWriteStep::Write, fileSize});

    for (const RegWriteCrash& crash : crashes) {
        SCOPED_TRACE(::testing::Message() << "step " << static_cast<int>(crash.step) << " after " << crash.bytesWritten
                                          << " bytes");
        simulateRegistryWriteCrash(std::nullopt);  // the next "process" starts
        ASSERT_EQ(writeAll(100), kRegOk);
        simulateRegistryWriteCrash(crash);
        writeAll(200);
        const std::vector<long long> seen = snapshot();
        // Only a crash after the rename may show the new content; it is then complete.
        EXPECT_EQ(seen, crash.step == RegWriteStep::SyncFolder ? newValues : oldValues);
    }
    // The next successful save sweeps away the temporaries the dead writers left.
    simulateRegistryWriteCrash(std::nullopt);
    ASSERT_EQ(writeAll(300), kRegOk);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(fs::path(file_).parent_path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"registry.ini", "registry.ini.lock"}));
}

TEST_F(RegistryFileTest, FlushKeepsValuesWrittenMeanwhileByOthers) {
    RegKey mine;
    ASSERT_EQ(regCreateKey(RegHive::CurrentUser, kKey, RegAccess::Write, mine), kRegOk);
    ASSERT_EQ(regSetDword(mine, "ShowFPS", 2), kRegOk);
    // Another process saves a different value after our key was opened.
    ASSERT_EQ(seedRegistryValue(RegHive::CurrentUser, kKey, "Path", RegValue{RegValueType::String, 0, "/opt/a"}),
              kRegOk);
    ASSERT_EQ(regCloseKey(mine), kRegOk);

    RegKey key;
    ASSERT_EQ(regOpenKey(RegHive::CurrentUser, kKey, RegAccess::Read, key), kRegOk);
    std::string path;
    EXPECT_EQ(regQueryString(key, "Path", path), kRegOk);
    EXPECT_EQ(path, "/opt/a");
    EXPECT_EQ(readDword("ShowFPS"), 2);
}

TEST(RegistryPaths, DefaultFileFollowsXdgConfigHome) {
    struct Case {
        const char* name;
        const char* xdg;
        const char* home;
        std::string expected;
    };
    const Case cases[] = {
        {"XdgSet", "/x/cfg", "/home/u", "/x/cfg/vaultmere/registry.ini"},
        {"XdgEmpty", "", "/home/u", "/home/u/.config/vaultmere/registry.ini"},
        {"XdgRelativeIgnored", "rel/cfg", "/home/u", "/home/u/.config/vaultmere/registry.ini"},
        {"NoXdg", nullptr, "/home/v", "/home/v/.config/vaultmere/registry.ini"},
    };
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const std::string savedHome = oldHome ? oldHome : "";
    for (const Case& c : cases) {
        if (c.xdg) {
            ::setenv("XDG_CONFIG_HOME", c.xdg, 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(defaultRegistryPath(), c.expected) << c.name;
    }
    auto restore = [](const char* name, const char* old, const std::string& saved) {
        if (old) {
            ::setenv(name, saved.c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    };
    restore("XDG_CONFIG_HOME", oldXdg, savedXdg);
    restore("HOME", oldHome, savedHome);
}

}  // namespace
}  // namespace vm::os
