// The command line on hostile arguments: NUL-separated words; a first byte with its low bit set also
// supplies $XSCREENSAVER_WINDOW as the last word. Parsing must never crash, and a result without an
// error must respect the documented ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/launch_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool withEnvironment = (data[0] & 1) != 0;
    std::vector<std::string> words{"vaultmere"};
    std::string word;
    for (std::size_t i = 1; i < size && words.size() < 64; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    words.push_back(word);
    std::string environment;
    if (withEnvironment) {
        environment = words.back();
        words.pop_back();
    }
    const vm::LaunchOptions options =
        vm::parseLaunchOptions(words, withEnvironment ? environment.c_str() : nullptr);
    if (options.error.empty()) {
        if (options.frames < 0 || options.frames > 1000000000) std::abort();
        if (options.windowId && *options.windowId == 0) std::abort();
    }
    (void)vm::saverTarget(options, 1);
    for (const std::string& w : words) {
        const auto id = vm::parseWindowId(w);
        if (id && *id == 0) std::abort();
    }
    return 0;
}
