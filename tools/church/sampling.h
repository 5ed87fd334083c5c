#pragma once
// Fixed sample patterns for the light-map baker. Every pattern is a Hammersley set, shifted per texel by
// a hashed offset (a Cranley-Patterson rotation): neighbouring texels see different but equally well
// spread samples, and the same texel always sees the same ones, so a bake is repeatable bit for bit.

#include <cmath>
#include <cstdint>
#include <numbers>

#include "church/ray_math.h"

namespace vm::church::sampling {

inline std::uint32_t mix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

inline std::uint32_t seed(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d = 0) {
    return mix(a * 0x9e3779b9u ^ mix(b * 0x85ebca6bu ^ mix(c * 0xc2b2ae35u ^ mix(d + 0x27d4eb2fu))));
}

// [0, 1) from the top 24 bits.
inline float unit(std::uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }

inline float radicalInverse2(std::uint32_t i) {
    i = (i << 16) | (i >> 16);
    i = ((i & 0x00ff00ffu) << 8) | ((i & 0xff00ff00u) >> 8);
    i = ((i & 0x0f0f0f0fu) << 4) | ((i & 0xf0f0f0f0u) >> 4);
    i = ((i & 0x33333333u) << 2) | ((i & 0xccccccccu) >> 2);
    i = ((i & 0x55555555u) << 1) | ((i & 0xaaaaaaaau) >> 1);
    return static_cast<float>(i >> 8) * (1.0f / 16777216.0f);
}

struct Point2 {
    float x, y;
};

// Point i of an n-point Hammersley set in [0, 1)², shifted by the rotation drawn from `key`.
inline Point2 hammersley(std::uint32_t i, std::uint32_t n, std::uint32_t key) {
    float x = (static_cast<float>(i) + 0.5f) / static_cast<float>(n) + unit(mix(key));
    float y = radicalInverse2(i) + unit(mix(key ^ 0x5bd1e995u));
    x -= std::floor(x);
    y -= std::floor(y);
    return {x, y};
}

// The square onto the unit disk, keeping strata compact (Shirley and Chiu's concentric map).
inline Point2 concentricDisk(Point2 s) {
    float a = 2 * s.x - 1, b = 2 * s.y - 1;
    if (a == 0 && b == 0) return {0, 0};
    constexpr float kQuarter = std::numbers::pi_v<float> / 4;
    float r, phi;
    if (std::fabs(a) > std::fabs(b)) {
        r = a;
        phi = kQuarter * (b / a);
    } else {
        r = b;
        phi = 2 * kQuarter - kQuarter * (a / b);
    }
    return {r * std::cos(phi), r * std::sin(phi)};
}

// Two unit vectors that make (t, b, n) an orthonormal basis; n must be unit length.
inline void basis(Vec3 n, Vec3* t, Vec3* b) {
    float sign = n.z >= 0 ? 1.0f : -1.0f;
    float a = -1 / (sign + n.z);
    float c = n.x * n.y * a;
    *t = {1 + sign * n.x * n.x * a, sign * c, -sign * n.x};
    *b = {c, sign + n.y * n.y * a, -n.y};
}

// A direction on the hemisphere around unit n, with density proportional to the cosine.
inline Vec3 cosineHemisphere(Point2 s, Vec3 n) {
    Point2 d = concentricDisk(s);
    float z = std::sqrt(std::max(0.0f, 1 - d.x * d.x - d.y * d.y));
    Vec3 t, b;
    basis(n, &t, &b);
    return t * d.x + b * d.y + n * z;
}

}  // namespace vm::church::sampling
