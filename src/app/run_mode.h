#pragma once
// Run modes and the screen-saver command line.

#include <cstdint>
#include <string_view>

namespace vm {

enum class RunMode : std::int32_t {
    Config = 0,          // no switch, or /c [owner]
    Preview = 1,         // /p parent: the host's preview pane
    Saver = 2,           // /s or any other letter: full screen
    Test = 3,            // /t: an ordinary captioned window
    ChangePassword = 4,  // /a [owner]
};

struct ParsedCommandLine {
    RunMode mode = RunMode::Config;
    std::uint64_t parentWindow = 0;  // the number after /p, /c or /a; 0 when absent
};

// The whole command line, program name first (quoted or up to the first blank). The first '/' or '-'
// decides: its letter, case-blind, gives the mode; for A, C and P the first run of digits after the
// letter is the parent window (so "/p 1234", "/p:1234" and "/P1234" agree). A number too large for 64 bits
// is no window at all.
ParsedCommandLine parseCommandLine(std::string_view commandLine);

}  // namespace vm
