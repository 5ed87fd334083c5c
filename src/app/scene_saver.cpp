#include "app/scene_saver.h"

#include <new>

#include "app/base/frame_timer.h"
#include "engine/texture_table.h"
#include "gfx/quad_buffer_pool.h"
#include "platform/d3d/device.h"
#include "platform/os/system.h"
#include "scene/church_scene.h"
#include "scene/default_view.h"

namespace vm {

SceneSaver::SceneSaver() = default;
SceneSaver::~SceneSaver() = default;

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
    scene::ChurchSceneHooks hooks;
    // --seed fixes the track order of a run; otherwise the scene seeds from the clock.
    if (launch_.seed) hooks.seedClock = [seed = *launch_.seed] { return seed; };
    scene_.reset(new (std::nothrow) scene::ChurchScene(std::move(hooks)));
    playedTracks_.clear();
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

int SceneSaver::setupDeviceState(d3d::Device* device) {
    if (!device) return 0;
    d3d::Device& d = *device;
    d.SetRenderState(d3d::RenderState::SrcBlend, d3d::Blend::SrcAlpha);
    d.SetRenderState(d3d::RenderState::DestBlend, d3d::Blend::One);
    d.SetRenderState(d3d::RenderState::AlphaRef, std::uint32_t{32});
    d.SetRenderState(d3d::RenderState::AlphaFunc, d3d::Cmp::GreaterEqual);
    d.SetTextureStageState(0, d3d::TextureStageState::ColorArg1, d3d::texarg::kTexture);
    d.SetTextureStageState(0, d3d::TextureStageState::ColorArg2, d3d::texarg::kDiffuse);
    d.SetTextureStageState(0, d3d::TextureStageState::ColorOp, d3d::TextureOp::Modulate);
    d.SetTextureStageState(0, d3d::TextureStageState::MinFilter, d3d::TextureFilter::Linear);
    d.SetTextureStageState(0, d3d::TextureStageState::MagFilter, d3d::TextureFilter::Linear);
    d.SetTextureStageState(0, d3d::TextureStageState::AddressU, d3d::TextureAddress::Wrap);
    d.SetTextureStageState(0, d3d::TextureStageState::AddressV, d3d::TextureAddress::Wrap);
    d.SetRenderState(d3d::RenderState::DitherEnable, true);
    d.SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::True);
    d.SetRenderState(d3d::RenderState::Lighting, false);
    d3d::Material white;
    white.Diffuse = white.Ambient = white.Specular = {1, 1, 1, 1};
    white.Power = 50;
    d.SetMaterial(white);
    d.SetTransform(d3d::TransformState::World, d3d::Matrix{});
    // The cross-fade's device resources join here when it arrives.
    return scene::SetDefaultView(d);
}

int SceneSaver::loadScene(d3d::Device* device) {
    // The viewport may have changed since device creation: the screen rectangles follow it.
    gfx::QuadBufferPool::instance().attach(device, static_cast<std::uint64_t>(mainWindow()));
    // Camera tracks are read and the first one started here once the camera exists.
    playedTracks_.clear();
    currentTrack_ = 0;
    if (scene_ && device) {
        scene_->SetMirror(sceneOptions_.Mirror);
        scene_->Create(device);
    }
    frameTimer().start();
    return 0;
}

int SceneSaver::updateFrame(d3d::Device*, float) {
    // The scene's own step, capped so a long pause (a message box) moves it by 0.2 s at most.
    float dt = static_cast<float>(frameTimer().elapsed());
    if (dt > 0.2f) dt = 0.2f;
    if (dt == 0.0f) return 0;
    // The camera step (advance, track change, view) comes first once the camera exists.
    if (scene_) scene_->Update(dt);
    // When the opening piece ends, the looping piece takes over.
    if (settings_.Music) sound_.update();
    return 0;
}

int SceneSaver::renderFrame(d3d::Device* device) {
    if (!device) return 0;
    device->BeginScene();
    device->Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0x00000000u, 1.0f, 0);
    if (scene_) scene_->Render();
    // The fading snapshot of the previous track goes here once the cross-fade exists.
    drawOverlay(device);
    device->EndScene();
    device->Present();
    return 0;
}

int SceneSaver::releaseScene() {
    if (scene_) scene_->Release();
    scene_.reset();
    return 0;
}

}  // namespace vm
