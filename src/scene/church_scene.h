#pragma once
// The saver's content: the church hall model "church11.X", the light-glow model "lights.X", their
// mesh-carrying frames sorted into the named groups the render passes light and draw, and the five
// projected light maps.
//
// Contract:
// - Construction seeds the C runtime's generator once (rand() picks the camera tracks) with the
//   hooks' seed clock: seconds since the epoch unless a test or --seed injects a value.
// - Create(device) returns 0, or the first failing result of attaching the device to a model. A model
//   or light map that cannot be read is no error: the model stays empty (its groups hold nulls or
//   nothing), the light map stays null.
// - allObjects: the church model's objects in CollectObjects order, then the light model's. Groups
//   refer to its entries by identity; they stay valid until Release or the next Create.
// - Release unloads both models, drops the light maps and empties allObjects and every group, so no
//   group outlives the frames it points at. Calling it twice, or before Create, is harmless.
// - Render draws the frame with the view and projection already set on the device.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/texture_loader_hook.h"
#include "engine/x_model.h"
#include "platform/d3d/device.h"
#include "scene/church_groups.h"

namespace vm::scene {

inline constexpr const char* kChurchModelFile = "church11.X";
inline constexpr const char* kLightModelFile = "lights.X";  // stored as lights.x; the lookup ignores case
inline constexpr const char* kFlameTextureFile = "flame2.tga";
inline constexpr float kFlameSize = 5.0f;
inline constexpr float kSceneTimeWrap = 6283.1855f;  // 2000 pi: sin() of sceneTime multiples stays continuous

// Where the scene's outside inputs come from; the defaults read the embedded scene archive and the
// wall clock. Tests swap them for hand-made models, failing textures and fixed seeds.
struct ChurchSceneHooks {
    // The bytes of a scene media file, empty when it is not there.
    using MediaReader = std::vector<std::uint8_t> (*)(const char* fileName);
    MediaReader readMedia = nullptr;               // null: the scene archive (MediaData 469)
    engine::TextureLoaderHook loadTexture = nullptr;  // null: engine::LoadArchiveTexture
    std::function<std::uint32_t()> seedClock;      // empty: seconds since the epoch
};

// Scene media file from the embedded scene archive; empty when missing or unreadable.
std::vector<std::uint8_t> ReadSceneMedia(const char* fileName);

class ChurchScene {
public:
    explicit ChurchScene(ChurchSceneHooks hooks = {});
    ~ChurchScene();
    ChurchScene(const ChurchScene&) = delete;
    ChurchScene& operator=(const ChurchScene&) = delete;

    void SetMirror(bool on) noexcept { mirrorOnFloor_ = on; }
    int Create(d3d::Device* device);
    void Update(float dt);
    int Render();
    void Release();

    bool MirrorOnFloor() const noexcept { return mirrorOnFloor_; }
    float SceneTime() const noexcept { return sceneTime_; }
    const SceneObjects& AllObjects() const noexcept { return allObjects_; }
    const ChurchGroups& Groups() const noexcept { return groups_; }
    std::size_t ChurchObjectCount() const noexcept { return churchObjectCount_; }
    const std::shared_ptr<d3d::Texture>& FloorLightMap() const noexcept { return floorLightMap_; }
    const std::shared_ptr<d3d::Texture>& AltarFloorLightMap() const noexcept { return altarFloorLightMap_; }
    const std::shared_ptr<d3d::Texture>& AltarWallLightMap() const noexcept { return altarWallLightMap_; }
    const std::shared_ptr<d3d::Texture>& FrontWallLightMap() const noexcept { return frontWallLightMap_; }
    const std::shared_ptr<d3d::Texture>& CeilingLightMap() const noexcept { return ceilingLightMap_; }
    engine::XModel& ChurchModel() noexcept { return churchModel_; }
    engine::XModel& LightModel() noexcept { return lightModel_; }

private:
    void LoadModel(engine::XModel& model, const char* fileName);
    std::shared_ptr<d3d::Texture> LoadLightMap(const char* fileName);
    void FillGroups();

    // The candle flame ("flame2.tga", size kFlameSize) has no engine object yet; these are its places
    // in construction, Create, Update and Release, so it drops in without reordering anything.
    int AttachFlame();
    void AdvanceFlame(float dt);
    void ReleaseFlame();

    ChurchSceneHooks hooks_;
    d3d::Device* device_ = nullptr;
    engine::XModel churchModel_;
    engine::XModel lightModel_;
    SceneObjects allObjects_;
    std::size_t churchObjectCount_ = 0;
    ChurchGroups groups_;
    std::shared_ptr<d3d::Texture> floorLightMap_, altarFloorLightMap_, altarWallLightMap_, frontWallLightMap_,
        ceilingLightMap_;
    float sceneTime_ = 0;  // seconds, wrapped at kSceneTimeWrap
    bool mirrorOnFloor_ = true;
    d3d::Matrix mirrorMatrix_;  // identity for the hall pass, y-reflection for the mirrored one
};

}  // namespace vm::scene
