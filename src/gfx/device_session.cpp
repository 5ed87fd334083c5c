#include "gfx/device_session.h"

#include "app/base/log_file.h"
#include "engine/texture_table.h"
#include "gfx/gamma_ramp.h"
#include "gfx/quad_buffer_pool.h"

namespace vm::gfx {

namespace {

void writeLog(LogFile* log, std::string_view line) {
    if (log) log->writeLine(line);
}

// DevCaps bit of devices that can take transformed vertices from system memory; with a vertex
// shader version of at least 1.0 it means hardware vertex processing is worth asking for.
constexpr std::uint32_t kTlVertexSystemMemory = 0x40;
constexpr std::uint32_t kVertexShader10 = 0xFFFE0100u;
constexpr std::uint32_t kGammaCalibrate = 1;  // ask the device to calibrate the ramp

}  // namespace

int DeviceSession::createDevice(DeviceEnumerator& enumerator, const d3d::PresentTarget& target,
                                std::uint32_t clientWidth, std::uint32_t clientHeight, const DeviceSettings& settings,
                                engine::TextureTable& textures, QuadBufferPool& quads, os::WindowHandle window,
                                LogFile* log) noexcept {
    d3d::Direct3D* d3d = enumerator.direct3d();
    if (!d3d || enumerator.adapterCount() == 0) return 2;
    d3d::DisplayMode desktop;
    if (d3d::Failed(d3d->GetAdapterDisplayMode(0, &desktop)) && settings.useDesktopSettings) {
        writeLog(log, "Cant get Desktop DisplayMode!");
        return 1;
    }
    presentParams_ = d3d::PresentParameters{};
    d3d::PresentParameters& pp = presentParams_;
    if (settings.useDesktopSettings) {
        pp.BackBufferWidth = clientWidth;
        pp.BackBufferHeight = clientHeight;
        // No 24-bit back buffers: the nearest 16-bit one.
        pp.BackBufferFormat = desktop.Format == d3d::Format::R8G8B8 ? d3d::Format::R5G6B5 : desktop.Format;
    } else {
        const DisplayModeEntry& mode = enumerator.currentMode();
        pp.BackBufferWidth = mode.width;
        pp.BackBufferHeight = mode.height;
        pp.BackBufferFormat = mode.format;
    }
    pp.Windowed = settings.windowed || target.kind == d3d::PresentTarget::Kind::X11Window;
    pp.SwapEffect = d3d::SwapEffect::Discard;
    pp.BackBufferCount = 1;
    const DeviceRecord& record = enumerator.currentDevice();
    pp.MultiSampleType = static_cast<d3d::MultisampleType>(record.multisampleType);
    pp.EnableAutoDepthStencil = true;
    pp.AutoDepthStencilFormat = record.depthFormat;
    if (d3d::Failed(d3d->CheckDepthStencilMatch(0, d3d::DevType::Hal, pp.BackBufferFormat, pp.BackBufferFormat,
                                                pp.AutoDepthStencilFormat)))
        pp.AutoDepthStencilFormat = d3d::Format::D16;
    if (d3d::Failed(d3d->CheckDeviceMultiSampleType(0, d3d::DevType::Hal, pp.BackBufferFormat, false,
                                                    pp.MultiSampleType)))
        pp.MultiSampleType = d3d::MultisampleType::None;
    const bool hardware = (record.caps.DevCaps & kTlVertexSystemMemory) != 0 &&
                          record.caps.VertexShaderVersion >= kVertexShader10;
    const std::uint32_t behaviour =
        hardware ? d3d::create::kHardwareVertexProcessing : d3d::create::kSoftwareVertexProcessing;

    device_.reset();
    if (d3d::Failed(d3d->CreateDevice(0, d3d::DevType::Hal, target, behaviour, &pp, &device_)) || !device_) {
        writeLog(log, "Cant create HAL D3D_Device, try use safe mode.");
        pp.MultiSampleType = d3d::MultisampleType::None;
        pp.AutoDepthStencilFormat = d3d::Format::D16;
        pp.BackBufferFormat = d3d::Format::R5G6B5;
        pp.BackBufferWidth = 640;
        pp.BackBufferHeight = 480;
        device_.reset();
        if (d3d::Failed(d3d->CreateDevice(0, d3d::DevType::Hal, target, d3d::create::kSoftwareVertexProcessing, &pp,
                                          &device_)) ||
            !device_) {
            device_.reset();
            writeLog(log, "Cant create any HAL D3D_Device!");
            return 2;
        }
    }
    textures.Init(d3d, device_.get(), pp.BackBufferFormat, window);
    quads.attach(device_.get(), static_cast<std::uint64_t>(window));
    device_->SetGammaRamp(kGammaCalibrate, gammaRamp(settings.gmCntrl));
    writeLog(log, "Create D3D_Device Complete");
    return 0;
}

DeviceState DeviceSession::testState() noexcept {
    if (!device_) return DeviceState::Lost;
    const d3d::Result r = device_->TestCooperativeLevel();
    if (r == d3d::kOk) return DeviceState::Ready;
    return r == d3d::kErrDeviceNotReset ? DeviceState::Resettable : DeviceState::Lost;
}

void DeviceSession::restoreDevice(const std::function<void(d3d::Device*)>& setupState, LogFile* log) noexcept {
    if (!device_) return;
    writeLog(log, "Device was lost.");
    writeLog(log, "Try to restore.");
    // A failed reset is retried when the device next reports it can be reset.
    device_->Reset(&presentParams_);
    if (setupState) setupState(device_.get());
    writeLog(log, "Restore state to complete.");
    writeLog(log, "");
}

void DeviceSession::release() noexcept {
    if (!device_) return;
    device_->SetGammaRamp(kGammaCalibrate, gammaRamp(100));
    device_.reset();
}

}  // namespace vm::gfx
