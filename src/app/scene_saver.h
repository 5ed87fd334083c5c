#pragma once
// The church saver: SaverApp with the scene's hooks. The music plays; the scene, camera and cross-fade
// arrive with their layers, and until then their hooks keep their places in the order.

#include <cstdint>
#include <vector>

#include "app/saver_app.h"
#include "sound/sound_system.h"

namespace vm {

class ChurchScene;

class SceneSaver : public SaverApp {
public:
    SceneSaver() = default;

    SceneOptions& sceneOptions() noexcept { return sceneOptions_; }
    int currentTrack() const noexcept { return currentTrack_; }

    int initDefaults() override;
    int readSceneOptions() override;
    int writeSceneOptions() override;
    int restoreSceneDefaults() override;
    int checkCapabilities() override;
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
    ChurchScene* scene_ = nullptr;          // made by initDefaults once the scene layer exists
    std::vector<std::uint8_t> playedTracks_;
    int currentTrack_ = 0;
    SoundSystem sound_;
};

}  // namespace vm
