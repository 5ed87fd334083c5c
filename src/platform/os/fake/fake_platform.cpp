#include "platform/os/fake/fake_platform.h"

#include <algorithm>

#include "platform/os/window_types.h"

namespace vm::os {

FakePlatform::FakePlatform() {
    monitors.push_back({"DISPLAY1", "Fake Display Adapter", "Fake Monitor",
                        displayflag::AttachedToDesktop | displayflag::PrimaryDevice, {0, 0, 1024, 768}});
}

void FakePlatform::scheduleInput(std::uint32_t atMs, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam, WindowHandle window) {
    Scheduled entry{atMs, {window, message, wParam, lParam}};
    // Stable by time: equal times keep their scheduling order.
    auto at = std::upper_bound(script_.begin(), script_.end(), atMs,
                               [](std::uint32_t t, const Scheduled& s) { return t < s.atMs; });
    script_.insert(at, entry);
}

int FakePlatform::createNativeWindow(WindowHandle handle, const WindowDesc& desc) {
    auto made = static_cast<int>(createdWindows.size());
    if (failWindowCreationFrom >= 0 && made >= failWindowCreationFrom) return kFail;
    if (desc.foreign != 0 && !foreignWindows.contains(desc.foreign)) return kFail;
    createdWindows.emplace_back(handle, desc);
    live_.push_back(handle);
    return kOk;
}

void FakePlatform::destroyNativeWindow(WindowHandle handle) {
    destroyedWindows.push_back(handle);
    std::erase(live_, handle);
}

NativeWindow FakePlatform::nativeWindow(WindowHandle handle) const {
    for (const auto& [made, desc] : createdWindows) {
        if (made == handle) return {nullptr, desc.foreign, true, desc.rect.width(), desc.rect.height()};
    }
    return {};
}

bool FakePlatform::foreignClientRect(ForeignWindowId id, Rect& out) {
    auto it = foreignWindows.find(id);
    if (it == foreignWindows.end()) return false;
    out = it->second;
    return true;
}

int FakePlatform::paintBitmap(WindowHandle handle, std::span<const std::uint8_t> bmpFile, int x, int y) {
    paints.push_back({handle, bmpFile.size(), x, y});
    return kOk;
}

void FakePlatform::pollEvents(std::vector<Message>& out) {
    while (!script_.empty() && static_cast<std::int32_t>(nowMs - script_.front().atMs) >= 0) {
        Message m = script_.front().message;
        script_.pop_front();
        if (m.window == WindowHandle::None && m.message != msg::Quit) {
            if (live_.empty()) continue;
            m.window = live_.front();
        }
        out.push_back(m);
    }
}

bool FakePlatform::waitEvents(std::uint32_t timeoutMs) {
    if (!script_.empty()) {
        std::uint32_t untilNext = static_cast<std::int32_t>(script_.front().atMs - nowMs) > 0
                                      ? script_.front().atMs - nowMs
                                      : 0;
        nowMs += std::min(untilNext, timeoutMs);
        return true;
    }
    if (timeoutMs == 0xFFFFFFFFu) return false;
    nowMs += timeoutMs;
    return true;
}

bool FakePlatform::counterFrequency(std::int64_t& ticksPerSecond) {
    if (!counterAvailable) return false;
    ticksPerSecond = 1'000'000;
    return true;
}

bool FakePlatform::counter(std::int64_t& ticks) {
    if (!counterAvailable) return false;
    ticks = static_cast<std::int64_t>(nowMs) * 1000;
    return true;
}

void FakePlatform::sleepMs(std::uint32_t ms) {
    nowMs += ms;
    sleptMs += ms;
    if (onSleep) onSleep(ms);
}

bool FakePlatform::displayDevice(std::string_view parent, std::uint32_t index, DisplayDevice& out) {
    if (parent.empty()) {
        if (index >= monitors.size()) return false;
        out = {monitors[index].name, monitors[index].description, monitors[index].flags};
        return true;
    }
    for (const Monitor& m : monitors) {
        if (m.name != parent) continue;
        if (index != 0) return false;
        out = {m.name + "\\Monitor0", m.monitorDescription, displayflag::AttachedToDesktop};
        return true;
    }
    return false;
}

bool FakePlatform::currentDisplaySettings(std::string_view device, DisplaySettings& out) {
    for (const Monitor& m : monitors) {
        if (m.name != device) continue;
        out = {m.rect.left, m.rect.top, m.rect.width(), m.rect.height()};
        return true;
    }
    return false;
}

MonitorHandle FakePlatform::monitorFromRect(const Rect& rect) {
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Monitor& m = monitors[i];
        if (!(m.flags & displayflag::AttachedToDesktop)) continue;
        bool overlaps = rect.left < m.rect.right && m.rect.left < rect.right && rect.top < m.rect.bottom &&
                        m.rect.top < rect.bottom;
        if (overlaps) return static_cast<MonitorHandle>(i + 1);
    }
    return 0;
}

void FakePlatform::setCursorVisible(bool visible) {
    if (!visible) ++cursorHideCount;
    cursorVisible = visible;
}

int FakePlatform::messageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                             MessageBoxIcon icon) {
    boxes.push_back({owner, std::string(text), std::string(caption), icon});
    return 1;
}

LibraryHandle FakePlatform::loadLibrary(std::string_view name) {
    auto it = libraries.find(std::string(name));
    if (it == libraries.end()) return {};
    loadedLibraries.emplace_back(name);
    return {&*it};
}

void* FakePlatform::libraryFunction(LibraryHandle library, std::string_view name) {
    if (!library) return nullptr;
    auto* entry = static_cast<std::pair<const std::string, Library>*>(library.opaque);
    auto it = entry->second.functions.find(std::string(name));
    return it == entry->second.functions.end() ? nullptr : it->second;
}

void FakePlatform::freeLibrary(LibraryHandle library) {
    if (!library) return;
    freedLibraries.push_back(static_cast<std::pair<const std::string, Library>*>(library.opaque)->first);
}

int FakePlatform::openUrl(std::string_view url) {
    openedUrls.emplace_back(url);
    return kOk;
}

bool FakePlatform::acquireInstanceLock() {
    if (otherInstanceHoldsLock) return false;
    instanceLockHeld = true;
    return true;
}

}  // namespace vm::os
