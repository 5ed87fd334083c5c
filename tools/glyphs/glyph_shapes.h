#pragma once
// The overlay glyphs as strokes on a unit cell, and their rendering for the two-pass overlay:
// light strokes on black, because the first pass darkens the screen by the texel colour and the
// second adds it, so black texels leave the frame untouched.

#include <string>
#include <vector>

#include "pictures/image.h"

namespace vm::glyphs {

struct GlyphFile {
    std::string entryName;  // inside the folder Digits, e.g. "digit_0.jpg"
    char character;         // what it shows
};

// The 15 glyphs in overlay table order: 0-9, colon, dot, A, M, P.
const std::vector<GlyphFile>& glyphFiles();

// The glyph for character c ('0'-'9', ':', '.', 'A', 'M', 'P') at size x size pixels.
pictures::Image renderGlyph(char c, int size);

}  // namespace vm::glyphs
