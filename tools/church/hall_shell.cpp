// Floor, walls, ceilings, columns and arcades: the stone shell of the hall.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <tuple>

#include "church/church_layout.h"
#include "church/church_model.h"
#include "church/looks.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using namespace layout;
constexpr float kPi = std::numbers::pi_v<float>;

// A vertical wall slab in the plane x = const between z0..z1 and y0..y1, facing `facing` (+1 or -1 in x).
void wallX(MeshBuilder& b, float x, float z0, float z1, float y0, float y1, float facing, const Look& look) {
    b.polygon({{x, y0, z0}, {x, y1, z0}, {x, y1, z1}, {x, y0, z1}}, {facing, 0, 0}, look);
}
void wallZ(MeshBuilder& b, float z, float x0, float x1, float y0, float y1, float facing, const Look& look) {
    b.polygon({{x0, y0, z}, {x0, y1, z}, {x1, y1, z}, {x1, y0, z}}, {0, 0, facing}, look);
}

// A column: base, fluted-looking shaft (many sides), capital.
void column(MeshBuilder& b, float x, float z, float height, float r) {
    b.lathe({x, 0, z}, {{r * 1.45f, 0}, {r * 1.45f, 22}, {r * 1.2f, 30}, {r * 1.1f, 40}}, 16, looks::kStoneTrim, false, true);
    b.lathe({x, 40, z}, {{r, 0}, {r * 0.92f, height - 100}}, 20, looks::kColumn, false, false);
    b.lathe({x, height - 60, z}, {{r * 0.92f, 0}, {r * 1.05f, 12}, {r * 1.4f, 45}, {r * 1.55f, 60}}, 16,
            looks::kStoneTrim, false, true);
}

// A semicircular arch band spanning z0..z1 in the plane x = const, thickness along x.
void archBand(MeshBuilder& b, float x, float z0, float z1, float springY, float thickness, const Look& look) {
    const int n = 12;
    float cz = (z0 + z1) / 2, r = (z1 - z0) / 2, r2 = r - 28;
    for (int i = 0; i < n; ++i) {
        float a0 = kPi * static_cast<float>(i) / n, a1 = kPi * static_cast<float>(i + 1) / n;
        auto P = [&](float rr, float a, float xx) {
            return d3d::Vector3{xx, springY + rr * std::sin(a), cz - rr * std::cos(a)};
        };
        for (float side : {-1.0f, 1.0f}) {
            float xx = x + side * thickness / 2;
            b.polygon({P(r2, a0, xx), P(r, a0, xx), P(r, a1, xx), P(r2, a1, xx)}, {side, 0, 0}, look);
        }
        // soffit, facing down into the opening
        float xa = x - thickness / 2, xb = x + thickness / 2;
        d3d::Vector3 mid = P(r2, (a0 + a1) / 2, x);
        b.polygon({P(r2, a0, xa), P(r2, a0, xb), P(r2, a1, xb), P(r2, a1, xa)},
                  {0, springY - mid.y, cz - mid.z}, look);
    }
}

}  // namespace

void addHallShell(PartMap& parts) {
    MeshBuilder b;

    // Floor14: the nave and aisle floor, one flat piece at y = 0.
    b.polygon({{kHallMinX, 0, kHallMinZ}, {kHallMinX, 0, kHallMaxZ}, {kHallMaxX, 0, kHallMaxZ}, {kHallMaxX, 0, kHallMinZ}},
              {0, 1, 0}, looks::kFloor);
    put(parts, "Floor14", b);

    // Columns: one object per arcade row.
    for (auto [name, x] : {std::pair{"columns_left", kArcadeLeftX}, std::pair{"columns_right", kArcadeRightX}}) {
        for (int k = 0; k <= kBays; ++k) column(b, x, columnZ(k), kArcadeHeight, kColumnRadius);
        put(parts, name, b);
    }

    // wall_front: the two outer aisle walls, inner faces, full height of the aisles.
    wallX(b, kHallMinX, kHallMinZ, kArchWallZ, 0, kAisleHeight, 1, looks::kStone);
    wallX(b, kHallMaxX, kHallMinZ, kArchWallZ, 0, kAisleHeight, -1, looks::kStone);
    put(parts, "wall_front", b);

    // Half-columns on the outer walls, opposite the arcade columns: Cylinder10, Cylinder100 .. 104.
    const char* pilasters[] = {"Cylinder10", "Cylinder100", "Cylinder101", "Cylinder102", "Cylinder103", "Cylinder104"};
    for (int k = 0; k <= kBays; ++k) {
        for (float x : {kHallMinX + 4, kHallMaxX - 4}) {
            b.lathe({x, 0, columnZ(k)}, {{30, 0}, {30, 30}, {24, 40}, {22, kAisleHeight - 70}, {34, kAisleHeight - 30},
                                        {34, kAisleHeight}}, 12, looks::kStoneTrim, false, false);
        }
        put(parts, pilasters[k], b);
    }

    // Object01 ...: plinth and dado bands along the outer walls.
    b.box({kHallMinX, 0, kHallMinZ}, {kHallMinX + 18, 38, kArchWallZ}, looks::kStoneTrim);
    put(parts, "Object01", b);
    b.box({kHallMaxX - 18, 0, kHallMinZ}, {kHallMaxX, 38, kArchWallZ}, looks::kStoneTrim);
    put(parts, "Object011", b);
    for (float x : {kHallMinX, kHallMaxX - 10}) b.box({x, 160, kHallMinZ}, {x + 10, 172, kArchWallZ}, looks::kStoneTrim);
    put(parts, "Object012", b);

    // ceil_trims: cornices where the outer walls meet the aisle ceilings.
    b.box({kHallMinX, kAisleHeight - 36, kHallMinZ}, {kHallMinX + 30, kAisleHeight, kArchWallZ}, looks::kStoneTrim);
    put(parts, "ceil_trims_left", b);
    b.box({kHallMaxX - 30, kAisleHeight - 36, kHallMinZ}, {kHallMaxX, kAisleHeight, kArchWallZ}, looks::kStoneTrim);
    put(parts, "ceil_trims_right", b);

    // Ceiling: the flat coffered nave ceiling; Ceil_Fresco: the painted field in its middle, a hair below.
    b.polygon({{kArcadeLeftX, kNaveHeight, kHallMinZ}, {kArcadeRightX, kNaveHeight, kHallMinZ},
               {kArcadeRightX, kNaveHeight, kArchWallZ}, {kArcadeLeftX, kNaveHeight, kArchWallZ}},
              {0, -1, 0}, looks::kCeiling);
    put(parts, "Ceiling", b);
    b.polygonUv({{-700, kNaveHeight - 2, 260}, {-100, kNaveHeight - 2, 260}, {-100, kNaveHeight - 2, 1060},
                 {-700, kNaveHeight - 2, 1060}},
                {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, {0, -1, 0}, looks::kFresco);
    b.box({-712, kNaveHeight - 10, 248}, {-688, kNaveHeight, 1072}, looks::kGold);
    b.box({-112, kNaveHeight - 10, 248}, {-88, kNaveHeight, 1072}, looks::kGold);
    b.box({-700, kNaveHeight - 10, 248}, {-100, kNaveHeight, 272}, looks::kGold);
    b.box({-700, kNaveHeight - 10, 1048}, {-100, kNaveHeight, 1072}, looks::kGold);
    put(parts, "Ceil_Fresco", b);

    // The aisle ceilings and their transverse arches.
    for (auto [name, x0, x1] : {std::tuple{"inner_ceiling_left", kHallMinX, kArcadeLeftX},
                                std::tuple{"inner_ceiling_right", kArcadeRightX, kHallMaxX}}) {
        b.polygon({{x0, kAisleHeight, kHallMinZ}, {x1, kAisleHeight, kHallMinZ}, {x1, kAisleHeight, kArchWallZ},
                   {x0, kAisleHeight, kArchWallZ}}, {0, -1, 0}, looks::kPlaster);
        put(parts, name, b);
    }
    for (auto [name, x0, x1] : {std::tuple{"inner_ceiling_arches_left", kHallMinX, kArcadeLeftX},
                                std::tuple{"inner_ceiling_arches_right", kArcadeRightX, kHallMaxX}}) {
        for (int k = 0; k <= kBays; ++k) {
            b.box({x0, kAisleHeight - 30, columnZ(k) - 20}, {x1, kAisleHeight, columnZ(k) + 20}, looks::kStoneTrim);
        }
        put(parts, name, b);
    }
    for (float x : {(kHallMinX + kArcadeLeftX) / 2, (kArcadeRightX + kHallMaxX) / 2}) {
        b.box({x - 12, kAisleHeight - 20, kHallMinZ}, {x + 12, kAisleHeight, kArchWallZ}, looks::kStoneTrim);
    }
    put(parts, "inner_ceiling_ribs", b);
    // CylinderUp: the moulded ring around the round window high on the arch wall.
    for (int i = 0; i < 24; ++i) {
        float a0 = 2 * kPi * static_cast<float>(i) / 24, a1 = 2 * kPi * static_cast<float>(i + 1) / 24;
        auto P = [](float r, float a, float z) { return d3d::Vector3{-395 + r * std::cos(a), 983 + r * std::sin(a), z}; };
        b.polygon({P(130, a0, kArchWallZ - 6), P(150, a0, kArchWallZ - 6), P(150, a1, kArchWallZ - 6), P(130, a1, kArchWallZ - 6)},
                  {0, 0, -1}, looks::kStoneTrim);
        b.polygon({P(130, a0, kArchWallZ - 6), P(130, a1, kArchWallZ - 6), P(130, a1, kArchWallZ), P(130, a0, kArchWallZ)},
                  {-std::cos((a0 + a1) / 2), -std::sin((a0 + a1) / 2), 0}, looks::kStoneTrim);
    }
    put(parts, "CylinderUp", b);

    // Clerestory: arcade arches, string courses, wall pieces between the windows, upper pilasters.
    for (float x : {kArcadeLeftX, kArcadeRightX}) {
        for (int k = 0; k < kBays; ++k) archBand(b, x, columnZ(k) + 40, columnZ(k + 1) - 40, kArcadeHeight - 145 + 0, 60, looks::kStoneTrim);
    }
    // Spandrels between the arches and the string course, both faces.
    for (float x : {kArcadeLeftX, kArcadeRightX}) {
        for (float side : {-1.0f, 1.0f}) {
            wallX(b, x + side * 30, kHallMinZ, kArchWallZ, kArcadeHeight, kArcadeHeight + 30, side, looks::kStone);
        }
    }
    put(parts, "Object35", b);

    auto upperTrim = [&](float x) {
        b.box({x - 40, kArcadeHeight + 30, kHallMinZ}, {x + 40, kArcadeHeight + 70, kArchWallZ}, looks::kStoneTrim);
        b.box({x - 36, kNaveHeight - 40, kHallMinZ}, {x + 36, kNaveHeight, kArchWallZ}, looks::kStoneTrim);
    };
    upperTrim(kArcadeLeftX);
    put(parts, "upper_trim_left", b);
    upperTrim(kArcadeRightX);
    put(parts, "upper_trim_right", b);

    // UpperWall01..12: the clerestory wall, one piece per bay and side, around the window opening,
    // plus the two end pieces toward the back wall.
    const float y0 = kArcadeHeight + 70, y1 = kNaveHeight - 40;
    const float wy0 = kWindowCentreY - kWindowHalfHeight, wy1 = kWindowCentreY + kWindowHalfHeight;
    int piece = 1;
    for (float x : {kArcadeLeftX, kArcadeRightX}) {
        float inward = x < kAxisX ? 1.0f : -1.0f;
        for (int k = 0; k < kBays; ++k) {
            float z0 = columnZ(k), z1 = columnZ(k + 1), zc = bayCentreZ(k);
            float wz0 = zc - kWindowHalfWidth, wz1 = zc + kWindowHalfWidth;
            for (float side : {-1.0f, 1.0f}) {
                float fx = x + side * 30;
                wallX(b, fx, z0, wz0, y0, y1, side, looks::kStone);
                wallX(b, fx, wz1, z1, y0, y1, side, looks::kStone);
                wallX(b, fx, wz0, wz1, y0, wy0, side, looks::kStone);
                wallX(b, fx, wz0, wz1, wy1, y1, side, looks::kStone);
            }
            // reveals of the opening
            b.polygon({{x - 30, wy0, wz0}, {x + 30, wy0, wz0}, {x + 30, wy0, wz1}, {x - 30, wy0, wz1}}, {0, 1, 0}, looks::kStone);
            b.polygon({{x - 30, wy1, wz0}, {x + 30, wy1, wz0}, {x + 30, wy1, wz1}, {x - 30, wy1, wz1}}, {0, -1, 0}, looks::kStone);
            b.polygon({{x - 30, wy0, wz0}, {x + 30, wy0, wz0}, {x + 30, wy1, wz0}, {x - 30, wy1, wz0}}, {0, 0, 1}, looks::kStone);
            b.polygon({{x - 30, wy0, wz1}, {x + 30, wy0, wz1}, {x + 30, wy1, wz1}, {x - 30, wy1, wz1}}, {0, 0, -1}, looks::kStone);
            (void)inward;
            char name[32];
            std::snprintf(name, sizeof name, "UpperWall%02d", piece++);
            put(parts, name, b);
        }
        // End pieces: from the back wall to the first column, and from the last column to the arch wall.
        for (float side : {-1.0f, 1.0f}) {
            wallX(b, x + side * 30, kHallMinZ, columnZ(0), y0, y1, side, looks::kStone);
            wallX(b, x + side * 30, columnZ(kBays), kArchWallZ, y0, y1, side, looks::kStone);
        }
        char name[32];
        std::snprintf(name, sizeof name, "UpperWall%02d", piece++);
        put(parts, name, b);
    }
    // up_colons: slim pilasters on the clerestory's nave face above every column.
    for (float x : {kArcadeLeftX, kArcadeRightX}) {
        float inward = x < kAxisX ? 1.0f : -1.0f;
        for (int k = 0; k <= kBays; ++k) {
            float fx = x + inward * 30;
            b.box({std::min(fx, fx + inward * 16), kArcadeHeight + 70, columnZ(k) - 18},
                  {std::max(fx, fx + inward * 16), kNaveHeight - 40, columnZ(k) + 18}, looks::kStoneTrim);
        }
    }
    put(parts, "up_colons", b);

    // UpperDoorWall: the back wall above the aisles' height, behind the organ, with the round organ window.
    {
        const float z = kHallMinZ, cx = kAxisX, cy = 960, r = 100;
        // Ring of quads between the window circle and the wall's rectangle, as a fan of trapezoids.
        const int n = 24;
        for (int i = 0; i < n; ++i) {
            float a0 = 2 * kPi * static_cast<float>(i) / n, a1 = 2 * kPi * static_cast<float>(i + 1) / n;
            auto onCircle = [&](float a) { return d3d::Vector3{cx + r * std::cos(a), cy + r * std::sin(a), z}; };
            auto onBox = [&](float a) {
                float dx = std::cos(a), dy = std::sin(a);
                float sx = dx != 0 ? 180 / std::fabs(dx) : 1e9f, sy = dy != 0 ? 90 / std::fabs(dy) : 1e9f;
                float s = std::min(sx, sy);
                return d3d::Vector3{cx + dx * s, cy + dy * s, z};
            };
            b.polygon({onCircle(a0), onBox(a0), onBox(a1), onCircle(a1)}, {0, 0, 1}, looks::kStone);
        }
        wallZ(b, z, kArcadeLeftX, cx - 180, kAisleHeight, kNaveHeight, 1, looks::kStone);
        wallZ(b, z, cx + 180, kArcadeRightX, kAisleHeight, kNaveHeight, 1, looks::kStone);
        wallZ(b, z, cx - 180, cx + 180, kAisleHeight, cy - 90, 1, looks::kStone);
    }
    put(parts, "UpperDoorWall", b);

    // Wall: the back wall below the organ window (with the entrance opening), the arch wall with the apse
    // opening and the round window, and the apse walls.
    {
        const float z = kHallMinZ, dx0 = kAxisX - 150, dx1 = kAxisX + 150, dh = 440;
        wallZ(b, z, kHallMinX, dx0, 0, kAisleHeight, 1, looks::kStone);
        wallZ(b, z, dx1, kHallMaxX, 0, kAisleHeight, 1, looks::kStone);
        wallZ(b, z, dx0, dx1, dh, kAisleHeight, 1, looks::kStone);
        // arch wall, nave face: around the apse opening (x -850..50, up to 800) and the round window
        const float az = kArchWallZ, ax0 = kAxisX - 450, ax1 = kAxisX + 450, ah = 820;
        wallZ(b, az, kHallMinX, ax0, 0, kNaveHeight, -1, looks::kStone);
        wallZ(b, az, ax1, kHallMaxX, 0, kNaveHeight, -1, looks::kStone);
        // above the opening, leaving the round window (centre (-395, 983), radius 130) open
        const int n = 24;
        for (int i = 0; i < n; ++i) {
            float a0 = 2 * kPi * static_cast<float>(i) / n, a1 = 2 * kPi * static_cast<float>(i + 1) / n;
            auto onCircle = [&](float a) { return d3d::Vector3{-395 + 130 * std::cos(a), 983 + 130 * std::sin(a), az}; };
            auto onBox = [&](float a) {
                float ddx = std::cos(a), ddy = std::sin(a);
                float top = ddy > 0 ? (kNaveHeight - 983) / ddy : 1e9f;
                float bottom = ddy < 0 ? (983 - ah) / -ddy : 1e9f;
                float side = ddx != 0 ? 450 / std::fabs(ddx) : 1e9f;
                float s = std::min({top, bottom, side});
                return d3d::Vector3{-395 + ddx * s, 983 + ddy * s, az};
            };
            b.polygon({onCircle(a0), onBox(a0), onBox(a1), onCircle(a1)}, {0, 0, -1}, looks::kStone);
        }
        // apse walls: a polygon behind the opening, with four window openings cut as separate panels
        const float ox = kAxisX, oz = kArchWallZ;
        const d3d::Vector2 apse[] = {{-450, 0}, {-255, 460}, {-150, 560}, {150, 560}, {255, 460}, {450, 0}};
        for (int i = 0; i + 1 < 6; ++i) {
            d3d::Vector3 p0{ox + apse[i].x, 0, oz + apse[i].y}, p1{ox + apse[i + 1].x, 0, oz + apse[i + 1].y};
            d3d::Vector3 inward = d3dx::normalize({-(p1.z - p0.z), 0, p1.x - p0.x});
            if (d3dx::dot(inward, d3dx::subtract({ox, 0, oz + 250}, p0)) < 0) inward = d3dx::scale(inward, -1);
            b.polygon({{p0.x, 0, p0.z}, {p0.x, ah, p0.z}, {p1.x, ah, p1.z}, {p1.x, 0, p1.z}}, inward, looks::kStone);
        }
    }
    put(parts, "Wall", b);

    // Altar_Ceil: the apse vault, a faceted half dome over the apse polygon, springing at 820.
    {
        const float ox = kAxisX, oz = kArchWallZ, spring = 820, crown = 1030;
        const d3d::Vector2 apse[] = {{-450, 0}, {-255, 460}, {-150, 560}, {150, 560}, {255, 460}, {450, 0}};
        d3d::Vector3 top{ox, crown, oz + 20};
        for (int i = 0; i + 1 < 6; ++i) {
            d3d::Vector3 p0{ox + apse[i].x, spring, oz + apse[i].y}, p1{ox + apse[i + 1].x, spring, oz + apse[i + 1].y};
            d3d::Vector3 n = d3dx::cross(d3dx::subtract(p1, p0), d3dx::subtract(top, p0));
            if (n.y > 0) n = d3dx::scale(n, -1);
            b.polygon({p0, p1, top}, n, looks::kPlaster);
        }
        // the arch's soffit band
        b.box({ox - 450, spring, oz - 30}, {ox + 450, spring + 40, oz}, looks::kStoneTrim);
    }
    put(parts, "Altar_Ceil", b);

    // Altar_Floor: the raised sanctuary, its top and front steps, running into the apse.
    {
        const float h = kAltarFloorHeight, z0 = kAltarFloorStartZ, ox = kAxisX;
        b.polygon({{ox - 450, h, z0}, {ox + 450, h, z0}, {ox + 450, h, kArchWallZ + 560}, {ox - 450, h, kArchWallZ + 560}},
                  {0, 1, 0}, looks::kAltarFloor);
        b.polygon({{ox - 450, 0, z0}, {ox - 450, h, z0}, {ox + 450, h, z0}, {ox + 450, 0, z0}}, {0, 0, -1}, looks::kStoneTrim);
        b.polygon({{ox - 450, 0, z0}, {ox - 450, h, z0}, {ox - 450, h, kArchWallZ}, {ox - 450, 0, kArchWallZ}}, {-1, 0, 0}, looks::kStoneTrim);
        b.polygon({{ox + 450, 0, z0}, {ox + 450, h, z0}, {ox + 450, h, kArchWallZ}, {ox + 450, 0, kArchWallZ}}, {1, 0, 0}, looks::kStoneTrim);
    }
    put(parts, "Altar_Floor", b);

    // walls_trim_2: skirting along the back and arch walls; rosettas: bosses on the nave ceiling.
    b.box({kHallMinX, 0, kHallMinZ}, {kHallMaxX, 30, kHallMinZ + 14}, looks::kStoneTrim);
    b.box({kHallMinX, 0, kArchWallZ - 14}, {kAxisX - 450, 30, kArchWallZ}, looks::kStoneTrim);
    b.box({kAxisX + 450, 0, kArchWallZ - 14}, {kHallMaxX, 30, kArchWallZ}, looks::kStoneTrim);
    put(parts, "walls_trim_2", b);
    for (int k = 0; k < kBays; ++k) {
        b.lathe({kAxisX, kNaveHeight - 26, bayCentreZ(k)}, {{0, 0}, {22, 6}, {30, 18}, {34, 26}}, 12, looks::kGold, false, false);
    }
    put(parts, "rosettas", b);
    // Object38: the aisle roofs' outer slope seen through the clerestory is never seen; instead the
    // transverse beams of the nave ceiling.
    for (int k = 0; k <= kBays; ++k) {
        b.box({kArcadeLeftX, kNaveHeight - 30, columnZ(k) - 14}, {kArcadeRightX, kNaveHeight, columnZ(k) + 14}, looks::kDarkWood);
    }
    put(parts, "Object38", b);
}

}  // namespace vm::church
