#include "platform/d3dx/math.h"

#include <cmath>

namespace vm::d3dx {

Vector3 add(const Vector3& a, const Vector3& b) noexcept { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

Vector3 subtract(const Vector3& a, const Vector3& b) noexcept {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 scale(const Vector3& v, float s) noexcept { return {v.x * s, v.y * s, v.z * s}; }

float dot(const Vector3& a, const Vector3& b) noexcept { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 cross(const Vector3& a, const Vector3& b) noexcept {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float length(const Vector3& v) noexcept { return std::sqrt(dot(v, v)); }

Vector3 normalize(const Vector3& v) noexcept {
    const float len = length(v);
    if (!(len > 0.0f)) return {};
    return scale(v, 1.0f / len);
}

Vector3 lerp(const Vector3& a, const Vector3& b, float s) noexcept {
    return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s};
}

Vector3 hermite(const Vector3& p1, const Vector3& t1, const Vector3& p2, const Vector3& t2,
                float s) noexcept {
    const float s2 = s * s;
    const float s3 = s2 * s;
    const float h1 = 2 * s3 - 3 * s2 + 1;
    const float h2 = s3 - 2 * s2 + s;
    const float h3 = -2 * s3 + 3 * s2;
    const float h4 = s3 - s2;
    return {h1 * p1.x + h2 * t1.x + h3 * p2.x + h4 * t2.x,
            h1 * p1.y + h2 * t1.y + h3 * p2.y + h4 * t2.y,
            h1 * p1.z + h2 * t1.z + h3 * p2.z + h4 * t2.z};
}

Vector4 transform(const Vector3& v, const Matrix& m) noexcept {
    const auto& a = m.m;
    return {v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0] + a[3][0],
            v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1] + a[3][1],
            v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2] + a[3][2],
            v.x * a[0][3] + v.y * a[1][3] + v.z * a[2][3] + a[3][3]};
}

Vector3 transformCoord(const Vector3& v, const Matrix& m) noexcept {
    const Vector4 r = transform(v, m);
    if (r.w == 0.0f) return {r.x, r.y, r.z};
    const float inv = 1.0f / r.w;
    return {r.x * inv, r.y * inv, r.z * inv};
}

Vector3 transformNormal(const Vector3& v, const Matrix& m) noexcept {
    const auto& a = m.m;
    return {v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0],
            v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1],
            v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2]};
}

Matrix identity() noexcept { return Matrix{}; }

Matrix multiply(const Matrix& a, const Matrix& b) noexcept {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
    return r;
}

Matrix transpose(const Matrix& m) noexcept {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

namespace {

// Cofactor expansion in double: the scene inverts view matrices with translations in the thousands,
// where float cancellation would show as jitter.
struct Cofactors {
    double c[4][4];  // c[i][j] = cofactor of element (i, j)
    double det;
};

Cofactors cofactors(const Matrix& mat) noexcept {
    double a[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) a[i][j] = static_cast<double>(mat.m[i][j]);
    // 2x2 minors of the lower two rows and of the upper two rows
    const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    Cofactors r{};
    r.det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    // adjugate (transposed cofactors), laid out as the inverse before dividing by det
    double adj[4][4];
    adj[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
    adj[0][1] = -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3;
    adj[0][2] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
    adj[0][3] = -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3;
    adj[1][0] = -a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1;
    adj[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
    adj[1][2] = -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1;
    adj[1][3] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
    adj[2][0] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
    adj[2][1] = -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0;
    adj[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
    adj[2][3] = -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0;
    adj[3][0] = -a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0;
    adj[3][1] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
    adj[3][2] = -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0;
    adj[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.c[i][j] = adj[i][j];
    return r;
}

}  // namespace

float determinant(const Matrix& m) noexcept { return static_cast<float>(cofactors(m).det); }

bool inverse(const Matrix& m, Matrix* out, float* det) noexcept {
    const Cofactors c = cofactors(m);
    if (det) *det = static_cast<float>(c.det);
    if (c.det == 0.0 || !std::isfinite(c.det)) return false;
    const double inv = 1.0 / c.det;
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const double v = c.c[i][j] * inv;
            if (!std::isfinite(v)) return false;
            r.m[i][j] = static_cast<float>(v);
        }
    if (out) *out = r;
    return true;
}

Matrix scaling(float sx, float sy, float sz) noexcept {
    Matrix r;
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    return r;
}

Matrix translation(float x, float y, float z) noexcept {
    Matrix r;
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Matrix translation(const Vector3& v) noexcept { return translation(v.x, v.y, v.z); }

Matrix rotationX(float angle) noexcept {
    const float c = std::cos(angle), s = std::sin(angle);
    Matrix r;
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

Matrix rotationY(float angle) noexcept {
    const float c = std::cos(angle), s = std::sin(angle);
    Matrix r;
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Matrix rotationZ(float angle) noexcept {
    const float c = std::cos(angle), s = std::sin(angle);
    Matrix r;
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix rotationAxis(const Vector3& axis, float angle) noexcept {
    const Vector3 n = normalize(axis);
    if (n.x == 0 && n.y == 0 && n.z == 0) return Matrix{};
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    Matrix r;
    r.m[0][0] = t * n.x * n.x + c;
    r.m[0][1] = t * n.x * n.y + s * n.z;
    r.m[0][2] = t * n.x * n.z - s * n.y;
    r.m[1][0] = t * n.x * n.y - s * n.z;
    r.m[1][1] = t * n.y * n.y + c;
    r.m[1][2] = t * n.y * n.z + s * n.x;
    r.m[2][0] = t * n.x * n.z + s * n.y;
    r.m[2][1] = t * n.y * n.z - s * n.x;
    r.m[2][2] = t * n.z * n.z + c;
    return r;
}

Matrix lookAtLH(const Vector3& eye, const Vector3& at, const Vector3& up) noexcept {
    const Vector3 z = normalize(subtract(at, eye));
    const Vector3 x = normalize(cross(up, z));
    if (length(z) == 0.0f || length(x) == 0.0f) return Matrix{};
    const Vector3 y = cross(z, x);
    Matrix r;
    r.m[0][0] = x.x, r.m[0][1] = y.x, r.m[0][2] = z.x;
    r.m[1][0] = x.y, r.m[1][1] = y.y, r.m[1][2] = z.y;
    r.m[2][0] = x.z, r.m[2][1] = y.z, r.m[2][2] = z.z;
    r.m[3][0] = -dot(x, eye);
    r.m[3][1] = -dot(y, eye);
    r.m[3][2] = -dot(z, eye);
    return r;
}

Matrix perspectiveFovLH(float fovY, float aspect, float zNear, float zFar) noexcept {
    const float t = std::tan(fovY * 0.5f);
    if (!(t != 0.0f) || !std::isfinite(t) || aspect == 0.0f || zNear == zFar) return Matrix{};
    const float yScale = 1.0f / t;
    const float xScale = yScale / aspect;
    Matrix r;
    r.m[0][0] = xScale;
    r.m[1][1] = yScale;
    r.m[2][2] = zFar / (zFar - zNear);
    r.m[2][3] = 1.0f;
    r.m[3][2] = -zNear * zFar / (zFar - zNear);
    r.m[3][3] = 0.0f;
    return r;
}

Quaternion quaternionFromMatrix(const Matrix& mat) noexcept {
    const auto& m = mat.m;
    const float trace = m[0][0] + m[1][1] + m[2][2];
    Quaternion q;
    // Divide by the largest of 4w, 4x, 4y, 4z to stay away from cancellation.
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;  // 4w
        q.w = 0.25f * s;
        q.x = (m[1][2] - m[2][1]) / s;
        q.y = (m[2][0] - m[0][2]) / s;
        q.z = (m[0][1] - m[1][0]) / s;
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        const float s = std::sqrt(std::fmax(0.0f, 1.0f + m[0][0] - m[1][1] - m[2][2])) * 2.0f;  // 4x
        if (s == 0.0f) return Quaternion{};
        q.x = 0.25f * s;
        q.y = (m[0][1] + m[1][0]) / s;
        q.z = (m[0][2] + m[2][0]) / s;
        q.w = (m[1][2] - m[2][1]) / s;
    } else if (m[1][1] >= m[2][2]) {
        const float s = std::sqrt(std::fmax(0.0f, 1.0f + m[1][1] - m[0][0] - m[2][2])) * 2.0f;  // 4y
        if (s == 0.0f) return Quaternion{};
        q.y = 0.25f * s;
        q.x = (m[0][1] + m[1][0]) / s;
        q.z = (m[1][2] + m[2][1]) / s;
        q.w = (m[2][0] - m[0][2]) / s;
    } else {
        const float s = std::sqrt(std::fmax(0.0f, 1.0f + m[2][2] - m[0][0] - m[1][1])) * 2.0f;  // 4z
        if (s == 0.0f) return Quaternion{};
        q.z = 0.25f * s;
        q.x = (m[0][2] + m[2][0]) / s;
        q.y = (m[1][2] + m[2][1]) / s;
        q.w = (m[0][1] - m[1][0]) / s;
    }
    return q;
}

Matrix matrixFromQuaternion(const Quaternion& quat) noexcept {
    const float n = quat.x * quat.x + quat.y * quat.y + quat.z * quat.z + quat.w * quat.w;
    if (!(n > 0.0f)) return Matrix{};
    // Dividing by |q|² lets a slightly denormalised blend still give a pure rotation.
    const float k = 2.0f / n;
    const float x = quat.x, y = quat.y, z = quat.z, w = quat.w;
    Matrix r;
    r.m[0][0] = 1.0f - k * (y * y + z * z);
    r.m[0][1] = k * (x * y + z * w);
    r.m[0][2] = k * (x * z - y * w);
    r.m[1][0] = k * (x * y - z * w);
    r.m[1][1] = 1.0f - k * (x * x + z * z);
    r.m[1][2] = k * (y * z + x * w);
    r.m[2][0] = k * (x * z + y * w);
    r.m[2][1] = k * (y * z - x * w);
    r.m[2][2] = 1.0f - k * (x * x + y * y);
    return r;
}

Quaternion quaternionRotationAxis(const Vector3& axis, float angle) noexcept {
    const Vector3 n = normalize(axis);
    if (n.x == 0 && n.y == 0 && n.z == 0) return Quaternion{};
    const float s = std::sin(angle * 0.5f);
    return {n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f)};
}

float quaternionDot(const Quaternion& a, const Quaternion& b) noexcept {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

Quaternion quaternionNormalize(const Quaternion& q) noexcept {
    const float len = std::sqrt(quaternionDot(q, q));
    if (!(len > 0.0f)) return {0, 0, 0, 0};
    const float inv = 1.0f / len;
    return {q.x * inv, q.y * inv, q.z * inv, q.w * inv};
}

Quaternion slerp(const Quaternion& a, const Quaternion& b, float t) noexcept {
    float cosTheta = quaternionDot(a, b);
    float sign = 1.0f;
    // q and -q are the same rotation; take the one on a's side so the blend turns the short way.
    if (cosTheta < 0.0f) {
        cosTheta = -cosTheta;
        sign = -1.0f;
    }
    float wa = 1.0f - t;
    float wb = t;
    // Near-parallel inputs: sin(theta) vanishes, and the linear blend is exact to float precision.
    if (cosTheta < 1.0f - 1e-6f) {
        const float theta = std::acos(cosTheta);
        const float invSin = 1.0f / std::sin(theta);
        wa = std::sin((1.0f - t) * theta) * invSin;
        wb = std::sin(t * theta) * invSin;
    }
    wb *= sign;
    return {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
}

}  // namespace vm::d3dx
