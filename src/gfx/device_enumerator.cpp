#include "gfx/device_enumerator.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/base/log_file.h"
#include "platform/os/system.h"

namespace vm::gfx {

namespace {

constexpr std::size_t kMaxWorkModes = 100;
constexpr std::size_t kMaxWorkFormats = 20;

struct ErrorText {
    std::uint32_t code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {0x82000001u,
     "Could not initialize Direct3D. You may\nwant to check that the latest version of\n"
     "DirectX is correctly installed on your\nsystem."},
    {0x82000003u, "Could not find any compatible Direct3D\ndevices."},
    {0x82000004u,
     "This program cannot run in a desktop\nwindow with the current display settings.\n"
     "Please change your desktop settings to a\n16- or 32-bit display mode and re-run this\nprogram."},
    {0x82000005u, "No hardware-accelerated Direct3D devices\nwere found."},
    {0x82000006u, "This program requires functionality that is\nnot available on your Direct3D hardware\naccelerator."},
    {0x82000007u, "Your Direct3D hardware accelerator cannot\nrender into a window."},
    {0x82000008u, "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display settings."},
    {0x82000009u,
     "This program requires functionality that is\nnot available on your Direct3D hardware\n"
     "accelerator with the current desktop display\nsettings."},
    {0x8200000Au, "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up."},
    {0x8200000Bu, "Could not load required media."},
    {0x8200000Cu, "Could not reset the Direct3D device."},
    {0x8007000Eu, "Not enough memory."},
    {0x8876017Cu, "Not enough video memory."},
};

}  // namespace

std::uint32_t bitsOf(d3d::Format format) noexcept {
    return format == d3d::Format::A8R8G8B8 || format == d3d::Format::X8R8G8B8 ? 32 : 16;
}

std::string errorMessage(std::int32_t code) {
    for (const ErrorText& e : kErrorTexts)
        if (e.code == static_cast<std::uint32_t>(code)) return e.text;
    return "Generic application error.";
}

void DeviceEnumerator::log(std::string_view line) {
    if (log_) log_->writeLine(line);
}

std::int32_t DeviceEnumerator::init(const d3d::ObjectOptions& options) noexcept {
    auto direct3d = d3d::Direct3D::Create(d3d::kSdkVersion, options);
    if (!direct3d) return showError(kErrNoDirect3D);
    return enumerate(std::move(direct3d));
}

std::int32_t DeviceEnumerator::enumerate(std::unique_ptr<d3d::Direct3D> direct3d) noexcept {
    direct3d_ = std::move(direct3d);
    if (!direct3d_) return showError(kErrNoDirect3D);
    log("\xD1reate D3D complete");
    if (!enumerateAdapters()) {
        log("Cant Enumerate Device List");
        direct3d_.reset();
        return showError(kErrNoCompatibleDevices);
    }
    log("Enumerate Device List complete");
    return 0;
}

bool DeviceEnumerator::enumerateAdapters() noexcept {
    try {
        adapterCount_ = 0;
        const std::uint32_t adapters = direct3d_->GetAdapterCount();
        for (std::uint32_t i = 0; i < adapters && adapterCount_ < kMaxAdapters; ++i) {
            AdapterRecord& rec = adapters_[adapterCount_];
            rec = AdapterRecord{};
            direct3d_->GetAdapterIdentifier(i, 0, &rec.identifier);

            std::vector<DisplayModeEntry> modes;
            std::vector<d3d::Format> formats;
            const std::uint32_t modeCount = direct3d_->GetAdapterModeCount(i);
            for (std::uint32_t m = 0; m < modeCount; ++m) {
                d3d::DisplayMode mode;
                if (d3d::Failed(direct3d_->EnumAdapterModes(i, m, &mode))) continue;
                if (mode.Width < 640 || mode.Height < 400) continue;
                const bool known = std::any_of(modes.begin(), modes.end(), [&](const DisplayModeEntry& e) {
                    return e.width == mode.Width && e.height == mode.Height && e.format == mode.Format;
                });
                if (!known && modes.size() < kMaxWorkModes) modes.push_back({mode.Width, mode.Height, mode.Format});
                if (std::find(formats.begin(), formats.end(), mode.Format) == formats.end() &&
                    formats.size() < kMaxWorkFormats)
                    formats.push_back(mode.Format);
            }
            std::stable_sort(modes.begin(), modes.end(), [](const DisplayModeEntry& a, const DisplayModeEntry& b) {
                return a.width != b.width ? a.width < b.width : a.height < b.height;
            });

            DeviceRecord& dev = rec.device;
            direct3d_->GetDeviceCaps(i, d3d::DevType::Hal, &dev.caps);
            std::vector<bool> usable(formats.size(), false);
            for (std::size_t f = 0; f < formats.size(); ++f) {
                const d3d::Format fmt = formats[f];
                if (d3d::Failed(direct3d_->CheckDeviceType(i, d3d::DevType::Hal, fmt, fmt, false))) continue;
                usable[f] = true;
                const auto depthOk = [&](d3d::Format depth) {
                    return d3d::Succeeded(direct3d_->CheckDeviceFormat(i, d3d::DevType::Hal, fmt,
                                                                       d3d::usage::kDepthStencil,
                                                                       d3d::ResourceType::Surface, depth)) &&
                           d3d::Succeeded(direct3d_->CheckDepthStencilMatch(i, d3d::DevType::Hal, fmt, fmt, depth));
                };
                if (depthOk(d3d::Format::D16)) dev.depth16 = true;
                if (depthOk(d3d::Format::D24X8)) dev.depth24X8 = true;
                if (depthOk(d3d::Format::D24S8)) dev.depth24S8 = true;
                for (int k = 0; k < 16; ++k) {
                    const auto type = static_cast<d3d::MultisampleType>(multisampleTypeOf(k));
                    if (d3d::Succeeded(direct3d_->CheckDeviceMultiSampleType(i, d3d::DevType::Hal, fmt, false, type)))
                        dev.multisampleSupported[static_cast<std::size_t>(k)] = true;
                }
            }
            for (const DisplayModeEntry& mode : modes) {
                for (std::size_t f = 0; f < formats.size(); ++f) {
                    if (mode.format == formats[f] && usable[f] && dev.modeCount < DeviceRecord::kMaxModes)
                        dev.modes[dev.modeCount++] = mode;
                }
            }
            if (dev.modeCount > 0) ++adapterCount_;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (adapterCount_ == 0) return false;
    currentAdapter_ = 0;
    DeviceRecord& dev = adapters_[0].device;
    dev.currentMode = 0;
    dev.multisampleType = 0;
    dev.depthFormat = dev.depth24S8 ? d3d::Format::D24S8 : dev.depth24X8 ? d3d::Format::D24X8 : d3d::Format::D16;
    refreshSelection();
    return true;
}

void DeviceEnumerator::selectMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitCount,
                                  std::int32_t multisampleType) noexcept {
    if (adapterCount_ == 0) return;
    DeviceRecord& dev = currentDevice();
    for (int k = 0; k < 16; ++k) {
        if (static_cast<std::int64_t>(multisampleTypeOf(k)) == multisampleType &&
            dev.multisampleSupported[static_cast<std::size_t>(k)]) {
            dev.multisampleType = multisampleTypeOf(k);
            break;
        }
    }
    for (std::uint32_t p = 0; p < dev.modeCount; ++p) {
        const DisplayModeEntry& m = dev.modes[p];
        if (m.width == width && m.height == height && bitsOf(m.format) == bitCount) {
            dev.currentMode = p;
            break;
        }
    }
    refreshSelection();
}

void DeviceEnumerator::refreshSelection() noexcept {
    selection_.changed = false;
    if (adapterCount_ == 0) return;
    const DeviceRecord& dev = adapters_[currentAdapter_].device;
    const DisplayModeEntry& mode = dev.modes[dev.currentMode];
    const auto take = [this](auto& field, auto value) {
        if (field != value) {
            field = value;
            selection_.changed = true;
        }
    };
    take(selection_.depthFormat, dev.depthFormat);
    take(selection_.multisampleType, dev.multisampleType);
    take(selection_.format, mode.format);
    take(selection_.height, mode.height);
    take(selection_.width, mode.width);
}

void DeviceEnumerator::fillModeControls(ModeControls& dialog, const TextLookup& text) {
    if (adapterCount_ == 0) return;
    const DeviceRecord& dev = adapters_[currentAdapter_].device;
    dialog.resetContent(kMultisampleCombo);
    long listNumber = -1;
    for (int k = 0; k < 16; ++k) {
        if (!dev.multisampleSupported[static_cast<std::size_t>(k)]) continue;
        ++listNumber;
        std::string item;
        if (k == 0) {
            item = text("none");
        } else {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%i ", k + 1);
            item = buf + text("samples");
        }
        const int index = dialog.addString(kMultisampleCombo, item);
        dialog.setItemData(kMultisampleCombo, index, listNumber);  // list position, not the type
        if (dev.multisampleType == multisampleTypeOf(k)) dialog.setCurSel(kMultisampleCombo, index);
    }
    dialog.resetContent(kModeCombo);
    for (std::uint32_t p = 0; p < dev.modeCount; ++p) {
        const DisplayModeEntry& m = dev.modes[p];
        char buf[64];
        std::snprintf(buf, sizeof buf, "%ld x %ld %s", static_cast<long>(m.width), static_cast<long>(m.height),
                      bitsOf(m.format) == 32 ? "32 bits" : "16 bits");
        const int index = dialog.addString(kModeCombo, buf);
        dialog.setItemData(kModeCombo, index, static_cast<long>(p));
        if (p == dev.currentMode) dialog.setCurSel(kModeCombo, index);
    }
    refreshSelection();
}

std::int32_t DeviceEnumerator::showError(std::int32_t code) {
    try {
        const std::string message = errorMessage(code);
        log(message);
        os::messageBox(os::WindowHandle::None, message, "Error!", os::MessageBoxIcon::Error);
    } catch (...) {
        // The code is what callers act on; a box that could not be built changes nothing.
    }
    return code;
}

}  // namespace vm::gfx
