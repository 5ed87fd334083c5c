#include "app/base/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <iterator>
#include <string>

#include "platform/os/fake/fake_platform.h"
#include "platform/os/windows.h"
#include "tracing_saver.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

// Runs the test body in a fresh folder: the log lands in the current directory.
struct LogFolder {
    fs::path previous = fs::current_path();
    fs::path folder;
    explicit LogFolder(const char* name) : folder(fs::path(::testing::TempDir()) / name) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::current_path(folder);
    }
    ~LogFolder() { fs::current_path(previous); }
};

struct LogFileTest : ::testing::Test {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
};

TEST_F(LogFileTest, ExactBytesAndOneClose) {
    LogFolder dir("log_exact");
    LogFile log;
    log.open("Saver_Log.txt");
    log.writeLine("\xD1reate D3D complete");
    log.writeLine("");
    log.writeLine("All Data Was Loaded.");
    log.close();
    log.close();
    log.writeLine("after close");
    EXPECT_EQ(readAll("Saver_Log.txt"),
              "Log started\r\n\r\n\xD1reate D3D complete\r\n\r\nAll Data Was Loaded.\r\n\r\nLog finished\r\n");
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(LogFileTest, DisabledLogCreatesNothingAndShowsNothing) {
    LogFolder dir("log_disabled");
    LogFile log;
    log.setEnabled(false);
    log.open("Saver_Log.txt");
    log.writeLine("x");
    log.close();
    EXPECT_FALSE(fs::exists("Saver_Log.txt"));
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(LogFileTest, UncreatableFileShowsTheWarningOnceAndStaysClosed) {
    LogFolder dir("log_fail");
    LogFile log;
    log.open("no/such/folder/Saver_Log.txt");
    log.writeLine("x");
    log.close();
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].owner, os::WindowHandle::None);
    EXPECT_EQ(fake.boxes[0].text, "Warning");
    EXPECT_EQ(fake.boxes[0].caption, "Cant create log  file");
    EXPECT_FALSE(log.isOpen());
}

TEST_F(LogFileTest, UnfinishedRunKeepsTheLinesWrittenSoFar) {
    LogFolder dir("log_unfinished");
    {
        LogFile log;
        log.open("Saver_Log.txt");
        log.writeLine("Create Saver Window complete");
        // destroyed without close, as when the window is closed instead of the saver ending
    }
    EXPECT_EQ(readAll("Saver_Log.txt"), "Log started\r\n\r\nCreate Saver Window complete\r\n");
}

using testing::SaverFixture;

TEST_F(SaverFixture, ShutdownOrderAndLogOfASaverRun) {
    LogFolder dir("log_saver_run");
    app.enableLog();
    fake.scheduleInput(fake.nowMs + 100, os::msg::KeyDown, 'k');
    start({"vm", "/s"});
    // The hooks and device steps write their names, so the log is the order of the whole run; the log
    // closes last.
    EXPECT_EQ(readAll("Saver_Log.txt"),
              "Log started\r\n\r\n"
              "checkCapabilities\r\n"
              "Create Saver Window complete\r\n"
              "(settings read)\r\nreadSceneOptions\r\n"
              "(device created)\r\nsetupDeviceState\r\nshowLoadingScreen\r\n"
              "loadScene\r\nafterLoad\r\ninitSound\r\n"
              "All Data Was Loaded.\r\n"
              "freeSound\r\n(gamma restored)\r\n(textures released)\r\nreleaseScene\r\n(device released)\r\n"
              "\r\nLog finished\r\n");
    EXPECT_FALSE(fs::exists("Config_Log.txt"));
    EXPECT_TRUE(app.quitFlag());
    EXPECT_EQ(app.device(), nullptr);
}

TEST_F(SaverFixture, DeliveredBuildWritesNoLog) {
#ifdef VM_LOG_ENABLED
    GTEST_SKIP() << "built with the developer log switch on";
#endif
    LogFolder dir("log_delivered");
    fake.scheduleInput(fake.nowMs + 100, os::msg::KeyDown, 'k');
    start({"vm", "/s"});
    EXPECT_TRUE(fs::is_empty(dir.folder));
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(SaverFixture, LogFileNamePerMode) {
    struct Case {
        const char* mode;
        const char* file;  // nullptr: none
    };
    const Case cases[] = {{"/c", "Config_Log.txt"}, {"/t", "Saver_Log.txt"}, {"/a", nullptr}};
    for (const Case& c : cases) {
        LogFolder dir("log_per_mode");
        os::resetWindowSystem();
        fake.clearScript();
        testing::TracingSaver saver;
        saver.enableLog();
        fake.scheduleInput(fake.nowMs + 100, os::msg::Close);
        saver.setLaunch({"vm", c.mode});
        saver.createSaver();
        saver.run();
        std::size_t files = std::distance(fs::directory_iterator(dir.folder), fs::directory_iterator());
        EXPECT_EQ(files, c.file ? 1u : 0u) << c.mode;
        if (c.file) {
            EXPECT_TRUE(readAll(c.file).starts_with("Log started\r\n\r\n")) << c.mode;
        }
    }
}

}  // namespace
}  // namespace vm
