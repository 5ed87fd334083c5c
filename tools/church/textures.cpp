#include "church/textures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "church/noise.h"

namespace vm::church {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Rgba mix(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
Rgba scaled(Rgba c, float s) { return {c.r * s, c.g * s, c.b * s, c.a}; }
float smoothstep(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

using Painter = std::function<Rgba(float u, float v)>;

Image paint(int w, int h, const Painter& f) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.at(x, y) = f((static_cast<float>(x) + 0.5f) / static_cast<float>(w), (static_cast<float>(y) + 0.5f) / static_cast<float>(h));
        }
    }
    return img;
}

// Marble: a base colour with veins along a noisy diagonal.
Rgba marble(float u, float v, Rgba base, Rgba vein, std::uint32_t seed, float veinStrength) {
    float n = fbm(u, v, 4, 5, seed);
    float s = std::sin((u + v) * 2 * kPi * 2 + n * 9);
    float veinAmount = std::pow(1 - std::fabs(s), 6.0f) * veinStrength;
    float grain = fbm(u, v, 16, 3, seed + 7) * 0.12f - 0.06f;
    Rgba c = mix(base, vein, veinAmount);
    return {c.r + grain, c.g + grain, c.b + grain, 1};
}

// Ashlar: courses of blocks with mortar joints and per-block tint.
Rgba ashlar(float u, float v, int rows, int cols, Rgba stone, std::uint32_t seed) {
    float fy = v * static_cast<float>(rows);
    int row = static_cast<int>(fy);
    float fx = u * static_cast<float>(cols) + (row % 2) * 0.5f;
    int col = static_cast<int>(std::floor(fx)) % cols;
    float jx = fx - std::floor(fx), jy = fy - std::floor(fy);
    float joint = std::min({jx, 1 - jx, jy * 2, (1 - jy) * 2});
    float mortar = 1 - smoothstep(0.0f, 0.035f, joint);
    float tint = hash2(col, row, seed) * 0.16f - 0.08f;
    float grain = fbm(u, v, 8, 5, seed + 3) * 0.22f - 0.11f;
    Rgba c{stone.r + tint + grain, stone.g + tint * 0.9f + grain, stone.b + tint * 0.8f + grain, 1};
    return mix(c, scaled(stone, 0.45f), mortar);
}

Rgba wood(float u, float v, Rgba light, Rgba dark, std::uint32_t seed) {
    float n = fbm(u, v, 4, 4, seed);
    float rings = std::sin((v * 22 + n * 6) * kPi);
    float t = 0.5f + 0.5f * rings;
    float fine = fbm(u * 0.25f, v, 32, 2, seed + 5) * 0.15f;
    return scaled(mix(dark, light, t * 0.7f + fine), 0.9f + n * 0.2f);
}

Rgba metal(float u, float v, Rgba base, std::uint32_t seed) {
    float n = fbm(u, v, 8, 4, seed);
    float sheen = 0.8f + 0.4f * std::sin(u * 2 * kPi) * 0.5f + n * 0.3f;
    return scaled(base, sheen);
}

// Leaded glass: irregular cells of saturated colour, dark lead between them.
Rgba leadedGlass(float u, float v, int cells, const std::vector<Rgba>& palette, float brightness, std::uint32_t seed) {
    float x = u * static_cast<float>(cells), y = v * static_cast<float>(cells);
    int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    float best = 1e9f, second = 1e9f;
    int bestId = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int gx = cx + dx, gy = cy + dy;
            int wx = ((gx % cells) + cells) % cells, wy = ((gy % cells) + cells) % cells;
            float px = static_cast<float>(gx) + 0.15f + 0.7f * hash2(wx, wy, seed);
            float py = static_cast<float>(gy) + 0.15f + 0.7f * hash2(wx, wy, seed + 1);
            float d = std::hypot(x - px, y - py);
            if (d < best) {
                second = best;
                best = d;
                bestId = wx * 131 + wy;
            } else if (d < second) {
                second = d;
            }
        }
    }
    float lead = 1 - smoothstep(0.03f, 0.08f, second - best);
    Rgba c = palette[static_cast<std::size_t>(hash2(bestId, 3, seed) * static_cast<float>(palette.size())) % palette.size()];
    float shade = brightness * (0.75f + 0.5f * fbm(u, v, 8, 3, seed + 9));
    return mix(scaled(c, shade), {0.03f, 0.03f, 0.035f, 1}, lead);
}

// A window's tall pointed field inside the texture: outside it, dark lead.
float windowMask(float u, float v) {
    float cx = std::fabs(u - 0.5f) * 2;
    if (v > 0.3f) return cx < 0.9f ? 1.0f : 0.0f;
    float r = std::hypot(cx * 0.9f, (0.3f - v) * 3.2f);
    return r < 0.9f ? 1.0f : 0.0f;
}

std::vector<Rgba> stainedPalette() {
    return {{0.75f, 0.12f, 0.1f, 1}, {0.12f, 0.22f, 0.75f, 1}, {0.85f, 0.65f, 0.15f, 1},
            {0.15f, 0.55f, 0.25f, 1}, {0.55f, 0.2f, 0.6f, 1},  {0.2f, 0.45f, 0.8f, 1}};
}

// Soft radial falloff, 1 in the middle, 0 at the rim.
float radial(float u, float v) {
    float r = std::hypot(u - 0.5f, v - 0.5f) * 2;
    return std::pow(std::clamp(1 - r, 0.0f, 1.0f), 1.6f);
}

struct Painting {
    const char* name;
    int w, h;
    Painter painter;
    bool alpha = false;
};

std::vector<Painting> paintings() {
    const Rgba warmStone{0.6f, 0.55f, 0.47f, 1};
    const Rgba paleStone{0.7f, 0.66f, 0.58f, 1};
    const Rgba gold{0.85f, 0.66f, 0.28f, 1};
    const Rgba brass{0.62f, 0.47f, 0.22f, 1};
    return {
        {"stone_wall.jpg", 256, 256, [=](float u, float v) { return ashlar(u, v, 4, 2, warmStone, 11); }},
        {"stone_trim.jpg", 128, 128, [=](float u, float v) {
             float g = fbm(u, v, 8, 4, 21) * 0.16f;
             return Rgba{paleStone.r + g - 0.08f, paleStone.g + g - 0.08f, paleStone.b + g - 0.08f, 1};
         }},
        {"marble_column.jpg", 256, 256, [](float u, float v) {
             return marble(u, v, {0.78f, 0.72f, 0.62f, 1}, {0.5f, 0.42f, 0.36f, 1}, 31, 0.7f);
         }},
        {"floor_marble.jpg", 512, 512, [](float u, float v) {
             int tile = (static_cast<int>(u * 2) + static_cast<int>(v * 2)) % 2;
             Rgba light = marble(u, v, {0.8f, 0.77f, 0.7f, 1}, {0.55f, 0.52f, 0.5f, 1}, 41, 0.6f);
             Rgba dark = marble(u, v, {0.22f, 0.2f, 0.2f, 1}, {0.45f, 0.42f, 0.4f, 1}, 43, 0.5f);
             Rgba c = tile ? dark : light;
             float fx = u * 2 - std::floor(u * 2), fy = v * 2 - std::floor(v * 2);
             float joint = std::min({fx, 1 - fx, fy, 1 - fy});
             return mix(c, {0.15f, 0.14f, 0.13f, 1}, 1 - smoothstep(0.0f, 0.008f, joint));
         }},
        {"altar_floor.jpg", 256, 256, [](float u, float v) {
             float a = u + v, b = u - v + 1;
             int tile = (static_cast<int>(a * 2) + static_cast<int>(b * 2)) % 2;
             Rgba c = tile ? marble(u, v, {0.55f, 0.12f, 0.1f, 1}, {0.75f, 0.5f, 0.4f, 1}, 51, 0.4f)
                           : marble(u, v, {0.82f, 0.78f, 0.68f, 1}, {0.6f, 0.55f, 0.5f, 1}, 53, 0.5f);
             return c;
         }},
        {"plaster.jpg", 256, 256, [](float u, float v) {
             float n = fbm(u, v, 4, 5, 61) * 0.12f;
             return Rgba{0.72f + n, 0.66f + n, 0.56f + n, 1};
         }},
        {"ceiling_coffers.jpg", 256, 256, [=](float u, float v) {
             float fx = u * 2 - std::floor(u * 2), fy = v * 2 - std::floor(v * 2);
             float edge = std::min({fx, 1 - fx, fy, 1 - fy});
             Rgba panel{0.16f, 0.22f, 0.42f, 1};
             float n = fbm(u, v, 8, 3, 71) * 0.1f;
             panel = {panel.r + n, panel.g + n, panel.b + n, 1};
             if (edge < 0.08f) return scaled(gold, 0.8f + n);
             if (edge < 0.16f) return scaled(paleStone, 0.85f);
             float star = radial(fx, fy);
             return mix(panel, gold, star > 0.85f ? 0.8f : 0.0f);
         }},
        {"fresco.jpg", 512, 512, [=](float u, float v) {
             // A night-blue heaven opening to a golden centre, with drifting clouds and a ring of stars.
             float r = std::hypot(u - 0.5f, v - 0.5f);
             Rgba sky = mix({0.95f, 0.8f, 0.45f, 1}, {0.2f, 0.32f, 0.62f, 1}, smoothstep(0.05f, 0.45f, r));
             float cloud = smoothstep(0.45f, 0.75f, fbm(u, v, 4, 6, 81));
             Rgba c = mix(sky, {0.88f, 0.84f, 0.78f, 1}, cloud * 0.8f);
             float ang = std::atan2(v - 0.5f, u - 0.5f);
             float rays = std::pow(0.5f + 0.5f * std::cos(ang * 16), 8.0f) * (1 - smoothstep(0.0f, 0.35f, r));
             c = mix(c, gold, rays * 0.5f);
             float ring = std::fabs(r - 0.36f);
             if (ring < 0.012f) c = mix(c, gold, 0.9f);
             float border = std::min({u, 1 - u, v, 1 - v});
             if (border < 0.04f) c = mix(scaled(gold, 0.7f), {0.35f, 0.1f, 0.08f, 1}, border < 0.02f ? 1.0f : 0.0f);
             return c;
         }},
        {"wood_pew.jpg", 256, 256, [](float u, float v) {
             return wood(u, v, {0.55f, 0.34f, 0.18f, 1}, {0.3f, 0.17f, 0.08f, 1}, 91);
         }},
        {"wood_dark.jpg", 256, 256, [](float u, float v) {
             return wood(u, v, {0.34f, 0.2f, 0.11f, 1}, {0.16f, 0.09f, 0.05f, 1}, 93);
         }},
        {"door.jpg", 256, 256, [](float u, float v) {
             float plank = u * 6 - std::floor(u * 6);
             Rgba c = wood(u * 0.2f + std::floor(u * 6) * 0.13f, v, {0.32f, 0.2f, 0.11f, 1}, {0.14f, 0.08f, 0.04f, 1}, 97);
             if (plank < 0.04f || plank > 0.96f) c = scaled(c, 0.4f);
             for (float band : {0.2f, 0.8f}) {
                 if (std::fabs(v - band) < 0.025f) c = {0.12f, 0.12f, 0.13f, 1};
                 float sx = u * 12 - std::floor(u * 12);
                 if (std::fabs(v - band) < 0.012f && std::fabs(sx - 0.5f) < 0.12f) c = {0.3f, 0.3f, 0.32f, 1};
             }
             return c;
         }},
        {"gold.jpg", 128, 128, [=](float u, float v) { return metal(u, v, gold, 101); }},
        {"brass.jpg", 128, 128, [=](float u, float v) { return metal(u, v, brass, 103); }},
        {"iron.jpg", 64, 64, [](float u, float v) { return metal(u, v, {0.16f, 0.16f, 0.17f, 1}, 107); }},
        {"candle_wax.jpg", 64, 64, [](float u, float v) {
             float n = fbm(u, v, 4, 3, 109) * 0.06f;
             return Rgba{0.93f + n, 0.88f + n, 0.74f + n, 1};
         }},
        {"altar_cloth.jpg", 256, 256, [=](float u, float v) {
             float n = fbm(u, v, 32, 2, 113) * 0.08f;
             Rgba c{0.5f + n, 0.06f, 0.07f, 1};
             float border = std::min({u, 1 - u, v, 1 - v});
             if (border < 0.07f && border > 0.03f) c = scaled(gold, 0.9f + n);
             float cx = std::fabs(u - 0.5f), cy = std::fabs(v - 0.5f);
             if ((cx < 0.03f && cy < 0.25f) || (cy < 0.03f && cx < 0.15f && v < 0.5f + 0.03f && v > 0.4f)) c = gold;
             return c;
         }},
        {"statue_marble.jpg", 128, 128, [](float u, float v) {
             return marble(u, v, {0.85f, 0.83f, 0.78f, 1}, {0.68f, 0.66f, 0.63f, 1}, 127, 0.4f);
         }},
        {"organ_pipes.jpg", 64, 64, [](float u, float v) {
             float sheen = 0.55f + 0.35f * std::pow(std::fabs(std::sin(u * 2 * kPi * 2)), 3.0f);
             float n = fbm(u, v, 8, 2, 131) * 0.1f;
             return Rgba{0.7f * sheen + n, 0.72f * sheen + n, 0.75f * sheen + n, 1};
         }},
        {"stained_glass.jpg", 256, 256, [](float u, float v) {
             Rgba c = leadedGlass(u, v, 7, stainedPalette(), 0.6f, 137);
             return windowMask(u, v) > 0 ? c : Rgba{0.05f, 0.05f, 0.06f, 1};
         }},
        {"window_glass.jpg", 128, 128, [](float u, float v) {
             float a = (u + v) * 6, b = (u - v) * 6;
             float la = a - std::floor(a), lb = b - std::floor(b);
             float lead = std::min({la, 1 - la, lb, 1 - lb});
             float n = fbm(u, v, 4, 3, 139);
             Rgba glass{0.12f + 0.08f * n, 0.16f + 0.1f * n, 0.3f + 0.15f * n, 1};
             Rgba c = lead < 0.05f ? Rgba{0.03f, 0.03f, 0.04f, 1} : glass;
             return windowMask(u, v) > 0 ? c : Rgba{0.04f, 0.04f, 0.05f, 1};
         }},
        {"rose_window.jpg", 256, 256, [](float u, float v) {
             float x = u - 0.5f, y = v - 0.5f, r = std::hypot(x, y) * 2, a = std::atan2(y, x);
             float petals = std::fabs(std::cos(a * 6));
             std::vector<Rgba> p = stainedPalette();
             Rgba c = r < 0.25f ? p[2] : (r < 0.7f ? (petals > 0.5f ? p[1] : p[0]) : (petals > 0.7f ? p[3] : p[4]));
             float lead = std::min({std::fabs(r - 0.25f), std::fabs(r - 0.7f), std::fabs(petals - 0.5f) * 0.3f});
             c = scaled(c, 0.55f + 0.3f * fbm(u, v, 8, 2, 149));
             if (lead < 0.015f) c = {0.03f, 0.03f, 0.035f, 1};
             return r > 0.98f ? Rgba{0.05f, 0.05f, 0.05f, 1} : c;
         }},
        {"wall_lamp.jpg", 64, 64, [](float u, float v) {
             float t = 0.8f + 0.2f * std::sin(u * 2 * kPi);
             (void)v;
             return Rgba{1.0f * t, 0.82f * t, 0.5f * t, 1};
         }},
        {"glow_shaft.jpg", 128, 128, [](float u, float v) {
             float across = std::pow(std::sin(u * kPi), 1.5f);
             float along = std::pow(1 - v, 1.7f);
             float s = across * along * 0.55f;
             return Rgba{s * 0.85f, s * 0.9f, s, 1};
         }},
        {"glow_round.jpg", 128, 128, [](float u, float v) {
             float s = radial(u, v) * 0.75f;
             return Rgba{s, s * 0.75f, s * 0.7f, 1};
         }},
        {"glow_round_shaft.jpg", 128, 128, [](float u, float v) {
             float s = std::pow(std::sin(u * kPi), 1.5f) * std::pow(1 - v, 2.0f) * 0.5f;
             return Rgba{s, s * 0.7f, s * 0.75f, 1};
         }},
        {"glow_door.jpg", 128, 128, [](float u, float v) {
             float s = radial(u, v * 0.8f + 0.1f) * 0.8f;
             return Rgba{s, s * 0.8f, s * 0.55f, 1};
         }},
        {"glow_stained.jpg", 128, 128, [](float u, float v) {
             std::vector<Rgba> p = stainedPalette();
             Rgba c = p[static_cast<std::size_t>(u * 4) % p.size()];
             float s = std::pow(std::sin(u * kPi), 1.2f) * std::pow(1 - v, 1.8f) * 0.8f;
             return scaled(c, s);
         }},
        {"flame2.tga", 64, 128, [](float u, float v) {
             // A teardrop: round at the bottom, tapering to a tip; white-yellow core, orange rim.
             float x = (u - 0.5f) * 2, y = 1 - v;
             float width = y < 0.25f ? std::sqrt(std::max(0.0f, 1 - std::pow((0.25f - y) / 0.25f, 2.0f)))
                                     : std::pow(std::max(0.0f, 1 - (y - 0.25f) / 0.75f), 0.8f);
             float d = width > 0 ? std::fabs(x) / (width * 0.55f) : 2;
             float a = std::clamp(1 - d, 0.0f, 1.0f);
             a = a * a * (3 - 2 * a);
             float core = std::clamp(1 - d * 1.6f, 0.0f, 1.0f) * (1 - y * 0.6f);
             Rgba c = mix({1.0f, 0.55f, 0.15f, 1}, {1.0f, 0.95f, 0.8f, 1}, core);
             c.a = a;
             return c;
         }, true},
    };
}

}  // namespace

std::vector<TextureFile> paintTextures() {
    std::vector<TextureFile> out;
    for (const Painting& s : paintings()) {
        Image img = paint(s.w, s.h, s.painter);
        out.push_back({s.name, s.alpha ? pictures::encodeTga32(img) : pictures::encodeJpeg(img, 88)});
    }
    return out;
}

}  // namespace vm::church
