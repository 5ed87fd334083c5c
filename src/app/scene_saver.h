#pragma once
// The church saver: SaverApp with the scene's hooks. The scene, camera, cross-fade and music arrive with
// their layers; until then the hooks keep their places in the order and do what needs no device.

#include <cstdint>
#include <vector>

#include "app/saver_app.h"

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
    int loadScene(d3d::Device* device) override;
    int updateFrame(d3d::Device* device, float elapsedMs) override;
    int renderFrame(d3d::Device* device) override;
    int releaseScene() override;

protected:
    SceneOptions sceneOptions_;             // all false until read or restored
    SceneOptions sceneDefaults_{false, true, true};
    ChurchScene* scene_ = nullptr;          // made by initDefaults once the scene layer exists
    std::vector<std::uint8_t> playedTracks_;
    int currentTrack_ = 0;
};

}  // namespace vm
