// tracks OUTDIR: writes Cam_Tracks.bin and Cam_Params.txt.

#include <cstdio>
#include <string>

#include "tracks/track_design.h"
#include "tracks/track_file.h"

namespace {

bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// The keys carry the colons, tabs and "f;" suffixes the saver's reader is built to skip.
constexpr char kParams[] =
    "dtangle:\t\t2.125f;\n"
    "Speed(Start/End):\t0.75f;\n"
    "Speed:\t\t\t5.75f;\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tracks OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const auto bytes = vm::tracks::encodeTrackFile(vm::tracks::designTracks());
    if (!writeFile(dir + "/Cam_Tracks.bin", bytes.data(), bytes.size()) ||
        !writeFile(dir + "/Cam_Params.txt", kParams, sizeof kParams - 1)) {
        std::fprintf(stderr, "tracks: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
