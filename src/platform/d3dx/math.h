#pragma once
// Matrix, vector and quaternion math on the shared value types.
//
// Conventions (those of the classic left-handed utility library, which the scene's numbers assume):
// - row vectors: a point transforms as p' = p × M, so multiply(A, B) applies A first;
// - left-handed world, y up; a positive angle about an axis turns clockwise when looking along the axis
//   toward the origin, e.g. rotationY(a) maps (x, z) to (x cos a + z sin a, -x sin a + z cos a);
// - angles are radians; quaternions are (x, y, z, w) with w the scalar part.
// Every function is total: degenerate input gives a documented finite result, never NaN from our side.

#include "platform/d3d/types.h"

namespace vm::d3dx {

using d3d::Matrix;
using d3d::Quaternion;
using d3d::Vector3;
using d3d::Vector4;

// --- 3-vectors --------------------------------------------------------------------------------------
Vector3 add(const Vector3& a, const Vector3& b) noexcept;
Vector3 subtract(const Vector3& a, const Vector3& b) noexcept;
Vector3 scale(const Vector3& v, float s) noexcept;
float dot(const Vector3& a, const Vector3& b) noexcept;
Vector3 cross(const Vector3& a, const Vector3& b) noexcept;
float length(const Vector3& v) noexcept;
// A zero vector stays zero.
Vector3 normalize(const Vector3& v) noexcept;
// a + (b - a) × s
Vector3 lerp(const Vector3& a, const Vector3& b, float s) noexcept;
// Cubic Hermite curve from p1 (tangent t1) at s = 0 to p2 (tangent t2) at s = 1.
Vector3 hermite(const Vector3& p1, const Vector3& t1, const Vector3& p2, const Vector3& t2,
                float s) noexcept;

// (x, y, z, 1) × M, all four components.
Vector4 transform(const Vector3& v, const Matrix& m) noexcept;
// (x, y, z, 1) × M followed by the homogeneous divide. A result with w == 0 (a point at infinity)
// is returned undivided.
Vector3 transformCoord(const Vector3& v, const Matrix& m) noexcept;
// (x, y, z, 0) × M: directions and normals, translation ignored.
Vector3 transformNormal(const Vector3& v, const Matrix& m) noexcept;

// --- 4x4 matrices -----------------------------------------------------------------------------------
Matrix identity() noexcept;
// A × B: applies A first.
Matrix multiply(const Matrix& a, const Matrix& b) noexcept;
Matrix transpose(const Matrix& m) noexcept;
float determinant(const Matrix& m) noexcept;
// Writes the inverse to out and returns true; a singular matrix returns false and leaves out alone.
// determinant, when given, always receives M's determinant.
bool inverse(const Matrix& m, Matrix* out, float* determinant = nullptr) noexcept;

Matrix scaling(float sx, float sy, float sz) noexcept;
Matrix translation(float x, float y, float z) noexcept;
Matrix translation(const Vector3& v) noexcept;
Matrix rotationX(float angle) noexcept;
Matrix rotationY(float angle) noexcept;
Matrix rotationZ(float angle) noexcept;
// The axis need not be unit length; a zero axis gives the identity.
Matrix rotationAxis(const Vector3& axis, float angle) noexcept;

// Left-handed view matrix: the camera at eye looks along +z toward at, with up giving +y.
// Eye == at, or up parallel to the view direction, gives the identity.
Matrix lookAtLH(const Vector3& eye, const Vector3& at, const Vector3& up) noexcept;
// Left-handed projection onto z in [0, 1] between the near and far planes; fovY is the vertical field
// of view, aspect = width / height. Values that would divide by zero (fovY 0 or π, aspect 0,
// near == far) give the identity.
Matrix perspectiveFovLH(float fovY, float aspect, float zNear, float zFar) noexcept;

// --- quaternions ------------------------------------------------------------------------------------
// Rotation part of m (upper 3x3, assumed orthonormal), as a unit quaternion.
Quaternion quaternionFromMatrix(const Matrix& m) noexcept;
// Rotation matrix of q (q need not be unit length; zero gives the identity); translation row zero.
Matrix matrixFromQuaternion(const Quaternion& q) noexcept;
Quaternion quaternionRotationAxis(const Vector3& axis, float angle) noexcept;
// Unit quaternion; zero stays zero.
Quaternion quaternionNormalize(const Quaternion& q) noexcept;
float quaternionDot(const Quaternion& a, const Quaternion& b) noexcept;
// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc.
Quaternion slerp(const Quaternion& a, const Quaternion& b, float t) noexcept;

}  // namespace vm::d3dx
