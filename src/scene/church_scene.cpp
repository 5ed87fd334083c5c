#include "scene/church_scene.h"

#include <cstdlib>

#include "archive/media_archive.h"
#include "archive/resource/media_resource.h"
#include "archive/media_blob.h"
#include "engine/texture_table.h"
#include "platform/os/system.h"

namespace vm::scene {

namespace {

constexpr int kSceneArchiveId = 469;  // MediaData

std::uint32_t secondsSinceEpoch() { return static_cast<std::uint32_t>(os::wallClock().epochSeconds); }

}  // namespace

std::vector<std::uint8_t> ReadSceneMedia(const char* fileName) {
    MediaBlob blob = loadMediaBlob(kSceneArchiveId);
    std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
    if (!MediaArchive::extractFile(fileName, blob, engine::kSceneArchivePassword, bytes, size)) return {};
    MediaFile file(bytes);
    return std::vector<std::uint8_t>(file.get(), file.get() + size);
}

ChurchScene::ChurchScene(ChurchSceneHooks hooks) : hooks_(std::move(hooks)) {
    if (!hooks_.readMedia) hooks_.readMedia = ReadSceneMedia;
    if (!hooks_.loadTexture) hooks_.loadTexture = engine::LoadArchiveTexture;
    if (!hooks_.seedClock) hooks_.seedClock = secondsSinceEpoch;
    churchModel_.SetTextureLoader(hooks_.loadTexture);
    lightModel_.SetTextureLoader(hooks_.loadTexture);
    // The flame, once it exists, is built above this line: its starting phase comes from the
    // generator before it is seeded. The track picker relies on this one seeding.
    std::srand(hooks_.seedClock());
}

ChurchScene::~ChurchScene() { Release(); }

void ChurchScene::LoadModel(engine::XModel& model, const char* fileName) {
    // A missing or unreadable model is no error: it stays empty and its groups hold nulls or nothing.
    const std::vector<std::uint8_t> bytes = hooks_.readMedia(fileName);
    if (!bytes.empty()) model.LoadFromMemory(bytes.data(), bytes.size());
}

std::shared_ptr<d3d::Texture> ChurchScene::LoadLightMap(const char* fileName) {
    std::shared_ptr<d3d::Texture> texture;
    if (hooks_.loadTexture(device_, fileName, &texture) < 0) texture.reset();
    return texture;
}

int ChurchScene::Create(d3d::Device* device) {
    // A second Create starts from nothing: the old groups point into frames the new load frees.
    allObjects_.clear();
    groups_.Clear();
    churchObjectCount_ = 0;
    floorLightMap_.reset();
    altarFloorLightMap_.reset();
    altarWallLightMap_.reset();
    frontWallLightMap_.reset();
    ceilingLightMap_.reset();

    device_ = device;
    if (const int r = churchModel_.AttachDevice(device); r < 0) return r;
    LoadModel(churchModel_, kChurchModelFile);
    if (const int r = lightModel_.AttachDevice(device); r < 0) return r;
    LoadModel(lightModel_, kLightModelFile);

    std::vector<engine::SceneObject> church;
    engine::CollectObjects(churchModel_, church);
    for (engine::SceneObject& o : church) {
        o.SplitIntoClusters();
        allObjects_.push_back(std::move(o));
    }
    churchObjectCount_ = allObjects_.size();

    FillGroups();
    groups_.rest = CollectRest(groups_, allObjects_);

    // The light model's frames keep the identity subset table: they are not regrouped.
    std::vector<engine::SceneObject> lights;
    engine::CollectObjects(lightModel_, lights);
    for (engine::SceneObject& o : lights) allObjects_.push_back(std::move(o));
    AppendContaining(groups_.glowLayers, allObjects_, "_Layer");

    return AttachFlame();
}

void ChurchScene::FillGroups() {
    ChurchGroups& g = groups_;
    SceneObjects& all = allObjects_;
    for (const char* name : {"columns_left", "columns_right"}) AppendExact(g.columns, all, name);
    for (const char* name : {"Bench_left", "Bench_right"}) AppendExact(g.benches, all, name);
    for (const char* name :
         {"BigCross", "Cross", "Object32", "Altar_Stuff", "AltarStuff2", "AltarBase", "AltarFabric", "Fence"}) {
        AppendExact(g.altar, all, name);
    }
    // Each statue is followed by its pedestal, which shares its light.
    for (const char* name : {"Statue04", "Cylinder13", "Statue02", "Cylinder09", "Statue", "Cylinder01", "Statue05",
                             "Cylinder16", "Statue06", "Cylinder18", "Statue07", "Cylinder21"}) {
        AppendExact(g.statues, all, name);
    }
    AppendExact(g.floor, all, "Floor14");
    floorLightMap_ = LoadLightMap("floor_light.jpg");
    AppendExact(g.altarFloor, all, "Altar_Floor");
    AppendExact(g.altarCeiling, all, "Altar_Ceil");
    altarFloorLightMap_ = LoadLightMap("altar_floor_light.jpg");
    altarWallLightMap_ = LoadLightMap("altar_wall_light.jpg");
    AppendExact(g.frontWall, all, "wall_front");
    for (const char* text : {"Cylinder10", "Object01", "ceil_trims"}) AppendContaining(g.frontWall, all, text);
    frontWallLightMap_ = LoadLightMap("front_wall_light.jpg");
    AppendContaining(g.wallLamps, all, "Wall_Lamp");
    AppendContaining(g.bigGlass, all, "Big_Glass");
    AppendContaining(g.organGlass, all, "OrganGlass");
    AppendContaining(g.stainedGlass, all, "UpperWindowStainedGlass");
    AppendContaining(g.circularGlass, all, "RoundGlass");
    // "UpperWindow" also takes the stained-glass windows: they are drawn in both groups.
    for (const char* text : {"Object39", "UpperWindow", "OrganWindow"}) AppendContaining(g.windows, all, text);
    AppendExact(g.ceiling, all, "Ceiling");
    AppendExact(g.ceiling, all, "Ceil_Fresco");
    ceilingLightMap_ = LoadLightMap("ceiling_light.jpg");
    AppendExact(g.upperWalls, all, "UpperDoorWall");
    AppendContaining(g.upperWalls, all, "UpperWall");
    AppendExact(g.upperWalls, all, "up_colons");
    AppendContaining(g.upperWalls, all, "upper_trim");
    AppendContaining(g.innerCeiling, all, "inner_ceiling");
    AppendExact(g.innerCeiling, all, "CylinderUp");
    for (const char* name : {"Organ", "OrganPipes", "Object36"}) AppendExact(g.organ, all, name);
    FillCandles(g, all);
    AppendContaining(g.backDoor, all, "back_door");
}

void ChurchScene::Update(float dt) {
    sceneTime_ += dt;
    if (sceneTime_ > kSceneTimeWrap) sceneTime_ -= kSceneTimeWrap;
    churchModel_.Advance(dt);
    lightModel_.Advance(dt);
    AdvanceFlame(dt);
}

void ChurchScene::Release() {
    // Groups first: they point into the frames the unload frees.
    groups_.Clear();
    allObjects_.clear();
    churchObjectCount_ = 0;
    churchModel_.Unload();
    lightModel_.Unload();
    ReleaseFlame();
    floorLightMap_.reset();
    altarFloorLightMap_.reset();
    altarWallLightMap_.reset();
    frontWallLightMap_.reset();
    ceilingLightMap_.reset();
}

int ChurchScene::AttachFlame() { return 0; }
void ChurchScene::AdvanceFlame(float) {}
void ChurchScene::ReleaseFlame() {}

}  // namespace vm::scene
