#include "platform/os/instance_lock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <unistd.h>

namespace vm::os {
namespace {

std::string tempLockPath() {
    return ::testing::TempDir() + "vm_lock_" + std::to_string(getpid()) + ".lock";
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    std::string path = tempLockPath();
    InstanceLock first, second;
    ASSERT_TRUE(first.acquire(path));
    EXPECT_TRUE(first.held());
    EXPECT_FALSE(second.acquire(path));
    EXPECT_FALSE(second.held());
    first.release();
    EXPECT_TRUE(second.acquire(path));
    std::remove(path.c_str());
}

TEST(InstanceLock, UncreatableLockFileDoesNotStopTheSaver) {
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire("/nonexistent-folder/vaultmere.lock"));
    EXPECT_FALSE(lock.held());
}

TEST(InstanceLock, SymlinkedLockFileIsNotFollowed) {
    std::string target = ::testing::TempDir() + "vm_lock_target_" + std::to_string(getpid());
    std::string link = tempLockPath() + ".link";
    std::FILE* f = std::fopen(target.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    InstanceLock lock;
    lock.acquire(link);
    EXPECT_FALSE(lock.held());
    std::remove(link.c_str());
    std::remove(target.c_str());
}

}  // namespace
}  // namespace vm::os
