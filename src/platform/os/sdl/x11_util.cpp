#include "platform/os/sdl/x11_util.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace vm::os::x11 {
namespace {

bool gXError = false;

int recordError(Display*, XErrorEvent*) {
    gXError = true;
    return 0;
}

}  // namespace

_XDisplay* openDisplay() noexcept { return XOpenDisplay(nullptr); }

void closeDisplay(_XDisplay* display) noexcept {
    if (display) XCloseDisplay(display);
}

bool windowSize(_XDisplay* display, std::uint64_t window, int& width, int& height) noexcept {
    if (!display || window == 0) return false;
    // Errors from a stale or made-up id arrive asynchronously; sync so they land under our handler.
    XSync(display, False);
    gXError = false;
    auto previous = XSetErrorHandler(recordError);
    XWindowAttributes attributes{};
    Status ok = XGetWindowAttributes(display, static_cast<::Window>(window), &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!ok || gXError) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

std::uint64_t windowOf(SDL_Window* window) noexcept {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return static_cast<std::uint64_t>(info.info.x11.window);
}

std::uint64_t rootWindow(_XDisplay* display) noexcept { return display ? DefaultRootWindow(display) : 0; }

void setBlackBackground(_XDisplay* display, std::uint64_t window) noexcept {
    if (!display || window == 0) return;
    XSync(display, False);
    gXError = false;
    auto previous = XSetErrorHandler(recordError);
    XSetWindowBackground(display, static_cast<::Window>(window), BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, static_cast<::Window>(window));
    XSync(display, False);
    XSetErrorHandler(previous);
}

}  // namespace vm::os::x11
