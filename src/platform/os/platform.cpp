#include "platform/os/platform.h"

#include <chrono>
#include <thread>

#include "platform/os/windows.h"

namespace vm::os {
namespace {

// What a process sees before a backend is installed: no display, no libraries, a steady clock.
class NoSystem final : public Platform {
public:
    int createNativeWindow(WindowHandle, const WindowDesc&) override { return kFail; }
    void destroyNativeWindow(WindowHandle) override {}
    NativeWindow nativeWindow(WindowHandle) const override { return {}; }
    bool foreignClientRect(ForeignWindowId, Rect&) override { return false; }
    int paintBitmap(WindowHandle, std::span<const std::uint8_t>, int, int) override { return kFail; }
    void pollEvents(std::vector<Message>&) override {}
    bool waitEvents(std::uint32_t timeoutMs) override {
        if (timeoutMs == 0xFFFFFFFFu) return false;
        sleepMs(timeoutMs);
        return true;
    }
    std::uint32_t timeMs() override {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(ms.count());
    }
    bool counterFrequency(std::int64_t& ticksPerSecond) override {
        ticksPerSecond = 1'000'000'000;
        return true;
    }
    bool counter(std::int64_t& ticks) override {
        ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
        return true;
    }
    void sleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    WallClock wallClock() override { return systemWallClock(); }
    PlatformId platformId() override { return PlatformId::NtFamily; }
    bool displayDevice(std::string_view, std::uint32_t, DisplayDevice&) override { return false; }
    bool currentDisplaySettings(std::string_view, DisplaySettings&) override { return false; }
    MonitorHandle monitorFromRect(const Rect&) override { return 0; }
    void setCursorVisible(bool) override {}
    int messageBox(WindowHandle, std::string_view, std::string_view, MessageBoxIcon) override { return 1; }
    LibraryHandle loadLibrary(std::string_view) override { return {}; }
    void* libraryFunction(LibraryHandle, std::string_view) override { return nullptr; }
    void freeLibrary(LibraryHandle) override {}
    int openUrl(std::string_view) override { return kFail; }
    ForeignWindowId rootWindow() override { return 0; }
    bool acquireInstanceLock() override { return true; }
};

NoSystem gNoSystem;
Platform* gInstalled = nullptr;

}  // namespace

Platform& platform() noexcept { return gInstalled ? *gInstalled : gNoSystem; }

void installPlatform(Platform* backend) noexcept { gInstalled = backend; }

ScopedPlatform::~ScopedPlatform() {
    resetWindowSystem();
    installPlatform(nullptr);
}

}  // namespace vm::os
