// Pews, the altar and its furniture, statues on pedestals, the organ and its loft.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "church/church_layout.h"
#include "church/church_model.h"
#include "church/looks.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using namespace layout;
using d3d::Vector2;
using d3d::Vector3;
constexpr float kPi = std::numbers::pi_v<float>;

// One pew facing the altar (+z): seat, back, kneeler and two carved ends.
void pew(MeshBuilder& b, float x0, float x1, float z) {
    b.box({x0, 42, z}, {x1, 47, z + 42}, looks::kWood);             // seat
    b.box({x0, 47, z - 4}, {x1, 100, z}, looks::kWood);              // back
    b.box({x0, 96, z - 6}, {x1, 102, z + 2}, looks::kDarkWood);      // top rail
    b.box({x0, 8, z + 70}, {x1, 20, z + 84}, looks::kDarkWood);      // kneeler of the row behind
    for (float x : {x0 - 5, x1}) b.box({x, 0, z - 8}, {x + 5, 104, z + 46}, looks::kDarkWood);
}

// A robed figure facing local +z, about 185 tall, standing at the origin.
void statueFigure(MeshBuilder& b) {
    b.lathe({0, 0, 0}, {{30, 0}, {29, 8}, {24, 50}, {19, 100}, {17, 122}, {20, 134}, {15, 143}, {7, 150}, {6, 156}},
            18, looks::kStatue, true, true);
    b.sphere({0, 165, 0}, 11, 14, looks::kStatue);
    // Arms folded in front of the chest, hands joined.
    b.box({-16, 104, 6}, {-4, 136, 18}, looks::kStatue);
    b.box({4, 104, 6}, {16, 136, 18}, looks::kStatue);
    b.box({-7, 112, 16}, {7, 128, 24}, looks::kStatue);
    // Halo behind the head.
    b.lathe({0, 165, -14}, {{0, 0}, {20, 0.01f}}, 18, looks::kGold, false, false);
    for (int i = 0; i < 18; ++i) {
        float a0 = 2 * kPi * static_cast<float>(i) / 18, a1 = 2 * kPi * static_cast<float>(i + 1) / 18;
        auto P = [](float r, float a) { return Vector3{r * std::cos(a), 165 + r * std::sin(a), -14}; };
        b.polygon({P(15, a0), P(20, a0), P(20, a1), P(15, a1)}, {0, 0, 1}, looks::kGold);
    }
}

void pedestal(MeshBuilder& b, Vector3 at) {
    b.lathe(at, {{36, 0}, {36, 14}, {30, 20}, {26, 26}, {26, 80}, {31, 86}, {36, 94}, {36, 100}}, 16, looks::kStoneTrim,
            false, true);
}

}  // namespace

void addFurnishings(PartMap& parts) {
    MeshBuilder b;

    // Pews: Bench_right stands on the x < -500 side, Bench_left on the other (named from the altar).
    for (int row = 0; row < 11; ++row) pew(b, -780, -470, -60 + 112 * static_cast<float>(row));
    put(parts, "Bench_right", b);
    for (int row = 0; row < 11; ++row) pew(b, -330, -20, -60 + 112 * static_cast<float>(row));
    put(parts, "Bench_left", b);

    // Statues on the aisle walls, each facing where the statue light expects its face: three on the right
    // wall looking into the church, three on the left. Each statue's frame sits on its pedestal's top.
    struct Statue { const char* name; const char* pedestal; float x, z, faceX, faceZ; };
    const Statue statues[] = {
        {"Statue04", "Cylinder13", 405, 285, -1, -1}, {"Statue02", "Cylinder09", 405, 575, -1, 0},
        {"Statue", "Cylinder01", 405, 865, -1, 1},    {"Statue05", "Cylinder16", -1205, 865, 1, 1},
        {"Statue06", "Cylinder18", -1205, 575, 1, 0}, {"Statue07", "Cylinder21", -1205, 285, 1, -1},
    };
    for (const Statue& s : statues) {
        statueFigure(b);
        float yaw = std::atan2(s.faceX, s.faceZ);
        put(parts, s.name, b, d3dx::multiply(d3dx::rotationY(yaw), d3dx::translation(s.x, 100, s.z)));
        pedestal(b, {s.x, 0, s.z});
        put(parts, s.pedestal, b);
    }

    // The altar: predella steps, table, cloth, tabernacle, book and vases, crosses, communion rail.
    const float h = kAltarFloorHeight, az = 1760, ax = kAxisX;
    b.box({ax - 200, h, az - 80}, {ax + 200, h + 20, az + 60}, looks::kStoneTrim);
    b.box({ax - 170, h + 20, az - 60}, {ax + 170, h + 34, az + 50}, looks::kStoneTrim);
    put(parts, "Object32", b);
    b.box({ax - 120, h + 34, az - 40}, {ax + 120, h + 124, az + 40}, looks::kStone);
    b.box({ax - 132, h + 124, az - 48}, {ax + 132, h + 134, az + 48}, looks::kStoneTrim);
    put(parts, "AltarBase", b);
    b.polygonUv({{ax - 126, h + 50, az - 49}, {ax - 126, h + 134.5f, az - 49}, {ax + 126, h + 134.5f, az - 49},
                 {ax + 126, h + 50, az - 49}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}, {0, 0, -1}, looks::kFabric);
    b.polygonUv({{ax - 133, h + 134.6f, az - 49}, {ax - 133, h + 134.6f, az + 49}, {ax + 133, h + 134.6f, az + 49},
                 {ax + 133, h + 134.6f, az - 49}}, {{0, 0}, {0, 0.1f}, {1, 0.1f}, {1, 0}}, {0, 1, 0}, looks::kFabric);
    put(parts, "AltarFabric", b);
    const float top = h + 134.6f;
    b.box({ax - 30, top, az - 10}, {ax + 30, top + 50, az + 30}, looks::kGold);  // tabernacle
    b.lathe({ax, top + 50, az + 10}, {{32, 0}, {26, 10}, {14, 22}, {0, 28}}, 12, looks::kGold, true, false);
    put(parts, "Altar_Stuff", b);
    b.box({ax + 60, top, az - 30}, {ax + 100, top + 4, az}, looks::kDarkWood);    // missal stand
    b.box({ax + 62, top + 4, az - 28}, {ax + 98, top + 9, az - 2}, looks::kFabric);
    for (float vx : {ax - 75, ax + 115}) {
        b.lathe({vx, top, az - 30}, {{6, 0}, {9, 8}, {6, 20}, {8, 28}}, 10, looks::kBrass, true, true);
    }
    put(parts, "AltarStuff2", b);
    b.box({ax - 2, top + 78, az + 6}, {ax + 2, top + 110, az + 10}, looks::kGold);
    b.box({ax - 10, top + 96, az + 6}, {ax + 10, top + 100, az + 10}, looks::kGold);
    put(parts, "Cross", b);
    b.box({ax - 12, 340, 1960}, {ax + 12, 760, 1984}, looks::kGold);
    b.box({ax - 120, 620, 1960}, {ax + 120, 644, 1984}, looks::kGold);
    put(parts, "BigCross", b);
    // Communion rail across the sanctuary front, open in the middle.
    for (auto [x0, x1] : {std::pair{-840.0f, -470.0f}, std::pair{-330.0f, 40.0f}}) {
        const float z = kAltarFloorStartZ + 14;
        b.box({x0, h, z - 8}, {x1, h + 6, z + 8}, looks::kStoneTrim);
        b.box({x0, h + 78, z - 10}, {x1, h + 88, z + 10}, looks::kStoneTrim);
        for (float x = x0 + 10; x < x1 - 5; x += 24) {
            b.lathe({x, h + 6, z}, {{4, 0}, {6, 14}, {3.5f, 40}, {5.5f, 62}, {4, 72}}, 8, looks::kStoneTrim, false, false);
        }
    }
    put(parts, "Fence", b);

    // The organ loft over the entrance, the organ case and its front pipes.
    const float loft = 400, lz0 = kHallMinZ, lz1 = -250;
    b.box({kArcadeLeftX, loft - 24, lz0}, {kArcadeRightX, loft, lz1}, looks::kDarkWood);
    b.box({kArcadeLeftX, loft, lz1 - 8}, {kArcadeRightX, loft + 84, lz1}, looks::kDarkWood);
    b.box({kArcadeLeftX, loft + 84, lz1 - 10}, {kArcadeRightX, loft + 92, lz1 + 2}, looks::kGold);
    for (float x = kArcadeLeftX + 60; x < kArcadeRightX - 30; x += 150) {
        b.lathe({x, 0, lz1 - 30}, {{22, 0}, {18, 20}, {16, loft - 40}, {24, loft - 24}}, 12, looks::kColumn, false, true);
    }
    put(parts, "Object36", b);
    b.box({-640, loft, lz0}, {-160, 860, -340}, looks::kDarkWood);
    b.box({-470, 860, lz0}, {-330, 940, -340}, looks::kDarkWood);
    b.box({-640, 860, lz0}, {-570, 900, -340}, looks::kDarkWood);
    b.box({-230, 860, lz0}, {-160, 900, -340}, looks::kDarkWood);
    b.box({-650, 855, -345}, {-150, 866, -334}, looks::kGold);
    put(parts, "Organ", b);
    for (int i = 0; i < 33; ++i) {
        float x = -630 + 14.5f * static_cast<float>(i);
        float t = std::fabs(static_cast<float>(i) - 16) / 16;  // tallest in the middle
        float len = 380 - 160 * t + (i % 2) * 18;
        b.lathe({x, loft + 90, -328}, {{1, 0}, {5.5f, 40}, {5.5f, 40 + len}}, 8, looks::kPipes, false, true);
    }
    put(parts, "OrganPipes", b);
}

}  // namespace vm::church
