// The loading picture (CustomData 476) is a view of our church rendered at build time.

#include <gtest/gtest.h>

#include "picture_stats.h"
#include "platform/d3dx/image.h"
#include "platform/os/resources.h"

namespace vm::scene {
namespace {

TEST(LoadingPicture, IsThe640By480ChurchAtNight) {
    const os::ResourceBytes bytes = os::findResource("CustomData", 476);
    ASSERT_FALSE(bytes.empty());
    d3dx::Image decoded;
    ASSERT_EQ(d3dx::decodeImage(bytes.data(), bytes.size(), decoded), 0);
    EXPECT_EQ(decoded.fileFormat, d3dx::ImageFileFormat::Jpg);
    ASSERT_EQ(decoded.width, 640u);
    ASSERT_EQ(decoded.height, 480u);
    const d3d::Image image{decoded.width, decoded.height, decoded.pixels};
    const test::PictureStats stats = test::measure(image);
    EXPECT_TRUE(test::looksLikeTheChurchAtNight(stats))
        << "lit " << stats.litFraction << ", mean rgb " << stats.red << " " << stats.green << " " << stats.blue;
}

}  // namespace
}  // namespace vm::scene
