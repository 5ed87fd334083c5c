#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/fake/fake_platform.h"
#include "platform/os/termination.h"
#include "platform/os/windows.h"

namespace vm::os {
namespace {

std::vector<std::string>* gTrace = nullptr;

std::intptr_t tracingProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (gTrace) {
        gTrace->push_back(std::to_string(static_cast<std::uint32_t>(window)) + ":" + std::to_string(message) + ":" +
                          std::to_string(wParam));
    }
    return defWindowProc(window, message, wParam, lParam);
}

std::intptr_t refuseCreate(WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) {
    return message == msg::Create ? -1 : 0;
}

struct MessageQueueTest : ::testing::Test {
    FakePlatform fake;
    ScopedPlatform installed{fake};
    std::vector<std::string> trace;

    void SetUp() override {
        gTrace = &trace;
        clearTerminationRequest();
        ASSERT_EQ(registerClass({"cls", tracingProc, 0}), kOk);
    }
    void TearDown() override { gTrace = nullptr; }

    WindowHandle make(const std::string& title, WindowHandle owner = WindowHandle::None) {
        WindowDesc desc;
        desc.className = "cls";
        desc.title = title;
        desc.owner = owner;
        return createWindow(desc);
    }
};

TEST_F(MessageQueueTest, PostedMessagesComeOutInOrderBeforeTimersAndQuitLast) {
    WindowHandle w = make("a");
    ASSERT_TRUE(setTimer(w, 7, 1000));
    fake.advance(5000);
    postMessage(w, msg::User, 1, 0);
    postQuitMessage(3);
    postMessage(w, msg::User, 2, 0);

    struct Step {
        int result;
        std::uint32_t message;
        std::uintptr_t wParam;
    };
    // Quit keeps its place among posted messages; the overdue timer waits for an empty queue and its
    // missed ticks collapse into one.
    const Step expected[] = {{1, msg::User, 1}, {0, msg::Quit, 3}, {1, msg::User, 2}, {1, msg::Timer, 7}};
    for (const Step& step : expected) {
        Message m;
        ASSERT_EQ(getMessage(m), step.result);
        EXPECT_EQ(m.message, step.message);
        EXPECT_EQ(m.wParam, step.wParam);
    }
    Message m;
    EXPECT_FALSE(peekMessage(m)) << "a collapsed timer must not fire again before its interval";
}

TEST_F(MessageQueueTest, GetMessageWaitsForTheNextTimerOnTheClock) {
    WindowHandle w = make("a");
    setTimer(w, 1, 500);
    std::uint32_t start = fake.nowMs;
    Message m;
    ASSERT_EQ(getMessage(m), 1);
    EXPECT_EQ(m.message, msg::Timer);
    EXPECT_EQ(fake.nowMs - start, 500u);
    EXPECT_TRUE(killTimer(w, 1));
    EXPECT_FALSE(killTimer(w, 1));
}

TEST_F(MessageQueueTest, GetMessageReportsAWaitThatCouldNeverEnd) {
    make("a");
    Message m;
    EXPECT_EQ(getMessage(m), -1);
}

TEST_F(MessageQueueTest, ScheduledInputGoesToTheOldestWindowAtItsTime) {
    WindowHandle first = make("a");
    make("b");
    fake.scheduleInput(fake.nowMs + 40, msg::KeyDown, 'x');
    Message m;
    EXPECT_FALSE(peekMessage(m));
    ASSERT_EQ(getMessage(m), 1);
    EXPECT_EQ(m.window, first);
    EXPECT_EQ(m.message, msg::KeyDown);
    translateMessage(m);
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, msg::Char);
}

TEST_F(MessageQueueTest, DestroyingAnOwnerDestroysOwnedWindowsFirstAndDropsTheirMessages) {
    WindowHandle owner = make("owner");
    WindowHandle owned = make("owned", owner);
    postMessage(owned, msg::User, 0, 0);
    trace.clear();
    destroyWindow(owner);
    std::vector<std::string> expected = {
        std::to_string(static_cast<std::uint32_t>(owned)) + ":" + std::to_string(msg::Destroy) + ":0",
        std::to_string(static_cast<std::uint32_t>(owner)) + ":" + std::to_string(msg::Destroy) + ":0"};
    EXPECT_EQ(trace, expected);
    EXPECT_FALSE(isWindow(owned));
    Message m;
    EXPECT_FALSE(peekMessage(m));
    EXPECT_FALSE(postMessage(owned, msg::User, 0, 0));
}

TEST_F(MessageQueueTest, DefaultHandlingOfCloseDestroysAndSysCloseAsksToClose) {
    WindowHandle w = make("a");
    sendMessage(w, msg::SysCommand, syscmd::Close, 0);
    Message m;
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, msg::Close);
    dispatchMessage(m);
    EXPECT_FALSE(isWindow(w));
}

TEST_F(MessageQueueTest, CreationFailuresGiveNoWindow) {
    ASSERT_EQ(registerClass({"refuse", refuseCreate, 0}), kOk);
    struct Case {
        const char* name;
        std::string className;
        int failFrom;
        ForeignWindowId foreign;
    };
    const Case cases[] = {
        {"unknown class", "nope", -1, 0},
        {"backend refuses", "cls", 0, 0},
        {"procedure refuses Create", "refuse", -1, 0},
        {"foreign window that does not exist", "cls", -1, 0x1234},
    };
    for (const Case& c : cases) {
        fake.failWindowCreationFrom = c.failFrom;
        WindowDesc desc;
        desc.className = c.className;
        desc.foreign = c.foreign;
        EXPECT_EQ(createWindow(desc), WindowHandle::None) << c.name;
    }
    EXPECT_EQ(findWindow("refuse", {}), WindowHandle::None) << "a refused window must be gone";
}

TEST_F(MessageQueueTest, FindWindowMatchesClassAndTitleExactly) {
    WindowHandle w = make("D3D SS");
    EXPECT_EQ(findWindow("cls", {}), w);
    EXPECT_EQ(findWindow({}, "D3D SS"), w);
    EXPECT_EQ(findWindow("cls", "D3D"), WindowHandle::None);
    EXPECT_EQ(findWindow({}, {}), WindowHandle::None);
}

TEST_F(MessageQueueTest, NativeSideOfALiveWindowOnly) {
    fake.foreignWindows[0x42] = {0, 0, 320, 200};
    WindowDesc desc;
    desc.className = "cls";
    desc.rect = {0, 0, 320, 200};
    desc.foreign = 0x42;
    WindowHandle w = createWindow(desc);
    NativeWindow native = nativeWindow(w);
    EXPECT_EQ(native.x11Window, 0x42u);
    EXPECT_TRUE(native.headless);
    EXPECT_EQ(native.width, 320);
    destroyWindow(w);
    EXPECT_EQ(nativeWindow(w).x11Window, 0u);
}

TEST_F(MessageQueueTest, TerminationRequestBecomesOneQuit) {
    make("a");
    requestTermination();
    Message m;
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, msg::Quit);
    EXPECT_FALSE(peekMessage(m));
}

}  // namespace
}  // namespace vm::os
