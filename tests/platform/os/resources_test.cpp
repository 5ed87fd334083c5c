#include "platform/os/resources.h"

#include <gtest/gtest.h>

#include <array>

namespace vm::os {
namespace {

struct ResourcesTest : ::testing::Test {
    void TearDown() override { clearResourceOverrides(); }
};

TEST_F(ResourcesTest, MissingResourceIsEmpty) { EXPECT_TRUE(findResource("MediaData", 999999).empty()); }

TEST_F(ResourcesTest, OverrideMatchesTypeCaseBlindAndCanBeHidden) {
    static const std::array<std::uint8_t, 3> bytes{1, 2, 3};
    overrideResource("CustomData", 42, bytes);
    ResourceBytes found = findResource("customdata", 42);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[2], 3);
    EXPECT_TRUE(findResource("CustomData", 43).empty());
    hideResource("CustomData", 42);
    EXPECT_TRUE(findResource("CustomData", 42).empty());
}

}  // namespace
}  // namespace vm::os
