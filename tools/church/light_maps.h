#pragma once
// Bakes the five light maps from the church geometry and its light sources (candle flames, wall lamps,
// window light). Each map is baked in the exact parameterisation the renderer uses to project it: the
// surface's reference box, turned so its two large axes span the image, so a texel holds the light
// computed at the points that sample it.

#include <string>
#include <vector>

#include "church/church_model.h"
#include "church/textures.h"

namespace vm::church {

struct Projection {
    const ChurchObject* reference = nullptr;
    int axis = 0;  // 0 the box's thinnest axis, 1 x, 2 y, 3 z
    d3d::Vector3 scale{1, 1, 1};
    d3d::Vector3 offset{0, 0, 0};
};

// Texture coordinates (u, v) of world point p under the projection, as the renderer computes them.
d3d::Vector2 projectPoint(const Projection& projection, d3d::Vector3 p);

// World positions of every candle flame, in the order the scene numbers them.
std::vector<d3d::Vector3> flamePositions(const std::vector<ChurchObject>& church);

std::vector<TextureFile> bakeLightMaps(const std::vector<ChurchObject>& church);

}  // namespace vm::church
