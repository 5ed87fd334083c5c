#pragma once
// The one device of a run: creation in the desktop or the chosen mode with the depth, multisample and
// safe-mode fall-backs, the gamma ramp, loss detection and reset, and release with the identity ramp.
//
// Saver mode on a foreign window (XScreenSaver's window, the settings preview) gets a windowed
// device on that window: the window belongs to the host and must not be switched to full screen.

#include <cstdint>
#include <functional>
#include <memory>

#include "gfx/device_enumerator.h"
#include "platform/d3d/d3d.h"
#include "platform/os/window_types.h"

namespace vm {
class LogFile;
}
namespace vm::engine {
class TextureTable;
}

namespace vm::gfx {

class QuadBufferPool;

struct DeviceSettings {
    bool useDesktopSettings = true;
    std::uint8_t gmCntrl = 100;  // gamma, 100 neutral
    bool windowed = false;       // a host's window: never switched to full screen
};

enum class DeviceState { Ready = 0, Lost = 1, Resettable = 2 };

class DeviceSession {
public:
    // 0 ready, 1 the desktop mode is unreadable (with useDesktopSettings), 2 no device was created.
    // clientWidth/Height: the main window's client size, used with useDesktopSettings.
    int createDevice(DeviceEnumerator& enumerator, const d3d::PresentTarget& target, std::uint32_t clientWidth,
                     std::uint32_t clientHeight, const DeviceSettings& settings, engine::TextureTable& textures,
                     QuadBufferPool& quads, os::WindowHandle window, LogFile* log) noexcept;
    DeviceState testState() noexcept;
    // Resets with the kept parameters and runs setupState; the frame is not rendered.
    void restoreDevice(const std::function<void(d3d::Device*)>& setupState, LogFile* log) noexcept;
    // Identity gamma, then the device goes.
    void release() noexcept;

    d3d::Device* device() const noexcept { return device_.get(); }
    const d3d::PresentParameters& presentParams() const noexcept { return presentParams_; }

private:
    std::unique_ptr<d3d::Device> device_;
    d3d::PresentParameters presentParams_;
};

}  // namespace vm::gfx
