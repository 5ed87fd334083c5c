#pragma once
// Where a device presents: an SDL window made by the shell, a foreign X11 window given by id
// (XScreenSaver's window, the settings preview), or nothing at all (headless: frames are drawn
// offscreen and read back with Device::ReadPresentedImage).

#include <cstdint>

struct SDL_Window;

namespace vm::d3d {

struct PresentTarget {
    enum class Kind : std::uint32_t { Headless = 0, SdlWindow = 1, X11Window = 2 };

    Kind kind = Kind::Headless;
    // Kind::SdlWindow; not owned. Must be created with SDL_WINDOW_OPENGL (SDL cannot put a GL
    // context on a window made without it). A full-screen device switches it to desktop full screen.
    SDL_Window* sdlWindow = nullptr;
    std::uint64_t x11Window = 0;       // Kind::X11Window: the XID; the device never destroys it
    std::uint32_t width = 640;         // Kind::Headless: the client size a zero back-buffer size takes
    std::uint32_t height = 480;

    static PresentTarget Headless(std::uint32_t w, std::uint32_t h) {
        PresentTarget t;
        t.width = w;
        t.height = h;
        return t;
    }
    static PresentTarget Sdl(SDL_Window* window) {
        PresentTarget t;
        t.kind = Kind::SdlWindow;
        t.sdlWindow = window;
        return t;
    }
    static PresentTarget X11(std::uint64_t window) {
        PresentTarget t;
        t.kind = Kind::X11Window;
        t.x11Window = window;
        return t;
    }
};

}  // namespace vm::d3d
