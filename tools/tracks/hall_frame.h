#pragma once
// The hall as the camera designer sees it: the free interior and the solid things the eye must
// keep away from, in world units (y up, altar toward +z, the nave centred on x = -400). This is
// the frame the church is built around; the tracks are checked against it and against the model.

#include <vector>

#include "tracks/track_file.h"

namespace vm::tracks {

struct Box {
    Vec3 min, max;
};

struct HallFrame {
    Box interior;              // the eye stays inside, away from every face
    std::vector<Box> solids;   // columns, altar, pews, organ loft: the eye stays outside
};

const HallFrame& hallFrame();

// Near plane 10 plus room for the view frustum's corners and the turn toward a look target.
inline constexpr float kNearPlane = 10.0f;
inline constexpr float kClearanceMargin = 15.0f;

// Distance from p to the box (0 inside).
float distanceToBox(const Box& b, const Vec3& p);
// Distance from p to the nearest face of the interior, negative outside it.
float distanceInsideBox(const Box& b, const Vec3& p);

}  // namespace vm::tracks
