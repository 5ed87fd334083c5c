// Mode lists, the mode and multisample choice, the dialog's two combo boxes (through a recording
// fake dialog host) and the error table.

#include <gtest/gtest.h>

#include <map>

#include "gfx/device_enumerator.h"
#include "platform/os/fake/fake_platform.h"

namespace vm::gfx {
namespace {

using d3d::Format;

struct FakeDialog final : ModeControls {
    struct Item {
        std::string text;
        long data = -99;
    };
    std::map<int, std::vector<Item>> items;
    std::map<int, int> selected;
    void resetContent(int control) override {
        items[control].clear();
        selected.erase(control);
    }
    int addString(int control, const std::string& text) override {
        items[control].push_back({text});
        return static_cast<int>(items[control].size()) - 1;
    }
    void setItemData(int control, int item, long data) override { items[control].at(static_cast<std::size_t>(item)).data = data; }
    void setCurSel(int control, int item) override { selected[control] = item; }
};

std::string english(std::string_view key) { return key == "none" ? "none" : "samples"; }

struct EnumeratorTest : ::testing::Test {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    DeviceEnumerator e;

    // One adapter with the given modes; desktop 1024 x 768.
    std::int32_t initWith(std::vector<d3d::DisplayMode> modes, std::uint32_t multisampleMask = 0) {
        d3d::ObjectOptions o;
        o.displays.push_back({"DISPLAY1", std::move(modes), {1024, 768, 60, Format::X8R8G8B8}});
        o.multisampleMask = multisampleMask;
        auto direct3d = d3d::Direct3D::Create(d3d::kSdkVersion, o);
        if (!direct3d) return 1;
        return e.enumerate(std::move(direct3d));
    }
};

#define OPEN_OR_SKIP(expr)                                                                                       \
    do {                                                                                                         \
        if ((expr) == 1) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)"; \
    } while (0)

TEST_F(EnumeratorTest, ModeListIsFilteredSortedAndDeduplicated) {
    OPEN_OR_SKIP(initWith({{1024, 768, 60, Format::X8R8G8B8},
                           {320, 240, 60, Format::X8R8G8B8},
                           {640, 350, 60, Format::R5G6B5},
                           {1024, 768, 75, Format::X8R8G8B8},  // another refresh rate: same mode
                           {800, 600, 60, Format::R5G6B5},
                           {1024, 768, 60, Format::R5G6B5},
                           {640, 480, 60, Format::X8R8G8B8}}));
    FakeDialog dialog;
    e.fillModeControls(dialog, english);
    std::vector<std::string> texts;
    for (const auto& item : dialog.items[kModeCombo]) texts.push_back(item.text);
    const std::vector<std::string> expected = {"640 x 480 32 bits", "800 x 600 16 bits", "1024 x 768 32 bits",
                                               "1024 x 768 16 bits"};
    EXPECT_EQ(texts, expected);
    for (std::size_t p = 0; p < dialog.items[kModeCombo].size(); ++p)
        EXPECT_EQ(dialog.items[kModeCombo][p].data, static_cast<long>(p));
    EXPECT_EQ(dialog.selected[kModeCombo], 0) << "a fresh start chooses the smallest mode";
    EXPECT_EQ(e.selection().width, 640u);
    EXPECT_EQ(e.selection().height, 480u);
    EXPECT_EQ(e.selection().depthFormat, Format::D24S8);
}

TEST_F(EnumeratorTest, SelectModeCases) {
    struct Case {
        const char* name;
        std::uint32_t width, height, bits;
        std::int32_t fsaa;
        std::uint32_t expectWidth;
        Format expectFormat;
        std::uint32_t expectMultisample;
    };
    const Case cases[] = {
        {"32 bits at 1024x768", 1024, 768, 32, 0, 1024, Format::X8R8G8B8, 0},
        {"16 bits at 1024x768", 1024, 768, 16, 0, 1024, Format::R5G6B5, 0},
        {"unknown size keeps the previous mode", 1600, 1200, 32, 0, 1024, Format::R5G6B5, 0},
        {"FSAA 1 never matches", 1024, 768, 16, 1, 1024, Format::R5G6B5, 0},
    };
    OPEN_OR_SKIP(initWith({{1024, 768, 60, Format::R5G6B5}, {1024, 768, 60, Format::X8R8G8B8},
                           {640, 480, 60, Format::X8R8G8B8}}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e.selectMode(c.width, c.height, c.bits, c.fsaa);
        EXPECT_EQ(e.selection().width, c.expectWidth);
        EXPECT_EQ(e.selection().format, c.expectFormat);
        EXPECT_EQ(e.selection().multisampleType, c.expectMultisample);
    }
}

TEST_F(EnumeratorTest, MultisampleItemsCarryTheirListNumber) {
    // Types 2 and 4 allowed by the injected mask; what GL offers may narrow that further.
    OPEN_OR_SKIP(initWith({{640, 480, 60, Format::X8R8G8B8}}, (1u << 2) | (1u << 4)));
    const DeviceRecord& dev = e.adapter(0).device;
    EXPECT_TRUE(dev.multisampleSupported[0]) << "no multisampling is always offered";
    EXPECT_FALSE(dev.multisampleSupported[2]) << "type 3 is outside the mask";
    if (dev.multisampleSupported[3]) e.selectMode(640, 480, 32, 4);
    FakeDialog dialog;
    e.fillModeControls(dialog, english);
    const auto& items = dialog.items[kMultisampleCombo];
    std::vector<std::string> expectedTexts = {"none"};
    if (dev.multisampleSupported[1]) expectedTexts.push_back("2 samples");
    if (dev.multisampleSupported[3]) expectedTexts.push_back("4 samples");
    ASSERT_EQ(items.size(), expectedTexts.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].text, expectedTexts[i]);
        EXPECT_EQ(items[i].data, static_cast<long>(i)) << "item data is the list number, not the type";
    }
    const int chosen = dev.multisampleSupported[3] ? static_cast<int>(items.size()) - 1 : 0;
    EXPECT_EQ(dialog.selected[kMultisampleCombo], chosen);
}

TEST_F(EnumeratorTest, NoUsableModeFailsWithTheCompatibleDevicesBox) {
    const std::int32_t r = initWith({{320, 240, 60, Format::X8R8G8B8}, {640, 350, 60, Format::R5G6B5}});
    OPEN_OR_SKIP(r);
    EXPECT_EQ(r, kErrNoCompatibleDevices);
    EXPECT_EQ(e.direct3d(), nullptr) << "the object is released after a failed enumeration";
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Could not find any compatible Direct3D\ndevices.");
    EXPECT_EQ(fake.boxes[0].caption, "Error!");
    EXPECT_EQ(fake.boxes[0].icon, os::MessageBoxIcon::Error);
}

TEST(ErrorTable, MessagesAndBitsOf) {
    struct Case {
        std::uint32_t code;
        const char* text;
    };
    const Case cases[] = {
        {0x82000001u, "Could not initialize Direct3D. You may\nwant to check that the latest version of\n"
                      "DirectX is correctly installed on your\nsystem."},
        {0x8200000Cu, "Could not reset the Direct3D device."},
        {0x8007000Eu, "Not enough memory."},
        {0x8876017Cu, "Not enough video memory."},
        {0x80004005u, "Generic application error."},
    };
    for (const Case& c : cases) EXPECT_EQ(errorMessage(static_cast<std::int32_t>(c.code)), c.text);
    EXPECT_EQ(bitsOf(Format::A8R8G8B8), 32u);
    EXPECT_EQ(bitsOf(Format::X8R8G8B8), 32u);
    EXPECT_EQ(bitsOf(Format::R5G6B5), 16u);
    EXPECT_EQ(bitsOf(Format::R8G8B8), 16u);
}

TEST(ErrorBox, ShowErrorReturnsTheCodeAndShowsOneBox) {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    DeviceEnumerator e;
    EXPECT_EQ(e.showError(kErrNoDirect3D), kErrNoDirect3D);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].owner, os::WindowHandle::None);
}

}  // namespace
}  // namespace vm::gfx
