// church_view GENDIR OUT.png
//   Six fixed views of the generated church (nave, altar, organ, clerestory, aisle, ceiling) in one PNG,
//   so the model, its textures and its light placement can be judged by eye.
// church_view --loading-picture GENDIR OUT.jpg [FALLBACK.jpg]
//   The loading-screen picture: one 640 x 480 view, JPEG. Without an OpenGL device it copies FALLBACK
//   instead (and says so), so a build on a machine without EGL still has a picture.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "church_view/church_rig.h"
#include "pictures/image.h"
#include "platform/d3dx/png_writer.h"

namespace {

using namespace vm;
using church_view::ChurchRig;
using church_view::View;

int contactSheet(const std::string& mediaDir, const std::string& outPath) {
    constexpr std::uint32_t kW = 480, kH = 360;
    ChurchRig rig;
    if (std::string why = rig.open(mediaDir, kW, kH); !why.empty()) {
        std::fprintf(stderr, "church_view: %s\n", why.c_str());
        return 1;
    }
    const View views[] = {
        {{-400, 170, -330}, {-400, 230, 1700}},  // the nave from the entrance
        {{-400, 210, 1180}, {-400, 180, 1900}},  // at the altar
        {{-400, 320, 1000}, {-400, 640, -420}},  // back to the organ
        {{-560, 420, -260}, {-850, 760, 900}},   // along the clerestory windows
        {{-1060, 170, -330}, {-1060, 190, 1400}},  // the left aisle
        {{-400, 120, 250}, {-400, 1050, 760}},   // up at the ceiling
    };
    std::vector<std::uint32_t> sheet(std::size_t{kW} * 3 * kH * 2, 0);
    for (int v = 0; v < 6; ++v) {
        d3d::Image image;
        if (!rig.render(views[v], &image)) {
            std::fprintf(stderr, "church_view: cannot read the picture back\n");
            return 1;
        }
        std::size_t ox = std::size_t(v % 3) * kW, oy = std::size_t(v / 3) * kH;
        for (std::uint32_t y = 0; y < kH; ++y) {
            for (std::uint32_t x = 0; x < kW; ++x) sheet[(oy + y) * kW * 3 + ox + x] = image.At(x, y);
        }
    }
    std::vector<std::uint8_t> png = d3dx::EncodePng(sheet, kW * 3, kH * 2);
    std::ofstream out(outPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return out ? 0 : 1;
}

int copyFallback(const std::string& fallback, const std::string& outPath) {
    std::ifstream in(fallback, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.empty() || pictures::writeFile(outPath, bytes) != 0) {
        std::fprintf(stderr, "church_view: cannot copy %s to %s\n", fallback.c_str(), outPath.c_str());
        return 1;
    }
    return 0;
}

int loadingPicture(const std::string& mediaDir, const std::string& outPath, const char* fallback) {
    constexpr std::uint32_t kW = 640, kH = 480;
    // From above the pews, left of the nave's axis, toward the altar: columns, stained glass and the
    // candle-lit apse, with the darker pews below where the loading screen puts its mark.
    const View view{{-640, 320, 120}, {-380, 250, 1700}};
    ChurchRig rig;
    d3d::Image image;
    std::string why = rig.open(mediaDir, kW, kH);
    if (why.empty() && !rig.render(view, &image)) why = "cannot read the picture back";
    if (!why.empty()) {
        if (!fallback) {
            std::fprintf(stderr, "church_view: %s\n", why.c_str());
            return 1;
        }
        std::fprintf(stderr, "church_view: %s; the loading picture stays the painted one\n", why.c_str());
        return copyFallback(fallback, outPath);
    }
    pictures::Image picture(static_cast<int>(kW), static_cast<int>(kH));
    for (std::uint32_t y = 0; y < kH; ++y) {
        for (std::uint32_t x = 0; x < kW; ++x) {
            const std::uint32_t argb = image.At(x, y);
            picture.at(static_cast<int>(x), static_cast<int>(y)) = {
                static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                static_cast<float>(argb & 0xFF) / 255.0f, 1.0f};
        }
    }
    if (pictures::writeFile(outPath, pictures::encodeJpeg(picture, 85)) != 0) {
        std::fprintf(stderr, "church_view: cannot write %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--loading-picture") == 0) {
        return loadingPicture(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    }
    if (argc == 3 && argv[1][0] != '-') return contactSheet(argv[1], argv[2]);
    std::fprintf(stderr, "usage: church_view GENDIR OUT.png\n"
                         "       church_view --loading-picture GENDIR OUT.jpg [FALLBACK.jpg]\n");
    return 2;
}
