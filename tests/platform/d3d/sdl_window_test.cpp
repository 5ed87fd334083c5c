// A full-screen device on an SDL window: loses itself when the window loses focus or is minimised,
// and becomes resettable when the focus comes back. Runs on SDL's offscreen driver when there is no
// display.

#include "d3d_test_util.h"

#include <SDL2/SDL.h>

#include <cstdlib>

namespace vm::d3d::test {
namespace {

void SendWindowEvent(SDL_Window* w, Uint8 event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(w);
    e.window.event = event;
    SDL_PushEvent(&e);  // event watches see pushed events at once
}

TEST(SdlWindow, FocusLossMakesAFullScreenDeviceLostUntilReset) {
    if (!std::getenv("DISPLAY")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no SDL video driver: " << SDL_GetError();
    SDL_Window* w = SDL_CreateWindow("device test", 0, 0, 64, 48, SDL_WINDOW_OPENGL);
    if (!w) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        GTEST_SKIP() << "no OpenGL window: " << SDL_GetError();
    }
    {
        auto d3d = Direct3D::Create(kSdkVersion, ObjectOptions{{}, true});
        ASSERT_TRUE(d3d);
        PresentParameters pp;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 48;
        pp.Windowed = false;
        std::unique_ptr<Device> dev;
        ASSERT_EQ(d3d->CreateDevice(0, DevType::Hal, PresentTarget::Sdl(w), create::kHardwareVertexProcessing, &pp,
                                    &dev),
                  kOk);
        ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF00FF00, 1.0f, 0), kOk);
        ASSERT_EQ(dev->Present(), kOk);
        Image img;
        ASSERT_EQ(dev->ReadPresentedImage(&img), kOk);
        EXPECT_EQ(img.At(5, 5), 0xFF00FF00u);

        struct Step {
            const char* name;
            Uint8 event;
            Result expected;
        };
        const Step steps[] = {
            {"focus_lost", SDL_WINDOWEVENT_FOCUS_LOST, kErrDeviceLost},
            {"minimised", SDL_WINDOWEVENT_MINIMIZED, kErrDeviceLost},
            {"focus_back", SDL_WINDOWEVENT_FOCUS_GAINED, kErrDeviceNotReset},
        };
        for (const Step& s : steps) {
            SCOPED_TRACE(s.name);
            SendWindowEvent(w, s.event);
            EXPECT_EQ(dev->TestCooperativeLevel(), s.expected);
        }
        EXPECT_EQ(dev->Present(), kErrDeviceLost);
        ASSERT_EQ(dev->Reset(&pp), kOk);
        EXPECT_EQ(dev->TestCooperativeLevel(), kOk);
        EXPECT_EQ(dev->Present(), kOk);
    }
    SDL_DestroyWindow(w);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
}  // namespace vm::d3d::test
