// The saver's own frame path, headless on the fake platform with the real device: the picture it would
// write with --snapshot is the church, not the loading screen it showed before.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/launch_options.h"
#include "app/scene_saver.h"
#include "picture_stats.h"
#include "platform/d3d/device.h"
#include "platform/os/fake/fake_platform.h"
#include "platform/os/termination.h"
#include "platform/os/windows.h"
#include "scene/church_scene.h"

namespace vm {
namespace {

class CapturingSaver : public SceneSaver {
public:
    d3d::Image loadingPicture, snapshot;
    bool sceneMirror = false;
    std::size_t sceneObjects = 0;

    // The loading screen is what the device presented last before the scene loads.
    int loadScene(d3d::Device* device) override {
        if (device) device->ReadPresentedImage(&loadingPicture);
        const int r = SceneSaver::loadScene(device);
        if (scene()) {
            sceneMirror = scene()->MirrorOnFloor();
            sceneObjects = scene()->AllObjects().size();
        }
        return r;
    }

protected:
    void readSettings() override {
        SceneSaver::readSettings();
        // No music device here, and no clock glyphs over the picture being judged.
        settings_.Music = false;
        settings_.ShowTime = false;
        settings_.ShowFPS = false;
    }
    // The picture --snapshot would write, kept in memory.
    int writeSnapshot(const std::string&) override { return device_ ? device_->ReadRenderTarget(&snapshot) : -1; }
};

TEST(SaverFrame, SnapshotShowsTheChurchNotTheLoadingPicture) {
    os::FakePlatform fake;
    fake.monitors[0].rect = {0, 0, 320, 240};
    os::ScopedPlatform installed(fake);
    os::clearTerminationRequest();
    bool overran = false;
    const std::uint32_t deadline = fake.nowMs + 120000;
    fake.onSleep = [&](std::uint32_t) {
        if (!overran && static_cast<std::int32_t>(fake.nowMs - deadline) > 0) {
            overran = true;
            os::postQuitMessage(0);
        }
    };

    CapturingSaver saver;
    const std::vector<std::string> args = {"vm", "--frames", "3", "--snapshot", "unused.png", "--seed", "5"};
    saver.setLaunchOptions(parseLaunchOptions(args, nullptr));
    saver.createSaver();
    saver.run();
    ASSERT_FALSE(overran);
    if (saver.snapshot.pixels.empty()) GTEST_SKIP() << "no headless OpenGL device (Mesa llvmpipe through EGL)";

    EXPECT_EQ(saver.framesRendered(), 3);
    EXPECT_EQ(saver.sceneObjects, 152u) << "loadScene assembled the shipped church";
    EXPECT_EQ(saver.sceneMirror, saver.sceneOptions().Mirror) << "the Mirror setting reaches the scene";
    EXPECT_EQ(saver.scene(), nullptr) << "releaseScene deletes the scene";

    const scene::test::PictureStats stats = scene::test::measure(saver.snapshot);
    EXPECT_TRUE(scene::test::looksLikeTheChurchAtNight(stats))
        << "lit " << stats.litFraction << ", mean rgb " << stats.red << " " << stats.green << " " << stats.blue;
    ASSERT_FALSE(saver.loadingPicture.pixels.empty());
    EXPECT_GT(scene::test::meanDifference(saver.snapshot, saver.loadingPicture), 20.0)
        << "the frame differs from the loading screen";
}

}  // namespace
}  // namespace vm
