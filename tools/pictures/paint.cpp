#include "pictures/paint.h"

#include <algorithm>
#include <cmath>

namespace vm::pictures {

void blend(Image& image, int x, int y, Rgba c, float coverage)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return;
    const float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
    if (a <= 0.0f)
        return;
    Rgba& d = image.at(x, y);
    const float outA = a + d.a * (1.0f - a);
    auto mix = [&](float s, float t) { return outA > 0 ? (s * a + t * d.a * (1.0f - a)) / outA : 0.0f; };
    d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), outA};
}

void fillGradient(Image& image, float x0, float y0, float x1, float y1, Rgba top, Rgba bottom)
{
    for (int y = std::max(0, static_cast<int>(y0)); y < std::min(image.height, static_cast<int>(std::ceil(y1))); ++y) {
        const float t = y1 > y0 ? std::clamp((static_cast<float>(y) + 0.5f - y0) / (y1 - y0), 0.0f, 1.0f) : 0.0f;
        const Rgba c{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t, top.b + (bottom.b - top.b) * t,
                     top.a + (bottom.a - top.a) * t};
        for (int x = std::max(0, static_cast<int>(x0)); x < std::min(image.width, static_cast<int>(std::ceil(x1))); ++x)
            blend(image, x, y, c, 1.0f);
    }
}

void addGlow(Image& image, float cx, float cy, float r, Rgba c)
{
    for (int y = std::max(0, static_cast<int>(cy - r)); y < std::min(image.height, static_cast<int>(cy + r + 1)); ++y)
        for (int x = std::max(0, static_cast<int>(cx - r)); x < std::min(image.width, static_cast<int>(cx + r + 1)); ++x) {
            const float dx = static_cast<float>(x) + 0.5f - cx;
            const float dy = static_cast<float>(y) + 0.5f - cy;
            const float d = std::sqrt(dx * dx + dy * dy) / r;
            if (d >= 1.0f)
                continue;
            const float k = (1.0f - d) * (1.0f - d) * c.a;
            Rgba& p = image.at(x, y);
            p.r = std::min(1.0f, p.r + c.r * k);
            p.g = std::min(1.0f, p.g + c.g * k);
            p.b = std::min(1.0f, p.b + c.b * k);
            p.a = std::max(p.a, std::min(1.0f, k));
        }
}

void stroke(Image& image, float ax, float ay, float bx, float by, float w, Rgba c)
{
    const float vx = bx - ax, vy = by - ay;
    const float len2 = std::max(vx * vx + vy * vy, 1e-6f);
    for (int y = std::max(0, static_cast<int>(std::min(ay, by) - w - 1)); y < std::min(image.height, static_cast<int>(std::max(ay, by) + w + 2)); ++y)
        for (int x = std::max(0, static_cast<int>(std::min(ax, bx) - w - 1)); x < std::min(image.width, static_cast<int>(std::max(ax, bx) + w + 2)); ++x) {
            const float px = static_cast<float>(x) + 0.5f - ax, py = static_cast<float>(y) + 0.5f - ay;
            const float t = std::clamp((px * vx + py * vy) / len2, 0.0f, 1.0f);
            const float dx = px - t * vx, dy = py - t * vy;
            const float coverage = std::clamp(w + 0.5f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
            blend(image, x, y, c, coverage);
        }
}

void fillArch(Image& image, float x0, float x1, float top, float bottom, Rgba c)
{
    const float r = (x1 - x0) / 2, cx = (x0 + x1) / 2, cy = top + r;
    for (int y = std::max(0, static_cast<int>(top)); y < std::min(image.height, static_cast<int>(std::ceil(bottom))); ++y)
        for (int x = std::max(0, static_cast<int>(x0)); x < std::min(image.width, static_cast<int>(std::ceil(x1))); ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            float coverage = std::clamp(std::min(px - x0, x1 - px) + 0.5f, 0.0f, 1.0f);
            if (py < cy)
                coverage = std::min(coverage, std::clamp(r + 0.5f - std::hypot(px - cx, py - cy), 0.0f, 1.0f));
            coverage = std::min(coverage, std::clamp(bottom - py + 0.5f, 0.0f, 1.0f));
            blend(image, x, y, c, coverage);
        }
}

Image paintChurchView(int width, int height)
{
    Image img(width, height, {0, 0, 0, 1});
    const float W = static_cast<float>(width), H = static_cast<float>(height);
    const float u = W / 640.0f;  // drawn on a 640-wide canvas, scaled
    const float vx = W / 2, vy = H * 0.52f;  // vanishing point: the altar
    // Vault, walls and floor receding to the altar.
    fillGradient(img, 0, 0, W, vy, {0.05f, 0.04f, 0.06f, 1}, {0.16f, 0.11f, 0.08f, 1});
    fillGradient(img, 0, vy, W, H, {0.20f, 0.14f, 0.09f, 1}, {0.07f, 0.05f, 0.04f, 1});
    // Apse window glowing high over the altar.
    fillArch(img, vx - 22 * u, vx + 22 * u, vy - 120 * u, vy - 40 * u, {0.55f, 0.45f, 0.75f, 1});
    stroke(img, vx, vy - 118 * u, vx, vy - 40 * u, 1.5f * u, {0.10f, 0.07f, 0.08f, 1});
    stroke(img, vx - 22 * u, vy - 80 * u, vx + 22 * u, vy - 80 * u, 1.5f * u, {0.10f, 0.07f, 0.08f, 1});
    addGlow(img, vx, vy - 80 * u, 90 * u, {0.35f, 0.28f, 0.45f, 0.6f});
    // Altar block.
    fillGradient(img, vx - 40 * u, vy - 8 * u, vx + 40 * u, vy + 14 * u, {0.45f, 0.36f, 0.26f, 1}, {0.22f, 0.16f, 0.11f, 1});
    // Two rows of columns, nearer ones larger and further apart.
    for (int i = 5; i >= 0; --i) {
        const float depth = 1.0f / (1.0f + 0.55f * static_cast<float>(i));
        const float half = 40 * u * depth;
        const float off = 270 * u * depth;
        for (int side = -1; side <= 1; side += 2) {
            const float cx = vx + static_cast<float>(side) * off;
            const float top = vy - 330 * u * depth, bottom = vy + 170 * u * depth;
            const float shade = 0.12f + 0.22f * depth;
            fillGradient(img, cx - half, top, cx + half, bottom, {shade * 0.6f, shade * 0.5f, shade * 0.45f, 1},
                         {shade * 1.4f, shade * 1.05f, shade * 0.75f, 1});
            // Arches spring from the column tops toward the nave.
            stroke(img, cx, top, cx - static_cast<float>(side) * off * 0.5f, top - 60 * u * depth, 6 * u * depth,
                   {shade, shade * 0.8f, shade * 0.7f, 1});
            // A candle on each column's pedestal.
            const float fy = vy + 60 * u * depth;
            stroke(img, cx - static_cast<float>(side) * half * 1.6f, fy, cx - static_cast<float>(side) * half * 1.6f,
                   fy + 24 * u * depth, 2.5f * u * depth, {0.85f, 0.80f, 0.68f, 1});
            addGlow(img, cx - static_cast<float>(side) * half * 1.6f, fy - 4 * u * depth, 48 * u * depth,
                    {1.0f, 0.62f, 0.25f, 0.9f});
            addGlow(img, cx - static_cast<float>(side) * half * 1.6f, fy - 4 * u * depth, 6 * u * depth,
                    {1.0f, 0.95f, 0.7f, 1.0f});
        }
    }
    // Candles on the altar.
    for (int k = -2; k <= 2; ++k) {
        const float cx = vx + static_cast<float>(k) * 14 * u;
        stroke(img, cx, vy - 20 * u, cx, vy - 8 * u, 1.6f * u, {0.9f, 0.85f, 0.7f, 1});
        addGlow(img, cx, vy - 23 * u, 26 * u, {1.0f, 0.6f, 0.2f, 0.8f});
        addGlow(img, cx, vy - 23 * u, 3 * u, {1.0f, 0.95f, 0.75f, 1.0f});
    }
    return img;
}

Image paintMark(int width, int height)
{
    Image img(width, height, {0, 0, 0, 0});
    const float W = static_cast<float>(width), H = static_cast<float>(height);
    const float s = std::min(W / 256.0f, H / 128.0f);
    const float cx = W - 64 * s, base = H - 14 * s;
    const Rgba gold{0.95f, 0.78f, 0.42f, 0.9f};
    // Pointed arch: two strokes meeting at the apex, with a sill.
    const int steps = 24;
    for (int side = -1; side <= 1; side += 2)
        for (int i = 0; i < steps; ++i) {
            auto pt = [&](int j, float& x, float& y) {
                const float t = static_cast<float>(j) / steps * 1.0471976f;  // 60 degrees of a 2-centred arch
                x = cx + static_cast<float>(side) * (-36 * s + 72 * s * (1 - std::cos(t)));
                y = base - 40 * s - 72 * s * std::sin(t);
            };
            float ax, ay, bx, by;
            pt(i, ax, ay);
            pt(i + 1, bx, by);
            stroke(img, ax, ay, bx, by, 3 * s, gold);
        }
    stroke(img, cx - 36 * s, base - 40 * s, cx - 36 * s, base, 3 * s, gold);
    stroke(img, cx + 36 * s, base - 40 * s, cx + 36 * s, base, 3 * s, gold);
    stroke(img, cx - 46 * s, base, cx + 46 * s, base, 3 * s, gold);
    // The candle and its flame.
    stroke(img, cx, base - 4 * s, cx, base - 34 * s, 6 * s, {0.92f, 0.88f, 0.78f, 0.95f});
    for (int i = 0; i < 10; ++i) {
        const float t = static_cast<float>(i) / 9;
        stroke(img, cx, base - 42 * s - 14 * s * t, cx, base - 42 * s - 14 * s * t, (6 - 5 * t) * s,
               {1.0f, 0.75f + 0.2f * t, 0.3f + 0.5f * t, 0.95f});
    }
    // Three bars of light to the left, the mark's signature.
    for (int i = 0; i < 3; ++i) {
        const float y = base - 20 * s - static_cast<float>(i) * 26 * s;
        stroke(img, W - 236 * s, y, cx - 56 * s, y, 4 * s, {gold.r, gold.g, gold.b, 0.35f + 0.2f * static_cast<float>(i)});
    }
    return img;
}

}  // namespace vm::pictures
