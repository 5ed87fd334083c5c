#pragma once
// Clocks, the platform version, displays, cursor, message boxes, run-time libraries and the URL opener:
// thin calls on the installed backend (platform.h), named after what the saver asks of its platform.

#include <cstdint>
#include <string_view>

#include "platform/os/platform.h"

namespace vm::os {

inline std::uint32_t timeMs() { return platform().timeMs(); }
inline WallClock wallClock() { return platform().wallClock(); }
inline bool counterFrequency(std::int64_t& ticksPerSecond) { return platform().counterFrequency(ticksPerSecond); }
inline bool counter(std::int64_t& ticks) { return platform().counter(ticks); }
inline void sleepMs(std::uint32_t ms) { platform().sleepMs(ms); }
inline PlatformId platformId() { return platform().platformId(); }

// Enumerates adapters (empty parent) or the monitors of one adapter by index; false past the end.
inline bool displayDevice(std::string_view parent, std::uint32_t index, DisplayDevice& out) {
    return platform().displayDevice(parent, index, out);
}
inline bool currentDisplaySettings(std::string_view device, DisplaySettings& out) {
    return platform().currentDisplaySettings(device, out);
}
inline MonitorHandle monitorFromRect(const Rect& rect) { return platform().monitorFromRect(rect); }

// The cursor over this program's windows; defWindowProc shows it again on SetCursor.
inline void hideCursor() { platform().setCursorVisible(false); }
inline void showCursor() { platform().setCursorVisible(true); }

// A modal box with an OK button: shown on the display where there is one, printed to stderr where
// there is none, recorded by the fake.
inline int messageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                      MessageBoxIcon icon = MessageBoxIcon::None) {
    return platform().messageBox(owner, text, caption, icon);
}

inline LibraryHandle loadLibrary(std::string_view name) { return platform().loadLibrary(name); }
inline void* libraryFunction(LibraryHandle library, std::string_view name) {
    return platform().libraryFunction(library, name);
}
inline void freeLibrary(LibraryHandle library) { platform().freeLibrary(library); }

// Hands the URL to the desktop's opener; 0 when it was started.
inline int openUrl(std::string_view url) { return platform().openUrl(url); }

}  // namespace vm::os
