#pragma once
// Switches beyond the screen-saver command line: the XScreenSaver forms and the headless switches.
//
//   -window-id N, --window-id N   draw into X11 window N (decimal or 0x hex)
//   -root, --root                 draw into $XSCREENSAVER_WINDOW, else the root window
//   -window, --window             saver mode in windows of our own
//   --frames N                    end cleanly after N frames (1..1000000000)
//   --snapshot FILE.png           after the last frame, save the picture
//   --benchmark                   time the frames and print frames per second (600 frames unless
//                                 --frames says otherwise)
//   --seed S                      fixed seed for the scene's random choices (0..4294967295)
//
// The XScreenSaver forms stay in the command text, where the screen-saver parser reads their letter as
// saver mode; the headless switches and their values are taken out so a number cannot be read as a
// window. $XSCREENSAVER_WINDOW alone, or a headless switch alone, also means saver mode.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/os/window_types.h"

namespace vm {

inline constexpr long kBenchmarkFrames = 600;

struct LaunchOptions {
    std::string commandLine;       // for parseCommandLine: program name, then the remaining arguments
    bool impliedSaver = false;     // no screen-saver switch, but one of ours that means saver mode
    std::optional<os::ForeignWindowId> windowId;
    bool root = false;
    std::optional<os::ForeignWindowId> environmentWindow;  // a valid $XSCREENSAVER_WINDOW
    long frames = 0;               // 0: until the user ends the run
    std::string snapshot;
    bool benchmark = false;
    std::optional<std::uint32_t> seed;
    std::string error;             // nonempty: the arguments are unusable; say so and do not run
};

// args[0] is the program name. xscreensaverWindow is the environment variable's value or null.
LaunchOptions parseLaunchOptions(std::span<const std::string> args, const char* xscreensaverWindow);

// The window saver mode draws into: -window-id, then -root (the environment's window, else the root
// window), then a bare environment window; 0 for windows of our own.
os::ForeignWindowId saverTarget(const LaunchOptions& options, os::ForeignWindowId rootWindow);

// Decimal or 0x-prefixed hex, the whole text, nonzero, at most 64 bits.
std::optional<os::ForeignWindowId> parseWindowId(std::string_view text);

}  // namespace vm
