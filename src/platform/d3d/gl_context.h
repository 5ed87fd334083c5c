#pragma once
// One GL context on a PresentTarget: an SDL window (compatibility context: the shell's window may
// have any visual), a foreign X11 window wrapped by SDL (same reason: a core-profile request fails
// with BadMatch on 32-bit ARGB visuals), or headless (EGL surfaceless, core 3.3). Only core-style
// calls are made on any of them.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/d3d/present_target.h"

namespace vm::d3d::detail {

class GlContext {
public:
    // Null with a reason in *error when the context cannot be made.
    static std::unique_ptr<GlContext> Create(const PresentTarget& target, std::string* error);
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // Makes the context current when another one is (cheap when it already is).
    void MakeCurrent();
    void SwapBuffers();
    // Drawable size in pixels; the headless target's fixed size.
    void DrawableSize(std::uint32_t* w, std::uint32_t* h) const;
    bool HasWindow() const { return window_ != nullptr; }
    SDL_Window* Window() const { return window_; }
    void SetFullscreen(bool fullscreen);

private:
    GlContext() = default;
    PresentTarget target_;
    SDL_Window* window_ = nullptr;
    bool ownsWindow_ = false;  // SDL wrapper of a foreign window
    bool sdlVideo_ = false;    // we hold a reference on SDL's video subsystem
    void* sdlContext_ = nullptr;
    void* eglDisplay_ = nullptr;
    void* eglContext_ = nullptr;
};

}  // namespace vm::d3d::detail
