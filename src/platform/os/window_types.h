#pragma once
// Value types of the window and message layer: handles, messages, styles, rectangles.
// Message and command numbers keep the values of the desktop platform the saver was written for, so a
// message trace reads the same on every backend.

#include <cstdint>
#include <string>

namespace vm::os {

// A window created through this layer. 0 is "no window". Handles are never reused within a process.
enum class WindowHandle : std::uint32_t { None = 0 };

// An X11 window id (XID) given from outside: a host's preview pane or an XScreenSaver window. 0 = none.
using ForeignWindowId = std::uint64_t;

// A monitor found by monitorFromRect: 1-based display index, 0 = none.
using MonitorHandle = std::uint32_t;

// Results at this layer's borders: 0 success, negative failure.
inline constexpr int kOk = 0;
inline constexpr int kFail = static_cast<int>(0x80004005u);

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int32_t width() const noexcept { return right - left; }
    std::int32_t height() const noexcept { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

namespace msg {
inline constexpr std::uint32_t Create = 0x0001;
inline constexpr std::uint32_t Destroy = 0x0002;
inline constexpr std::uint32_t Paint = 0x000F;
inline constexpr std::uint32_t Close = 0x0010;
inline constexpr std::uint32_t Quit = 0x0012;
inline constexpr std::uint32_t ActivateApp = 0x001C;  // wParam 0: the application lost activation
inline constexpr std::uint32_t SetCursor = 0x0020;
inline constexpr std::uint32_t KeyDown = 0x0100;      // wParam: key code
inline constexpr std::uint32_t Char = 0x0102;         // made by translateMessage from KeyDown
inline constexpr std::uint32_t SysCommand = 0x0112;   // wParam: one of syscmd::
inline constexpr std::uint32_t Timer = 0x0113;        // wParam: timer id
inline constexpr std::uint32_t MouseMove = 0x0200;    // lParam: x in the low 16 bits, y in the next 16
inline constexpr std::uint32_t LButtonDown = 0x0201;
inline constexpr std::uint32_t RButtonDown = 0x0204;
inline constexpr std::uint32_t MButtonDown = 0x0207;
inline constexpr std::uint32_t PowerBroadcast = 0x0218;  // wParam: power event, 4 = suspend requested
inline constexpr std::uint32_t User = 0x0400;
}  // namespace msg

namespace syscmd {
inline constexpr std::uintptr_t NextWindow = 0xF040;
inline constexpr std::uintptr_t PrevWindow = 0xF050;
inline constexpr std::uintptr_t Close = 0xF060;
inline constexpr std::uintptr_t ScreenSave = 0xF140;
}  // namespace syscmd

inline constexpr std::uintptr_t kPowerSuspend = 4;

struct Message {
    WindowHandle window = WindowHandle::None;  // None: a thread message (Quit)
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

using WindowProc = std::intptr_t (*)(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t);

// Window styles: only the combinations the saver uses are honoured by the backends.
namespace style {
inline constexpr std::uint32_t Visible = 0x10000000;
inline constexpr std::uint32_t Child = 0x40000000;
inline constexpr std::uint32_t Popup = 0x80000000;
inline constexpr std::uint32_t Caption = 0x00C00000;
inline constexpr std::uint32_t SysMenu = 0x00080000;
inline constexpr std::uint32_t MinimizeBox = 0x00020000;
inline constexpr std::uint32_t ExTopMost = 0x00000008;  // extended style
}  // namespace style

struct WindowClass {
    std::string name;
    WindowProc proc = nullptr;
    int iconResource = 0;  // icon resource id of the module, 0 = none
};

struct WindowDesc {
    std::string className;
    std::string title;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Rect rect;                                 // client area in desktop coordinates (primary at 0, 0)
    WindowHandle owner = WindowHandle::None;   // destroyed with its owner
    ForeignWindowId foreign = 0;               // nonzero: draw into this existing X11 window instead
};

}  // namespace vm::os
