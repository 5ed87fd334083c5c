// The church as shipped: the scene archive embedded in this test program, assembled on a headless device.

#include "scene/church_scene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../gfx/headless_device.h"
#include "picture_stats.h"
#include "scene/default_view.h"

namespace vm::scene {
namespace {

std::vector<std::string> namesOf(const MeshGroup& group) {
    std::vector<std::string> names;
    for (const engine::SceneObject* o : group) names.push_back(o ? o->frame->name : "(null)");
    return names;
}

std::vector<std::string> numbered(const char* stem, int first, int last) {
    std::vector<std::string> names;
    char name[64];
    for (int n = first; n <= last; ++n) {
        std::snprintf(name, sizeof name, "%s%02d", stem, n);
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// One scene for the whole suite: assembling it decodes the solid archive many times over.
class ShippedChurch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device_ = new gfx::test::HeadlessDevice;
        if (!device_->open(320, 240, 0, true)) return;
        scene_ = new ChurchScene(ChurchSceneHooks{nullptr, nullptr, [] { return 1u; }});
        createResult_ = scene_->Create(device_->device.get());
    }
    static void TearDownTestSuite() {
        delete scene_;  // before its device
        scene_ = nullptr;
        delete device_;
        device_ = nullptr;
    }
    void SetUp() override {
        if (!scene_) GTEST_SKIP() << "no headless OpenGL device (Mesa llvmpipe through EGL)";
        ASSERT_EQ(createResult_, 0);
    }

    static gfx::test::HeadlessDevice* device_;
    static ChurchScene* scene_;
    static int createResult_;
};

gfx::test::HeadlessDevice* ShippedChurch::device_ = nullptr;
ChurchScene* ShippedChurch::scene_ = nullptr;
int ShippedChurch::createResult_ = -1;

TEST_F(ShippedChurch, HoldsTheChurchObjectsThenTheEightLightObjects) {
    EXPECT_EQ(scene_->ChurchObjectCount(), 144u);
    ASSERT_EQ(scene_->AllObjects().size(), 152u);
    // The glow layers are the light model's objects, in its order, after every church object.
    const MeshGroup& glows = scene_->Groups().glowLayers;
    ASSERT_EQ(glows.size(), 8u);
    for (std::size_t i = 0; i < glows.size(); ++i) EXPECT_EQ(glows[i], &scene_->AllObjects()[144 + i]) << i;
}

TEST_F(ShippedChurch, GroupsHoldTheirMembersInOrder) {
    struct Case {
        const char* group;
        std::vector<std::string> expected;
    };
    const std::vector<std::string> stained = numbered("UpperWindowStainedGlass", 1, 10);
    const Case cases[] = {
        {"columns", {"columns_left", "columns_right"}},
        {"benches", {"Bench_left", "Bench_right"}},
        {"altar", {"BigCross", "Cross", "Object32", "Altar_Stuff", "AltarStuff2", "AltarBase", "AltarFabric", "Fence"}},
        {"statues",
         {"Statue04", "Cylinder13", "Statue02", "Cylinder09", "Statue", "Cylinder01", "Statue05", "Cylinder16",
          "Statue06", "Cylinder18", "Statue07", "Cylinder21"}},
        {"floor", {"Floor14"}},
        {"altarFloor", {"Altar_Floor"}},
        {"altarCeiling", {"Altar_Ceil"}},
        {"frontWall",
         {"wall_front", "Cylinder10", "Cylinder100", "Cylinder101", "Cylinder102", "Cylinder103", "Cylinder104",
          "Object01", "Object011", "Object012", "ceil_trims_left", "ceil_trims_right"}},
        {"wallLamps", numbered("Wall_Lamp", 1, 12)},
        {"bigGlass", {"Big_Glasses"}},  // "Big_Glass" is contained in the frame's name
        {"organGlass", {"OrganGlass"}},
        {"stainedGlass", stained},
        {"circularGlass", {"RoundGlass"}},  // not Big_Round_Glass: "RoundGlass" is not in it
        {"windows", join({{"Object39", "Object390"}, stained, numbered("UpperWindow", 1, 10), {"OrganWindow"}})},
        {"ceiling", {"Ceiling", "Ceil_Fresco"}},
        {"upperWalls",
         join({{"UpperDoorWall"}, numbered("UpperWall", 1, 12), {"up_colons", "upper_trim_left", "upper_trim_right"}})},
        {"innerCeiling",
         {"inner_ceiling_left", "inner_ceiling_right", "inner_ceiling_arches_left", "inner_ceiling_arches_right",
          "inner_ceiling_ribs", "CylinderUp"}},
        {"organ", {"Organ", "OrganPipes", "Object36"}},
        {"candleSticks", join({{"CandleStick"}, numbered("CandleStick", 1, 13), {"CandleStick16", "CandleStick17"}})},
        {"candles", join({numbered("Candle", 1, 6), {"CandleStick14", "CandleStick15"}})},
        {"backDoor", {"back_door_left", "back_door_right", "back_door_frame", "back_door_arch"}},
        {"rest",
         {"Wall", "Object35", "Door", "rosettas", "Object38", "Big_Round_Glass", "Door01", "SmallDoorArch01",
          "SmallDoor01", "DoorHandle", "DoorHandle01", "walls_trim_2"}},
        {"glowLayers",
         {"Glow_Layer0", "Glow_Layer1", "Glow_Layer2", "Glow_Layer3", "Glow_Layer0_copy", "Glow_Layer1_copy",
          "Glow_Layer2_copy", "Glow_Layer3_copy"}},
    };
    const auto all = scene_->Groups().All();
    ASSERT_EQ(std::size(cases), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_STREQ(all[i].name, cases[i].group);
        EXPECT_EQ(namesOf(*all[i].group), cases[i].expected) << cases[i].group;
    }
}

TEST_F(ShippedChurch, EveryGroupEntryIsAnEntryOfAllObjectsAfterTheLightObjectsWereAppended) {
    std::set<const engine::SceneObject*> entries;
    for (const engine::SceneObject& o : scene_->AllObjects()) entries.insert(&o);
    std::size_t checked = 0;
    for (const ChurchGroups::Named& g : scene_->Groups().All()) {
        for (const engine::SceneObject* o : *g.group) {
            ASSERT_NE(o, nullptr) << g.name << ": the shipped model has every named part";
            EXPECT_TRUE(entries.contains(o)) << g.name;
            EXPECT_NE(o->GetFrameMesh(), nullptr) << g.name << " " << o->frame->name;
            ++checked;
        }
    }
    // Every church object is in exactly one place except the stained glass, which is in two groups.
    EXPECT_EQ(checked, 144u + 10u + 8u);
}

TEST_F(ShippedChurch, ChurchObjectsAreRegroupedByMaterialAndLightObjectsAreNot) {
    for (std::size_t i = 0; i < scene_->AllObjects().size(); ++i) {
        const engine::SceneObject& o = scene_->AllObjects()[i];
        if (i < scene_->ChurchObjectCount()) {
            EXPECT_FALSE(o.clusters.empty()) << o.frame->name;
            EXPECT_FALSE(o.Bounds().IsEmpty()) << o.frame->name;
        } else {
            EXPECT_TRUE(o.clusters.empty()) << o.frame->name;
        }
    }
}

TEST_F(ShippedChurch, AllFiveLightMapsLoad) {
    EXPECT_NE(scene_->FloorLightMap(), nullptr);
    EXPECT_NE(scene_->AltarFloorLightMap(), nullptr);
    EXPECT_NE(scene_->AltarWallLightMap(), nullptr);
    EXPECT_NE(scene_->FrontWallLightMap(), nullptr);
    EXPECT_NE(scene_->CeilingLightMap(), nullptr);
}

TEST_F(ShippedChurch, FixedViewShowsTheChurchAtNightAndLeavesWorldAndViewAsTheyWere) {
    d3d::Device& device = *device_->device;
    ASSERT_EQ(SetDefaultView(device), 0);
    d3d::Matrix view, projection;
    device.GetTransform(d3d::TransformState::View, &view);
    device.GetTransform(d3d::TransformState::Projection, &projection);
    // 320 x 240: aspect 4/3; near 10 and far 2500 give z = far / (far - near) and -near·far / (far - near).
    EXPECT_NEAR(projection.m[1][1], 2.4142135f, 1e-5f);
    EXPECT_NEAR(projection.m[0][0], 2.4142135f * 0.75f, 1e-5f);
    EXPECT_NEAR(projection.m[2][2], 2500.0f / 2490.0f, 1e-6f);
    EXPECT_NEAR(projection.m[3][2], -25000.0f / 2490.0f, 1e-4f);
    EXPECT_EQ(projection.m[2][3], 1.0f);

    device.Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0xFF000000u, 1.0f, 0);
    device.BeginScene();
    EXPECT_EQ(scene_->Render(), 0);
    device.EndScene();
    d3d::Image image;
    ASSERT_EQ(device.ReadRenderTarget(&image), 0);
    const test::PictureStats stats = test::measure(image);
    EXPECT_TRUE(test::looksLikeTheChurchAtNight(stats))
        << "lit " << stats.litFraction << ", mean rgb " << stats.red << " " << stats.green << " " << stats.blue;

    d3d::Matrix after;
    device.GetTransform(d3d::TransformState::View, &after);
    EXPECT_EQ(std::memcmp(&after, &view, sizeof view), 0) << "Render restores the view it found";
    device.GetTransform(d3d::TransformState::World, &after);
    const d3d::Matrix identity;
    EXPECT_EQ(std::memcmp(&after, &identity, sizeof after), 0);
}

}  // namespace
}  // namespace vm::scene
