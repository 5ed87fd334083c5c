#include <ctime>

#include "platform/os/platform.h"

namespace vm::os {

WallClock systemWallClock() noexcept {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    WallClock out;
    out.epochSeconds = static_cast<std::int64_t>(now);
    // localtime_r: localtime would hand out a buffer shared by every thread.
    if (localtime_r(&now, &local) != nullptr) {
        out.hour = local.tm_hour;
        out.minute = local.tm_min;
        out.second = local.tm_sec;
    }
    return out;
}

}  // namespace vm::os
