#pragma once
// The church saver: SaverApp with the scene's hooks. The music plays and the church scene is loaded,
// animated and drawn; the camera and cross-fade arrive with their layers, and until then their steps
// keep their places in the hooks.

#include <cstdint>
#include <memory>
#include <vector>

#include "app/saver_app.h"
#include "sound/sound_system.h"

namespace vm {

namespace scene {
class ChurchScene;
}

class SceneSaver : public SaverApp {
public:
    SceneSaver();
    ~SceneSaver() override;

    SceneOptions& sceneOptions() noexcept { return sceneOptions_; }
    int currentTrack() const noexcept { return currentTrack_; }
    scene::ChurchScene* scene() noexcept { return scene_.get(); }

    int initDefaults() override;
    int readSceneOptions() override;
    int writeSceneOptions() override;
    int restoreSceneDefaults() override;
    int checkCapabilities() override;
    int setupDeviceState(d3d::Device* device) override;
    int initSound() override;
    int freeSound() override;
    int loadScene(d3d::Device* device) override;
    int updateFrame(d3d::Device* device, float elapsedMs) override;
    int renderFrame(d3d::Device* device) override;
    int releaseScene() override;
    int showLoadingScreen(d3d::Device* device) override { return gfxShowLoadingScreen(device); }

protected:
    // The real graphics device.
    int enumerateDirect3D() override { return gfxEnumerate(); }
    void chooseDisplayMode() override { gfxChooseDisplayMode(); }
    int createDevice() override { return gfxCreateDevice(); }
    int testDeviceState() override { return gfxTestDeviceState(); }
    void restoreDevice() override { gfxRestoreDevice(); }
    void loadDigitGlyphs() override { gfxLoadDigitGlyphs(); }
    void presentOnce() override { gfxPresentOnce(); }
    void restoreGamma() override { gfxRestoreGamma(); }
    void releaseTextures() override { gfxReleaseTextures(); }
    void releaseDevice() override { gfxReleaseDevice(); }

    SceneOptions sceneOptions_;             // all false until read or restored
    std::unique_ptr<scene::ChurchScene> scene_;  // made by initDefaults, gone after releaseScene
    std::vector<std::uint8_t> playedTracks_;
    int currentTrack_ = 0;
    SoundSystem sound_;
};

}  // namespace vm
