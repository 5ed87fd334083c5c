#include <cstdio>
#include <string>

#include "app/base/frame_timer.h"
#include "app/base/results.h"

namespace vm {
namespace {

bool readable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

// The developer media folder of the original platform's SDK; none exists here.
std::string mediaFolder() { return {}; }

}  // namespace

int findMediaFile(const char* name, std::string* path) {
    if (!name || !path) return kResultInvalidArg;
    *path = name;
    if (readable(*path)) return kResultOk;
    std::string folder = mediaFolder();
    if (!folder.empty()) {
        *path = folder + name;
        if (readable(*path)) return kResultOk;
    }
    *path = name;
    return kResultFail;
}

}  // namespace vm
