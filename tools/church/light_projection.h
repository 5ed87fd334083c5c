#pragma once
// The renderer's light-map projection: a surface's reference box, scaled to a unit cube, turned so its two
// large axes become the image's u and v, shifted by one half. The baker computes light in exactly this
// parameterisation, so what it stores for a texel is what the renderer samples at the points mapped there.

#include "church/church_model.h"
#include "platform/d3d/types.h"

namespace vm::church {

struct Projection {
    const ChurchObject* reference = nullptr;
    int axis = 0;  // 0 the box's thinnest axis, 1 x, 2 y, 3 z
    d3d::Vector3 scale{1, 1, 1};
    d3d::Vector3 offset{0, 0, 0};
};

// World to (u, v, w): u, v the texture coordinates, w the position along the box's thin axis (world units
// about the box centre). Needs a reference object; a singular box matrix gives the identity.
d3d::Matrix projectionMatrix(const Projection& projection);

// Texture coordinates (u, v) of world point p under the projection, as the renderer computes them.
d3d::Vector2 projectPoint(const Projection& projection, d3d::Vector3 p);

}  // namespace vm::church
