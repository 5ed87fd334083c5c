#pragma once
// The backend seam of the OS stand-in. The window table, the message queue and the timers live in this
// layer's core (windows.h) and are the same for every backend; a Platform supplies only what touches the
// real system: native windows and their input, clocks, displays, cursor, message boxes, run-time
// libraries, the shell's URL opener and the single-instance lock.
//
// Backends: sdl/ (SdlPlatform, for real use) and fake/ (FakePlatform, scriptable, for tests). One backend
// is installed per process (installPlatform); with none installed, every call behaves as on a system with
// no display and no libraries.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/window_types.h"

namespace vm::os {

// What the graphics layer needs to draw into a window (maps onto d3d::PresentTarget):
// - headless: no display (SDL's offscreen driver, or the fake): draw offscreen at width x height.
// - otherwise sdlWindow, when set, is an SDL_Window* made with SDL_WINDOW_OPENGL (or a foreign window
//   adopted with the foreign-window GL hint): present through SDL.
// - x11Window is the XID of a foreign window (XScreenSaver's, a preview pane), also when SDL adopted
//   it; a layer that prefers its own X11 path may use it. It belongs to another program: never destroy it.
struct NativeWindow {
    void* sdlWindow = nullptr;
    ForeignWindowId x11Window = 0;
    bool headless = false;
    std::int32_t width = 0, height = 0;  // client size in pixels
};

enum class PlatformId : std::uint32_t {
    Windows9x = 1,  // the saver itself asks for the screen-saver password
    NtFamily = 2,   // the system does; Linux reports this
};

enum class MessageBoxIcon : std::uint32_t { None = 0, Error = 0x10, Warning = 0x30, Information = 0x40 };

// One display adapter (parent name empty) or one monitor of an adapter (parent name = adapter name).
struct DisplayDevice {
    std::string name;         // "DISPLAY1"; what the monitor query and the settings query take
    std::string description;  // shown to people
    std::uint32_t stateFlags = 0;
};

namespace displayflag {
inline constexpr std::uint32_t AttachedToDesktop = 1;
inline constexpr std::uint32_t PrimaryDevice = 4;
inline constexpr std::uint32_t MirroringDriver = 8;
}  // namespace displayflag

struct DisplaySettings {
    std::int32_t x = 0, y = 0;            // position relative to the primary display
    std::int32_t width = 0, height = 0;   // pixels
};

struct LibraryHandle {
    void* opaque = nullptr;
    explicit operator bool() const noexcept { return opaque != nullptr; }
};

// The wall clock: seconds since 1970-01-01 UTC and the local time of day they fall on.
struct WallClock {
    std::int64_t epochSeconds = 0;
    int hour = 0, minute = 0, second = 0;
};

// The machine's wall clock, for backends that run on the real system.
WallClock systemWallClock() noexcept;

class Platform {
public:
    virtual ~Platform() = default;

    // --- native windows (handle is the core's; the backend maps its native events back to it) ---
    virtual int createNativeWindow(WindowHandle handle, const WindowDesc& desc) = 0;
    virtual void destroyNativeWindow(WindowHandle handle) = 0;
    virtual NativeWindow nativeWindow(WindowHandle handle) const = 0;
    // Client rectangle of a foreign window, (0, 0) at its top-left. False when it does not exist.
    virtual bool foreignClientRect(ForeignWindowId id, Rect& out) = 0;
    // Copies a complete BMP file's picture to the window's client area at (x, y), in its own size.
    virtual int paintBitmap(WindowHandle handle, std::span<const std::uint8_t> bmpFile, int x, int y) = 0;
    // Appends the messages made from native input since the last call.
    virtual void pollEvents(std::vector<Message>& out) = 0;
    // Blocks at most timeoutMs (0xFFFFFFFF: no limit) for native input. False when nothing can ever
    // arrive (the fake with an empty script): a blocking wait would hang.
    virtual bool waitEvents(std::uint32_t timeoutMs) = 0;

    // --- time ---
    virtual std::uint32_t timeMs() = 0;                       // milliseconds, wraps after 49.7 days
    virtual bool counterFrequency(std::int64_t& ticksPerSecond) = 0;
    virtual bool counter(std::int64_t& ticks) = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
    virtual WallClock wallClock() = 0;

    // --- system ---
    virtual PlatformId platformId() = 0;
    virtual bool displayDevice(std::string_view parent, std::uint32_t index, DisplayDevice& out) = 0;
    virtual bool currentDisplaySettings(std::string_view device, DisplaySettings& out) = 0;
    virtual MonitorHandle monitorFromRect(const Rect& rect) = 0;  // 0 when no display intersects
    virtual void setCursorVisible(bool visible) = 0;
    // Returns 1 (OK) once the box has been dismissed or reported.
    virtual int messageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                           MessageBoxIcon icon) = 0;
    virtual LibraryHandle loadLibrary(std::string_view name) = 0;
    virtual void* libraryFunction(LibraryHandle library, std::string_view name) = 0;
    virtual void freeLibrary(LibraryHandle library) = 0;
    virtual int openUrl(std::string_view url) = 0;
    // The X11 root window of the default screen, 0 when there is none.
    virtual ForeignWindowId rootWindow() = 0;
    // Takes the per-user single-instance lock for the life of the process. False when another process
    // holds it.
    virtual bool acquireInstanceLock() = 0;
};

// The installed backend; a do-nothing backend (no display, no libraries, a steady clock) when none is.
Platform& platform() noexcept;
// Installs a backend for the whole process (nullptr: back to the do-nothing one). The caller keeps it
// alive while installed.
void installPlatform(Platform* backend) noexcept;

class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& backend) noexcept { installPlatform(&backend); }
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;
};

}  // namespace vm::os
