#pragma once
// The Direct3D object: adapters (one per display), their display modes, capabilities and format
// checks, and device creation. One GL implementation backs every adapter; what it can do (texture
// size, sample counts) is probed once when the object is created.
//
// Adapters and modes come from SDL's displays. Each display resolution is offered in X8R8G8B8 and in
// R5G6B5: the device draws into an offscreen back buffer of that format and scales it onto the window,
// so both really work. Without displays (headless) one adapter offers a fixed list of common sizes.
// Tests and tools may inject displays and limit capabilities through ObjectOptions.
//
// Checks answer kOk or kErrNotAvailable (kErrInvalidCall for an adapter index out of range):
// - CheckDeviceType: HAL only; display and back-buffer formats X8R8G8B8/R5G6B5 (A8R8G8B8 and
//   A1R5G5B5 also as back buffers; windowed accepts any of these).
// - CheckDeviceFormat: textures A8R8G8B8, X8R8G8B8, R5G6B5, A1R5G5B5, X1R5G5B5; render-target
//   textures A8R8G8B8/X8R8G8B8/R5G6B5; depth-stencil surfaces D16, D24X8, D24S8.
// - CheckDepthStencilMatch: every depth format with every colour format.
// - CheckDeviceMultiSampleType: None always; 2..16 when the GL implementation offers that exact
//   sample count for colour and depth renderbuffers.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d/formats.h"
#include "platform/d3d/present_target.h"
#include "platform/d3d/records.h"
#include "platform/d3d/results.h"

namespace vm::d3d {

class Device;

constexpr std::uint32_t kSdkVersion = 220;

struct FakeDisplay {
    std::string name;
    std::vector<DisplayMode> modes;  // listed as given
    DisplayMode desktop;
};

struct ObjectOptions {
    // Non-empty: these displays instead of SDL's (tests, tools).
    std::vector<FakeDisplay> displays;
    // Never ask SDL for displays: one headless adapter.
    bool headless = false;
    // Non-zero: report at most this texture size (tests of small-texture devices).
    std::uint32_t maxTextureSize = 0;
    // Non-zero: bit k set = sample count k allowed (bits 2..16), ANDed with what GL offers.
    std::uint32_t multisampleMask = 0;
};

class Direct3D {
public:
    // Stand-in for the runtime's create call: null when sdkVersion is not 220 or no GL
    // implementation can be reached.
    static std::unique_ptr<Direct3D> Create(std::uint32_t sdkVersion, const ObjectOptions& options = {}) noexcept;
    ~Direct3D();
    Direct3D(const Direct3D&) = delete;
    Direct3D& operator=(const Direct3D&) = delete;

    std::uint32_t GetAdapterCount() const noexcept;
    Result GetAdapterIdentifier(std::uint32_t adapter, std::uint32_t flags, AdapterIdentifier* out) const noexcept;
    std::uint32_t GetAdapterModeCount(std::uint32_t adapter) const noexcept;
    Result EnumAdapterModes(std::uint32_t adapter, std::uint32_t mode, DisplayMode* out) const noexcept;
    // The desktop mode of the adapter's display.
    Result GetAdapterDisplayMode(std::uint32_t adapter, DisplayMode* out) const noexcept;
    Result GetDeviceCaps(std::uint32_t adapter, DevType type, Caps* out) const noexcept;

    Result CheckDeviceType(std::uint32_t adapter, DevType type, Format displayFormat, Format backBufferFormat,
                           bool windowed) const noexcept;
    Result CheckDeviceFormat(std::uint32_t adapter, DevType type, Format adapterFormat, std::uint32_t usage,
                             ResourceType resourceType, Format checkFormat) const noexcept;
    Result CheckDepthStencilMatch(std::uint32_t adapter, DevType type, Format adapterFormat,
                                  Format renderTargetFormat, Format depthStencilFormat) const noexcept;
    Result CheckDeviceMultiSampleType(std::uint32_t adapter, DevType type, Format surfaceFormat, bool windowed,
                                      MultisampleType multisample) const noexcept;

    // Creates the device on `target`. Hardware and software vertex processing are both accepted and
    // behave the same. Zero back-buffer sizes are filled in from the target's client size, an Unknown
    // back-buffer format from the desktop format; the filled values are written back to *params.
    // Fails with kErrInvalidCall for bad parameters, kErrNotAvailable when the target's GL context
    // cannot be made (the window is unusable) or the multisample type is not supported.
    Result CreateDevice(std::uint32_t adapter, DevType type, const PresentTarget& target, std::uint32_t behaviorFlags,
                        PresentParameters* params, std::unique_ptr<Device>* out) noexcept;

    struct Impl;

private:
    explicit Direct3D(std::unique_ptr<Impl> impl) noexcept;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vm::d3d
