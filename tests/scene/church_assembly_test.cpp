// Assembly rules on small hand-built models: lookups, the candle rule, missing media, the scene clock
// and the seeding, without the shipped archive.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../gfx/headless_device.h"
#include "scene/church_scene.h"

namespace vm::scene {
namespace {

// A chain of frames, each with one triangle and nested in the one before, so that the pre-order walk
// collects them in the order given. An empty name makes an unnamed frame.
std::string modelText(const std::vector<std::string>& frames) {
    std::string body = "xof 0303txt 0032\n";
    for (const std::string& name : frames) {
        body += "Frame " + name + " { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;; }\n";
    }
    body += std::string(frames.size(), '}');
    return body;
}

// The media the scene reads through its hook, by file name; absent names read as missing.
std::string gChurchText, gLightText;
std::vector<std::uint8_t> readTestMedia(const char* fileName) {
    const std::string& text = std::string(fileName) == kChurchModelFile ? gChurchText
                              : std::string(fileName) == kLightModelFile ? gLightText
                                                                         : gChurchText.substr(0, 0);
    return {text.begin(), text.end()};
}

// Light maps: 1 x 1 textures, except the file named in gMissingMap; requests are recorded.
std::string gMissingMap;
std::vector<std::string> gRequested;
int loadTestTexture(d3d::Device* device, const char* fileName, std::shared_ptr<d3d::Texture>* out) {
    gRequested.emplace_back(fileName);
    if (!device || gMissingMap == fileName) return d3d::kErrNotFound;
    std::unique_ptr<d3d::Texture> texture;
    const d3d::Result r = device->CreateTexture(1, 1, 1, 0, d3d::Format::A8R8G8B8, d3d::Pool::Managed, &texture);
    if (r == 0) *out = std::move(texture);
    return r;
}

std::vector<std::string> namesOf(const MeshGroup& group) {
    std::vector<std::string> names;
    for (const engine::SceneObject* o : group) names.push_back(o ? o->frame->name : "(null)");
    return names;
}

class Assembly : public ::testing::Test {
protected:
    void SetUp() override {
        if (!device_.open(16, 16, 0, true)) GTEST_SKIP() << "no headless OpenGL device (Mesa llvmpipe through EGL)";
        gChurchText.clear();
        gLightText.clear();
        gMissingMap.clear();
        gRequested.clear();
    }
    static ChurchSceneHooks hooks() { return {readTestMedia, loadTestTexture, [] { return 7u; }}; }

    gfx::test::HeadlessDevice device_;
};

TEST_F(Assembly, ChurchWithoutCandleStick14KeepsTheOtherCandlesInOrder) {
    gChurchText = modelText({"Candle02", "CandleStick15", "CandleStick", "CandleStick13", "Candle01", "CandleStick16",
                             "Candle19"});
    ChurchScene scene(hooks());
    ASSERT_EQ(scene.Create(device_.device.get()), 0);
    // Candles by n, not by model order; 15 is a single candle, the rest are sticks.
    EXPECT_EQ(namesOf(scene.Groups().candles),
              (std::vector<std::string>{"Candle01", "Candle02", "CandleStick15", "Candle19"}));
    EXPECT_EQ(namesOf(scene.Groups().candleSticks),
              (std::vector<std::string>{"CandleStick", "CandleStick13", "CandleStick16"}));
    EXPECT_TRUE(scene.Groups().rest.empty());
}

TEST_F(Assembly, LookupRules) {
    gChurchText = modelText({"Statue04", "", "Big_Round_Glass", "Big_Glasses", "RoundGlass2", "columns_right",
                             "upper_trim_x", "UpperWall7", "Floor14", "floor14", "Floor14"});
    gLightText = modelText({"Glow_Layer0", "Other", "Glow_Layer0_copy"});
    ChurchScene scene(hooks());
    ASSERT_EQ(scene.Create(device_.device.get()), 0);
    ASSERT_EQ(scene.AllObjects().size(), 14u);
    struct Case {
        const char* name;
        const MeshGroup& group;
        std::vector<std::string> expected;
    };
    const ChurchGroups& g = scene.Groups();
    const Case cases[] = {
        {"exact misses stay as nulls", g.columns, {"(null)", "columns_right"}},
        {"exact 'Statue' does not take Statue04", g.statues,
         {"Statue04", "(null)", "(null)", "(null)", "(null)", "(null)", "(null)", "(null)", "(null)", "(null)",
          "(null)", "(null)"}},
        {"exact is case-sensitive and takes the first match", g.floor, {"Floor14"}},
        {"contains: Big_Glass in Big_Glasses", g.bigGlass, {"Big_Glasses"}},
        {"contains: RoundGlass, not Big_Round_Glass", g.circularGlass, {"RoundGlass2"}},
        {"exact and contains mixed, misses kept", g.upperWalls, {"(null)", "UpperWall7", "(null)", "upper_trim_x"}},
        {"contains finds nothing: empty", g.wallLamps, {}},
        {"rest: unmatched church objects in order, the unnamed one too", g.rest,
         {"", "Big_Round_Glass", "floor14", "Floor14"}},
        {"glow layers from the light model", g.glowLayers, {"Glow_Layer0", "Glow_Layer0_copy"}},
    };
    for (const Case& c : cases) EXPECT_EQ(namesOf(c.group), c.expected) << c.name;
    EXPECT_EQ(scene.ChurchObjectCount(), 11u);
}

TEST_F(Assembly, MissingModelsLeaveEmptyGroupsAndCreateStillSucceeds) {
    ChurchScene scene(hooks());
    ASSERT_EQ(scene.Create(device_.device.get()), 0);
    EXPECT_TRUE(scene.AllObjects().empty());
    for (const ChurchGroups::Named& g : scene.Groups().All()) {
        for (const engine::SceneObject* o : *g.group) EXPECT_EQ(o, nullptr) << g.name;
    }
    EXPECT_EQ(scene.Groups().columns.size(), 2u) << "exact lookups are appended as nulls";
}

TEST_F(Assembly, MissingLightMapLeavesOnlyThatTextureNull) {
    gChurchText = modelText({"Floor14"});
    struct Case {
        const char* missing;
        const std::shared_ptr<d3d::Texture>& (ChurchScene::*map)() const noexcept;
    };
    const Case cases[] = {
        {"floor_light.jpg", &ChurchScene::FloorLightMap},
        {"altar_floor_light.jpg", &ChurchScene::AltarFloorLightMap},
        {"altar_wall_light.jpg", &ChurchScene::AltarWallLightMap},
        {"front_wall_light.jpg", &ChurchScene::FrontWallLightMap},
        {"ceiling_light.jpg", &ChurchScene::CeilingLightMap},
    };
    for (const Case& c : cases) {
        gMissingMap = c.missing;
        gRequested.clear();
        ChurchScene scene(hooks());
        ASSERT_EQ(scene.Create(device_.device.get()), 0) << c.missing;
        EXPECT_EQ(gRequested, (std::vector<std::string>{"floor_light.jpg", "altar_floor_light.jpg",
                                                        "altar_wall_light.jpg", "front_wall_light.jpg",
                                                        "ceiling_light.jpg"}));
        for (const Case& other : cases) {
            EXPECT_EQ((scene.*other.map)() == nullptr, &other == &c) << "missing " << c.missing << ", " << other.missing;
        }
    }
}

TEST_F(Assembly, ReleaseDropsEverythingAndASecondCreateStartsAfresh) {
    gChurchText = modelText({"columns_left", "Wall"});
    gLightText = modelText({"Glow_Layer0"});
    ChurchScene scene(hooks());
    ASSERT_EQ(scene.Create(device_.device.get()), 0);
    // Regression: a second Create used to keep the first load's groups, pointing into freed frames.
    ASSERT_EQ(scene.Create(device_.device.get()), 0);
    EXPECT_EQ(scene.AllObjects().size(), 3u);
    EXPECT_EQ(namesOf(scene.Groups().rest), (std::vector<std::string>{"Wall"}));
    EXPECT_EQ(scene.Groups().columns.size(), 2u);
    EXPECT_EQ(scene.Groups().glowLayers.size(), 1u);

    scene.Release();
    EXPECT_TRUE(scene.AllObjects().empty());
    for (const ChurchGroups::Named& g : scene.Groups().All()) EXPECT_TRUE(g.group->empty()) << g.name;
    EXPECT_EQ(scene.FloorLightMap(), nullptr);
    EXPECT_EQ(scene.CeilingLightMap(), nullptr);
    EXPECT_EQ(scene.ChurchModel().rootFrame, nullptr);
    scene.Release();  // twice is harmless
    scene.Update(0.1f);
}

TEST(ChurchSceneClock, SceneTimeWrapsAtTwoThousandPi) {
    struct Case {
        const char* name;
        std::vector<float> steps;
        float expected;
    };
    const Case cases[] = {
        {"small steps add up", {0.1f, 0.2f, 0.2f}, 0.5f},
        {"a zero step leaves it", {0.0f}, 0.0f},
        {"reaching the wrap exactly does not wrap", {6283.1855f}, 6283.1855f},
        {"passing it wraps to a small positive value", {6283.0f, 0.2f, 0.2f}, 0.2145f},
    };
    for (const Case& c : cases) {
        ChurchScene scene(ChurchSceneHooks{readTestMedia, loadTestTexture, [] { return 1u; }});
        for (float dt : c.steps) scene.Update(dt);
        EXPECT_NEAR(scene.SceneTime(), c.expected, 2e-3f) << c.name;
        EXPECT_GE(scene.SceneTime(), 0.0f) << c.name;
    }
}

TEST(ChurchSceneSeed, ConstructionSeedsTheGeneratorFromTheInjectedClock) {
    for (std::uint32_t seed : {1u, 7u, 4000000000u}) {
        ChurchScene scene(ChurchSceneHooks{readTestMedia, loadTestTexture, [seed] { return seed; }});
        const int first = std::rand(), second = std::rand();
        std::srand(seed);
        EXPECT_EQ(std::rand(), first) << seed;
        EXPECT_EQ(std::rand(), second) << seed;
    }
}

}  // namespace
}  // namespace vm::scene
