// The generated church read back through the engine: object count and order, the scene's name groups,
// placement facts the render passes rely on, and byte-for-byte repeatable output.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "church/church_layout.h"
#include "church/church_model.h"
#include "church/light_maps.h"
#include "engine/scene_object.h"
#include "engine/x_model.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using engine::SceneObject;

std::vector<std::uint8_t> writeModel(const std::vector<ChurchObject>& objects, const char* root, bool compressed) {
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(d3dx::writeXFile(toFrames(root, objects), compressed, bytes), d3dx::XResult::Ok);
    return bytes;
}

struct Loaded {
    engine::XModel model;
    std::vector<SceneObject> objects;
};

void load(Loaded& out, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(out.model.LoadFromMemory(bytes.data(), bytes.size()), 0);
    out.model.ComputeWorldMatrices(d3dx::identity());
    engine::CollectObjects(out.model, out.objects);
    for (SceneObject& o : out.objects) o.SplitIntoClusters();
}

std::string nameOf(const SceneObject* o) { return o && o->frame ? o->frame->name : std::string("<null>"); }

// The scene's name rules: exact names (first match) and "every name that contains".
struct Groups {
    explicit Groups(std::vector<SceneObject>& all) : all(all) {}
    std::vector<SceneObject>& all;
    std::vector<const SceneObject*> used;

    const SceneObject* exact(const std::string& name) {
        for (SceneObject& o : all) {
            if (o.frame && o.frame->name == name) {
                used.push_back(&o);
                return &o;
            }
        }
        return nullptr;
    }
    std::vector<const SceneObject*> contains(const std::string& text) {
        std::vector<const SceneObject*> out;
        for (SceneObject& o : all) {
            if (o.frame && o.frame->name.find(text) != std::string::npos) {
                out.push_back(&o);
                used.push_back(&o);
            }
        }
        return out;
    }
};

class ChurchModel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        objects_ = new std::vector<ChurchObject>(buildChurch());
        church_ = new Loaded;
        load(*church_, writeModel(*objects_, "Church", true));
        lights_ = new Loaded;
        load(*lights_, writeModel(buildLightGlows(), "Lights", false));
    }
    static void TearDownTestSuite() {
        delete objects_;
        delete church_;
        delete lights_;
    }
    static const SceneObject& byName(const std::string& name) {
        for (const SceneObject& o : church_->objects) {
            if (o.frame->name == name) return o;
        }
        throw std::runtime_error("no object " + name);
    }
    static std::vector<ChurchObject>* objects_;
    static Loaded* church_;
    static Loaded* lights_;
};
std::vector<ChurchObject>* ChurchModel::objects_ = nullptr;
Loaded* ChurchModel::church_ = nullptr;
Loaded* ChurchModel::lights_ = nullptr;

TEST_F(ChurchModel, ReadsBackAs144ObjectsInTheBuiltOrderAnd8Glows) {
    ASSERT_EQ(church_->objects.size(), 144u);
    for (std::size_t i = 0; i < church_->objects.size(); ++i) {
        EXPECT_EQ(church_->objects[i].frame->name, (*objects_)[i].name) << "position " << i;
    }
    ASSERT_EQ(lights_->objects.size(), 8u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lights_->objects[static_cast<std::size_t>(i)].frame->name, "Glow_Layer" + std::to_string(i));
    }
}

TEST_F(ChurchModel, NameGroupsHoldWhatTheScenePasses) {
    Groups g(church_->objects);
    for (const char* n : {"columns_left", "columns_right", "Bench_left", "Bench_right", "BigCross", "Cross", "Object32",
                          "Altar_Stuff", "AltarStuff2", "AltarBase", "AltarFabric", "Fence", "Statue04", "Cylinder13",
                          "Statue02", "Cylinder09", "Statue", "Cylinder01", "Statue05", "Cylinder16", "Statue06",
                          "Cylinder18", "Statue07", "Cylinder21", "Floor14", "Altar_Floor", "Altar_Ceil", "wall_front"}) {
        EXPECT_NE(g.exact(n), nullptr) << n;
    }
    EXPECT_EQ(g.contains("Cylinder10").size(), 6u);
    EXPECT_EQ(g.contains("Object01").size(), 3u);
    EXPECT_EQ(g.contains("ceil_trims").size(), 2u);
    EXPECT_EQ(g.contains("Wall_Lamp").size(), 12u);
    auto bigGlass = g.contains("Big_Glass");
    ASSERT_EQ(bigGlass.size(), 1u);
    EXPECT_EQ(nameOf(bigGlass[0]), "Big_Glasses");
    EXPECT_EQ(g.contains("OrganGlass").size(), 1u);
    auto stained = g.contains("UpperWindowStainedGlass");
    EXPECT_EQ(stained.size(), 10u);
    auto round = g.contains("RoundGlass");
    ASSERT_EQ(round.size(), 1u);
    EXPECT_EQ(nameOf(round[0]), "RoundGlass");
    EXPECT_EQ(g.contains("Object39").size(), 2u);
    EXPECT_EQ(g.contains("UpperWindow").size(), 20u);  // frames and the stained glass again
    EXPECT_EQ(g.contains("OrganWindow").size(), 1u);
    for (const char* n : {"Ceiling", "Ceil_Fresco", "UpperDoorWall", "up_colons", "CylinderUp", "Organ", "OrganPipes", "Object36"}) {
        EXPECT_NE(g.exact(n), nullptr) << n;
    }
    EXPECT_EQ(g.contains("UpperWall").size(), 12u);
    EXPECT_EQ(g.contains("upper_trim").size(), 2u);
    EXPECT_EQ(g.contains("inner_ceiling").size(), 5u);

    std::vector<std::string> candleSticks, candles;
    if (const SceneObject* o = g.exact("CandleStick")) candleSticks.push_back(nameOf(o));
    for (int n = 0; n < 20; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "Candle%02d", n);
        if (const SceneObject* o = g.exact(name)) candles.push_back(nameOf(o));
        std::snprintf(name, sizeof name, "CandleStick%02d", n);
        if (const SceneObject* o = g.exact(name)) (n == 14 || n == 15 ? candles : candleSticks).push_back(nameOf(o));
    }
    EXPECT_EQ(candleSticks.size(), 16u);
    EXPECT_EQ(candles, (std::vector<std::string>{"Candle01", "Candle02", "Candle03", "Candle04", "Candle05", "Candle06",
                                                 "CandleStick14", "CandleStick15"}));
    EXPECT_EQ(candleSticks.size() * 4 + candles.size(), 72u);
    EXPECT_EQ(g.contains("back_door").size(), 4u);

    std::vector<std::string> rest;
    for (const SceneObject& o : church_->objects) {
        if (std::find(g.used.begin(), g.used.end(), &o) == g.used.end()) rest.push_back(o.frame->name);
    }
    EXPECT_EQ(rest, (std::vector<std::string>{"Wall", "Object35", "Door", "rosettas", "Object38", "Big_Round_Glass", "Door01",
                                              "SmallDoorArch01", "SmallDoor01", "DoorHandle", "DoorHandle01", "walls_trim_2"}));
}

TEST_F(ChurchModel, FloorIsTheGroundAndNothingLiesBelowIt) {
    const SceneObject& floor = byName("Floor14");
    d3d::Vector3 size = floor.Bounds().Size();
    EXPECT_NEAR(size.x, 1752, 1);
    EXPECT_EQ(size.y, 0);
    EXPECT_NEAR(size.z, 1987, 1);
    for (const SceneObject& o : church_->objects) {
        d3d::Vector3 lo = d3dx::transformCoord(o.Bounds().min, o.WorldMatrix());
        EXPECT_GE(lo.y, -0.01f) << o.frame->name;
    }
}

TEST_F(ChurchModel, CandlestickPairsStandOnOneSideEach) {
    std::vector<std::string> first12 = {"CandleStick"};
    for (int n = 1; n < 12; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "CandleStick%02d", n);
        first12.push_back(name);
    }
    int left = 0, right = 0;
    for (std::size_t k = 0; k < 12; k += 2) {
        auto top = [&](const std::string& name) {
            const SceneObject& o = byName(name);
            return d3dx::transformCoord({0, o.Bounds().Size().y, 0}, o.WorldMatrix());
        };
        d3d::Vector3 a = top(first12[k]), b = top(first12[k + 1]);
        EXPECT_EQ(a.x < -500, b.x < -500) << first12[k];
        ((a.x + b.x) / 2 < -500 ? left : right)++;
        EXPECT_NEAR(a.y, 160, 0.01) << "flames sit on the wicks of " << first12[k];
    }
    EXPECT_EQ(left, 3);
    EXPECT_EQ(right, 3);
}

TEST_F(ChurchModel, StatuesFaceWhereTheirLightComesFrom) {
    // The statue light travels along J, so each face looks back along -J.
    struct Case { const char* name; float x, z; };
    const float s = std::sqrt(0.5f);
    const Case cases[] = {{"Statue04", -s, -s}, {"Statue02", -1, 0}, {"Statue", -s, s},
                          {"Statue05", s, s},   {"Statue06", 1, 0},  {"Statue07", s, -s}};
    for (const Case& c : cases) {
        d3d::Vector3 face = d3dx::transformNormal({0, 0, 1}, byName(c.name).WorldMatrix());
        EXPECT_NEAR(face.x, c.x, 1e-4) << c.name;
        EXPECT_NEAR(face.z, c.z, 1e-4) << c.name;
    }
}

TEST_F(ChurchModel, StainedGlassGlowsLandOnTheirPanes) {
    int k = 0;
    for (const SceneObject& o : church_->objects) {
        if (o.frame->name.find("UpperWindowStainedGlass") == std::string::npos) continue;
        const d3d::Matrix& w = o.WorldMatrix();
        float dx = k < 5 ? 505.0f : 370.0f;
        d3d::Vector3 glow{w.m[3][0] + dx, w.m[3][1] + 758, w.m[3][2]};
        d3d::Vector3 lo = d3dx::transformCoord(o.Bounds().min, w), hi = d3dx::transformCoord(o.Bounds().max, w);
        EXPECT_NEAR(glow.x, (lo.x + hi.x) / 2, 25) << o.frame->name;
        EXPECT_NEAR(glow.y, (lo.y + hi.y) / 2, 1) << o.frame->name;
        EXPECT_NEAR(glow.z, (lo.z + hi.z) / 2, 1) << o.frame->name;
        EXPECT_EQ(glow.x < -500, k < 5) << o.frame->name;
        ++k;
    }
    EXPECT_EQ(k, 10);
}

TEST_F(ChurchModel, LightMapProjectionsCoverTheirSurfaces) {
    struct Case { const char* reference; int axis; std::vector<const char*> drawn; };
    const Case cases[] = {
        {"Altar_Floor", 0, {"Altar_Floor"}},
        {"Altar_Ceil", 1, {"Altar_Ceil"}},
        {"wall_front", 1, {"wall_front", "Cylinder10", "Cylinder104", "Object01", "ceil_trims_left"}},
        {"Ceiling", 0, {"Ceiling", "Ceil_Fresco"}},
    };
    auto objectNamed = [&](const std::string& name) -> const ChurchObject& {
        for (const ChurchObject& o : *objects_) {
            if (o.name == name) return o;
        }
        throw std::runtime_error(name);
    };
    for (const Case& c : cases) {
        Projection p{&objectNamed(c.reference), c.axis};
        for (const char* name : c.drawn) {
            const ChurchObject& o = objectNamed(name);
            for (const d3d::Vector3& v : o.mesh.positions) {
                d3d::Vector2 uv = projectPoint(p, d3dx::transformCoord(v, o.matrix));
                EXPECT_TRUE(uv.x >= -0.02f && uv.x <= 1.02f && uv.y >= -0.02f && uv.y <= 1.02f)
                    << c.reference << " on " << name << ": " << uv.x << ", " << uv.y;
            }
        }
    }
    // The floor's image runs from the altar end (top row) to the entrance.
    Projection floor{&objectNamed("Floor14"), 2, {1, 1, 0.97f}, {0, 0, -30}};
    EXPECT_LT(projectPoint(floor, {-400, 0, 1400}).y, projectPoint(floor, {-400, 0, -300}).y);
}

TEST_F(ChurchModel, FlamesNumber72) { EXPECT_EQ(flamePositions(*objects_).size(), 72u); }

TEST(ChurchOutput, IsRepeatableByteForByte) {
    EXPECT_EQ(writeModel(buildChurch(), "Church", true), writeModel(buildChurch(), "Church", true));
    EXPECT_EQ(writeModel(buildLightGlows(), "Lights", false), writeModel(buildLightGlows(), "Lights", false));
}

}  // namespace
}  // namespace vm::church
