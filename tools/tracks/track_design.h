#pragma once
// The 15 camera tracks we ship, designed in the hall frame: each is a chain of cubic Bezier
// segments through a few key positions, with handles that give a smooth flight through them.

#include <vector>

#include "tracks/track_file.h"

namespace vm::tracks {

// Deterministic: the same tracks on every build.
std::vector<Track> designTracks();

// Point t (0..1) of segment s of a track: P = (1-t)^3 A + 3(1-t)^2 t B + 3(1-t) t^2 C + t^3 D.
Vec3 bezierPoint(const Track& track, int segment, float t);

}  // namespace vm::tracks
