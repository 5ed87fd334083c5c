#pragma once
// The adapters that can run the saver, each with its full-screen modes (at least 640 x 400, sorted by
// width then height, no duplicates), depth formats and multisample types; the current choice; and
// the table of device error messages with the error box.
//
// Multisample index k (0..15) stands for type 0 at k = 0 and type k + 1 above, so type 1 is never
// offered. The fixed capacities (10 adapters, 150 modes per device, 100 work-list modes, 20 formats)
// are enforced by dropping what does not fit.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "gfx/mode_controls.h"
#include "platform/d3d/d3d.h"

namespace vm {
class LogFile;
}

namespace vm::gfx {

constexpr std::int32_t kErrNoDirect3D = static_cast<std::int32_t>(0x82000001u);
constexpr std::int32_t kErrNoCompatibleDevices = static_cast<std::int32_t>(0x82000003u);

struct ModeSelection {
    bool changed = false;
    std::uint32_t width = 0, height = 0;
    d3d::Format format = d3d::Format::Unknown;
    d3d::Format depthFormat = d3d::Format::Unknown;
    std::uint32_t multisampleType = 0;
};

struct DisplayModeEntry {
    std::uint32_t width = 0, height = 0;
    d3d::Format format = d3d::Format::Unknown;
};

struct DeviceRecord {
    static constexpr std::uint32_t kMaxModes = 150;
    d3d::Caps caps;
    const char* typeName = "HAL";
    std::uint32_t modeCount = 0;
    std::array<DisplayModeEntry, kMaxModes> modes{};
    std::uint32_t currentMode = 0;
    std::uint32_t multisampleType = 0;
    std::array<bool, 16> multisampleSupported{};
    d3d::Format depthFormat = d3d::Format::D16;
    bool depth16 = false, depth24X8 = false, depth24S8 = false;
};

struct AdapterRecord {
    d3d::AdapterIdentifier identifier;
    DeviceRecord device;
};

// Multisample type of table index k.
constexpr std::uint32_t multisampleTypeOf(int k) { return k == 0 ? 0u : static_cast<std::uint32_t>(k + 1); }

// 32 for the two 32-bit colour formats, 16 for every other.
std::uint32_t bitsOf(d3d::Format format) noexcept;

// The message of the error table, lines joined by line feeds.
std::string errorMessage(std::int32_t code);

class DeviceEnumerator {
public:
    static constexpr std::uint32_t kMaxAdapters = 10;
    // Localised text lookup ("none", "samples").
    using TextLookup = std::function<std::string(std::string_view)>;

    void setLog(LogFile* log) noexcept { log_ = log; }
    // Creates the Direct3D object (options let tests inject displays) and enumerates. 0 or the code
    // already shown in the error box.
    std::int32_t init(const d3d::ObjectOptions& options = {}) noexcept;
    // Enumerates an existing object (kept by the enumerator).
    std::int32_t enumerate(std::unique_ptr<d3d::Direct3D> direct3d) noexcept;
    void selectMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitCount,
                    std::int32_t multisampleType) noexcept;
    void refreshSelection() noexcept;
    void fillModeControls(ModeControls& dialog, const TextLookup& text);
    std::int32_t showError(std::int32_t code);
    void release() noexcept { direct3d_.reset(); }

    d3d::Direct3D* direct3d() const noexcept { return direct3d_.get(); }
    const ModeSelection& selection() const noexcept { return selection_; }
    std::uint32_t adapterCount() const noexcept { return adapterCount_; }
    const AdapterRecord& adapter(std::uint32_t i) const noexcept { return adapters_[i]; }
    DeviceRecord& currentDevice() noexcept { return adapters_[currentAdapter_].device; }
    const DisplayModeEntry& currentMode() const noexcept {
        const DeviceRecord& d = adapters_[currentAdapter_].device;
        return d.modes[d.currentMode];
    }

private:
    bool enumerateAdapters() noexcept;
    void log(std::string_view line);

    ModeSelection selection_;
    std::array<AdapterRecord, kMaxAdapters> adapters_{};
    std::uint32_t adapterCount_ = 0;
    std::uint32_t currentAdapter_ = 0;
    std::unique_ptr<d3d::Direct3D> direct3d_;
    LogFile* log_ = nullptr;
};

}  // namespace vm::gfx
