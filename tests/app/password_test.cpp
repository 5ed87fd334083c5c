#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/os/registry.h"
#include "tracing_saver.h"

namespace vm::testing {
namespace {

// The system password functions as the fake library hands them out.
std::vector<int> gVerifierAnswers;
int gVerifierCalls = 0;
TracingSaver* gWatched = nullptr;
int gPresentMismatches = 0;  // calls where "present first" did not follow the parity
int verifyStandIn(std::uintptr_t) {
    if (gWatched) {
        bool presentedFirst = !gWatched->trace.empty() && gWatched->trace.back() == "(present)";
        if (presentedFirst != (gWatched->presentParity() == 0)) ++gPresentMismatches;
    }
    int answer = gVerifierAnswers.empty() ? 1 : gVerifierAnswers.front();
    if (!gVerifierAnswers.empty()) gVerifierAnswers.erase(gVerifierAnswers.begin());
    ++gVerifierCalls;
    return answer;
}

struct ChangeCall {
    std::string provider;
    std::uintptr_t owner;
};
std::vector<ChangeCall> gChangeCalls;
int changeStandIn(const char* provider, std::uintptr_t owner, std::uint32_t, void*) {
    gChangeCalls.push_back({provider, owner});
    return 0;
}

struct PasswordTest : SaverFixture {
    void SetUp() override {
        SaverFixture::SetUp();
        gVerifierAnswers.clear();
        gVerifierCalls = 0;
        gWatched = nullptr;
        gPresentMismatches = 0;
        gChangeCalls.clear();
        fake.libraries["PASSWORD.CPL"].functions["VerifyScreenSavePwd"] = reinterpret_cast<void*>(&verifyStandIn);
        fake.libraries["MPR.DLL"].functions["PwdChangePasswordA"] = reinterpret_cast<void*>(&changeStandIn);
    }
};

TEST_F(PasswordTest, WhoIsAskedBeforeTheSaverEnds) {
    struct Case {
        const char* name;
        os::PlatformId platform;
        bool optionReadable;
        std::uint32_t option;
        bool libraryLoaded;
    };
    const Case cases[] = {
        {"NT family: no library, ends at once", os::PlatformId::NtFamily, true, 1, false},
        {"Windows 9x, password off", os::PlatformId::Windows9x, true, 0, false},
        {"Windows 9x, option missing", os::PlatformId::Windows9x, false, 1, false},
        {"Windows 9x, password on", os::PlatformId::Windows9x, true, 1, true},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        fake.loadedLibraries.clear();
        fake.freedLibraries.clear();
        fake.platformKind = c.platform;
        gVerifierCalls = 0;
        TracingSaver saver;
        saver.passwordOptionReadable = c.optionReadable;
        saver.passwordOption = c.option;
        fake.scheduleInput(fake.nowMs + 100, os::msg::KeyDown, 'k');
        saver.setLaunch({"vm", "/s"});
        saver.createSaver();
        saver.run();
        std::vector<std::string> expectedLoads;
        if (c.libraryLoaded) expectedLoads.push_back("PASSWORD.CPL");
        EXPECT_EQ(fake.loadedLibraries, expectedLoads) << c.name;
        EXPECT_EQ(fake.freedLibraries, expectedLoads) << c.name << ": freed at shutdown";
        EXPECT_EQ(gVerifierCalls, c.libraryLoaded ? 1 : 0) << c.name;
        EXPECT_TRUE(std::count(saver.trace.begin(), saver.trace.end(), "freeSound") == 1) << c.name;
    }
}

TEST_F(PasswordTest, RefusedPasswordKeepsRunningAndTheNextMoveAsksAgain) {
    fake.platformKind = os::PlatformId::Windows9x;
    app.passwordOptionReadable = true;
    app.passwordOption = 1;
    gVerifierAnswers = {0, 0, 0, 1};
    gWatched = &app;
    app.setExitOnMouseMove(true);
    std::uint32_t at = fake.nowMs + 1000;
    fake.scheduleInput(at, os::msg::KeyDown, 'k');
    fake.scheduleInput(at + 500, os::msg::MouseMove);
    fake.scheduleInput(at + 503, os::msg::MouseMove);
    fake.scheduleInput(at + 1000, os::msg::MouseMove);
    start({"vm", "/s"});
    EXPECT_EQ(gVerifierCalls, 4);
    EXPECT_EQ(gPresentMismatches, 0) << "present once more exactly when the back buffer is in front";
    EXPECT_EQ(app.mouseMoveBudget(), -1) << "each refusal set the budget to 0; the next move asked again";
    EXPECT_EQ(std::count(app.trace.begin(), app.trace.end(), "freeSound"), 1);
    EXPECT_GE(fake.cursorHideCount, 2) << "a refusal hides the cursor again";
    EXPECT_FALSE(overran);
}

TEST_F(PasswordTest, SuspendNoticeDoesNotEndTheSaverWhileAVerifierIsLoaded) {
    fake.platformKind = os::PlatformId::Windows9x;
    app.passwordOptionReadable = true;
    app.passwordOption = 1;
    fake.scheduleInput(fake.nowMs + 100, os::msg::PowerBroadcast, os::kPowerSuspend);
    fake.scheduleInput(fake.nowMs + 200, os::msg::Close);
    start({"vm", "/s"});
    EXPECT_EQ(gVerifierCalls, 0);
    EXPECT_EQ(std::count(app.trace.begin(), app.trace.end(), "freeSound"), 0);
}

TEST_F(PasswordTest, ChangePasswordCallsTheSystemDialog) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool libraryPresent;
        std::vector<std::uintptr_t> owners;
    };
    const Case cases[] = {
        {"with owner", {"vm", "/a", "77"}, true, {77}},
        {"without owner", {"vm", "/a"}, true, {0}},
        {"library missing", {"vm", "/a:5"}, false, {}},
    };
    for (const Case& c : cases) {
        os::resetWindowSystem();
        fake.clearScript();
        gChangeCalls.clear();
        fake.freedLibraries.clear();
        if (!c.libraryPresent) fake.libraries.erase("MPR.DLL");
        TracingSaver saver;
        saver.setLaunch(c.args);
        saver.createSaver();
        saver.run();
        ASSERT_EQ(gChangeCalls.size(), c.owners.size()) << c.name;
        for (std::size_t i = 0; i < c.owners.size(); ++i) {
            EXPECT_EQ(gChangeCalls[i].provider, "SCRSAVE") << c.name;
            EXPECT_EQ(gChangeCalls[i].owner, c.owners[i]) << c.name;
        }
        EXPECT_EQ(fake.freedLibraries.size(), c.owners.size()) << c.name;
        EXPECT_TRUE(fake.createdWindows.empty()) << c.name;
    }
}

// The real option reader, through the registry stand-in.
struct RegistrySaver : SaverApp {
    using SaverApp::readPasswordOption;
};

TEST(PasswordOption, ReadFromTheUsersDesktopSettings) {
    os::useInMemoryRegistry();
    RegistrySaver saver;
    std::uint32_t value = 99;
    EXPECT_FALSE(saver.readPasswordOption(value)) << "no value yet";
    os::seedRegistryValue(os::RegHive::CurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword",
                          os::RegValue{os::RegValueType::Dword, 1, {}});
    EXPECT_TRUE(saver.readPasswordOption(value));
    EXPECT_EQ(value, 1u);
    os::useInMemoryRegistry();
}

}  // namespace
}  // namespace vm::testing
