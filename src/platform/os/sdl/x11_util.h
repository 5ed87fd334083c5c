#pragma once
// The few Xlib calls the SDL backend needs, kept apart because Xlib's macros (None, Window, Status)
// clash with ordinary C++ names.

#include <cstdint>

struct _XDisplay;
struct SDL_Window;

namespace vm::os::x11 {

_XDisplay* openDisplay() noexcept;  // nullptr without an X server
void closeDisplay(_XDisplay* display) noexcept;
// Size of an existing window; false (and no Xlib error exit) when the id names no window.
bool windowSize(_XDisplay* display, std::uint64_t window, int& width, int& height) noexcept;
std::uint64_t rootWindow(_XDisplay* display) noexcept;
// Window background black, so the server paints exposed parts black until something draws.
// The X11 window behind an SDL window; 0 when SDL is not on X11.
std::uint64_t windowOf(SDL_Window* window) noexcept;
void setBlackBackground(_XDisplay* display, std::uint64_t window) noexcept;

}  // namespace vm::os::x11
