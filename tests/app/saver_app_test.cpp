#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/os/resources.h"
#include "tracing_saver.h"

namespace vm::testing {
namespace {

using Trace = std::vector<std::string>;

bool contains(const Trace& trace, const std::string& name) {
    return std::find(trace.begin(), trace.end(), name) != trace.end();
}

struct Input {
    std::uint32_t message;
    std::uintptr_t wParam = 0;
};

TEST_F(SaverFixture, HookOrderPerMode) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<Input> input;  // 100 ms apart, from 100 ms after start
        Trace expected;
    };
    const Trace startUp = {"initDefaults", "checkCapabilities", "(settings read)", "readSceneOptions",
                           "(device created)", "setupDeviceState", "showLoadingScreen", "loadScene",
                           "afterLoad", "initSound"};
    const Trace frames = {"updateFrame", "renderFrame", "updateFrame", "renderFrame"};
    const Trace end = {"freeSound", "(gamma restored)", "(textures released)", "releaseScene", "(device released)"};
    auto join = [](std::initializer_list<Trace> parts) {
        Trace all;
        for (const Trace& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const Case cases[] = {
        {"saver ends on a key", {"vm", "/s"}, {{os::msg::KeyDown, 'k'}}, join({startUp, frames, end})},
        {"test ends with the close box, without the shutdown sequence",
         {"vm", "/t"}, {{os::msg::KeyDown, 'k'}, {os::msg::Close}}, join({startUp, frames})},
        {"preview renders nothing", {"vm", "/p", "77"}, {{os::msg::Close}},
         {"initDefaults", "checkCapabilities", "(settings read)", "readSceneOptions"}},
        {"config", {"vm", "/c"}, {}, {"initDefaults", "checkCapabilities"}},
        {"change password", {"vm", "/a"}, {}, {"initDefaults", "checkCapabilities"}},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        TracingSaver saver;
        fake.foreignWindows[77] = {0, 0, 155, 115};
        std::uint32_t at = fake.nowMs + 100;
        for (const Input& in : c.input) {
            fake.scheduleInput(at, in.message, in.wParam);
            at += 100;
        }
        saver.setLaunch(c.args);
        saver.createSaver();
        saver.run();
        EXPECT_EQ(saver.trace, c.expected) << c.name;
        EXPECT_FALSE(overran) << c.name;
    }
}

TEST_F(SaverFixture, MessageTable) {
    enum Outcome { Continues, FlagOnly, Shutdown };
    struct Case {
        const char* name;
        const char* mode;
        bool exitOnMouseMove;
        std::vector<Input> input;
        Outcome outcome;
    };
    auto moves = [](int n) { return std::vector<Input>(static_cast<std::size_t>(n), Input{os::msg::MouseMove}); };
    const Case cases[] = {
        {"30 mouse moves are tolerated", "/s", true, moves(30), Continues},
        {"the 31st mouse move quits", "/s", true, moves(31), Shutdown},
        {"mouse moves never quit with the setting off", "/s", false, moves(100), Continues},
        {"test mode: 31st move quits when the setting is on", "/t", true, moves(31), Shutdown},
        {"saver: key", "/s", true, {{os::msg::KeyDown, 'a'}}, Shutdown},
        {"saver: left button", "/s", true, {{os::msg::LButtonDown}}, Shutdown},
        {"saver: right button", "/s", true, {{os::msg::RButtonDown}}, Shutdown},
        {"saver: middle button", "/s", true, {{os::msg::MButtonDown}}, Shutdown},
        {"test mode ignores keys and buttons", "/t", true,
         {{os::msg::KeyDown, 'a'}, {os::msg::LButtonDown}, {os::msg::RButtonDown}, {os::msg::MButtonDown}}, Continues},
        {"saver: close box sets only the flag", "/s", true, {{os::msg::Close}}, FlagOnly},
        {"test: close box sets only the flag", "/t", true, {{os::msg::Close}}, FlagOnly},
        {"saver: deactivation quits", "/s", true, {{os::msg::ActivateApp, 0}}, Shutdown},
        {"saver: activation does not", "/s", true, {{os::msg::ActivateApp, 1}}, Continues},
        {"test: deactivation does not", "/t", true, {{os::msg::ActivateApp, 0}}, Continues},
        {"saver: screen-save command", "/s", true, {{os::msg::SysCommand, os::syscmd::ScreenSave}}, Shutdown},
        {"saver: next-window command", "/s", true, {{os::msg::SysCommand, os::syscmd::NextWindow}}, Shutdown},
        {"saver: close command with extra bits is not exact", "/s", true, {{os::msg::SysCommand, os::syscmd::Close | 2}}, Continues},
        {"test: close command closes through the default handling", "/t", true, {{os::msg::SysCommand, os::syscmd::Close}}, FlagOnly},
        {"saver: suspend notice quits", "/s", true, {{os::msg::PowerBroadcast, os::kPowerSuspend}}, Shutdown},
        {"saver: other power notices do not", "/s", true, {{os::msg::PowerBroadcast, 7}}, Continues},
        {"preview: a key does not end it", "/p 77", true, {{os::msg::KeyDown, 'a'}}, Continues},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        TracingSaver saver;
        saver.setExitOnMouseMove(c.exitOnMouseMove);
        fake.foreignWindows[77] = {0, 0, 155, 115};
        std::uint32_t at = fake.nowMs + 1000;
        for (const Input& in : c.input) fake.scheduleInput(at++, in.message, in.wParam);
        // Ends a run the input did not end; its time tells whether it was needed.
        std::uint32_t closeAt = at + 1000;
        fake.scheduleInput(closeAt, os::msg::Close);
        std::string mode = c.mode;
        std::vector<std::string> args = {"vm", mode.substr(0, 2)};
        if (mode.size() > 3) args.push_back(mode.substr(3));
        saver.setLaunch(args);
        saver.createSaver();
        saver.run();
        bool endedByInput = static_cast<std::int32_t>(fake.nowMs - closeAt) < 0;
        Outcome got = !endedByInput ? Continues : contains(saver.trace, "freeSound") ? Shutdown : FlagOnly;
        EXPECT_EQ(got, c.outcome) << c.name;
        EXPECT_FALSE(overran) << c.name;
    }
}

TEST_F(SaverFixture, FramesPerSecondTickCopiesTheFrameCount) {
    fake.scheduleInput(fake.nowMs + 1500, os::msg::Close);
    start({"vm", "/t"});
    EXPECT_GT(app.framesPerSecond(), 100);
    EXPECT_LE(app.framesPerSecond(), 500) << "every loop iteration sleeps 2 ms";
    EXPECT_LT(app.frameCount(), app.framesPerSecond());
}

TEST_F(SaverFixture, MonitorsAndFullScreenWindows) {
    using os::displayflag::AttachedToDesktop;
    using os::displayflag::MirroringDriver;
    using os::displayflag::PrimaryDevice;
    std::string longName(300, 'x');
    fake.monitors = {
        {"DISPLAY1", "Primary", "Left monitor", AttachedToDesktop | PrimaryDevice, {0, 0, 1024, 768}},
        {"DISPLAY2", "Mirror", "", AttachedToDesktop | MirroringDriver, {0, 0, 1024, 768}},
        {"DISPLAY3", longName, "Right monitor", AttachedToDesktop, {1024, 0, 1824, 600}},
        {"DISPLAY4", "Detached", "Off", 0, {0, 0, 0, 0}},
    };
    fake.scheduleInput(fake.nowMs + 100, os::msg::KeyDown, 'k');
    start({"vm", "/s"});

    ASSERT_EQ(app.monitorCount(), 3);
    EXPECT_STREQ(app.monitor(0).monitorDescription.data(), "Left monitor");
    EXPECT_EQ(std::string(app.monitor(1).adapterDescription.data()), std::string(127, 'x'));
    EXPECT_EQ(app.monitor(1).screenRect, (os::Rect{1024, 0, 1824, 600}));
    EXPECT_EQ(app.monitor(2).monitor, 0u);
    ASSERT_EQ(fake.createdWindows.size(), 2u);
    const os::WindowDesc& first = fake.createdWindows[0].second;
    const os::WindowDesc& second = fake.createdWindows[1].second;
    EXPECT_EQ(first.className, "BW D3D SS");
    EXPECT_EQ(first.title, "D3D SS");
    EXPECT_EQ(first.style, os::style::Popup | os::style::Visible);
    EXPECT_EQ(first.exStyle, os::style::ExTopMost);
    EXPECT_EQ(first.owner, os::WindowHandle::None);
    EXPECT_EQ(second.owner, fake.createdWindows[0].first);
    EXPECT_EQ(second.rect, (os::Rect{1024, 0, 1824, 600}));
    EXPECT_GE(fake.cursorHideCount, 1);
    EXPECT_EQ(fake.destroyedWindows.size(), 2u) << "destroying the main window takes the owned one along";
}

TEST_F(SaverFixture, MonitorListStopsAtNine) {
    fake.monitors.clear();
    for (int i = 0; i < 12; ++i) {
        fake.monitors.push_back({"DISPLAY" + std::to_string(i + 1), "A", "M", os::displayflag::AttachedToDesktop,
                                 {i * 100, 0, i * 100 + 100, 100}});
    }
    app.enumerateMonitors();
    EXPECT_EQ(app.monitorCount(), 9);
}

TEST_F(SaverFixture, TestAndPreviewWindows) {
    fake.scheduleInput(fake.nowMs + 100, os::msg::Close);
    start({"vm", "/t"});
    ASSERT_EQ(fake.createdWindows.size(), 1u);
    EXPECT_EQ(fake.createdWindows[0].second.rect, (os::Rect{50, 50, 650, 450}));
    EXPECT_EQ(fake.createdWindows[0].second.style,
              os::style::Visible | os::style::Caption | os::style::SysMenu | os::style::MinimizeBox);

    os::resetWindowSystem();
    TracingSaver preview;
    fake.createdWindows.clear();
    fake.foreignWindows[987] = {0, 0, 155, 115};
    std::uint32_t started = fake.nowMs;
    fake.scheduleInput(fake.nowMs + 2000, os::msg::Close);
    preview.setLaunch({"vm", "-P:987"});
    preview.createSaver();
    EXPECT_GE(fake.nowMs - started, 500u) << "the start-up wait lasts until timer 1 ticks";
    EXPECT_FALSE(os::killTimer(preview.mainWindow(), kPreviewTimerId)) << "the tick kills timer 1";
    preview.run();
    ASSERT_EQ(fake.createdWindows.size(), 1u);
    EXPECT_EQ(fake.createdWindows[0].second.foreign, 987u);
    EXPECT_EQ(fake.createdWindows[0].second.style, os::style::Child | os::style::Visible);
    EXPECT_EQ(fake.createdWindows[0].second.rect, (os::Rect{0, 0, 155, 115}));
    EXPECT_FALSE(overran);
}

TEST_F(SaverFixture, PreviewPaintsItsPictureAtTheTopLeft) {
    // A 1 x 1 24-bit bitmap resource: info header, one padded pixel row.
    static const std::uint8_t picture[] = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                           4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                           0, 0, 255, 0};
    os::overrideResource("BITMAP", kPreviewBitmapId, picture);
    fake.foreignWindows[77] = {0, 0, 155, 115};
    fake.scheduleInput(fake.nowMs + 1000, os::msg::Paint);
    fake.scheduleInput(fake.nowMs + 1100, os::msg::Close);
    start({"vm", "/p", "77"});
    os::clearResourceOverrides();
    ASSERT_EQ(fake.paints.size(), 1u);
    EXPECT_EQ(fake.paints[0].fileBytes, sizeof picture + 14);
    EXPECT_EQ(fake.paints[0].x, 0);
    EXPECT_EQ(fake.paints[0].y, 0);
}

TEST_F(SaverFixture, PreviewWithoutItsPaneEndsInsteadOfWaitingForever) {
    // Regression: with no pane there was no window to close, and the preview loop never ended.
    start({"vm", "/p", "4242"});
    EXPECT_EQ(app.mainWindow(), os::WindowHandle::None);
    EXPECT_FALSE(overran);
}

TEST_F(SaverFixture, XScreenSaverWindowIsAdoptedInsteadOfFullScreenWindows) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* environment;
        os::ForeignWindowId expected;
    };
    const Case cases[] = {
        {"window id", {"vm", "-window-id", "0x500"}, "0x600", 0x500},
        {"root takes the environment", {"vm", "-root"}, "0x600", 0x600},
        {"root alone takes the root window", {"vm", "-root"}, nullptr, 0x700},
        {"bare environment", {"vm"}, "0x600", 0x600},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        fake.createdWindows.clear();
        fake.foreignWindows = {{0x500, {0, 0, 640, 480}}, {0x600, {0, 0, 320, 200}}, {0x700, {0, 0, 1024, 768}}};
        fake.root = 0x700;
        TracingSaver saver;
        fake.scheduleInput(fake.nowMs + 100, os::msg::KeyDown, 'k');
        saver.setLaunch(c.args, c.environment);
        saver.createSaver();
        saver.run();
        EXPECT_EQ(saver.runMode(), RunMode::Saver) << c.name;
        ASSERT_EQ(fake.createdWindows.size(), 1u) << c.name;
        EXPECT_EQ(fake.createdWindows[0].second.foreign, c.expected) << c.name;
        EXPECT_TRUE(contains(saver.trace, "freeSound")) << c.name;
    }
}

TEST_F(SaverFixture, FailedWindowCreationReportsNoCompatibleDevice) {
    struct Case {
        const char* name;
        int failFrom;
        int deviceResult;
        std::string box;  // empty: no box, the saver runs
    };
    const Case cases[] = {
        {"no window at all", 0, 0, "Could not find any compatible Direct3D\ndevices."},
        {"the second monitor's window fails, the first carries on", 1, 0, ""},
        {"no desktop mode", -1, 1, "Cant get Desktop DisplayMode."},
        {"no compatible device", -1, 2, "Could not find any compatible Direct3D\ndevices."},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        fake.monitors.push_back({"DISPLAY2", "B", "M", os::displayflag::AttachedToDesktop, {1024, 0, 2048, 768}});
        fake.failWindowCreationFrom = c.failFrom;
        fake.createdWindows.clear();
        fake.boxes.clear();
        TracingSaver saver;
        saver.deviceResult = c.deviceResult;
        fake.scheduleInput(fake.nowMs + 100, os::msg::KeyDown, 'k');
        saver.setLaunch({"vm", "/s"});
        saver.createSaver();
        saver.run();
        if (c.box.empty()) {
            EXPECT_TRUE(fake.boxes.empty()) << c.name;
            EXPECT_TRUE(contains(saver.trace, "loadScene")) << c.name;
        } else {
            ASSERT_EQ(fake.boxes.size(), 1u) << c.name;
            EXPECT_EQ(fake.boxes[0].text, c.box) << c.name;
            EXPECT_EQ(fake.boxes[0].caption, "Error!") << c.name;
            EXPECT_EQ(fake.boxes[0].icon, os::MessageBoxIcon::Error) << c.name;
            EXPECT_FALSE(contains(saver.trace, "loadScene")) << c.name;
        }
        fake.monitors.pop_back();
        fake.failWindowCreationFrom = -1;
    }
}

TEST_F(SaverFixture, SecondInstanceDoesNothing) {
    struct Case {
        const char* name;
        const char* mode;
        bool saverWindowExists;
        bool lockHeldElsewhere;
        const char* otherWindowTitle;
    };
    const Case cases[] = {
        {"saver window present, /s", "/s", true, false, nullptr},
        {"saver window present, /c", "/c", true, false, nullptr},
        {"configuration dialog open, /s", "/s", false, false, "Vaultmere 3D Screensaver Configuration"},
        {"another process holds the lock, /t", "/t", false, true, nullptr},
        {"another process holds the lock, /a", "/a", false, true, nullptr},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        fake.libraries["MPR.DLL"];  // present, so a run of /a would show up as a load
        fake.loadedLibraries.clear();
        fake.createdWindows.clear();
        fake.otherInstanceHoldsLock = c.lockHeldElsewhere;
        if (c.saverWindowExists) {
            os::registerClass({kSaverClassName, os::defWindowProc, 0});
            os::createWindow({kSaverClassName, "D3D SS", 0, 0, {}, os::WindowHandle::None, 0});
            fake.createdWindows.clear();
        }
        if (c.otherWindowTitle) {
            os::registerClass({"dialog", os::defWindowProc, 0});
            os::createWindow({"dialog", c.otherWindowTitle, 0, 0, {}, os::WindowHandle::None, 0});
            fake.createdWindows.clear();
        }
        TracingSaver saver;
        saver.setLaunch({"vm", c.mode});
        saver.createSaver();
        saver.run();
        EXPECT_FALSE(saver.okToRun()) << c.name;
        EXPECT_EQ(saver.trace, (Trace{"initDefaults"})) << c.name;
        EXPECT_TRUE(fake.createdWindows.empty()) << c.name;
        EXPECT_TRUE(fake.loadedLibraries.empty()) << c.name;
    }
    fake.otherInstanceHoldsLock = false;
}

TEST_F(SaverFixture, HeadlessFramesEndCleanly) {
    start({"vm", "--frames", "5", "--seed", "1"});
    EXPECT_EQ(app.runMode(), RunMode::Saver);
    EXPECT_EQ(app.framesRendered(), 5);
    EXPECT_TRUE(contains(app.trace, "freeSound")) << "a headless run ends with the shutdown sequence";
    EXPECT_FALSE(overran);
}

TEST_F(SaverFixture, TerminationEndsTheLoopLikeAClose) {
    std::uint32_t requestedAt = 0;
    fake.onSleep = [&](std::uint32_t) {
        if (requestedAt == 0 && app.framesRendered() >= 10) {
            os::requestTermination();
            requestedAt = fake.nowMs;
        }
    };
    start({"vm", "/s"});
    ASSERT_NE(requestedAt, 0u);
    EXPECT_LE(fake.nowMs - requestedAt, 4u) << "the next loop iteration ends the run";
    EXPECT_FALSE(contains(app.trace, "freeSound")) << "like a close: no shutdown sequence";
}

TEST_F(SaverFixture, CloseDuringThePreviewWaitIsNotLost) {
    // Regression: the loop cleared the flag set by a close in the 500 ms wait, and the preview never ended.
    fake.foreignWindows[77] = {0, 0, 155, 115};
    fake.scheduleInput(fake.nowMs + 100, os::msg::Close);
    start({"vm", "/p", "77"});
    EXPECT_TRUE(app.quitFlag());
    EXPECT_FALSE(overran);
}

}  // namespace
}  // namespace vm::testing
