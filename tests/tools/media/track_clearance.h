#pragma once
// The clearance check shared by the hall-frame and the church-model tests: every eye position playback
// can reach (the 150-chord walk of each segment, and a little past its end) keeps the near plane plus a
// margin away from the scene, measured by the caller's distance function.

#include <gtest/gtest.h>

#include <string>

#include "tracks/hall_frame.h"
#include "tracks/track_design.h"

namespace vm::media_test {

template <class DistanceTo>
void expectEveryTrackKeepsClear(DistanceTo distanceTo) {
    const float clearance = tracks::kNearPlane + tracks::kClearanceMargin;
    const auto designed = tracks::designTracks();
    for (size_t t = 0; t < designed.size(); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const int segments = static_cast<int>((designed[t].points.size() - 1) / 3);
        float worst = 1e9f;
        tracks::Vec3 worstAt;
        for (int s = 0; s < segments; ++s)
            for (int j = 0; j <= 151; ++j) {
                const tracks::Vec3 eye = tracks::bezierPoint(designed[t], s, static_cast<float>(j) / 150.0f);
                const float d = distanceTo(eye);
                if (d < worst) {
                    worst = d;
                    worstAt = eye;
                }
            }
        EXPECT_GE(worst, clearance) << "closest at (" << worstAt.x << ", " << worstAt.y << ", " << worstAt.z << ")";
    }
}

}  // namespace vm::media_test
