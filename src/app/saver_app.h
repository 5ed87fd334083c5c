#pragma once
// The screen-saver framework: run modes, saver windows, the message and frame loop, the quit rules and
// the orderly shutdown. It reaches the scene only through the seventeen virtual hooks below, in a fixed
// order:
//
//   start-up  initDefaults → checkCapabilities → (windows) → settings read → readSceneOptions →
//             (mode chosen, device created) → setupDeviceState → showLoadingScreen → (digit glyphs) →
//             loadScene → afterLoad → initSound
//   frame     (device state test) → updateFrame → renderFrame        (only while no message waits)
//   end       freeSound → (gamma, textures) → releaseScene → (device, Direct3D, log)
//
// Preview runs only initDefaults, checkCapabilities and readSceneOptions; Config initDefaults,
// checkCapabilities and the dialog hooks 2-6; ChangePassword initDefaults and checkCapabilities.
// Hook results are not examined.
//
// One instance per process, reached by the window procedure through instance(). Everything runs on
// the process's one thread.

#include <array>
#include <cstdint>
#include <string>

#include "app/base/log_file.h"
#include "app/launch_options.h"
#include "app/run_mode.h"
#include "gfx/device_enumerator.h"
#include "gfx/device_session.h"
#include "gfx/overlay.h"
#include "platform/os/platform.h"
#include "platform/os/resources.h"
#include "platform/os/window_types.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/text_table.h"

namespace vm::d3d {
class Direct3D;
class Device;
}  // namespace vm::d3d

namespace vm {

inline constexpr const char* kSaverClassName = "BW D3D SS";
inline constexpr const char* kSaverWindowTitle = "D3D SS";
inline constexpr int kMaxMonitors = 9;
inline constexpr std::uintptr_t kPreviewTimerId = 1;  // 500 ms, only during the preview start-up wait
inline constexpr std::uintptr_t kFpsTimerId = 7;      // 1000 ms, the frames-per-second tick
inline constexpr int kIconResourceId = 224;
inline constexpr int kPreviewBitmapId = 432;

struct MonitorRecord {
    std::array<char, 128> adapterDescription{};  // always NUL-terminated; longer texts are cut
    std::array<char, 128> monitorDescription{};
    os::MonitorHandle monitor = 0;               // 0 for devices not attached to the desktop
    os::Rect screenRect;
    os::WindowHandle window = os::WindowHandle::None;
};

// Glyph placement of the clock and FPS overlay, in viewport fractions.
struct OverlayLayout {
    std::uint8_t glyphR = 255, glyphG = 255, glyphB = 255;
    float glyphHeight = 0.048f, glyphWidth = 0.037f, advance = 1.0f;
    float clockX = 0.7f, clockY = 0.92f;
    float fpsX = 0.01f, fpsY = 0.01f;
    std::array<int, 15> glyphTextures{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int quadBuffer = -1;
};

// Signatures of the two system password functions, looked up by name at run time.
using VerifyPasswordFn = int (*)(std::uintptr_t window);  // nonzero: the right password was entered
using ChangePasswordFn = int (*)(const char* provider, std::uintptr_t owner, std::uint32_t, void*);

class SaverApp {
public:
    SaverApp();
    virtual ~SaverApp();
    SaverApp(const SaverApp&) = delete;
    SaverApp& operator=(const SaverApp&) = delete;

    static SaverApp* instance() noexcept;

    // Headless and XScreenSaver switches; set before createSaver.
    void setLaunchOptions(LaunchOptions options) { launch_ = std::move(options); }

    int createSaver();
    void run();

    void enumerateMonitors();
    int createSaverWindows();
    void saverLoop();
    void frameStep();
    // 1 when the saver is ending, 0 when it goes on.
    int requestQuit();
    void shutdown();

    std::intptr_t handleMessage(os::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam);
    static std::intptr_t windowProc(os::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam);

    // Password support on the platform that needs it (Windows 9x).
    void preparePassword();
    bool verifyPassword(os::WindowHandle window);
    void changePassword();

    // --- state, read by the scene, the dialog and tests ---
    RunMode runMode() const noexcept { return runMode_; }
    std::uint64_t parentWindow() const noexcept { return parentWindow_; }
    os::WindowHandle mainWindow() const noexcept { return mainWindow_; }
    int monitorCount() const noexcept { return monitorCount_; }
    const MonitorRecord& monitor(int index) const { return monitors_[static_cast<std::size_t>(index)]; }
    bool okToRun() const noexcept { return okToRun_; }
    bool quitFlag() const noexcept { return quitFlag_; }
    bool isWin9x() const noexcept { return isWin9x_; }
    int mouseMoveBudget() const noexcept { return mouseMoveBudget_; }
    int frameCount() const noexcept { return frameCount_; }
    int framesPerSecond() const noexcept { return framesPerSecond_; }
    int presentParity() const noexcept { return presentParity_; }
    long framesRendered() const noexcept { return framesRendered_; }
    bool passwordVerifierLoaded() const noexcept { return verifyPassword_ != nullptr; }
    SettingsRecord& settings() noexcept { return settings_; }
    SettingsStore& settingsStore() noexcept { return settingsStore_; }
    const TextTable& texts() const noexcept { return texts_; }
    OverlayLayout& overlay() noexcept { return overlay_; }
    LogFile& log() noexcept { return log_; }
    bool sfxCapable() const noexcept { return sfxCapable_; }
    d3d::Device* device() const noexcept { return device_; }

    // --- the hooks ---
    virtual int initDefaults() { return 0; }
    virtual int readSceneOptions() { return 0; }
    virtual int writeSceneOptions() { return 0; }
    virtual int restoreSceneDefaults() { return 0; }
    virtual int initDialogExtras(std::uintptr_t /*dialog*/) { return 0; }
    virtual std::intptr_t handleDialogExtras(std::uintptr_t /*dialog*/, std::uint32_t /*message*/,
                                             std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
        return 0;
    }
    virtual std::intptr_t defaultWindowProc(os::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam);
    virtual int initSound() { return 0; }
    virtual int freeSound() { return 0; }
    virtual int checkCapabilities() { return 0; }
    virtual int setupDeviceState(d3d::Device* device);
    virtual int showLoadingScreen(d3d::Device* device);
    virtual int loadScene(d3d::Device* /*device*/) { return 0; }
    virtual int afterLoad(d3d::Device* /*device*/) { return 0; }
    virtual int updateFrame(d3d::Device* device, float elapsedMs);
    virtual int renderFrame(d3d::Device* device);
    virtual int releaseScene() { return 0; }

protected:
    // Steps whose bodies belong to the graphics, settings and dialog layers. Until those arrive they do
    // the least that keeps the run's shape: no adapters to list, no device, nothing to release.
    virtual int enumerateDirect3D();             // 0 when a usable adapter was found
    // The localised title of the configuration dialog; empty when the text table lacks it.
    virtual std::string configurationTitle();
    virtual void readSettings();                 // the settings record from the registry
    virtual void chooseDisplayMode() {}          // writes the chosen mode back into the record
    virtual void runConfigDialog() {}
    // 0: device made (or none to make on this build); 1: no desktop mode; 2: no compatible device.
    virtual int createDevice();
    // 0 ready; 1 lost; 2 lost and restorable; negative: other failure.
    virtual int testDeviceState() { return 0; }
    virtual void restoreDevice() {}
    virtual void loadDigitGlyphs() {}
    virtual void presentOnce() {}
    virtual void restoreGamma() {}
    virtual void releaseTextures() {}
    virtual void releaseDevice();
    // The 4-byte "ScreenSaveUsePassword" of the user's desktop settings; false when it cannot be read.
    virtual bool readPasswordOption(std::uint32_t& value);
    // Writes the snapshot requested with --snapshot; 0 when written.
    virtual int writeSnapshot(const std::string& path);
    // The real graphics device behind the hooks above; the saver the program runs overrides the hooks
    // with these (test savers keep the stand-ins).
    int gfxEnumerate();
    void gfxChooseDisplayMode();
    int gfxCreateDevice();
    int gfxTestDeviceState();
    void gfxRestoreDevice();
    void gfxLoadDigitGlyphs();
    void gfxPresentOnce();
    void gfxRestoreGamma();
    void gfxReleaseTextures();
    void gfxReleaseDevice();
    int gfxShowLoadingScreen(d3d::Device* device);
    // The clock and FPS overlay, drawn over whatever the frame holds (inside BeginScene/EndScene).
    void drawOverlay(d3d::Device* device);

    d3d::Direct3D* direct3D_ = nullptr;
    d3d::Device* device_ = nullptr;
    SettingsStore settingsStore_;
    TextTable texts_;
    SettingsRecord settings_;
    OverlayLayout overlay_;
    bool sfxCapable_ = true;
    LaunchOptions launch_;
    bool logEnabled_ = false;   // developer switch: VM_LOG_ENABLED
    // graphics device
    gfx::DeviceEnumerator enumerator_;
    gfx::DeviceSession deviceSession_;
    gfx::Overlay glyphOverlay_;

private:
    void previewWait();
    void finishHeadlessRun();

    // shell
    RunMode runMode_ = RunMode::Config;
    std::uint64_t parentWindow_ = 0;
    os::WindowHandle mainWindow_ = os::WindowHandle::None;
    std::array<MonitorRecord, kMaxMonitors> monitors_{};
    int monitorCount_ = 0;
    bool okToRun_ = false;
    bool previewWait_ = false;
    // loop
    bool quitFlag_ = false;
    bool isWin9x_ = false;
    int mouseMoveBudget_ = 30;
    os::ResourceBytes previewBitmap_;  // bitmap resource 432, empty when missing
    float lastFrameTime_ = 0;   // timeMs of the previous frame
    int frameCount_ = 0;
    int framesPerSecond_ = 0;
    int presentParity_ = 1;     // 1: an even number of presents since the last reset
    long framesRendered_ = 0;   // frame steps taken, for --frames
    std::uint32_t benchmarkStartMs_ = 0;
    // password
    os::LibraryHandle passwordModule_;
    VerifyPasswordFn verifyPassword_ = nullptr;
    // log
    LogFile log_;
};

}  // namespace vm
