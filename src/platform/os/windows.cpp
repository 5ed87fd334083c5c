#include "platform/os/windows.h"

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/os/bitmap_file.h"
#include "platform/os/termination.h"

namespace vm::os {
namespace {

struct WindowRecord {
    WindowDesc desc;
    WindowProc proc = nullptr;
    bool destroying = false;
};

struct TimerRecord {
    WindowHandle window;
    std::uintptr_t id;
    std::uint32_t intervalMs;
    std::uint32_t dueMs;
};

struct WindowSystem {
    std::map<std::string, WindowClass> classes;
    std::map<std::uint32_t, WindowRecord> windows;
    std::deque<Message> queue;
    std::vector<TimerRecord> timers;
    std::vector<Message> incoming;  // reused by every pump: no allocation per loop iteration
    std::uint32_t nextHandle = 1;
};

WindowSystem& ws() {
    static WindowSystem system;
    return system;
}

WindowRecord* find(WindowHandle window) {
    auto it = ws().windows.find(static_cast<std::uint32_t>(window));
    return it == ws().windows.end() ? nullptr : &it->second;
}

// Wrap-safe comparison of two timeMs readings.
bool reached(std::uint32_t now, std::uint32_t due) { return static_cast<std::int32_t>(now - due) >= 0; }

void pump() {
    if (takeTerminationRequest()) postQuitMessage(0);
    std::vector<Message>& incoming = ws().incoming;
    incoming.clear();
    platform().pollEvents(incoming);
    for (const Message& m : incoming) ws().queue.push_back(m);
}

bool popQueued(Message& out) {
    auto& queue = ws().queue;
    while (!queue.empty()) {
        Message m = queue.front();
        queue.pop_front();
        // Messages for windows destroyed after posting are dropped, as the platform does.
        if (m.window != WindowHandle::None && !find(m.window)) continue;
        out = m;
        return true;
    }
    return false;
}

bool takeDueTimer(Message& out) {
    std::uint32_t now = platform().timeMs();
    for (TimerRecord& t : ws().timers) {
        if (!reached(now, t.dueMs)) continue;
        // Ticks missed while nobody asked collapse into one, as on the desktop platform.
        t.dueMs = now + t.intervalMs;
        out = {t.window, msg::Timer, t.id, 0};
        return true;
    }
    return false;
}

std::uint32_t msUntilNextTimer() {
    if (ws().timers.empty()) return 0xFFFFFFFFu;
    std::uint32_t now = platform().timeMs();
    std::uint32_t best = 0xFFFFFFFEu;
    for (const TimerRecord& t : ws().timers) {
        std::uint32_t wait = reached(now, t.dueMs) ? 0 : t.dueMs - now;
        best = std::min(best, wait);
    }
    return best;
}

}  // namespace

int registerClass(const WindowClass& windowClass) {
    if (windowClass.name.empty() || !windowClass.proc) return kFail;
    ws().classes[windowClass.name] = windowClass;
    return kOk;
}

WindowHandle createWindow(const WindowDesc& desc) {
    auto cls = ws().classes.find(desc.className);
    if (cls == ws().classes.end()) return WindowHandle::None;
    if (desc.owner != WindowHandle::None && !find(desc.owner)) return WindowHandle::None;
    auto handle = static_cast<WindowHandle>(ws().nextHandle++);
    if (platform().createNativeWindow(handle, desc) < 0) return WindowHandle::None;
    ws().windows[static_cast<std::uint32_t>(handle)] = {desc, cls->second.proc, false};
    if (sendMessage(handle, msg::Create, 0, 0) == -1) {
        destroyWindow(handle);
        return WindowHandle::None;
    }
    return handle;
}

void destroyWindow(WindowHandle window) {
    WindowRecord* record = find(window);
    if (!record || record->destroying) return;
    record->destroying = true;
    std::vector<WindowHandle> owned;
    for (auto& [id, w] : ws().windows) {
        if (w.desc.owner == window) owned.push_back(static_cast<WindowHandle>(id));
    }
    for (WindowHandle child : owned) destroyWindow(child);
    sendMessage(window, msg::Destroy, 0, 0);
    std::erase_if(ws().timers, [&](const TimerRecord& t) { return t.window == window; });
    platform().destroyNativeWindow(window);
    ws().windows.erase(static_cast<std::uint32_t>(window));
}

bool isWindow(WindowHandle window) noexcept { return find(window) != nullptr; }

WindowHandle findWindow(std::string_view className, std::string_view title) {
    if (className.empty() && title.empty()) return WindowHandle::None;
    for (auto& [id, w] : ws().windows) {
        if (w.destroying) continue;
        if (!className.empty() && w.desc.className != className) continue;
        if (!title.empty() && w.desc.title != title) continue;
        return static_cast<WindowHandle>(id);
    }
    return WindowHandle::None;
}

Rect windowRect(WindowHandle window) noexcept {
    WindowRecord* record = find(window);
    return record ? record->desc.rect : Rect{};
}

NativeWindow nativeWindow(WindowHandle window) {
    return find(window) ? platform().nativeWindow(window) : NativeWindow{};
}

int paintBitmap(WindowHandle window, std::span<const std::uint8_t> bitmap, int x, int y) {
    if (!find(window)) return kFail;
    std::vector<std::uint8_t> file = bitmapFileFromResource(bitmap);
    if (file.empty()) return kFail;
    return platform().paintBitmap(window, file, x, y);
}

std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    WindowRecord* record = find(window);
    if (!record) return 0;
    return record->proc(window, message, wParam, lParam);
}

bool postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (window != WindowHandle::None && !find(window)) return false;
    ws().queue.push_back({window, message, wParam, lParam});
    return true;
}

void postQuitMessage(int exitCode) {
    ws().queue.push_back({WindowHandle::None, msg::Quit, static_cast<std::uintptr_t>(exitCode), 0});
}

bool peekMessage(Message& out) {
    pump();
    return popQueued(out) || takeDueTimer(out);
}

int getMessage(Message& out) {
    for (;;) {
        pump();
        if (popQueued(out) || takeDueTimer(out)) return out.message == msg::Quit ? 0 : 1;
        std::uint32_t wait = msUntilNextTimer();
        if (!platform().waitEvents(wait) && wait == 0xFFFFFFFFu) return -1;
    }
}

void translateMessage(const Message& message) {
    if (message.message != msg::KeyDown) return;
    if (message.wParam >= 0x20 && message.wParam < 0x7F) {
        ws().queue.push_back({message.window, msg::Char, message.wParam, message.lParam});
    }
}

std::intptr_t dispatchMessage(const Message& message) {
    if (message.window == WindowHandle::None) return 0;
    return sendMessage(message.window, message.message, message.wParam, message.lParam);
}

std::intptr_t defWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    switch (message) {
    case msg::Close:
        destroyWindow(window);
        return 0;
    case msg::SysCommand:
        if (wParam == syscmd::Close) postMessage(window, msg::Close, 0, 0);
        return 0;
    case msg::SetCursor:
        platform().setCursorVisible(true);  // the class cursor, the system arrow
        return 1;
    default:
        return 0;
    }
}

bool setTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) {
    if (!find(window)) return false;
    // The platform raises intervals below 10 ms to 10 ms; zero would spin.
    intervalMs = std::max<std::uint32_t>(intervalMs, 10);
    std::uint32_t due = platform().timeMs() + intervalMs;
    for (TimerRecord& t : ws().timers) {
        if (t.window == window && t.id == id) {
            t.intervalMs = intervalMs;
            t.dueMs = due;
            return true;
        }
    }
    ws().timers.push_back({window, id, intervalMs, due});
    return true;
}

bool killTimer(WindowHandle window, std::uintptr_t id) {
    auto removed = std::erase_if(ws().timers, [&](const TimerRecord& t) { return t.window == window && t.id == id; });
    return removed > 0;
}

void resetWindowSystem() noexcept {
    for (auto& [id, w] : ws().windows) platform().destroyNativeWindow(static_cast<WindowHandle>(id));
    ws().windows.clear();
    ws().classes.clear();
    ws().queue.clear();
    ws().timers.clear();
}

}  // namespace vm::os
