// Presenting into an X11 window the device did not make (the screen-saver daemon's window, the
// settings preview), with a 24-bit and a 32-bit ARGB visual. Needs an X server: ctest runs these
// once more under xvfb-run; without DISPLAY they skip.

// Xlib's macros (None, Bool ...) clash with GoogleTest: include it last.
#include "d3d_test_util.h"

#include <SDL2/SDL.h>

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vm::d3d::test {
namespace {

// 0x00RRGGBB of a pixel read from the window, whatever the visual's masks.
std::uint32_t WindowPixel(Display* dpy, Window w, const XVisualInfo& vi, int x, int y) {
    XImage* img = XGetImage(dpy, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    const unsigned long p = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    auto channel = [p](unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1)) mask >>= 1, ++shift;
        const unsigned long v = (p >> shift) & mask;
        return static_cast<std::uint32_t>(mask ? v * 255 / mask : 0);
    };
    return channel(vi.red_mask) << 16 | channel(vi.green_mask) << 8 | channel(vi.blue_mask);
}

TEST(ForeignWindow, PresentsIntoWindowsOf24And32BitVisualsAndFollowsResizes) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (ctest runs this under xvfb-run)";
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) GTEST_SKIP() << "cannot open the X display";
    auto d3d = Direct3D::Create(kSdkVersion, ObjectOptions{{}, true});
    ASSERT_TRUE(d3d);
    for (int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        XVisualInfo vi;
        if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), depth, TrueColor, &vi)) {
            ADD_FAILURE() << "no TrueColor visual of depth " << depth;
            continue;
        }
        XSetWindowAttributes a{};
        a.colormap = XCreateColormap(dpy, DefaultRootWindow(dpy), vi.visual, AllocNone);
        a.border_pixel = 0;
        a.background_pixel = 0;
        const Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 64, 48, 0, depth, InputOutput, vi.visual,
                                       CWColormap | CWBorderPixel | CWBackPixel, &a);
        XMapWindow(dpy, w);
        XSync(dpy, False);
        {
            PresentParameters pp;
            pp.Windowed = true;
            std::unique_ptr<Device> dev;
            ASSERT_EQ(d3d->CreateDevice(0, DevType::Hal, PresentTarget::X11(w), create::kHardwareVertexProcessing, &pp,
                                        &dev),
                      kOk);
            EXPECT_EQ(pp.BackBufferWidth, 64u);
            EXPECT_EQ(pp.BackBufferHeight, 48u);
            ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF3366CC, 1.0f, 0), kOk);
            // A strip of another colour on the top rows shows the picture is not upside down.
            const Rect top{0, 0, 64, 4};
            ASSERT_EQ(dev->Clear(1, &top, clear::kTarget, 0xFFFF0000, 1.0f, 0), kOk);
            ASSERT_EQ(dev->Present(), kOk);
            XSync(dpy, False);
            EXPECT_EQ(WindowPixel(dpy, w, vi, 32, 24), 0x3366CCu);
            EXPECT_EQ(WindowPixel(dpy, w, vi, 32, 1), 0xFF0000u);

            // The window grows; once SDL has seen the resize the picture is scaled onto all of it.
            XResizeWindow(dpy, w, 96, 72);
            XSync(dpy, False);
            SDL_PumpEvents();
            ASSERT_EQ(dev->Present(), kOk);
            XSync(dpy, False);
            EXPECT_EQ(WindowPixel(dpy, w, vi, 90, 68), 0x3366CCu);
        }
        XDestroyWindow(dpy, w);
        XFreeColormap(dpy, a.colormap);
        XSync(dpy, False);
    }
    XCloseDisplay(dpy);
}

}  // namespace
}  // namespace vm::d3d::test
