#include "app/base/frame_timer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/base/results.h"
#include "platform/os/fake/fake_platform.h"
#include "platform/os/registry.h"

namespace vm {
namespace {

TEST(FrameTimer, ElapsedWithCounterAndWithMillisecondFallback) {
    for (bool counter : {true, false}) {
        os::FakePlatform fake;
        fake.counterAvailable = counter;
        os::ScopedPlatform installed(fake);
        FrameTimer timer;
        timer.start();
        fake.advance(16);
        EXPECT_NEAR(timer.elapsed(), 0.016, 1e-9) << counter;
        EXPECT_EQ(timer.elapsed(), 0.0) << "two readings in a row: " << counter;
        fake.advance(5000);
        EXPECT_NEAR(timer.elapsed(), 5.0, 1e-9) << "no cap here; the scene caps: " << counter;
        timer.stop();
        fake.advance(700);
        EXPECT_EQ(timer.elapsed(), 0.0) << "stopped: " << counter;
        timer.start();
        fake.advance(10);
        EXPECT_NEAR(timer.elapsed(), 0.010, 1e-9) << "resumed: " << counter;
    }
}

TEST(FindMediaFile, Cases) {
    std::string existing = "vm_media_probe.txt";
    std::FILE* f = std::fopen(existing.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    struct Case {
        const char* name;
        const char* file;
        bool withPath;
        int result;
        std::string path;
    };
    const Case cases[] = {
        {"found in the current directory, unchanged", "vm_media_probe.txt", true, kResultOk, "vm_media_probe.txt"},
        {"missing: the name back and a failure", "no_such_media.jpg", true, kResultFail, "no_such_media.jpg"},
        {"null name", nullptr, true, kResultInvalidArg, "untouched"},
        {"null output", "vm_media_probe.txt", false, kResultInvalidArg, "untouched"},
    };
    for (const Case& c : cases) {
        std::string path = "untouched";
        EXPECT_EQ(findMediaFile(c.file, c.withPath ? &path : nullptr), c.result) << c.name;
        EXPECT_EQ(path, c.path) << c.name;
    }
    std::remove(existing.c_str());
}

TEST(FindMediaFile, FallsBackToTheDeveloperMediaFolder) {
    namespace fs = std::filesystem;
    os::useInMemoryRegistry();
    fs::path sdk = fs::path(::testing::TempDir()) / "vm_sdk";
    fs::create_directories(sdk / "Media");
    std::FILE* f = std::fopen((sdk / "Media" / "flame.tga").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    os::RegValue folder{os::RegValueType::String, 0, sdk.string()};
    ASSERT_EQ(os::seedRegistryValue(os::RegHive::LocalMachine, "Software\\Microsoft\\DirectX", "DX8SDK Samples Path", folder),
              os::kRegOk);
    std::string path;
    EXPECT_EQ(findMediaFile("flame.tga", &path), kResultOk);
    EXPECT_EQ(path, sdk.string() + "/Media/flame.tga");
    EXPECT_EQ(findMediaFile("missing.tga", &path), kResultFail);
    EXPECT_EQ(path, "missing.tga");
    os::useInMemoryRegistry();
    fs::remove_all(sdk);
}

}  // namespace
}  // namespace vm
