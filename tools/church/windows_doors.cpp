// Glass, window frames, wall lamps and doors. Glass and lamps are drawn unlit with their own textures.
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

// A textured rectangle centred at c, spanning `right` (half width) and `up` (half height), facing n.
void panel(MeshBuilder& b, Vector3 c, Vector3 right, Vector3 up, Vector3 n, const Look& look) {
    using d3dx::add;
    using d3dx::subtract;
    Vector3 p0 = subtract(subtract(c, right), up), p1 = add(subtract(c, right), up);
    Vector3 p2 = add(add(c, right), up), p3 = subtract(add(c, right), up);
    b.polygonUv({p0, p1, p2, p3}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}, n, look);
}

// A round pane: a fan of triangles mapped onto the texture's inscribed circle.
void disc(MeshBuilder& b, Vector3 c, float r, Vector3 n, const Look& look) {
    const int segments = 32;
    // Axes in the plane: z-facing discs use x/y; x-facing use z/y.
    Vector3 u = std::fabs(n.z) > 0.5f ? Vector3{1, 0, 0} : Vector3{0, 0, 1};
    Vector3 v{0, 1, 0};
    for (int i = 0; i < segments; ++i) {
        float a0 = 2 * kPi * static_cast<float>(i) / segments, a1 = 2 * kPi * static_cast<float>(i + 1) / segments;
        auto at = [&](float a) {
            return d3dx::add(c, d3dx::add(d3dx::scale(u, r * std::cos(a)), d3dx::scale(v, r * std::sin(a))));
        };
        auto uv = [&](float a) { return Vector2{0.5f + 0.5f * std::cos(a), 0.5f - 0.5f * std::sin(a)}; };
        b.polygonUv({c, at(a0), at(a1)}, {{0.5f, 0.5f}, uv(a0), uv(a1)}, n, look);
    }
}

// A frame of four bars around an opening in the plane x = const (or z = const), seen from `n`.
void frameX(MeshBuilder& b, float x, float zc, float yc, float hw, float hh, float bar, float depth, const Look& look) {
    b.box({x - depth, yc - hh - bar, zc - hw - bar}, {x + depth, yc - hh, zc + hw + bar}, look);
    b.box({x - depth, yc + hh, zc - hw - bar}, {x + depth, yc + hh + bar, zc + hw + bar}, look);
    b.box({x - depth, yc - hh, zc - hw - bar}, {x + depth, yc + hh, zc - hw}, look);
    b.box({x - depth, yc - hh, zc + hw}, {x + depth, yc + hh, zc + hw + bar}, look);
    b.box({x - depth * 0.6f, yc - hh, zc - bar / 3}, {x + depth * 0.6f, yc + hh, zc + bar / 3}, look);  // mullion
}

}  // namespace

void addWindowsAndDoors(PartMap& parts) {
    MeshBuilder b;

    // Clerestory: frames in world space, stained glass in a frame whose origin sits so that the glows,
    // placed at origin + (505 or 370, 758, z), land on the pane's centre.
    for (int side = 0; side < 2; ++side) {
        float x = side == 0 ? kArcadeLeftX : kArcadeRightX;
        float inward = side == 0 ? 1.0f : -1.0f;
        float glowOffset = side == 0 ? 505.0f : 370.0f;
        for (int k = 0; k < kBays; ++k) {
            int index = side * kBays + k + 1;
            float zc = bayCentreZ(k);
            frameX(b, x + inward * 22, zc, kWindowCentreY, kWindowHalfWidth, kWindowHalfHeight, 10, 6, looks::kIron);
            char name[32];
            std::snprintf(name, sizeof name, "UpperWindow%02d", index);
            put(parts, name, b);

            d3d::Matrix m = d3dx::translation(x - glowOffset, 0, zc);
            panel(b, {glowOffset + inward * 18, kWindowCentreY, 0}, {0, 0, kWindowHalfWidth * inward}, {0, kWindowHalfHeight, 0},
                  {inward, 0, 0}, looks::kStainedGlass);
            std::snprintf(name, sizeof name, "UpperWindowStainedGlass%02d", index);
            put(parts, name, b, m);
        }
    }

    // Object39, Object390: tall aisle windows in the outer walls, one per bay.
    for (int side = 0; side < 2; ++side) {
        float x = side == 0 ? kHallMinX + 3 : kHallMaxX - 3;
        float inward = side == 0 ? 1.0f : -1.0f;
        for (int k = 0; k < kBays; ++k) {
            panel(b, {x, 360, bayCentreZ(k)}, {0, 0, 70 * inward}, {0, 130, 0}, {inward, 0, 0}, looks::kWindowGlass);
            frameX(b, x + inward * 4, bayCentreZ(k), 360, 70, 130, 12, 5, looks::kStoneTrim);
        }
        put(parts, side == 0 ? "Object39" : "Object390", b);
    }

    // The round organ window in the back wall: OrganWindow is its frame, OrganGlass the pane. The pane's
    // origin is the window's centre, so the light shaft drawn from it runs into the nave along +z.
    {
        const float cx = kAxisX, cy = 960, z = kHallMinZ + 2;
        for (int i = 0; i < 24; ++i) {
            float a0 = 2 * kPi * static_cast<float>(i) / 24, a1 = 2 * kPi * static_cast<float>(i + 1) / 24;
            auto P = [&](float r, float a) { return Vector3{cx + r * std::cos(a), cy + r * std::sin(a), z + 4}; };
            b.polygon({P(100, a0), P(118, a0), P(118, a1), P(100, a1)}, {0, 0, 1}, looks::kStoneTrim);
        }
        for (int i = 0; i < 4; ++i) {
            float a = kPi * static_cast<float>(i) / 4;
            Vector3 d{std::cos(a), std::sin(a), 0};
            Vector3 perp{-d.y * 3, d.x * 3, 0};
            Vector3 p0{cx - d.x * 100, cy - d.y * 100, z + 5}, p1{cx + d.x * 100, cy + d.y * 100, z + 5};
            b.polygon({d3dx::add(p0, perp), d3dx::add(p1, perp), d3dx::subtract(p1, perp), d3dx::subtract(p0, perp)},
                      {0, 0, 1}, looks::kIron);
        }
        put(parts, "OrganWindow", b);
        disc(b, {0, 0, 0}, 100, {0, 0, 1}, looks::kRoundGlass);
        put(parts, "OrganGlass", b, d3dx::translation(cx, cy, z + 1));
    }

    // Big_Glasses: the four apse windows. The frame's origin is the apse's centre on the floor; each pane
    // stands on its wall segment facing the nave.
    {
        struct Pane { Vector2 at; Vector2 along; };
        const Pane panes[] = {
            {{-280, 402}, {0.390f, 0.921f}}, {{-200, 510}, {0.724f, 0.690f}},
            {{200, 510}, {0.724f, -0.690f}}, {{280, 402}, {0.390f, -0.921f}},
        };
        for (const Pane& p : panes) {
            Vector3 along{p.along.x, 0, p.along.y};
            Vector3 n{p.along.y, 0, -p.along.x};
            if (n.z > 0) n = d3dx::scale(n, -1);
            Vector3 c{p.at.x + n.x * 4, 330, p.at.y + n.z * 4};
            panel(b, c, d3dx::scale(along, 48), {0, 150, 0}, n, looks::kWindowGlass);
        }
        put(parts, "Big_Glasses", b, d3dx::translation(kAxisX, 0, kArchWallZ));
    }

    // The round window over the apse arch: RoundGlass the pane, Big_Round_Glass its stone tracery.
    disc(b, {-395, 983, kArchWallZ - 1}, 130, {0, 0, -1}, looks::kRoundGlass);
    put(parts, "RoundGlass", b);
    for (int i = 0; i < 8; ++i) {
        float a = kPi * static_cast<float>(i) / 8;
        Vector3 d{std::cos(a), std::sin(a), 0};
        Vector3 perp{-d.y * 4, d.x * 4, 0};
        Vector3 p0{-395 - d.x * 130, 983 - d.y * 130, kArchWallZ - 4}, p1{-395 + d.x * 130, 983 + d.y * 130, kArchWallZ - 4};
        b.polygon({d3dx::add(p0, perp), d3dx::add(p1, perp), d3dx::subtract(p1, perp), d3dx::subtract(p0, perp)},
                  {0, 0, -1}, looks::kStoneTrim);
    }
    b.lathe({-395, 983 - 0.1f, kArchWallZ - 4}, {{0, 0}, {30, 0.1f}}, 16, looks::kStoneTrim, false, false);
    put(parts, "Big_Round_Glass", b);

    // Wall lamps on the outer walls' half-columns: a bracket and a glowing glass.
    for (int side = 0, n = 1; side < 2; ++side) {
        float x = side == 0 ? kHallMinX + 34 : kHallMaxX - 34;
        float inward = side == 0 ? 1.0f : -1.0f;
        for (int k = 0; k <= kBays; ++k, ++n) {
            float z = columnZ(k);
            b.box({std::min(x, x + inward * 26), 300, z - 4}, {std::max(x, x + inward * 26), 308, z + 4}, looks::kBrass);
            b.lathe({x + inward * 30, 300, z}, {{6, 0}, {11, 14}, {11, 30}, {6, 40}, {0, 44}}, 10, looks::kLamp, true, false);
            char name[32];
            std::snprintf(name, sizeof name, "Wall_Lamp%02d", n);
            put(parts, name, b);
        }
    }

    // The main entrance in the back wall, under the organ loft.
    {
        const float z = kHallMinZ, x0 = kAxisX - 150, x1 = kAxisX + 150, h = 440;
        b.polygonUv({{x0, 0, z - 6}, {x0, h - 10, z - 6}, {kAxisX, h - 10, z - 6}, {kAxisX, 0, z - 6}},
                    {{0, 1}, {0, 0}, {0.5f, 0}, {0.5f, 1}}, {0, 0, 1}, looks::kDoor);
        put(parts, "back_door_left", b);
        b.polygonUv({{kAxisX, 0, z - 6}, {kAxisX, h - 10, z - 6}, {x1, h - 10, z - 6}, {x1, 0, z - 6}},
                    {{0.5f, 1}, {0.5f, 0}, {1, 0}, {1, 1}}, {0, 0, 1}, looks::kDoor);
        put(parts, "back_door_right", b);
        b.box({x0 - 24, 0, z}, {x0, h, z + 12}, looks::kStoneTrim);
        b.box({x1, 0, z}, {x1 + 24, h, z + 12}, looks::kStoneTrim);
        b.box({x0 - 6, 0, z - 6}, {x0, h, z}, looks::kStoneTrim);
        b.box({x1, 0, z - 6}, {x1 + 6, h, z}, looks::kStoneTrim);
        put(parts, "back_door_frame", b);
        b.box({x0 - 34, h, z}, {x1 + 34, h + 36, z + 16}, looks::kStoneTrim);
        b.box({x0 - 6, h - 10, z - 6}, {x1 + 6, h, z}, looks::kStoneTrim);
        put(parts, "back_door_arch", b);
    }

    // Side doors in the outer walls near the entrance, with their handles.
    for (int side = 0; side < 2; ++side) {
        float x = side == 0 ? kHallMinX + 2 : kHallMaxX - 2;
        float inward = side == 0 ? 1.0f : -1.0f;
        float z0 = -330, z1 = -200;
        b.polygonUv({{x, 0, z0}, {x, 280, z0}, {x, 280, z1}, {x, 0, z1}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}},
                    {inward, 0, 0}, looks::kDoor);
        b.box({std::min(x, x + inward * 10), 280, z0 - 14}, {std::max(x, x + inward * 10), 300, z1 + 14}, looks::kStoneTrim);
        put(parts, side == 0 ? "Door" : "Door01", b);
        float hx = x + inward * 5;
        b.box({std::min(hx, hx + inward * 6), 128, z1 - 22}, {std::max(hx, hx + inward * 6), 140, z1 - 10}, looks::kBrass);
        put(parts, side == 0 ? "DoorHandle" : "DoorHandle01", b);
    }

    // A small arched sacristy door in the arch wall, right of the apse opening.
    {
        const float z = kArchWallZ - 2, x0 = 150, x1 = 250, h = 230;
        b.polygonUv({{x0, 0, z}, {x0, h, z}, {x1, h, z}, {x1, 0, z}}, {{0, 1}, {0, 0.3f}, {1, 0.3f}, {1, 1}}, {0, 0, -1},
                    looks::kDoor);
        put(parts, "SmallDoor01", b);
        const int n = 10;
        for (int i = 0; i < n; ++i) {
            float a0 = kPi * static_cast<float>(i) / n, a1 = kPi * static_cast<float>(i + 1) / n;
            auto P = [&](float r, float a) { return Vector3{200 - r * std::cos(a), h + r * std::sin(a), z - 3}; };
            b.polygon({P(50, a0), P(66, a0), P(66, a1), P(50, a1)}, {0, 0, -1}, looks::kStoneTrim);
        }
        b.box({x0 - 16, 0, z - 6}, {x0, h, z}, looks::kStoneTrim);
        b.box({x1, 0, z - 6}, {x1 + 16, h, z}, looks::kStoneTrim);
        put(parts, "SmallDoorArch01", b);
    }
}

}  // namespace vm::church
