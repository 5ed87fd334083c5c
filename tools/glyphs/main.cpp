// glyphs OUTDIR: writes the 15 overlay glyphs as JPEG files named as their archive entries.

#include <cstdio>
#include <string>

#include "glyphs/glyph_shapes.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: glyphs OUTDIR\n");
        return 2;
    }
    for (const auto& g : vm::glyphs::glyphFiles()) {
        // 64 pixels: the glyph covers about 45 x 46 pixels of a 960-wide screen, so this is never upscaled much.
        const auto bytes = vm::pictures::encodeJpeg(vm::glyphs::renderGlyph(g.character, 64), 90);
        const std::string path = std::string(argv[1]) + "/" + g.entryName;
        if (vm::pictures::writeFile(path, bytes) != 0) {
            std::fprintf(stderr, "glyphs: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
