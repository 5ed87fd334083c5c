#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

using DeviceBasics = DeviceFixture;

TEST_F(DeviceBasics, ClearFillsTheViewportOnly) {
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF102030, 1.0f, 0), kOk);
    Viewport vp{8, 4, 16, 8, 0, 1};
    ASSERT_EQ(dev->SetViewport(vp), kOk);
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFFFF0000, 1.0f, 0), kOk);
    EXPECT_TRUE(ColorNear(Pixel(8, 4), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(23, 11), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(24, 11), 0xFF102030, 0));
    EXPECT_TRUE(ColorNear(Pixel(7, 4), 0xFF102030, 0));
    EXPECT_TRUE(ColorNear(Pixel(8, 12), 0xFF102030, 0));
}

TEST_F(DeviceBasics, ScreenQuadCoversExactlyItsPixels) {
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0xFF000000, 1.0f, 0), kOk);
    ASSERT_EQ(dev->BeginScene(), kOk);
    DrawQuad(16, 8, 48, 40, 0xFF00FF00);
    ASSERT_EQ(dev->EndScene(), kOk);
    const Image img = Target();
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x) {
            const bool inside = x >= 16 && x < 48 && y >= 8 && y < 40;
            ASSERT_EQ(img.At(x, y), inside ? 0xFF00FF00u : 0xFF000000u) << x << "," << y;
        }
}

TEST_F(DeviceBasics, PresentShowsTheBackBuffer) {
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF336699, 1.0f, 0), kOk);
    ASSERT_EQ(dev->Present(), kOk);
    Image img;
    ASSERT_EQ(dev->ReadPresentedImage(&img), kOk);
    ASSERT_EQ(img.width, kSize);
    EXPECT_TRUE(ColorNear(img.At(0, 0), 0xFF336699, 0));
    EXPECT_TRUE(ColorNear(img.At(63, 63), 0xFF336699, 0));
}

}  // namespace
}  // namespace vm::d3d::test
