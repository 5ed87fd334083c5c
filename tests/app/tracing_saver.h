#pragma once
// A SaverApp whose hooks and device steps write their names to a trace, on a fake platform, with a
// stand-in device so the frame hooks run. Runs end on their own: past a time budget the fake clock posts
// Quit and the fixture reports the overrun.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/saver_app.h"
#include "platform/os/fake/fake_platform.h"
#include "platform/os/termination.h"
#include "platform/os/windows.h"

namespace vm::testing {

class TracingSaver : public SaverApp {
public:
    std::vector<std::string> trace;
    int deviceResult = 0;   // what createDevice reports
    int frameLimitTrace = 2;  // per-frame hooks traced for the first N frames only
    std::uint32_t passwordOption = 0;
    bool passwordOptionReadable = false;

    void setLaunch(std::vector<std::string> args, const char* environment = nullptr) {
        setLaunchOptions(parseLaunchOptions(args, environment));
    }
    void enableLog() { logEnabled_ = true; }
    void setExitOnMouseMove(bool on) { settings_.ExitOnMouseMove = on; }

    int initDefaults() override { return note("initDefaults"); }
    int readSceneOptions() override { return note("readSceneOptions"); }
    int initSound() override { return note("initSound"); }
    int freeSound() override { return note("freeSound"); }
    int checkCapabilities() override { return note("checkCapabilities"); }
    int setupDeviceState(d3d::Device*) override { return note("setupDeviceState"); }
    int showLoadingScreen(d3d::Device*) override { return note("showLoadingScreen"); }
    int loadScene(d3d::Device*) override { return note("loadScene"); }
    int afterLoad(d3d::Device*) override { return note("afterLoad"); }
    int updateFrame(d3d::Device*, float) override { return frame("updateFrame"); }
    int renderFrame(d3d::Device*) override { return frame("renderFrame"); }
    int releaseScene() override { return note("releaseScene"); }

protected:
    void readSettings() override { note("(settings read)"); }
    int createDevice() override {
        note("(device created)");
        if (int base = SaverApp::createDevice(); base != 0) return base;
        if (deviceResult != 0) return deviceResult;
        device_ = reinterpret_cast<d3d::Device*>(&deviceStandIn_);
        setupDeviceState(device_);
        showLoadingScreen(device_);
        return 0;
    }
    void restoreGamma() override { note("(gamma restored)"); }
    void releaseTextures() override { note("(textures released)"); }
    void releaseDevice() override {
        note("(device released)");
        device_ = nullptr;
    }
    void presentOnce() override { note("(present)"); }
    bool readPasswordOption(std::uint32_t& value) override {
        value = passwordOption;
        return passwordOptionReadable;
    }

private:
    int note(const char* name) {
        trace.emplace_back(name);
        log().writeLine(name);
        return 0;
    }
    int frame(const char* name) {
        if (framesRendered() < frameLimitTrace) trace.emplace_back(name);
        return 0;
    }
    int deviceStandIn_ = 0;
};

struct SaverFixture : ::testing::Test {
    os::FakePlatform fake;
    os::ScopedPlatform installed{fake};
    TracingSaver app;
    bool overran = false;

    void SetUp() override {
        os::clearTerminationRequest();
        std::uint32_t deadline = fake.nowMs + 120000;
        fake.onSleep = [this, deadline](std::uint32_t) {
            if (!overran && static_cast<std::int32_t>(fake.nowMs - deadline) > 0) {
                overran = true;
                os::postQuitMessage(0);
            }
        };
    }

    // createSaver and run, as the entry point does.
    void start(std::vector<std::string> args, const char* environment = nullptr) {
        app.setLaunch(std::move(args), environment);
        app.createSaver();
        app.run();
    }
};

}  // namespace vm::testing
