#pragma once
// Small inline 3-vector arithmetic for the baker's inner loops, where the out-of-line helpers of the
// shared math library would cost a call per operation.

#include <algorithm>
#include <cmath>

#include "platform/d3d/types.h"

namespace vm::church {

struct Vec3 {
    float x = 0, y = 0, z = 0;

    constexpr Vec3() = default;
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    // Implicit on purpose: the shared types flow into the baker's arithmetic without ceremony.
    constexpr Vec3(const d3d::Vector3& v) : x(v.x), y(v.y), z(v.z) {}
    constexpr d3d::Vector3 toD3d() const { return {x, y, z}; }

    constexpr float operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vec3 operator*(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
constexpr float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
// A zero vector stays zero.
inline Vec3 normalized(Vec3 a) {
    float l = length(a);
    return l > 0 ? a * (1 / l) : a;
}
constexpr Vec3 min(Vec3 a, Vec3 b) { return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)}; }
constexpr Vec3 max(Vec3 a, Vec3 b) { return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)}; }

}  // namespace vm::church
