#include "platform/os/termination.h"

#include <gtest/gtest.h>

#include <csignal>

namespace vm::os {
namespace {

TEST(TerminationDeathTest, SigtermWhileLoadingEndsTheProcessAtOnceAndCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            installTerminationHandler();
            ImmediateTerminationScope loading;
            std::raise(SIGTERM);
            std::abort();  // not reached when the handler exits
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(TerminationDeathTest, RequestPendingWhenLoadingStartsEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            installTerminationHandler();
            std::raise(SIGTERM);
            setImmediateTermination(true);
            std::abort();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Termination, OutsideLoadingASignalIsOnlyARequest) {
    clearTerminationRequest();
    // Without the handler installed nothing may end this process, even when armed.
    setImmediateTermination(true);
    requestTermination();
    setImmediateTermination(false);
    EXPECT_TRUE(takeTerminationRequest());
    EXPECT_FALSE(takeTerminationRequest());
}

}  // namespace
}  // namespace vm::os
