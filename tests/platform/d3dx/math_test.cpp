#include "platform/d3dx/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vm::d3dx {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTol = 1e-5f;

void expectNear(const Vector3& got, const Vector3& want, float tol = kTol) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

void expectNear(const Matrix& got, const Matrix& want, float tol = kTol) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(got.m[i][j], want.m[i][j], tol) << "element " << i << j;
}

Matrix rows(std::initializer_list<float> v) {
    Matrix m;
    int k = 0;
    for (float f : v) m.m[k / 4][k % 4] = f, ++k;
    return m;
}

// Each rotation by +90° moves one unit axis onto another; the directions are the left-handed ones.
TEST(Math, RotationsTurnAxesLeftHanded) {
    struct Case {
        const char* name;
        Matrix m;
        Vector3 in, expected;
    };
    const Case cases[] = {
        {"x turns y to z", rotationX(kPi / 2), {0, 1, 0}, {0, 0, 1}},
        {"x turns z to -y", rotationX(kPi / 2), {0, 0, 1}, {0, -1, 0}},
        {"y turns z to x", rotationY(kPi / 2), {0, 0, 1}, {1, 0, 0}},
        {"y turns x to -z", rotationY(kPi / 2), {1, 0, 0}, {0, 0, -1}},
        {"z turns x to y", rotationZ(kPi / 2), {1, 0, 0}, {0, 1, 0}},
        {"axis y equals rotationY", rotationAxis({0, 3, 0}, kPi / 2), {0, 0, 1}, {1, 0, 0}},
        // 120° about (1,1,1) cycles the axes x -> y -> z
        {"axis diagonal cycles", rotationAxis({1, 1, 1}, 2 * kPi / 3), {1, 0, 0}, {0, 1, 0}},
        {"zero axis is identity", rotationAxis({0, 0, 0}, 1.0f), {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectNear(transformCoord(c.in, c.m), c.expected);
    }
    // rotationY(a): (x, z) -> (x cos a + z sin a, -x sin a + z cos a), at a = 30°
    const float a = kPi / 6;
    expectNear(transformNormal({2, 0, 1}, rotationY(a)),
               {2 * std::cos(a) + std::sin(a), 0, -2 * std::sin(a) + std::cos(a)});
}

TEST(Math, ProductAppliesLeftFactorFirst) {
    // Scale by 2, then move by (1, 0, 0): (1,1,1) -> (3,2,2). The other order gives (4,2,2).
    const Matrix s = scaling(2, 2, 2), t = translation(1, 0, 0);
    expectNear(transformCoord({1, 1, 1}, multiply(s, t)), {3, 2, 2});
    expectNear(transformCoord({1, 1, 1}, multiply(t, s)), {4, 2, 2});
    const Matrix a = rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const Matrix b = rows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 1, 1, 1});
    // hand-computed: row i of a times b
    expectNear(multiply(a, b), rows({6, 10, 16, 4, 18, 26, 36, 8, 30, 42, 56, 12, 42, 58, 76, 16}));
}

TEST(Math, InverseUndoesAndRejectsSingular) {
    const Matrix m = multiply(multiply(rotationAxis({1, 2, 3}, 0.7f), scaling(2, 3, 0.5f)),
                              translation(1200, -40, 2500));
    Matrix inv;
    float det = 0;
    ASSERT_TRUE(inverse(m, &inv, &det));
    EXPECT_NEAR(det, 3.0f, 1e-4f);
    expectNear(multiply(m, inv), identity(), 1e-4f);
    expectNear(inverse(translation(1, 2, 3), &inv) ? inv : Matrix{}, translation(-1, -2, -3));

    Matrix untouched = translation(7, 7, 7);
    EXPECT_FALSE(inverse(scaling(1, 0, 1), &untouched, &det));
    EXPECT_EQ(det, 0.0f);
    expectNear(untouched, translation(7, 7, 7));
    EXPECT_NEAR(determinant(rows({1, 2, 3, 4, 5, 6, 7, 8, 2, 6, 4, 8, 3, 1, 1, 2})), 72.0f, 1e-3f);
}

TEST(Math, LookAtAndPerspective) {
    // Camera at (0,0,-5) looking at the origin: the origin lands 5 units ahead on +z.
    const Matrix v = lookAtLH({0, 0, -5}, {0, 0, 0}, {0, 1, 0});
    expectNear(transformCoord({0, 0, 0}, v), {0, 0, 5});
    expectNear(transformCoord({1, 2, 0}, v), {1, 2, 5});
    // Looking along +x: world +x is view +z, world +z is view -x (left-handed).
    const Matrix vx = lookAtLH({10, 0, 0}, {11, 0, 0}, {0, 1, 0});
    expectNear(transformCoord({12, 0, 0}, vx), {0, 0, 2});
    expectNear(transformCoord({10, 0, 1}, vx), {-1, 0, 0});
    expectNear(lookAtLH({1, 1, 1}, {1, 1, 1}, {0, 1, 0}), identity());  // degenerate: no NaN
    expectNear(lookAtLH({0, 0, 0}, {0, 5, 0}, {0, 1, 0}), identity());

    // 90° vertical field of view, aspect 2, near 10, far 20.
    const Matrix p = perspectiveFovLH(kPi / 2, 2.0f, 10, 20);
    expectNear(p, rows({0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 1, 0, 0, -20, 0}));
    expectNear(transformCoord({0, 0, 10}, p), {0, 0, 0});
    expectNear(transformCoord({0, 0, 20}, p), {0, 0, 1});
    expectNear(transformCoord({20, 10, 10}, p), {1, 1, 0});
    expectNear(perspectiveFovLH(0, 1, 1, 2), identity());
}

TEST(Math, QuaternionMatrixRoundTripAndSlerp) {
    struct Case {
        const char* name;
        Matrix m;
    };
    // One case per branch of the matrix-to-quaternion conversion (trace > 0, then x, y, z largest).
    const Case cases[] = {
        {"small angle", rotationAxis({1, 2, 3}, 0.3f)},
        {"half turn about x", rotationX(kPi)},
        {"near half turn about y", rotationY(3.1f)},
        {"half turn about z", rotationZ(kPi)},
        {"half turn about diagonal", rotationAxis({1, 1, 0}, kPi)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Quaternion q = quaternionFromMatrix(c.m);
        EXPECT_NEAR(quaternionDot(q, q), 1.0f, kTol);
        expectNear(matrixFromQuaternion(q), c.m);
    }
    // Quaternion of a rotation about y by a: (0, sin a/2, 0, cos a/2).
    const Quaternion qy = quaternionFromMatrix(rotationY(1.0f));
    EXPECT_NEAR(qy.y, std::sin(0.5f), kTol);
    EXPECT_NEAR(qy.w, std::cos(0.5f), kTol);
    expectNear(matrixFromQuaternion(quaternionRotationAxis({0, 0, 2}, 0.4f)), rotationZ(0.4f));

    const Quaternion q0 = quaternionRotationAxis({0, 1, 0}, 0.0f);
    const Quaternion q1 = quaternionRotationAxis({0, 1, 0}, 2.0f);
    expectNear(matrixFromQuaternion(slerp(q0, q1, 0.25f)), rotationY(0.5f));
    // -q1 is the same rotation: the blend must still take the short way, not the 360°-2 rad one.
    const Quaternion q1n{-q1.x, -q1.y, -q1.z, -q1.w};
    expectNear(matrixFromQuaternion(slerp(q0, q1n, 0.5f)), rotationY(1.0f));
    expectNear(matrixFromQuaternion(slerp(q1, q1, 0.7f)), rotationY(2.0f));
}

TEST(Math, VectorHelpersHermiteAndNormalize) {
    expectNear(cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1});
    EXPECT_FLOAT_EQ(dot({1, 2, 3}, {4, -5, 6}), 12.0f);
    EXPECT_FLOAT_EQ(length({3, 4, 12}), 13.0f);
    expectNear(normalize({0, 3, 4}), {0, 0.6f, 0.8f});
    expectNear(normalize({0, 0, 0}), {0, 0, 0});
    expectNear(lerp({0, 0, 0}, {2, 4, 6}, 0.25f), {0.5f, 1, 1.5f});
    // Hermite endpoints, and at s = 0.5: (p1 + p2)/2 + (t1 - t2)/8
    const Vector3 p1{0, 0, 0}, t1{1, 0, 0}, p2{2, 2, 0}, t2{0, 8, 0};
    expectNear(hermite(p1, t1, p2, t2, 0), p1);
    expectNear(hermite(p1, t1, p2, t2, 1), p2);
    expectNear(hermite(p1, t1, p2, t2, 0.5f), {1.125f, 0, 0});
    // The homogeneous divide; a point at infinity is returned undivided rather than as inf.
    Matrix w2 = scaling(1, 1, 1);
    w2.m[3][3] = 2;
    expectNear(transformCoord({4, 6, 8}, w2), {2, 3, 4});
    Matrix w0;
    w0.m[3][3] = 0;
    expectNear(transformCoord({4, 6, 8}, w0), {4, 6, 8});
    expectNear(transformNormal({1, 0, 0}, translation(5, 5, 5)), {1, 0, 0});
}

}  // namespace
}  // namespace vm::d3dx
