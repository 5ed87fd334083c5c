// church_builder OUTDIR: writes the church model (church11.X), the glow model (lights.x), every texture
// the models name, the flame, the five light maps, and files.txt listing them all, one name per line.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "church/church_model.h"
#include "pictures/image.h"
#include "church/light_maps.h"
#include "church/textures.h"

namespace {

int build(const std::string& dir) {
    using namespace vm;
    std::vector<church::ChurchObject> hall = church::buildChurch();
    std::vector<church::ChurchObject> glows = church::buildLightGlows();
    std::vector<church::TextureFile> files;

    std::vector<std::uint8_t> bytes;
    if (d3dx::writeXFile(church::toFrames("Church", hall), true, bytes) != d3dx::XResult::Ok) {
        std::fprintf(stderr, "church_builder: the church model does not fit together\n");
        return 1;
    }
    files.push_back({"church11.X", bytes});
    if (d3dx::writeXFile(church::toFrames("Lights", glows), false, bytes) != d3dx::XResult::Ok) {
        std::fprintf(stderr, "church_builder: the glow model does not fit together\n");
        return 1;
    }
    files.push_back({"lights.x", bytes});
    for (auto& t : church::paintTextures()) files.push_back(std::move(t));
    for (auto& t : church::bakeLightMaps(hall)) files.push_back(std::move(t));

    std::string list;
    for (const auto& f : files) {
        if (pictures::writeFile(dir + "/" + f.name, f.bytes) != 0) {
            std::fprintf(stderr, "church_builder: cannot write %s/%s\n", dir.c_str(), f.name.c_str());
            return 1;
        }
        list += f.name + "\n";
    }
    if (pictures::writeFile(dir + "/files.txt", std::vector<std::uint8_t>(list.begin(), list.end())) != 0) {
        std::fprintf(stderr, "church_builder: cannot write %s/files.txt\n", dir.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: church_builder OUTDIR\n");
        return 2;
    }
    try {
        return build(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "church_builder: %s\n", e.what());
        return 1;
    }
}
