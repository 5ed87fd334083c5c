#pragma once
// The real backend: SDL2 windows and input (X11 or Wayland, or SDL's offscreen driver where there is no
// display), Xlib for foreign windows and the root window, dlopen for run-time libraries, xdg-open for
// URLs, a flock file for the single-instance rule.
//
// - Windows are made with SDL_WINDOW_OPENGL so the graphics layer can put a context on them; the X11
//   background is set to black so a window shows black until something draws.
// - A foreign X11 window is checked to exist before SDL adopts it (an unknown id from the command line
//   must not end the process through Xlib's default error handler).
// - Display positions are reported relative to the first display, which plays the primary at (0, 0).
// - SDL's own signal handlers are off: termination.h handles SIGTERM.

#include <map>

#include "platform/os/instance_lock.h"
#include "platform/os/platform.h"

struct SDL_Window;
struct _XDisplay;

namespace vm::os {

class SdlPlatform final : public Platform {
public:
    SdlPlatform();
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    // True when windows appear on a real display (not SDL's offscreen or dummy driver, not failed).
    bool hasDisplay();

    int createNativeWindow(WindowHandle handle, const WindowDesc& desc) override;
    void destroyNativeWindow(WindowHandle handle) override;
    NativeWindow nativeWindow(WindowHandle handle) const override;
    bool foreignClientRect(ForeignWindowId id, Rect& out) override;
    int paintBitmap(WindowHandle handle, std::span<const std::uint8_t> bmpFile, int x, int y) override;
    void pollEvents(std::vector<Message>& out) override;
    bool waitEvents(std::uint32_t timeoutMs) override;
    std::uint32_t timeMs() override;
    WallClock wallClock() override { return systemWallClock(); }
    bool counterFrequency(std::int64_t& ticksPerSecond) override;
    bool counter(std::int64_t& ticks) override;
    void sleepMs(std::uint32_t ms) override;
    PlatformId platformId() override { return PlatformId::NtFamily; }
    bool displayDevice(std::string_view parent, std::uint32_t index, DisplayDevice& out) override;
    bool currentDisplaySettings(std::string_view device, DisplaySettings& out) override;
    MonitorHandle monitorFromRect(const Rect& rect) override;
    void setCursorVisible(bool visible) override;
    int messageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                   MessageBoxIcon icon) override;
    LibraryHandle loadLibrary(std::string_view name) override;
    void* libraryFunction(LibraryHandle library, std::string_view name) override;
    void freeLibrary(LibraryHandle library) override;
    int openUrl(std::string_view url) override;
    ForeignWindowId rootWindow() override;
    bool acquireInstanceLock() override;

private:
    struct Entry {
        SDL_Window* window = nullptr;
        ForeignWindowId foreign = 0;
    };
    bool videoUp();
    _XDisplay* xDisplay();
    int displayIndex(std::string_view name) const;

    int videoState_ = 0;  // 0 not tried, 1 up, -1 failed
    bool headless_ = true;
    _XDisplay* xDisplay_ = nullptr;
    bool xTried_ = false;
    std::map<WindowHandle, Entry> windows_;
    bool activeApp_ = false;
    InstanceLock lock_;
};

}  // namespace vm::os
