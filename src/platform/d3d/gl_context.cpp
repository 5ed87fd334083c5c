#include "platform/d3d/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

namespace vm::d3d::detail {
namespace {

GlContext* g_current = nullptr;

// The surfaceless display is initialised once and kept for the process: initialising it loads the
// driver, which costs far more than a context.
EGLDisplay g_eglDisplay = EGL_NO_DISPLAY;

EGLDisplay AcquireSurfacelessDisplay(std::string* error) {
    if (g_eglDisplay != EGL_NO_DISPLAY) return g_eglDisplay;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        *error = "EGL has no eglGetPlatformDisplayEXT";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, &major, &minor)) {
        *error = "no surfaceless EGL display";
        return EGL_NO_DISPLAY;
    }
    g_eglDisplay = dpy;
    return dpy;
}

void ResetSdlGlAttributes() {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The device draws into its own framebuffers; the window needs colour only.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// A foreign window reports size changes only once StructureNotify is selected on it.
void SelectStructureNotify(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attrs)) return;
    XSelectInput(info.info.x11.display, info.info.x11.window, attrs.your_event_mask | StructureNotifyMask);
    XFlush(info.info.x11.display);
}

}  // namespace

std::unique_ptr<GlContext> GlContext::Create(const PresentTarget& target, std::string* error) {
    std::unique_ptr<GlContext> c(new GlContext());
    c->target_ = target;
    if (target.kind == PresentTarget::Kind::Headless) {
        EGLDisplay dpy = AcquireSurfacelessDisplay(error);
        if (dpy == EGL_NO_DISPLAY) return nullptr;
        c->eglDisplay_ = dpy;
        if (!eglBindAPI(EGL_OPENGL_API)) {
            *error = "EGL cannot bind OpenGL";
            return nullptr;
        }
        const EGLint configAttrs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(dpy, configAttrs, &config, 1, &count) || count < 1) config = nullptr;
        const EGLint ctxAttrs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
        EGLContext ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, ctxAttrs);
        if (ctx == EGL_NO_CONTEXT) {
            *error = "EGL cannot create a 3.3 core context";
            return nullptr;
        }
        c->eglContext_ = ctx;
        if (!eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx)) {
            *error = "EGL cannot make the context current";
            return nullptr;
        }
        g_current = c.get();
        return c;
    }

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = std::string("SDL video: ") + SDL_GetError();
        return nullptr;
    }
    c->sdlVideo_ = true;
    if (target.kind == PresentTarget::Kind::SdlWindow) {
        if (!target.sdlWindow) {
            *error = "no SDL window given";
            return nullptr;
        }
        c->window_ = target.sdlWindow;
    } else {
        SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
        SDL_Window* w = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(target.x11Window)));
        if (!w) {
            *error = std::string("SDL cannot wrap the X11 window: ") + SDL_GetError();
            return nullptr;
        }
        c->window_ = w;
        c->ownsWindow_ = true;
        SelectStructureNotify(w);
    }
    ResetSdlGlAttributes();
    SDL_GLContext ctx = SDL_GL_CreateContext(c->window_);
    if (!ctx) {
        *error = std::string("SDL cannot create a GL context: ") + SDL_GetError();
        return nullptr;
    }
    c->sdlContext_ = ctx;
    // Presentation paces itself; the saver loop sleeps between frames.
    SDL_GL_SetSwapInterval(0);
    g_current = c.get();
    return c;
}

GlContext::~GlContext() {
    if (eglContext_) {
        eglMakeCurrent(static_cast<EGLDisplay>(eglDisplay_), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(static_cast<EGLDisplay>(eglDisplay_), static_cast<EGLContext>(eglContext_));
    }
    if (sdlContext_) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(sdlContext_));
    }
    if (ownsWindow_ && window_) SDL_DestroyWindow(window_);
    if (sdlVideo_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (g_current == this) g_current = nullptr;
}

void GlContext::MakeCurrent() {
    if (g_current == this) return;
    if (eglContext_) {
        eglMakeCurrent(static_cast<EGLDisplay>(eglDisplay_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                       static_cast<EGLContext>(eglContext_));
    } else if (sdlContext_) {
        SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(sdlContext_));
    }
    g_current = this;
}

void GlContext::SwapBuffers() {
    if (window_) SDL_GL_SwapWindow(window_);
}

void GlContext::DrawableSize(std::uint32_t* w, std::uint32_t* h) const {
    if (!window_) {
        *w = target_.width;
        *h = target_.height;
        return;
    }
    int iw = 0, ih = 0;
    SDL_GL_GetDrawableSize(window_, &iw, &ih);
    *w = iw > 0 ? static_cast<std::uint32_t>(iw) : 1;
    *h = ih > 0 ? static_cast<std::uint32_t>(ih) : 1;
}

void GlContext::SetFullscreen(bool fullscreen) {
    // Only our own windows: a foreign window belongs to the screen-saver daemon or the preview.
    if (!window_ || ownsWindow_) return;
    SDL_SetWindowFullscreen(window_, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

}  // namespace vm::d3d::detail
