#include "app/saver_app.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/base/results.h"
#include "engine/texture_table.h"
#include "gfx/gamma_ramp.h"
#include "gfx/loading_screen.h"
#include "gfx/quad_buffer_pool.h"
#include "platform/d3dx/png_writer.h"
#include "platform/os/registry.h"
#include "platform/os/resources.h"
#include "platform/os/system.h"
#include "platform/os/termination.h"
#include "platform/os/windows.h"

namespace vm {
namespace {

SaverApp* gInstance = nullptr;

#ifdef VM_LOG_ENABLED
constexpr bool kLogEnabled = true;
#else
constexpr bool kLogEnabled = false;
#endif

// Copies an outside text into a fixed record field, cut to fit and always terminated.
void copyText(std::array<char, 128>& field, const std::string& text) {
    std::size_t n = std::min(text.size(), field.size() - 1);
    std::memcpy(field.data(), text.data(), n);
    field[n] = '\0';
}

}  // namespace

SaverApp::SaverApp() {
    // The embedded defaults are constant data, safe to read during static construction.
    settingsStore_.loadDefaults();
    settings_ = settingsStore_.defaults();
    logEnabled_ = kLogEnabled;
    gInstance = this;
}

SaverApp::~SaverApp() {
    if (gInstance == this) gInstance = nullptr;
}

SaverApp* SaverApp::instance() noexcept { return gInstance; }

int SaverApp::createSaver() {
    texts_.load();
    initDefaults();
    if (launch_.seed) std::srand(*launch_.seed);
    ParsedCommandLine parsed = parseCommandLine(launch_.commandLine);
    runMode_ = launch_.impliedSaver ? RunMode::Saver : parsed.mode;
    parentWindow_ = parsed.parentWindow;

    log_.setEnabled(logEnabled_);
    if (runMode_ == RunMode::Config) log_.open("Config_Log.txt");
    else if (runMode_ != RunMode::ChangePassword) log_.open("Saver_Log.txt");

    okToRun_ = enumerateDirect3D() == 0;
    // A saver window or the open configuration dialog anywhere means another instance: stand aside.
    // The window search sees this process; the lock sees the others.
    std::string dialogTitle = configurationTitle();
    if (os::findWindow(kSaverClassName, {}) != os::WindowHandle::None ||
        (!dialogTitle.empty() && os::findWindow({}, dialogTitle) != os::WindowHandle::None) ||
        !os::platform().acquireInstanceLock()) {
        okToRun_ = false;
    }
    if (!okToRun_) return 0;

    checkCapabilities();
    enumerateMonitors();
    if (runMode_ == RunMode::Preview || runMode_ == RunMode::Saver || runMode_ == RunMode::Test) {
        if (createSaverWindows() < 0) log_.writeLine("Cannot create Saver Window!");
        else log_.writeLine("Create Saver Window complete");
    }
    if (runMode_ == RunMode::Preview) previewWait();
    return 0;
}

void SaverApp::previewWait() {
    previewWait_ = true;
    os::postMessage(mainWindow_, os::msg::User, 0, 0);
    while (previewWait_) {
        os::Message message;
        int got = os::getMessage(message);
        if (got == 0) {
            os::postQuitMessage(0);
            break;
        }
        // The host may destroy the pane during the wait; with nothing left to wait for, stop waiting.
        if (got < 0) break;
        os::translateMessage(message);
        os::dispatchMessage(message);
    }
    previewWait_ = false;
}

void SaverApp::run() {
    if (!okToRun_) return;
    switch (runMode_) {
    case RunMode::Config: {
        // Modal dialogs pump no messages of ours; settings are written only on OK, so ending at once
        // on a termination request loses nothing.
        os::ImmediateTerminationScope modal;
        runConfigDialog();
        return;
    }
    case RunMode::ChangePassword: {
        os::ImmediateTerminationScope modal;
        changePassword();
        return;
    }
    case RunMode::Preview:
    case RunMode::Saver:
    case RunMode::Test: break;
    }
    readSettings();
    readSceneOptions();
    chooseDisplayMode();
    saverLoop();
    os::destroyWindow(mainWindow_);
}

void SaverApp::enumerateMonitors() {
    monitorCount_ = 0;
    for (std::uint32_t index = 0; monitorCount_ < kMaxMonitors; ++index) {
        os::DisplayDevice device;
        if (!os::displayDevice({}, index, device)) break;
        if (device.stateFlags & os::displayflag::MirroringDriver) continue;
        os::DisplayDevice firstMonitor;
        if (!os::displayDevice(device.name, 0, firstMonitor)) firstMonitor = {};
        MonitorRecord& record = monitors_[static_cast<std::size_t>(monitorCount_)];
        record = MonitorRecord{};
        copyText(record.adapterDescription, device.description);
        copyText(record.monitorDescription, firstMonitor.description);
        if (device.stateFlags & os::displayflag::AttachedToDesktop) {
            os::DisplaySettings mode;
            if (os::currentDisplaySettings(device.name, mode)) {
                bool primary = device.stateFlags & os::displayflag::PrimaryDevice;
                record.screenRect.left = primary ? 0 : mode.x;
                record.screenRect.top = primary ? 0 : mode.y;
                record.screenRect.right = record.screenRect.left + mode.width;
                record.screenRect.bottom = record.screenRect.top + mode.height;
                record.monitor = os::monitorFromRect(record.screenRect);
            }
        }
        ++monitorCount_;
    }
}

int SaverApp::createSaverWindows() {
    os::registerClass({kSaverClassName, &SaverApp::windowProc, kIconResourceId});
    os::WindowDesc desc;
    desc.className = kSaverClassName;
    desc.title = kSaverWindowTitle;
    switch (runMode_) {
    case RunMode::Preview: {
        os::Rect client;
        if (parentWindow_ != 0 && os::platform().foreignClientRect(parentWindow_, client)) {
            desc.style = os::style::Child | os::style::Visible;
            desc.rect = client;
            desc.foreign = parentWindow_;
            mainWindow_ = os::createWindow(desc);
        }
        break;
    }
    case RunMode::Saver: {
        desc.style = os::style::Popup | os::style::Visible;
        desc.exStyle = os::style::ExTopMost;
        os::ForeignWindowId target = saverTarget(launch_, launch_.root ? os::platform().rootWindow() : 0);
        if (target != 0) {
            // Another program's window (XScreenSaver's, or the root): draw into it, make none.
            os::Rect client;
            if (!os::platform().foreignClientRect(target, client)) return kResultFail;
            desc.rect = client;
            desc.foreign = target;
            mainWindow_ = os::createWindow(desc);
            break;
        }
        for (int i = 0; i < monitorCount_; ++i) {
            MonitorRecord& record = monitors_[static_cast<std::size_t>(i)];
            if (record.monitor == 0) continue;
            desc.rect = record.screenRect;
            desc.owner = mainWindow_;
            record.window = os::createWindow(desc);
            if (record.window == os::WindowHandle::None) return kResultFail;
            if (mainWindow_ == os::WindowHandle::None) mainWindow_ = record.window;
        }
        break;
    }
    case RunMode::Test:
        // Client area (50, 50)-(650, 450); the window manager adds the caption around it.
        desc.style = os::style::Visible | os::style::Caption | os::style::SysMenu | os::style::MinimizeBox;
        desc.rect = {50, 50, 650, 450};
        mainWindow_ = os::createWindow(desc);
        break;
    case RunMode::Config:
    case RunMode::ChangePassword: break;
    }
    if (mainWindow_ == os::WindowHandle::None) return kResultFail;
    os::hideCursor();
    return kResultOk;
}

void SaverApp::saverLoop() {
    isWin9x_ = os::platformId() == os::PlatformId::Windows9x;
    if (runMode_ == RunMode::Saver && isWin9x_) preparePassword();

    if (runMode_ != RunMode::Preview) {
        // Loading pumps no messages: a termination request ends the process at once meanwhile.
        os::ImmediateTerminationScope loading;
        int created = createDevice();
        if (created == 1) {
            os::messageBox(mainWindow_, "Cant get Desktop DisplayMode.", "Error!", os::MessageBoxIcon::Error);
            return;
        }
        if (created == 2) {
            os::messageBox(mainWindow_, "Could not find any compatible Direct3D\ndevices.", "Error!",
                           os::MessageBoxIcon::Error);
            return;
        }
        loadDigitGlyphs();
        loadScene(device_);
        afterLoad(device_);
        initSound();
        log_.writeLine("All Data Was Loaded.");
    }

    // A preview whose pane is gone (never there, or destroyed by the host during the start-up wait) has
    // nothing to show and nobody left to end it: do not loop forever.
    if (runMode_ == RunMode::Preview && !os::isWindow(mainWindow_)) return;

    os::setTimer(mainWindow_, kFpsTimerId, 1000);
    // quitFlag is not cleared here: a close that arrived during the preview wait must still end the run.
    lastFrameTime_ = static_cast<float>(os::timeMs());
    benchmarkStartMs_ = os::timeMs();

    os::Message message;
    while (message.message != os::msg::Quit && !quitFlag_) {
        if (os::peekMessage(message)) {
            os::translateMessage(message);
            os::dispatchMessage(message);
        } else if (runMode_ != RunMode::Preview) {
            frameStep();
            ++framesRendered_;
            if (launch_.frames > 0 && framesRendered_ >= launch_.frames) finishHeadlessRun();
        }
        os::sleepMs(2);
    }
}

void SaverApp::finishHeadlessRun() {
    if (!launch_.snapshot.empty()) writeSnapshot(launch_.snapshot);
    if (launch_.benchmark) {
        std::uint32_t ms = os::timeMs() - benchmarkStartMs_;
        double seconds = ms * 0.001;
        std::printf("frames %ld, seconds %.3f, frames per second %.1f\n", framesRendered_, seconds,
                    seconds > 0 ? static_cast<double>(framesRendered_) / seconds : 0.0);
        std::fflush(stdout);
    }
    shutdown();
}

void SaverApp::frameStep() {
    if (!device_) return;
    auto now = static_cast<float>(os::timeMs());
    float elapsed = now - lastFrameTime_;  // milliseconds
    lastFrameTime_ = static_cast<float>(os::timeMs());
    if (elapsed < 0) elapsed = 0;

    int state = testDeviceState();
    if (state == 2) restoreDevice();
    if (state != 0) return;

    updateFrame(device_, elapsed);
    renderFrame(device_);
    presentParity_ = 1 - presentParity_;
    ++frameCount_;
}

int SaverApp::requestQuit() {
    if (runMode_ != RunMode::Saver && runMode_ != RunMode::Test) return 0;
    if (runMode_ == RunMode::Saver && isWin9x_ && verifyPassword_) {
        // The verifier's dialog must appear over the picture, so the primary surface goes in front.
        if (presentParity_ == 0) presentOnce();
        if (!verifyPassword(mainWindow_)) {
            os::hideCursor();
            mouseMoveBudget_ = 0;  // the next move asks again
            presentParity_ = 1;
            lastFrameTime_ = static_cast<float>(os::timeMs());
            return 0;
        }
    }
    shutdown();
    return 1;
}

void SaverApp::shutdown() {
    freeSound();
    if (device_) restoreGamma();
    releaseTextures();
    releaseScene();
    releaseDevice();
    os::killTimer(mainWindow_, kFpsTimerId);
    if (passwordModule_) {
        os::freeLibrary(passwordModule_);
        passwordModule_ = {};
        verifyPassword_ = nullptr;
    }
    quitFlag_ = true;
    log_.close();
}

std::intptr_t SaverApp::windowProc(os::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
    SaverApp* app = instance();
    if (!app) return os::defWindowProc(window, message, wParam, lParam);
    return app->handleMessage(window, message, wParam, lParam);
}

std::intptr_t SaverApp::handleMessage(os::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    using namespace os::msg;
    switch (message) {
    case Create:
        if (runMode_ == RunMode::Preview) previewBitmap_ = os::findResource("BITMAP", kPreviewBitmapId);
        break;
    case Destroy:
    case Close:
        quitFlag_ = true;
        return 1;
    case Paint:
        if (runMode_ == RunMode::Preview) {
            os::paintBitmap(window, previewBitmap_, 0, 0);
            return 0;
        }
        break;
    case ActivateApp:
        if (wParam == 0 && runMode_ != RunMode::Test) return requestQuit();
        break;
    case SetCursor:
        if (runMode_ == RunMode::Saver) return 1;
        break;
    case KeyDown:
    case LButtonDown:
    case RButtonDown:
    case MButtonDown:
        if (runMode_ != RunMode::Test) return requestQuit();
        break;
    case MouseMove:
        if (runMode_ != RunMode::Preview && settings_.ExitOnMouseMove) {
            if (--mouseMoveBudget_ < 0) return requestQuit();
        }
        break;
    case Timer:
        if (wParam == kPreviewTimerId) {
            previewWait_ = false;
            os::killTimer(window, kPreviewTimerId);
        } else if (wParam == kFpsTimerId) {
            framesPerSecond_ = frameCount_;
            frameCount_ = 0;
        }
        break;
    case SysCommand:
        if (runMode_ == RunMode::Saver &&
            (wParam == os::syscmd::Close || wParam == os::syscmd::NextWindow ||
             wParam == os::syscmd::PrevWindow || wParam == os::syscmd::ScreenSave)) {
            return requestQuit();
        }
        break;
    case PowerBroadcast:
        if (wParam == os::kPowerSuspend && !verifyPassword_) return requestQuit();
        break;
    case User:
        os::setTimer(window, kPreviewTimerId, 500);
        break;
    default: break;
    }
    return defaultWindowProc(window, message, wParam, lParam);
}

std::intptr_t SaverApp::defaultWindowProc(os::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) {
    return os::defWindowProc(window, message, wParam, lParam);
}

// --- password ---

void SaverApp::preparePassword() {
    std::uint32_t usePassword = 0;
    if (!readPasswordOption(usePassword) || usePassword == 0) return;
    passwordModule_ = os::loadLibrary("PASSWORD.CPL");
    if (!passwordModule_) return;
    verifyPassword_ = reinterpret_cast<VerifyPasswordFn>(os::libraryFunction(passwordModule_, "VerifyScreenSavePwd"));
}

bool SaverApp::verifyPassword(os::WindowHandle window) {
    if (!verifyPassword_) return true;
    return verifyPassword_(static_cast<std::uintptr_t>(window)) != 0;
}

void SaverApp::changePassword() {
    os::LibraryHandle library = os::loadLibrary("MPR.DLL");
    if (!library) return;
    auto change = reinterpret_cast<ChangePasswordFn>(os::libraryFunction(library, "PwdChangePasswordA"));
    if (change) change("SCRSAVE", static_cast<std::uintptr_t>(parentWindow_), 0, nullptr);
    os::freeLibrary(library);
}

// --- steps of other layers, until they arrive ---

int SaverApp::enumerateDirect3D() { return kResultOk; }

int SaverApp::gfxEnumerate() {
    enumerator_.setLog(&log_);
    engine::TextureTable::instance().setLog(&log_);
    const int r = enumerator_.init();
    direct3D_ = enumerator_.direct3d();
    return r;
}

void SaverApp::gfxChooseDisplayMode() {
    if (enumerator_.adapterCount() == 0) return;
    enumerator_.selectMode(static_cast<std::uint32_t>(settings_.Width), static_cast<std::uint32_t>(settings_.Height),
                           static_cast<std::uint32_t>(settings_.BitCount), settings_.FSAA);
    const gfx::ModeSelection& chosen = enumerator_.selection();
    settings_.Width = static_cast<std::int32_t>(chosen.width);
    settings_.Height = static_cast<std::int32_t>(chosen.height);
    settings_.BitCount = static_cast<std::int32_t>(gfx::bitsOf(chosen.format));
    settings_.FSAA = static_cast<std::int32_t>(chosen.multisampleType);
}

std::string SaverApp::configurationTitle() { return texts_.lookup(std::string_view("screensaver_configuration")); }

void SaverApp::readSettings() { settingsStore_.readRegistry(settings_); }

int SaverApp::createDevice() {
    // Without a window there is nothing to put a device on: the same report as no compatible device.
    if (mainWindow_ == os::WindowHandle::None) return 2;
    return 0;
}

void SaverApp::releaseDevice() {
    device_ = nullptr;
    direct3D_ = nullptr;
}

int SaverApp::gfxCreateDevice() {
    if (mainWindow_ == os::WindowHandle::None) return 2;
    const os::NativeWindow native = os::nativeWindow(mainWindow_);
    const auto width = static_cast<std::uint32_t>(native.width > 0 ? native.width : 640);
    const auto height = static_cast<std::uint32_t>(native.height > 0 ? native.height : 480);
    d3d::PresentTarget target = d3d::PresentTarget::Headless(width, height);
    if (!native.headless && native.sdlWindow) target = d3d::PresentTarget::Sdl(static_cast<SDL_Window*>(native.sdlWindow));
    else if (!native.headless && native.x11Window) target = d3d::PresentTarget::X11(native.x11Window);
    gfx::DeviceSettings chosen{settings_.UseDesktopSettings, settings_.GmCntrl};
    // A host's window (XScreenSaver, preview) stays the host's: draw into it windowed.
    chosen.windowed = native.x11Window != 0;
    const int r = deviceSession_.createDevice(enumerator_, target, width, height, chosen,
                                              engine::TextureTable::instance(), gfx::QuadBufferPool::instance(),
                                              mainWindow_, &log_);
    if (r != 0) return r;
    device_ = deviceSession_.device();
    setupDeviceState(device_);
    log_.writeLine("Init D3D_Device Complete");
    showLoadingScreen(device_);
    return 0;
}

int SaverApp::gfxTestDeviceState() {
    switch (deviceSession_.testState()) {
    case gfx::DeviceState::Ready: return 0;
    case gfx::DeviceState::Resettable: return 2;
    default: return 1;
    }
}

void SaverApp::gfxRestoreDevice() {
    deviceSession_.restoreDevice([this](d3d::Device* device) {
        setupDeviceState(device);
        presentParity_ = 1;
    }, &log_);
    // Time spent lost is no frame time.
    lastFrameTime_ = static_cast<float>(os::timeMs());
}

void SaverApp::gfxLoadDigitGlyphs() { glyphOverlay_.loadGlyphs(engine::TextureTable::instance(), &log_); }

void SaverApp::gfxPresentOnce() {
    if (device_) device_->Present();
}

void SaverApp::gfxRestoreGamma() {
    if (device_) device_->SetGammaRamp(1, gfx::gammaRamp(100));
}

void SaverApp::gfxReleaseTextures() { engine::TextureTable::instance().ReleaseAll(); }

void SaverApp::gfxReleaseDevice() {
    gfx::QuadBufferPool::instance().releaseAll();  // the buffers go before their device
    deviceSession_.release();
    device_ = nullptr;
    enumerator_.release();
    direct3D_ = nullptr;
}

int SaverApp::renderOverlayFrame(d3d::Device* device) {
    if (!device) return 0;
    device->Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0xFF000000u, 1.0f, 0);
    device->BeginScene();
    gfx::OverlayParams& p = glyphOverlay_.params;
    p.red = overlay_.glyphR;
    p.green = overlay_.glyphG;
    p.blue = overlay_.glyphB;
    p.glyphHeight = overlay_.glyphHeight;
    p.glyphWidth = overlay_.glyphWidth;
    p.advance = overlay_.advance;
    p.clockX = overlay_.clockX;
    p.clockY = overlay_.clockY;
    p.fpsX = overlay_.fpsX;
    p.fpsY = overlay_.fpsY;
    const os::WallClock now = os::wallClock();
    glyphOverlay_.drawOverlay(device, gfx::QuadBufferPool::instance(), overlay_.quadBuffer,
                              engine::TextureTable::instance(),
                              {settings_.ShowTime, settings_.DigClock_24H, settings_.ShowFPS},
                              {now.hour, now.minute, now.second}, framesPerSecond_);
    device->EndScene();
    device->Present();
    return 0;
}

bool SaverApp::readPasswordOption(std::uint32_t& value) {
    // Opened with create, as the platform does: a missing key is made, and reads as no password.
    os::RegKey key;
    if (os::regCreateKey(os::RegHive::CurrentUser, "Control Panel\\Desktop", os::RegAccess::Read, key) != os::kRegOk) {
        return false;
    }
    bool read = os::regQueryDword(key, "ScreenSaveUsePassword", value) == os::kRegOk;
    os::regCloseKey(key);
    return read;
}

int SaverApp::writeSnapshot(const std::string& path) {
    d3d::Image image;
    if (!device_ || device_->ReadRenderTarget(&image) != 0) {
        std::fprintf(stderr, "vaultmere: no rendered picture; snapshot %s not written\n", path.c_str());
        return kResultFail;
    }
    std::vector<std::uint8_t> png = d3dx::EncodePng(image.pixels, image.width, image.height);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && !png.empty() && std::fwrite(png.data(), 1, png.size(), file) == png.size();
    if (file && std::fclose(file) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "vaultmere: cannot write snapshot %s\n", path.c_str());
        return kResultFail;
    }
    return 0;
}

int SaverApp::setupDeviceState(d3d::Device*) { return 0; }
int SaverApp::showLoadingScreen(d3d::Device*) { return 0; }

int SaverApp::gfxShowLoadingScreen(d3d::Device* device) {
    return gfx::showLoadingScreen(device, gfx::QuadBufferPool::instance(), overlay_.quadBuffer, presentParity_, &log_);
}
int SaverApp::updateFrame(d3d::Device*, float) { return 0; }
int SaverApp::renderFrame(d3d::Device*) { return 0; }

}  // namespace vm
