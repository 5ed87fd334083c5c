#pragma once
// A scriptable, in-process backend for tests: no display, no real time, nothing outside the process.
//
// - Time: timeMs starts at startMs and moves only through sleepMs, waitEvents or advance(); the
//   high-resolution counter runs at 1 MHz on the same clock (or reports itself missing). The wall clock
//   is the field wall, set by the test.
// - Input: scheduled messages are delivered by pollEvents once the clock reaches their time; a message
//   scheduled for WindowHandle::None goes to the oldest live window (the saver's main window).
// - Displays, the platform id, foreign windows, libraries and the single-instance lock are fields to set.
// - Message boxes, opened URLs, cursor changes, windows made and destroyed are recorded.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/os/platform.h"

namespace vm::os {

class FakePlatform final : public Platform {
public:
    struct Monitor {
        std::string name;                // "DISPLAY1"
        std::string description;         // adapter description
        std::string monitorDescription;  // first monitor's description
        std::uint32_t flags = displayflag::AttachedToDesktop;
        Rect rect;                       // relative to the primary display
    };
    struct Box {
        WindowHandle owner;
        std::string text;
        std::string caption;
        MessageBoxIcon icon;
    };
    struct Library {
        std::map<std::string, void*> functions;
    };

    FakePlatform();

    // --- script ---
    std::uint32_t nowMs = 100000;
    WallClock wall{1000000000, 13, 5, 9};  // a fixed afternoon
    bool counterAvailable = true;
    PlatformId platformKind = PlatformId::NtFamily;
    std::vector<Monitor> monitors;              // one 1024 x 768 primary display by default
    std::map<ForeignWindowId, Rect> foreignWindows;
    std::map<std::string, Library> libraries;   // loadable by exact name
    ForeignWindowId root = 0;
    bool otherInstanceHoldsLock = false;
    int failWindowCreationFrom = -1;            // >= 0: fail once createdWindows holds N entries
    std::function<void(std::uint32_t ms)> onSleep;  // called after each sleep, clock already moved

    void scheduleInput(std::uint32_t atMs, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0, WindowHandle window = WindowHandle::None);
    void advance(std::uint32_t ms) { nowMs += ms; }
    // Drops scheduled input that has not been delivered yet.
    void clearScript() { script_.clear(); }

    // --- records ---
    std::vector<Box> boxes;
    std::vector<std::string> openedUrls;
    std::vector<std::string> loadedLibraries, freedLibraries;
    std::vector<std::pair<WindowHandle, WindowDesc>> createdWindows;
    std::vector<WindowHandle> destroyedWindows;
    struct Paint {
        WindowHandle window;
        std::size_t fileBytes;
        int x, y;
    };
    std::vector<Paint> paints;
    bool cursorVisible = true;
    int cursorHideCount = 0;
    std::uint64_t sleptMs = 0;
    bool instanceLockHeld = false;

    // --- Platform ---
    int createNativeWindow(WindowHandle handle, const WindowDesc& desc) override;
    void destroyNativeWindow(WindowHandle handle) override;
    NativeWindow nativeWindow(WindowHandle handle) const override;
    bool foreignClientRect(ForeignWindowId id, Rect& out) override;
    int paintBitmap(WindowHandle handle, std::span<const std::uint8_t> bmpFile, int x, int y) override;
    void pollEvents(std::vector<Message>& out) override;
    bool waitEvents(std::uint32_t timeoutMs) override;
    std::uint32_t timeMs() override { return nowMs; }
    WallClock wallClock() override { return wall; }
    bool counterFrequency(std::int64_t& ticksPerSecond) override;
    bool counter(std::int64_t& ticks) override;
    void sleepMs(std::uint32_t ms) override;
    PlatformId platformId() override { return platformKind; }
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
    ForeignWindowId rootWindow() override { return root; }
    bool acquireInstanceLock() override;

private:
    struct Scheduled {
        std::uint32_t atMs;
        Message message;
    };
    std::deque<Scheduled> script_;
    std::vector<WindowHandle> live_;
};

}  // namespace vm::os
