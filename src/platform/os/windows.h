#pragma once
// Windows, the message queue and timers: the core of the OS stand-in, shared by every backend.
//
// Guarantees:
// - One thread. Window procedures run inside createWindow (Create), destroyWindow (Destroy),
//   sendMessage and dispatchMessage, never behind the caller's back.
// - Posted messages come out in posting order. Timer messages are made only when the queue is empty, at
//   most one per timer per check, as on the desktop platform; Quit comes out after everything posted
//   before it.
// - A termination request (SIGTERM, see termination.h) is turned into one posted Quit.
// - destroyWindow destroys owned windows first; handles of destroyed windows are never reused.

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/os/platform.h"
#include "platform/os/window_types.h"

namespace vm::os {

// Registers (or replaces) a class by name. Fails without a name or procedure.
int registerClass(const WindowClass& windowClass);

// Makes the native window, then sends Create; a Create result of -1 destroys it again.
// Returns None on failure (unknown class, the backend refused, Create refused).
WindowHandle createWindow(const WindowDesc& desc);
// Sends Destroy, then removes the window and its native side. Unknown handles are ignored.
void destroyWindow(WindowHandle window);
bool isWindow(WindowHandle window) noexcept;
// First live window whose class (when given) and title (when given) match exactly; None when none does.
// Both empty matches nothing.
WindowHandle findWindow(std::string_view className, std::string_view title);
Rect windowRect(WindowHandle window) noexcept;  // empty for unknown windows
// The native side for the graphics layer; see NativeWindow.
NativeWindow nativeWindow(WindowHandle window);

// Paints a bitmap resource (BMP with or without its file header) at (x, y) in its own size, the way the
// preview pane shows its picture. kFail for unknown windows or unreadable bitmaps.
int paintBitmap(WindowHandle window, std::span<const std::uint8_t> bitmap, int x, int y);

// Calls the window's procedure at once; 0 for unknown windows.
std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam);
// Queues a message for the window (None: a thread message). False for a window that does not exist.
bool postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
void postQuitMessage(int exitCode);

// Takes the next message without waiting; false when none is waiting.
bool peekMessage(Message& out);
// Waits for the next message. Returns 0 for Quit, 1 for any other message and -1 when none can ever
// arrive (the wait would never end) — the caller must stop waiting then.
int getMessage(Message& out);
// Adds a Char message after a printable KeyDown.
void translateMessage(const Message& message);
// Calls the target window's procedure; 0 for thread messages and unknown windows.
std::intptr_t dispatchMessage(const Message& message);

// The platform's default handling: Close destroys the window, SysCommand Close posts Close,
// SetCursor shows the class cursor, everything else returns 0.
std::intptr_t defWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);

// Starts or restarts timer id on the window; Timer messages every intervalMs. False for unknown windows.
bool setTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs);
bool killTimer(WindowHandle window, std::uintptr_t id);

// Destroys every window, forgets classes, timers and queued messages without calling procedures.
// For tests, between cases, and for the backend being replaced.
void resetWindowSystem() noexcept;

}  // namespace vm::os
