// pictures OUTDIR: writes the loading picture, the loading-screen corner images, the preview and
// dialog bitmaps, the icon and the logo bitmap of the logo archive.

#include <cstdio>
#include <string>

#include "pictures/image.h"
#include "pictures/paint.h"

using namespace vm::pictures;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pictures OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const Image clear(1, 1, {1, 1, 1, 0});  // one white texel, fully transparent
    // The small dialog picture is square-ish: take the arch and candle from the right of the mark.
    Image badge(49, 46, {0.06f, 0.05f, 0.07f, 1});
    const Image mark = paintMark(98, 49);
    for (int y = 0; y < badge.height; ++y)
        for (int x = 0; x < badge.width; ++x)
            blend(badge, x, y, mark.at(x + 49, y), 1.0f);
    Image icon(32, 32, {0, 0, 0, 0});
    const Image iconMark = paintMark(64, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            icon.at(x, y) = iconMark.at(x + 32, y);
    struct Out {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Out outs[] = {
        {"loading.jpg", encodeJpeg(paintChurchView(640, 480), 85)},
        {"mark.tga", encodeTga32(paintMark(256, 128))},
        {"clear.tga", encodeTga32(clear)},
        {"preview.dib", encodeDib24(paintChurchView(155, 115))},
        {"dialog_picture.dib", encodeDib24(paintChurchView(215, 141))},
        {"dialog_badge.dib", encodeDib24(badge)},
        {"icon.ico", encodeIco32(icon)},
        {"logo.bmp", encodeBmpFile(paintChurchView(128, 96))},
    };
    for (const Out& o : outs)
        if (writeFile(dir + "/" + o.name, o.bytes) != 0) {
            std::fprintf(stderr, "pictures: cannot write %s/%s\n", dir.c_str(), o.name);
            return 1;
        }
    return 0;
}
