#include <cstdio>
#include <string>

#include "app/base/frame_timer.h"
#include "app/base/results.h"
#include "platform/os/registry.h"

namespace vm {
namespace {

bool readable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

// The developer media folder: the graphics SDK's sample path from the machine-wide settings, then
// "/Media/"; empty when the key or the value is missing (always so on a stock Linux system).
std::string mediaFolder() {
    os::RegKey key;
    if (os::regOpenKey(os::RegHive::LocalMachine, "Software\\Microsoft\\DirectX", os::RegAccess::Read, key) != os::kRegOk) {
        return {};
    }
    std::string path;
    bool found = os::regQueryString(key, "DX8SDK Samples Path", path) == os::kRegOk;
    os::regCloseKey(key);
    return found ? path + "/Media/" : std::string{};
}

}  // namespace

int findMediaFile(const char* name, std::string* path) {
    if (!name || !path) return kResultInvalidArg;
    *path = name;
    if (readable(*path)) return kResultOk;
    *path = mediaFolder() + name;
    if (readable(*path)) return kResultOk;
    *path = name;
    return kResultFail;
}

}  // namespace vm
