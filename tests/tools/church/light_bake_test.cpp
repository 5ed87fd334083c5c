// The light-map baker: the ray caster on hand-built triangles and against brute force, shadows, soft
// shadow edges and ambient occlusion on tiny rooms, repeatable output whatever the thread count, and the
// real church's floor map.

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "church/church_model.h"
#include "church/light_baker.h"
#include "church/light_maps.h"
#include "church/mesh_builder.h"
#include "church/ray_caster.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

// ---------------------------------------------------------------------------------------------------
// Ray caster

TEST(RayCaster, AnswersHitsMissesAndAnyHitOnAHandBuiltScene) {
    // A 2x2 quad at z = 10 (tag 1) and a larger triangle at z = 20 (tag 2), both facing -z.
    const RayCaster caster({
        {{-1, -1, 10}, {1, -1, 10}, {1, 1, 10}, 1},
        {{-1, -1, 10}, {1, 1, 10}, {-1, 1, 10}, 1},
        {{-3, -3, 20}, {3, -3, 20}, {0, 3, 20}, 2},
    });
    constexpr float kFar = 1e9f;
    struct Case {
        const char* name;
        Vec3 origin, direction;
        float tMax;
        bool hit;
        float t;
        std::uint32_t tag;
    };
    const Case cases[] = {
        {"nearest of two surfaces", {0, 0, 0}, {0, 0, 1}, kFar, true, 10, 1},
        {"beside the quad, onto the triangle", {2, -2, 0}, {0, 0, 1}, kFar, true, 20, 2},
        {"beside everything", {5, 5, 0}, {0, 0, 1}, kFar, false, 0, 0},
        {"everything behind the origin", {0, 0, 30}, {0, 0, 1}, kFar, false, 0, 0},
        {"back faces count", {0, 0, 30}, {0, 0, -1}, kFar, true, 10, 2},
        {"segment ends short of the quad", {0, 0, 0}, {0, 0, 1}, 9.5f, false, 0, 0},
        {"t in multiples of a longer direction", {0, 0, 0}, {0, 0, 2}, kFar, true, 5, 1},
        {"ray in the quad's plane", {-5, 0, 10}, {1, 0, 0}, kFar, false, 0, 0},
        {"through the quad's shared edge", {0.25f, 0.25f, 0}, {0, 0, 1}, kFar, true, 10, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RayHit hit;
        const bool found = caster.closestHit({c.origin, c.direction}, 0, c.tMax, &hit);
        ASSERT_EQ(found, c.hit);
        EXPECT_EQ(caster.anyHit({c.origin, c.direction}, 0, c.tMax), c.hit);
        if (found) {
            EXPECT_FLOAT_EQ(hit.t, c.t);
            EXPECT_EQ(caster.triangles()[hit.triangle].tag, c.tag);
        }
    }
}

TEST(RayCaster, TreeAgreesWithBruteForceOnRandomRays) {
    std::mt19937 rng(20261211);
    std::uniform_real_distribution<float> in(0, 100), step(-6, 6), dir(-1, 1), length(1, 150);
    std::vector<Triangle> triangles;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        Vec3 a{in(rng), in(rng), in(rng)};
        triangles.push_back({a, a + Vec3{step(rng), step(rng), step(rng)}, a + Vec3{step(rng), step(rng), step(rng)}, i});
    }
    // A few walls the size of the whole scene, which every node's box must then make room for.
    triangles.push_back({{0, 0, 50}, {100, 0, 50}, {0, 100, 50}, 9000});
    triangles.push_back({{0, 30, 0}, {100, 30, 0}, {0, 30, 100}, 9001});
    const RayCaster caster(triangles);
    ASSERT_EQ(caster.triangles().size(), triangles.size());

    int hits = 0;
    for (int i = 0; i < 4000; ++i) {
        Ray ray{{in(rng), in(rng), in(rng)}, normalized(Vec3{dir(rng), dir(rng), dir(rng)})};
        const float tMax = i % 2 ? length(rng) : 1e9f;
        bool brute = false;
        float bruteT = tMax;
        for (const Triangle& t : caster.triangles()) {
            float d;
            if (intersectTriangle(ray, t, 0.001f, bruteT, &d)) {
                brute = true;
                bruteT = d;
            }
        }
        RayHit hit;
        ASSERT_EQ(caster.closestHit(ray, 0.001f, tMax, &hit), brute) << "ray " << i;
        ASSERT_EQ(caster.anyHit(ray, 0.001f, tMax), brute) << "ray " << i;
        if (brute) {
            EXPECT_EQ(hit.t, bruteT) << "ray " << i;
            ++hits;
        }
    }
    EXPECT_GT(hits, 400);  // the comparison saw plenty of both outcomes
    EXPECT_LT(hits, 3600);
}

TEST(RayCaster, DegenerateInputBuildsAndNeverHitsZeroAreaTriangles) {
    std::vector<Triangle> triangles(200, Triangle{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}, 1});  // one centroid for all
    triangles.push_back({{0, 0, 3}, {1, 1, 3}, {2, 2, 3}, 2});                            // a line
    triangles.push_back({{0.2f, 0.2f, 4}, {0.2f, 0.2f, 4}, {0.2f, 0.2f, 4}, 3});          // a point
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    triangles.push_back({{nan, 0, 2}, {1, 0, 2}, {0, 1, 2}, 4});
    triangles.push_back({{-inf, -inf, 1}, {inf, -inf, 1}, {0, inf, 1}, 5});
    // Centroids a hair apart: the binning scale gets huge but must stay within range.
    triangles.push_back({{0, 0, 6}, {1, 0, 6}, {0, 1, 6.000001f}, 6});
    const RayCaster caster(triangles);
    EXPECT_EQ(caster.triangles().size(), triangles.size() - 2);  // the two with non-finite corners
    RayHit hit;
    ASSERT_TRUE(caster.closestHit({{0.2f, 0.2f, 0}, {0, 0, 1}}, 0, 100, &hit));
    EXPECT_FLOAT_EQ(hit.t, 5);
    EXPECT_EQ(caster.triangles()[hit.triangle].tag, 1u);

    const RayCaster empty(std::vector<Triangle>{});
    EXPECT_FALSE(empty.closestHit({{0, 0, 0}, {0, 0, 1}}, 0, 100, &hit));
    EXPECT_FALSE(empty.anyHit({{0, 0, 0}, {0, 0, 1}}, 0, 100));
}

// ---------------------------------------------------------------------------------------------------
// Baking tiny rooms

ChurchObject floorPart(const char* name, float half) {
    MeshBuilder b;
    b.polygon({{-half, 0, -half}, {-half, 0, half}, {half, 0, half}, {half, 0, -half}}, {0, 1, 0}, Look{});
    return {name, {}, b.take(name)};
}

ChurchObject boxPart(const char* name, Vec3 lo, Vec3 hi) {
    MeshBuilder b;
    b.box(lo.toD3d(), hi.toD3d(), Look{});
    return {name, {}, b.take(name)};
}

// Two walls meeting in the corner x = -200, z = -200, facing into the room.
ChurchObject cornerPart() {
    MeshBuilder b;
    b.polygon({{-200, 0, -200}, {-200, 200, -200}, {-200, 200, 200}, {-200, 0, 200}}, {1, 0, 0}, Look{});
    b.polygon({{-200, 0, -200}, {-200, 200, -200}, {200, 200, -200}, {200, 0, -200}}, {0, 0, 1}, Look{});
    return {"Corner", {}, b.take("Corner")};
}

RayCaster casterOf(const std::vector<const ChurchObject*>& parts) {
    std::vector<Triangle> triangles;
    for (const ChurchObject* p : parts) appendTriangles(*p, 0, triangles);
    return RayCaster(std::move(triangles));
}

float brightness(const pictures::Rgba& c) { return c.r + c.g + c.b; }

// The texel a world point on the floor projects to.
const pictures::Rgba& texelAt(const pictures::Image& image, const Projection& projection, Vec3 world) {
    d3d::Vector2 uv = projectPoint(projection, world.toD3d());
    int x = std::clamp(static_cast<int>(uv.x * static_cast<float>(image.width)), 0, image.width - 1);
    int y = std::clamp(static_cast<int>(uv.y * static_cast<float>(image.height)), 0, image.height - 1);
    return image.at(x, y);
}

// A 400 x 400 floor with a slab hanging 80..100 above its middle, lit from straight above.
struct ShadowRoom {
    ChurchObject floor = floorPart("Floor", 200);
    ChurchObject slab = boxPart("Slab", {-60, 80, -60}, {60, 100, 60});
    LightMapSurface surface{"floor.jpg", 64, 64, {&floor, 2}, {&floor}};

    BakeScene scene(float lightRadius) const {
        BakeScene s;
        s.occluders = casterOf({&floor, &slab});
        s.lights.push_back({{{0, 300, 0}}, lightRadius, {1, 1, 1}, 1000});
        s.interior = {0, 150, 0};
        s.occlusionDistance = 30;
        return s;
    }
};

TEST(LightBaker, FloorUnderAnOccluderIsDarkerThanInTheOpen) {
    ShadowRoom room;
    pictures::Image image = bakeSurfaces({room.surface}, room.scene(10), 2).at(0);
    const float under = brightness(texelAt(image, room.surface.projection, {0, 0, 0}));
    const float open = brightness(texelAt(image, room.surface.projection, {150, 0, 150}));
    EXPECT_GT(open, 0.5f);
    EXPECT_LT(under, 0.3f * open);
}

TEST(LightBaker, BiggerLightsCastSofterShadows) {
    // Count texels along a line out of the shadow that are neither in shadow nor fully lit.
    ShadowRoom room;
    auto penumbra = [&](float radius) {
        pictures::Image image = bakeSurfaces({room.surface}, room.scene(radius), 0).at(0);
        const float umbra = brightness(texelAt(image, room.surface.projection, {0, 0, 0}));
        const float lit = brightness(texelAt(image, room.surface.projection, {190, 0, 0}));
        int between = 0;
        for (float x = 0; x <= 190; x += 2) {
            float f = (brightness(texelAt(image, room.surface.projection, {x, 0, 0})) - umbra) / (lit - umbra);
            if (f > 0.15f && f < 0.85f) ++between;
        }
        return between;
    };
    const int sharp = penumbra(1), soft = penumbra(80);
    EXPECT_GT(soft, 2 * sharp) << "sharp " << sharp << ", soft " << soft;
}

TEST(LightBaker, AmbientOcclusionDarkensCornersMoreThanWallsMoreThanTheOpen) {
    ChurchObject floor = floorPart("Floor", 200), corner = cornerPart();
    LightMapSurface surface{"floor.jpg", 64, 64, {&floor, 2}, {&floor}};
    BakeScene scene;
    scene.occluders = casterOf({&floor, &corner});
    scene.ambient = {1, 1, 1};
    scene.interior = {0, 100, 0};
    scene.occlusionDistance = 100;
    pictures::Image image = bakeSurfaces({surface}, scene, 0).at(0);
    const float inCorner = brightness(texelAt(image, surface.projection, {-192, 0, -192}));
    const float byWall = brightness(texelAt(image, surface.projection, {-192, 0, 50}));
    const float open = brightness(texelAt(image, surface.projection, {100, 0, 100}));
    EXPECT_FLOAT_EQ(open, 3);  // nothing within reach: the whole sky
    EXPECT_LT(byWall, 0.85f * open);
    EXPECT_LT(inCorner, 0.85f * byWall);
}

TEST(LightBaker, SameBitsWhateverTheThreadCount) {
    // Two surfaces (a floor and a slab's top seen from above) and two lights of different colours.
    ShadowRoom room;
    BakeScene scene = room.scene(20);
    scene.lights.push_back({{{-150, 120, 90}, {-140, 120, 100}}, 5, {0.9f, 0.5f, 0.2f}, 150});
    scene.ambient = {0.05f, 0.05f, 0.08f};
    LightMapSurface top{"slab.jpg", 24, 24, {&room.slab, 2}, {&room.slab}};
    const std::vector<LightMapSurface> surfaces = {room.surface, top};
    const std::vector<pictures::Image> one = bakeSurfaces(surfaces, scene, 1);
    for (int threads : {1, 3, 8}) {
        const std::vector<pictures::Image> many = bakeSurfaces(surfaces, scene, threads);
        ASSERT_EQ(many.size(), one.size());
        for (std::size_t s = 0; s < one.size(); ++s) {
            ASSERT_EQ(many[s].pixels.size(), one[s].pixels.size());
            EXPECT_EQ(std::memcmp(many[s].pixels.data(), one[s].pixels.data(), one[s].pixels.size() * sizeof(pictures::Rgba)), 0)
                << threads << " threads, surface " << s;
        }
    }
}

TEST(LightBaker, TexelsNoSurfaceReachesBorrowTheirNeighboursLight) {
    // The floor covers only the middle of its map's box when the reference is a larger part.
    ChurchObject big = floorPart("Big", 200), small = floorPart("Small", 100);
    LightMapSurface surface{"floor.jpg", 32, 32, {&big, 2}, {&small}};
    BakeScene scene;
    scene.occluders = casterOf({&small});
    scene.ambient = {0.5f, 0.5f, 0.5f};
    scene.interior = {0, 50, 0};
    pictures::Image image = bakeSurfaces({surface}, scene, 0).at(0);
    // Just outside the small floor the map repeats its edge instead of going black.
    EXPECT_FLOAT_EQ(brightness(texelAt(image, surface.projection, {110, 0, 0})), 1.5f);
}

TEST(LightBaker, FloorInsideASolidBorrowsTheLightAroundItInsteadOfGoingBlack) {
    ChurchObject floor = floorPart("Floor", 200), plinth = boxPart("Plinth", {-30, 0, -30}, {30, 40, 30});
    LightMapSurface surface{"floor.jpg", 64, 64, {&floor, 2}, {&floor}};
    BakeScene scene;
    scene.occluders = casterOf({&floor, &plinth});
    scene.ambient = {1, 1, 1};
    scene.interior = {0, 100, 0};
    scene.occlusionDistance = 100;
    pictures::Image image = bakeSurfaces({surface}, scene, 0).at(0);
    const float inside = brightness(texelAt(image, surface.projection, {0, 0, 0}));
    const float beside = brightness(texelAt(image, surface.projection, {40, 0, 0}));
    EXPECT_GT(inside, 0.7f * beside) << "inside " << inside << ", beside " << beside;
    EXPECT_GT(beside, 0.5f);
}

// Regression: a church without one of the reference parts used to dereference a null object.
TEST(LightBaker, MissingReferencePartsGiveDimMapsInsteadOfACrash) {
    std::vector<ChurchObject> church;
    church.push_back(floorPart("Floor14", 300));
    std::vector<TextureFile> maps = bakeLightMaps(church, 0);
    ASSERT_EQ(maps.size(), 5u);
    for (const TextureFile& m : maps) {
        EXPECT_FALSE(m.bytes.empty()) << m.name;
    }
    EXPECT_EQ(maps[0].name, "floor_light.jpg");
}

// ---------------------------------------------------------------------------------------------------
// The church

class ChurchLightMaps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { church_ = new std::vector<ChurchObject>(buildChurch()); }
    static void TearDownTestSuite() { delete church_; }
    static std::vector<ChurchObject>* church_;
};
std::vector<ChurchObject>* ChurchLightMaps::church_ = nullptr;

TEST_F(ChurchLightMaps, PewsShadeTheFloorUnderTheirSeats) {
    const LightMapSurface floor = churchLightMapSurfaces(*church_).at(0);
    ASSERT_EQ(floor.file, "floor_light.jpg");
    pictures::Image image = bakeSurfaces({floor}, churchBakeScene(*church_), 0).at(0);
    // Under the seat of the sixth pew on the x < -500 side, and the open side aisle beside it.
    const float underSeat = brightness(texelAt(image, floor.projection, {-625, 0, 521}));
    const float sideAisle = brightness(texelAt(image, floor.projection, {-1050, 0, 521}));
    EXPECT_LT(underSeat, 0.6f * sideAisle) << underSeat << " vs " << sideAisle;
}

TEST_F(ChurchLightMaps, AreRepeatableByteForByteWhateverTheThreadCount) {
    const std::vector<TextureFile> a = bakeLightMaps(*church_, 1);
    const std::vector<TextureFile> b = bakeLightMaps(*church_, 2);
    ASSERT_EQ(a.size(), 5u);
    ASSERT_EQ(b.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_TRUE(a[i].bytes == b[i].bytes) << a[i].name;
    }
}

}  // namespace
}  // namespace vm::church
