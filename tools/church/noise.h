#pragma once
// Deterministic value noise for texture synthesis: the same seed gives the same picture on every machine
// (integer hashing, no library random numbers).

#include <cmath>
#include <cstdint>

namespace vm::church {

inline float hash2(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}

// Smooth noise in [0, 1], tiling with the given period (in lattice cells).
inline float valueNoise(float x, float y, int period, std::uint32_t seed) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    auto h = [&](int dx, int dy) { return hash2(wrap(x0 + dx), wrap(y0 + dy), seed); };
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    float a = h(0, 0) + (h(1, 0) - h(0, 0)) * sx;
    float b = h(0, 1) + (h(1, 1) - h(0, 1)) * sx;
    return a + (b - a) * sy;
}

// Fractal sum over `octaves`, tiling over the unit square when u, v run over [0, 1).
inline float fbm(float u, float v, int basePeriod, int octaves, std::uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    int period = basePeriod;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(u * static_cast<float>(period), v * static_cast<float>(period), period, seed + static_cast<std::uint32_t>(i) * 17u);
        norm += amp;
        amp *= 0.5f;
        period *= 2;
    }
    return sum / norm;
}

}  // namespace vm::church
