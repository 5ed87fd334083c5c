#include "glyphs/glyph_shapes.h"

#include <cstddef>
#include <cmath>

#include "pictures/paint.h"

namespace vm::glyphs {
namespace {

struct Pt {
    float x, y;  // cell coordinates, 0..1, y down
};
using Polyline = std::vector<Pt>;

// An elliptic arc as a polyline: centre, radii, angles in degrees (0 = right, 90 = down).
Polyline arc(float cx, float cy, float rx, float ry, float from, float to)
{
    Polyline p;
    const int n = 16;
    for (int i = 0; i <= n; ++i) {
        const float a = (from + (to - from) * static_cast<float>(i) / n) * 3.14159265f / 180.0f;
        p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return p;
}

// Strokes of each character; digits are tall (0.15..0.85) and narrow enough that neighbours,
// which overlap by a fifth of the cell, stay apart.
std::vector<Polyline> strokesOf(char c)
{
    switch (c) {
    case '0': return {arc(0.5f, 0.5f, 0.22f, 0.34f, 0, 360)};
    case '1': return {{{0.36f, 0.28f}, {0.52f, 0.16f}, {0.52f, 0.84f}}, {{0.36f, 0.84f}, {0.68f, 0.84f}}};
    case '2': {
        Polyline p = arc(0.5f, 0.34f, 0.2f, 0.18f, 200, 380);
        p.push_back({0.3f, 0.84f});
        p.push_back({0.72f, 0.84f});
        return {p};
    }
    case '3': return {arc(0.48f, 0.33f, 0.2f, 0.17f, 210, 450), arc(0.48f, 0.67f, 0.22f, 0.17f, 270, 510)};
    case '4': return {{{0.62f, 0.84f}, {0.62f, 0.16f}, {0.28f, 0.62f}, {0.74f, 0.62f}}};
    case '5': {
        Polyline p{{0.7f, 0.16f}, {0.34f, 0.16f}, {0.31f, 0.47f}};
        Polyline a = arc(0.49f, 0.63f, 0.22f, 0.21f, 230, 500);
        return {p, a};
    }
    case '6': return {arc(0.5f, 0.64f, 0.21f, 0.2f, 0, 360), arc(0.72f, 0.5f, 0.43f, 0.34f, 225, 180)};
    case '7': return {{{0.28f, 0.16f}, {0.72f, 0.16f}, {0.42f, 0.84f}}};
    case '8': return {arc(0.5f, 0.32f, 0.18f, 0.16f, 0, 360), arc(0.5f, 0.66f, 0.22f, 0.18f, 0, 360)};
    case '9': return {arc(0.5f, 0.36f, 0.21f, 0.2f, 0, 360), arc(0.28f, 0.5f, 0.43f, 0.34f, 45, 0)};
    case ':': return {{{0.5f, 0.36f}, {0.5f, 0.36f}}, {{0.5f, 0.68f}, {0.5f, 0.68f}}};
    case '.': return {{{0.5f, 0.8f}, {0.5f, 0.8f}}};
    case 'A': return {{{0.24f, 0.84f}, {0.5f, 0.16f}, {0.76f, 0.84f}}, {{0.34f, 0.6f}, {0.66f, 0.6f}}};
    case 'M': return {{{0.22f, 0.84f}, {0.26f, 0.16f}, {0.5f, 0.62f}, {0.74f, 0.16f}, {0.78f, 0.84f}}};
    case 'P': {
        Polyline p{{0.3f, 0.84f}, {0.3f, 0.16f}, {0.5f, 0.16f}};
        Polyline bowl = arc(0.5f, 0.34f, 0.2f, 0.18f, 270, 450);
        bowl.push_back({0.3f, 0.52f});
        return {p, bowl};
    }
    default: return {};
    }
}

}  // namespace

const std::vector<GlyphFile>& glyphFiles()
{
    static const std::vector<GlyphFile> files = {
        {"digit_0.jpg", '0'}, {"digit_1.jpg", '1'},    {"digit_2.jpg", '2'},   {"digit_3.jpg", '3'},
        {"digit_4.jpg", '4'}, {"digit_5.jpg", '5'},    {"digit_6.jpg", '6'},   {"digit_7.jpg", '7'},
        {"digit_8.jpg", '8'}, {"digit_9.jpg", '9'},    {"digit_ddot.jpg", ':'}, {"digit_dot.jpg", '.'},
        {"digit_A.jpg", 'A'}, {"digit_M.jpg", 'M'},    {"digit_P.jpg", 'P'},
    };
    return files;
}

pictures::Image renderGlyph(char c, int size)
{
    pictures::Image img(size, size, {0, 0, 0, 1});
    const float s = static_cast<float>(size);
    const bool dot = c == ':' || c == '.';
    // A soft halo first so the glow pass blooms a little, then the crisp stroke on top.
    for (int pass = 0; pass < 2; ++pass) {
        const float w = (dot ? 0.075f : 0.055f) * s * (pass == 0 ? 2.0f : 1.0f);
        const pictures::Rgba colour = pass == 0 ? pictures::Rgba{0.35f, 0.35f, 0.35f, 0.5f} : pictures::Rgba{1, 1, 1, 1};
        for (const auto& line : strokesOf(c))
            for (size_t i = 0; i + 1 < line.size(); ++i)
                pictures::stroke(img, line[i].x * s, line[i].y * s, line[i + 1].x * s, line[i + 1].y * s, w, colour);
    }
    return img;
}

}  // namespace vm::glyphs
