#include "tracks/hall_frame.h"

#include <algorithm>
#include <cmath>

namespace vm::tracks {

const HallFrame& hallFrame()
{
    static const HallFrame frame = [] {
        HallFrame f;
        f.interior = {{-1276, 0, -420}, {476, 1000, 1567}};
        // Two rows of columns along the nave, from the entrance bay to the altar steps.
        for (float z = -120; z <= 1200; z += 220) {
            f.solids.push_back({{-760, 0, z - 35}, {-690, 1000, z + 35}});
            f.solids.push_back({{-110, 0, z - 35}, {-40, 1000, z + 35}});
        }
        f.solids.push_back({{-520, 0, 1380}, {-280, 130, 1567}});    // altar and its steps
        f.solids.push_back({{-660, 0, 0}, {-140, 100, 1100}});       // pews, both banks
        f.solids.push_back({{-900, 560, -420}, {100, 1000, -260}});  // organ loft over the entrance
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
