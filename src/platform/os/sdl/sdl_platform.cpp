#include "platform/os/sdl/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/os/sdl/x11_util.h"
#include "platform/os/url.h"

namespace vm::os {
namespace {

// Our texts are 8-bit (Latin-1 range); SDL wants UTF-8.
std::string toUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

std::intptr_t packPoint(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(x) & 0xFFFF) |
                                      ((static_cast<std::uint32_t>(y) & 0xFFFF) << 16));
}


}  // namespace

SdlPlatform::SdlPlatform() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Without a display SDL may fail instead of falling back; ask for the offscreen driver then.
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(x && *x) && !(wayland && *wayland) && !std::getenv("SDL_VIDEODRIVER")) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
}

SdlPlatform::~SdlPlatform() {
    for (auto& [handle, entry] : windows_) {
        if (entry.window) SDL_DestroyWindow(entry.window);
    }
    windows_.clear();
    if (videoState_ == 1) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    x11::closeDisplay(xDisplay_);
}

bool SdlPlatform::videoUp() {
    if (videoState_ == 0) {
        videoState_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
        const char* driver = videoState_ == 1 ? SDL_GetCurrentVideoDriver() : nullptr;
        headless_ = !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
    }
    return videoState_ == 1;
}

bool SdlPlatform::hasDisplay() { return videoUp() && !headless_; }

_XDisplay* SdlPlatform::xDisplay() {
    if (!xTried_) {
        xTried_ = true;
        const char* x = std::getenv("DISPLAY");
        if (x && *x) xDisplay_ = x11::openDisplay();
    }
    return xDisplay_;
}

int SdlPlatform::createNativeWindow(WindowHandle handle, const WindowDesc& desc) {
    if (!videoUp()) return kFail;
    Entry entry;
    if (desc.foreign != 0) {
        Rect size;
        if (!foreignClientRect(desc.foreign, size)) return kFail;
        // A context without a profile request follows the foreign window's visual; see the device layer.
        // A preview pane (child style) gets no device, only a painted picture: no GL there.
        SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, (desc.style & style::Child) ? "0" : "1");
        entry.window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(desc.foreign)));
        entry.foreign = desc.foreign;
    } else {
        SDL_Rect origin{0, 0, 0, 0};
        SDL_GetDisplayBounds(0, &origin);
        Uint32 flags = SDL_WINDOW_OPENGL;
        if (desc.style & style::Visible) flags |= SDL_WINDOW_SHOWN; else flags |= SDL_WINDOW_HIDDEN;
        if (desc.style & style::Popup) flags |= SDL_WINDOW_BORDERLESS;
        if (desc.exStyle & style::ExTopMost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        entry.window = SDL_CreateWindow(toUtf8(desc.title).c_str(), origin.x + desc.rect.left,
                                        origin.y + desc.rect.top, std::max(1, desc.rect.width()),
                                        std::max(1, desc.rect.height()), flags);
        if (entry.window && (desc.style & style::Popup) && (desc.exStyle & style::ExTopMost)) {
            SDL_SetWindowFullscreen(entry.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        if (entry.window) x11::setBlackBackground(xDisplay(), x11::windowOf(entry.window));
    }
    if (!entry.window) return kFail;
    windows_[handle] = entry;
    return kOk;
}

void SdlPlatform::destroyNativeWindow(WindowHandle handle) {
    auto it = windows_.find(handle);
    if (it == windows_.end()) return;
    // SDL leaves an adopted foreign window alone: it belongs to its creator.
    if (it->second.window) SDL_DestroyWindow(it->second.window);
    windows_.erase(it);
}

NativeWindow SdlPlatform::nativeWindow(WindowHandle handle) const {
    auto it = windows_.find(handle);
    if (it == windows_.end()) return {};
    NativeWindow native{it->second.window, it->second.foreign, headless_, 0, 0};
    if (it->second.window) SDL_GetWindowSize(it->second.window, &native.width, &native.height);
    return native;
}

bool SdlPlatform::foreignClientRect(ForeignWindowId id, Rect& out) {
    int width = 0, height = 0;
    if (!x11::windowSize(xDisplay(), id, width, height)) return false;
    out = {0, 0, width, height};
    return true;
}

int SdlPlatform::paintBitmap(WindowHandle handle, std::span<const std::uint8_t> bmpFile, int x, int y) {
    auto it = windows_.find(handle);
    if (it == windows_.end() || !it->second.window || bmpFile.size() > 0x7FFFFFFF) return kFail;
    SDL_RWops* in = SDL_RWFromConstMem(bmpFile.data(), static_cast<int>(bmpFile.size()));
    SDL_Surface* picture = in ? SDL_LoadBMP_RW(in, 1) : nullptr;
    if (!picture) return kFail;
    SDL_Surface* target = SDL_GetWindowSurface(it->second.window);
    int result = kFail;
    if (target) {
        SDL_Rect at{x, y, picture->w, picture->h};
        if (SDL_BlitSurface(picture, nullptr, target, &at) == 0 && SDL_UpdateWindowSurface(it->second.window) == 0) {
            result = kOk;
        }
    }
    SDL_FreeSurface(picture);
    return result;
}

void SdlPlatform::pollEvents(std::vector<Message>& out) {
    if (videoState_ != 1) return;
    auto handleOf = [&](Uint32 windowId) {
        SDL_Window* window = SDL_GetWindowFromID(windowId);
        for (auto& [handle, entry] : windows_) {
            if (entry.window && entry.window == window) return handle;
        }
        return WindowHandle::None;
    };
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
            if (auto w = handleOf(event.key.windowID); w != WindowHandle::None) {
                out.push_back({w, msg::KeyDown, static_cast<std::uintptr_t>(event.key.keysym.sym), 0});
            }
            break;
        case SDL_MOUSEBUTTONDOWN: {
            auto w = handleOf(event.button.windowID);
            if (w == WindowHandle::None) break;
            std::uint32_t message = event.button.button == SDL_BUTTON_LEFT    ? msg::LButtonDown
                                    : event.button.button == SDL_BUTTON_RIGHT ? msg::RButtonDown
                                                                             : msg::MButtonDown;
            out.push_back({w, message, 0, packPoint(event.button.x, event.button.y)});
            break;
        }
        case SDL_MOUSEMOTION:
            if (auto w = handleOf(event.motion.windowID); w != WindowHandle::None) {
                // As on the desktop platform, the cursor question comes before every move.
                out.push_back({w, msg::SetCursor, 0, 0});
                out.push_back({w, msg::MouseMove, 0, packPoint(event.motion.x, event.motion.y)});
            }
            break;
        case SDL_WINDOWEVENT: {
            auto w = handleOf(event.window.windowID);
            if (w == WindowHandle::None) break;
            switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE: out.push_back({w, msg::Close, 0, 0}); break;
            case SDL_WINDOWEVENT_EXPOSED: out.push_back({w, msg::Paint, 0, 0}); break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                if (!activeApp_) out.push_back({w, msg::ActivateApp, 1, 0});
                activeApp_ = true;
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                // Focus moving between our own windows is not the application losing activation.
                if (activeApp_ && SDL_GetKeyboardFocus() == nullptr) {
                    activeApp_ = false;
                    out.push_back({w, msg::ActivateApp, 0, 0});
                }
                break;
            default: break;
            }
            break;
        }
        default: break;  // SDL_QUIT included: closing is handled per window
        }
    }
}

bool SdlPlatform::waitEvents(std::uint32_t timeoutMs) {
    // Short slices, so a termination request is seen promptly.
    int slice = static_cast<int>(std::min<std::uint32_t>(timeoutMs, 50));
    if (videoState_ == 1) SDL_WaitEventTimeout(nullptr, slice);
    else SDL_Delay(static_cast<Uint32>(slice));
    return true;
}

std::uint32_t SdlPlatform::timeMs() { return SDL_GetTicks(); }

bool SdlPlatform::counterFrequency(std::int64_t& ticksPerSecond) {
    ticksPerSecond = static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
    return ticksPerSecond > 0;
}

bool SdlPlatform::counter(std::int64_t& ticks) {
    ticks = static_cast<std::int64_t>(SDL_GetPerformanceCounter());
    return true;
}

void SdlPlatform::sleepMs(std::uint32_t ms) { SDL_Delay(ms); }

int SdlPlatform::displayIndex(std::string_view name) const {
    // "DISPLAY<n>", n from 1
    if (name.size() < 8 || name.substr(0, 7) != "DISPLAY") return -1;
    int index = 0;
    for (char c : name.substr(7)) {
        if (c < '0' || c > '9' || index > 1000) return -1;
        index = index * 10 + (c - '0');
    }
    return index - 1;
}

bool SdlPlatform::displayDevice(std::string_view parent, std::uint32_t index, DisplayDevice& out) {
    if (!videoUp()) return false;
    int count = SDL_GetNumVideoDisplays();
    if (parent.empty()) {
        if (static_cast<int>(index) >= count) return false;
        const char* name = SDL_GetDisplayName(static_cast<int>(index));
        out.name = "DISPLAY" + std::to_string(index + 1);
        out.description = name ? name : "Display";
        out.stateFlags = displayflag::AttachedToDesktop | (index == 0 ? displayflag::PrimaryDevice : 0);
        return true;
    }
    int display = displayIndex(parent);
    if (display < 0 || display >= count || index != 0) return false;
    const char* name = SDL_GetDisplayName(display);
    out.name = std::string(parent) + "\\Monitor0";
    out.description = name ? name : "Monitor";
    out.stateFlags = displayflag::AttachedToDesktop;
    return true;
}

bool SdlPlatform::currentDisplaySettings(std::string_view device, DisplaySettings& out) {
    int display = displayIndex(device);
    if (!videoUp() || display < 0 || display >= SDL_GetNumVideoDisplays()) return false;
    SDL_Rect origin{0, 0, 0, 0}, bounds{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &origin) != 0 || SDL_GetDisplayBounds(display, &bounds) != 0) return false;
    out = {bounds.x - origin.x, bounds.y - origin.y, bounds.w, bounds.h};
    return true;
}

MonitorHandle SdlPlatform::monitorFromRect(const Rect& rect) {
    if (!videoUp()) return 0;
    SDL_Rect origin{0, 0, 0, 0};
    SDL_GetDisplayBounds(0, &origin);
    int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect b{0, 0, 0, 0};
        if (SDL_GetDisplayBounds(i, &b) != 0) continue;
        int left = b.x - origin.x, top = b.y - origin.y;
        if (rect.left < left + b.w && left < rect.right && rect.top < top + b.h && top < rect.bottom) {
            return static_cast<MonitorHandle>(i + 1);
        }
    }
    return 0;
}

void SdlPlatform::setCursorVisible(bool visible) {
    if (videoState_ == 1) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

int SdlPlatform::messageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                            MessageBoxIcon icon) {
    if (hasDisplay()) {
        Uint32 flags = icon == MessageBoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                       : icon == MessageBoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                         : SDL_MESSAGEBOX_INFORMATION;
        auto it = windows_.find(owner);
        SDL_Window* parent = it != windows_.end() ? it->second.window : nullptr;
        if (SDL_ShowSimpleMessageBox(flags, toUtf8(caption).c_str(), toUtf8(text).c_str(), parent) == 0) return 1;
    }
    std::string line = toUtf8(caption) + ": " + toUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
}

LibraryHandle SdlPlatform::loadLibrary(std::string_view name) {
    std::string copy(name);
    return {SDL_LoadObject(copy.c_str())};
}

void* SdlPlatform::libraryFunction(LibraryHandle library, std::string_view name) {
    if (!library) return nullptr;
    std::string copy(name);
    return SDL_LoadFunction(library.opaque, copy.c_str());
}

void SdlPlatform::freeLibrary(LibraryHandle library) {
    if (library) SDL_UnloadObject(library.opaque);
}

int SdlPlatform::openUrl(std::string_view url) {
    if (!isOpenableUrl(url)) return kFail;
    std::string copy(url);
    // Fork twice so the opener is never our zombie and we never wait for it.
    pid_t child = fork();
    if (child < 0) return kFail;
    if (child == 0) {
        if (fork() == 0) {
            char program[] = "xdg-open";
            char* argv[] = {program, copy.data(), nullptr};
            execvp(program, argv);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return kOk;
}

ForeignWindowId SdlPlatform::rootWindow() { return x11::rootWindow(xDisplay()); }

bool SdlPlatform::acquireInstanceLock() { return lock_.acquire(defaultInstanceLockPath()); }

}  // namespace vm::os
