#include "app/scene_saver.h"

#include "app/base/frame_timer.h"

namespace vm {

int SceneSaver::initDefaults() {
    overlay_.glyphR = overlay_.glyphG = overlay_.glyphB = 255;
    overlay_.glyphHeight = 0.06375f;
    overlay_.glyphWidth = 0.047f;
    overlay_.advance = 0.79f;
    overlay_.clockX = 0.69f;
    overlay_.clockY = 0.92f;
    overlay_.fpsX = 0.01f;
    overlay_.fpsY = 0.01f;
    sfxCapable_ = false;
    currentTrack_ = 0;
    return 0;
}

int SceneSaver::readSceneOptions() { return settingsStore().readSceneOptions(sceneOptions_); }

int SceneSaver::writeSceneOptions() { return settingsStore().writeSceneOptions(sceneOptions_); }

int SceneSaver::restoreSceneDefaults() {
    settingsStore().restoreSceneDefaults(sceneOptions_);
    return 0;
}

int SceneSaver::checkCapabilities() { return 0; }

int SceneSaver::initSound() {
    sound_.start({settings_.Music, settings_.MusicVolume}, log());
    return 0;
}

int SceneSaver::freeSound() {
    sound_.stop();
    return 0;
}

int SceneSaver::loadScene(d3d::Device*) {
    playedTracks_.clear();
    currentTrack_ = 0;
    frameTimer().start();
    return 0;
}

int SceneSaver::updateFrame(d3d::Device*, float) {
    // The scene's own step, capped so a long pause (a message box) moves it by 0.2 s at most.
    float dt = static_cast<float>(frameTimer().elapsed());
    if (dt > 0.2f) dt = 0.2f;
    if (dt == 0.0f) return 0;
    // When the opening piece ends, the looping piece takes over.
    if (settings_.Music) sound_.update();
    return 0;
}

int SceneSaver::renderFrame(d3d::Device* device) { return renderOverlayFrame(device); }

int SceneSaver::releaseScene() {
    scene_ = nullptr;
    return 0;
}

}  // namespace vm
