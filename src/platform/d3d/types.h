#pragma once
// Plain value types shared by the device layer and the D3DX layer. Matrices are row-vector matrices:
// a point transforms as p' = p × M, and A × B applies A first. World space is left-handed, y up.

#include <cstdint>

namespace vm::d3d {

struct Vector2 {
    float x = 0, y = 0;
};

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

struct Vector4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

// m[row][column]; the translation sits in row 3.
struct Matrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

struct ColorValue {
    float r = 0, g = 0, b = 0, a = 0;
};

// 0xAARRGGBB
using Color = std::uint32_t;

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

}  // namespace vm::d3d
