#include "tracks/hall_frame.h"

#include <algorithm>
#include <cmath>

#include "church/church_layout.h"

namespace vm::tracks {

const HallFrame& hallFrame()
{
    namespace L = church::layout;
    static const HallFrame frame = [] {
        HallFrame f;
        // The apse behind the arch wall is left out: the tracks turn in front of it.
        f.interior = {{L::kHallMinX, 0, L::kHallMinZ}, {L::kHallMaxX, L::kNaveHeight, L::kArchWallZ}};
        const float r = L::kColumnRadius;
        for (float x : {L::kArcadeLeftX, L::kArcadeRightX}) {
            for (int k = 0; k <= L::kBays; ++k)
                f.solids.push_back({{x - r, 0, L::columnZ(k) - r}, {x + r, L::kArcadeHeight, L::columnZ(k) + r}});
            // Clerestory wall over the arcade.
            f.solids.push_back({{x - r, L::kArcadeHeight, L::kHallMinZ}, {x + r, L::kNaveHeight, L::kArchWallZ}});
        }
        // Aisle ceilings.
        f.solids.push_back({{L::kHallMinX, L::kAisleHeight, L::kHallMinZ}, {L::kArcadeLeftX, L::kNaveHeight, L::kArchWallZ}});
        f.solids.push_back({{L::kArcadeRightX, L::kAisleHeight, L::kHallMinZ}, {L::kHallMaxX, L::kNaveHeight, L::kArchWallZ}});
        f.solids.push_back({{-520, 0, L::kAltarFloorStartZ}, {-280, 130, L::kArchWallZ}});  // altar and its steps
        f.solids.push_back({{-660, 0, 0}, {-140, 100, 1100}});                               // pews, both banks
        // The organ loft spans the nave's back bay, with its supports beneath: kept out of entirely.
        f.solids.push_back({{L::kArcadeLeftX - r, 0, L::kHallMinZ}, {L::kArcadeRightX + r, L::kNaveHeight, -240}});
        return f;
    }();
    return frame;
}

float distanceToBox(const Box& b, const Vec3& p)
{
    const float dx = std::max({b.min.x - p.x, 0.0f, p.x - b.max.x});
    const float dy = std::max({b.min.y - p.y, 0.0f, p.y - b.max.y});
    const float dz = std::max({b.min.z - p.z, 0.0f, p.z - b.max.z});
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float distanceInsideBox(const Box& b, const Vec3& p)
{
    return std::min({p.x - b.min.x, b.max.x - p.x, p.y - b.min.y, b.max.y - p.y, p.z - b.min.z, b.max.z - p.z});
}

}  // namespace vm::tracks
