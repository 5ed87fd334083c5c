#pragma once
// The projection every device gets when its objects are restored, and the view that stays when no
// camera track was loaded.

#include "platform/d3d/device.h"

namespace vm::scene {

inline constexpr float kFieldOfViewY = 0.7853982f;  // radians, pi / 4
inline constexpr float kNearPlane = 10.0f;          // world units
inline constexpr float kFarPlane = 2500.0f;

// Projection: left-handed perspective with kFieldOfViewY, aspect = viewport width / height, near 10,
// far 2500. View: from the origin along +z, up +y. Returns the first failing device result, else 0.
int SetDefaultView(d3d::Device& device);

}  // namespace vm::scene
