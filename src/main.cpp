// Process entry: the one application object exists before main runs; main installs the real platform,
// then starts and runs the saver.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/launch_options.h"
#include "app/scene_saver.h"
#include "platform/os/platform.h"
#include "platform/os/sdl/sdl_platform.h"
#include "platform/os/termination.h"

namespace {

vm::SceneSaver gSaver;

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    vm::LaunchOptions options = vm::parseLaunchOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
    if (!options.error.empty()) {
        std::fprintf(stderr, "vaultmere: %s\n", options.error.c_str());
        return 2;
    }
    vm::os::installTerminationHandler();
    vm::os::SdlPlatform sdl;
    vm::os::ScopedPlatform installed(sdl);
    gSaver.setLaunchOptions(std::move(options));
    gSaver.createSaver();
    gSaver.run();
    return 0;
}
