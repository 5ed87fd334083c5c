// The texture table: dedupe by name and group, the reduced fallback, one warning, log lines and the
// bounds of BindTexture, on a headless device.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "headless_device.h"
#include "app/base/log_file.h"
#include "engine/texture_table.h"
#include "platform/os/fake/fake_platform.h"

namespace vm::engine {
namespace {

namespace fs = std::filesystem;
using gfx::test::makeTga;

struct TextureTableTest : ::testing::Test {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    gfx::test::HeadlessDevice dev;
    TextureTable table;
    LogFile log;
    fs::path logPath = fs::temp_directory_path() / ("vm_texture_table_" + std::to_string(::getpid()) + ".txt");

    void open(std::uint32_t maxTextureSize = 0) {
        if (!dev.open(32, 32, maxTextureSize))
            GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
        log.setEnabled(true);
        log.open(logPath.string());
        table.setLog(&log);
        table.Init(dev.d3d.get(), dev.device.get(), d3d::Format::X8R8G8B8, os::WindowHandle::None);
    }
    int loadedLines() {
        log.close();
        std::ifstream in(logPath);
        std::stringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        int n = 0;
        for (std::size_t at = text.find("was Loaded."); at != std::string::npos; at = text.find("was Loaded.", at + 1)) ++n;
        return n;
    }
    void TearDown() override {
        table.ReleaseAll();
        std::error_code ec;
        fs::remove(logPath, ec);
    }
};

TEST_F(TextureTableTest, SameNameAndGroupLoadsOnceOtherGroupMakesAnEntry) {
    open();
    if (IsSkipped()) return;
    const auto tga = makeTga(4, 4, 0xFF20A040u);
    const TextureRef a = table.LoadFromMemory(tga.data(), tga.size(), "digit_0.JPG", "Digits\\");
    const TextureRef again = table.LoadFromMemory(tga.data(), tga.size(), "digit_0.JPG", "Digits\\");
    const TextureRef other = table.LoadFromMemory(tga.data(), tga.size(), "digit_0.JPG", "Other\\");
    const TextureRef caseDiffers = table.LoadFromMemory(tga.data(), tga.size(), "DIGIT_0.JPG", "Digits\\");
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(again.index, 0);
    EXPECT_EQ(other.index, 1);
    EXPECT_EQ(caseDiffers.index, 2) << "names compare case-sensitively";
    EXPECT_EQ(a.name, "digit_0.JPG");
    EXPECT_TRUE(table.loaded(0));
    EXPECT_EQ(loadedLines(), 3);
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(TextureTableTest, OversizedImageFallsBackToTheDeviceMaximumInSixteenBits) {
    open(64);
    if (IsSkipped()) return;
    const auto big = makeTga(128, 128, 0xFFFFFFFFu);
    const TextureRef r = table.LoadFromMemory(big.data(), big.size(), "big.tga", "");
    ASSERT_TRUE(table.loaded(r.index));
    d3d::SurfaceDesc desc;
    ASSERT_EQ(table.texture(r.index)->GetLevelDesc(0, &desc), 0);
    EXPECT_EQ(desc.Width, 64u) << "min(256, MaxTextureWidth)";
    EXPECT_EQ(desc.Height, 64u);
    EXPECT_EQ(desc.Format, table.fallbackFormat());
    EXPECT_TRUE(desc.Format == d3d::Format::A1R5G5B5 || desc.Format == d3d::Format::R5G6B5);
    EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(TextureTableTest, CorruptImagesGiveEntriesWithoutTextureAndOneWarning) {
    open();
    if (IsSkipped()) return;
    const std::uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const TextureRef a = table.LoadFromMemory(junk, sizeof junk, "junk1.jpg", "");
    const TextureRef b = table.LoadFromMemory(junk, sizeof junk, "junk2.jpg", "");
    const TextureRef empty = table.LoadFromMemory(nullptr, 0, "empty.jpg", "");
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(b.index, 1);
    EXPECT_EQ(empty.index, 2);
    EXPECT_FALSE(table.loaded(0));
    EXPECT_EQ(table.texture(0), nullptr);
    ASSERT_EQ(fake.boxes.size(), 1u) << "one warning per table";
    EXPECT_EQ(fake.boxes[0].text, "Some textures was not loaded. There why some objects will be white color.");
    EXPECT_EQ(fake.boxes[0].caption, "Warning!");
    EXPECT_EQ(fake.boxes[0].icon, os::MessageBoxIcon::Warning);
    EXPECT_EQ(loadedLines(), 0);
    EXPECT_EQ(table.LoadFromMemory(junk, sizeof junk, "junk1.jpg", "").index, 0) << "a failed pair is not retried";
}

TEST_F(TextureTableTest, BindTextureBounds) {
    open();
    if (IsSkipped()) return;
    const auto tga = makeTga(2, 2, 0xFFFFFFFFu);
    const int i = table.LoadFromMemory(tga.data(), tga.size(), "t.tga", "").index;
    d3d::Device& d = *dev.device;
    struct Case {
        const char* name;
        std::uint32_t stage;
        int index;
        d3d::Texture* before;
        d3d::Texture* after;
    };
    d3d::Texture* tex = table.texture(i);
    const Case cases[] = {
        {"binds entry 0 on stage 5", 5, 0, nullptr, tex},
        {"index -1 clears stage 5", 5, -1, tex, nullptr},
        {"stage 8 does nothing", 8, 0, nullptr, nullptr},
        {"index count does nothing", 0, table.count(), tex, tex},
        {"index -2 does nothing", 0, -2, tex, tex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stage <= 7) d.SetTexture(c.stage, c.before);
        table.BindTexture(c.stage, c.index);
        if (c.stage <= 7) {
            EXPECT_EQ(d.GetTexture(c.stage), c.after);
        }
    }
}

TEST(TextureTableWithoutDevice, LoadsNothing) {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    TextureTable table;
    table.Init(nullptr, nullptr, d3d::Format::X8R8G8B8, os::WindowHandle::None);
    const std::uint8_t bytes[] = {0};
    EXPECT_EQ(table.LoadFromMemory(bytes, 1, "a", "b").index, -1);
    EXPECT_EQ(table.count(), 0);
    table.BindTexture(0, 0);  // no device: nothing to call
    table.BindTexture(0, -1);
    EXPECT_TRUE(fake.boxes.empty());
}

TEST(LoadArchiveTexture, MissingEntryFailsAndLeavesTheTextureAlone) {
    std::shared_ptr<d3d::Texture> out;
    EXPECT_LT(LoadArchiveTexture(nullptr, "no_such_file.jpg", &out), 0);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace vm::engine
