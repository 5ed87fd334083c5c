// Rectangle geometry of the quad buffers, checked on the vertices and on the pixels drawn.

#include <gtest/gtest.h>

#include "gfx/quad_buffer_pool.h"
#include "headless_device.h"

namespace vm::gfx {
namespace {

struct QuadFixture : ::testing::Test {
    test::HeadlessDevice dev;
    QuadBufferPool pool;
    int rect = -1;

    void open(std::uint32_t w, std::uint32_t h) {
        if (!dev.open(w, h)) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
        pool.attach(dev.device.get(), 0);
        ASSERT_EQ(pool.create(rect, kRectVertexFormat, 4), 0);
        auto* v = static_cast<RectVertex*>(pool.lock(rect));
        ASSERT_NE(v, nullptr);
        for (int i = 0; i < 4; ++i) v[i] = {0, 0, 0.99f, 1, 0xFFFFFFFFu, 0, 0};
        pool.unlock(rect);
    }
    void TearDown() override { pool.releaseAll(); }
};

TEST_F(QuadFixture, VerticesCoverTheRectangle) {
    struct Case {
        const char* name;
        std::uint32_t w, h;
        float x, y, width, height;
        float left, top, right, bottom;
    };
    const Case cases[] = {
        {"full viewport", 1024, 768, 0, 0, 1, 1, 0, 0, 1024, 768},
        {"256x128 corner at 1024x768", 1024, 768, 1 - 256.0f / 1024, 1 - 128.0f / 768, 256.0f / 1024, 128.0f / 768,
         768, 640, 1024, 768},
        {"loading-screen corner at 640x480", 640, 480, 1 - 256.0f / 640, 1 - 128.0f / 480, 256.0f / 640,
         128.0f / 480, 384, 352, 640, 480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pool.releaseAll();
        rect = -1;
        open(c.w, c.h);
        if (IsSkipped()) return;
        pool.setQuad(rect, c.x, c.y, c.width, c.height, 0xFF123456u, 0, 0, 1, 1);
        const auto* v = static_cast<const RectVertex*>(pool.lock(rect));
        ASSERT_NE(v, nullptr);
        const RectVertex expected[4] = {{c.left, c.bottom, 0.99f, 1, 0xFF123456u, 0, 1},
                                        {c.left, c.top, 0.99f, 1, 0xFF123456u, 0, 0},
                                        {c.right, c.bottom, 0.99f, 1, 0xFF123456u, 1, 1},
                                        {c.right, c.top, 0.99f, 1, 0xFF123456u, 1, 0}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(v[i].x, expected[i].x, 1e-3f) << "vertex " << i;
            EXPECT_NEAR(v[i].y, expected[i].y, 1e-3f) << "vertex " << i;
            EXPECT_EQ(v[i].z, 0.99f) << "z is the owner's";
            EXPECT_EQ(v[i].rhw, 1.0f) << "rhw is the owner's";
            EXPECT_EQ(v[i].color, expected[i].color);
            EXPECT_EQ(v[i].u, expected[i].u);
            EXPECT_EQ(v[i].v, expected[i].v);
        }
        pool.unlock(rect);
    }
}

TEST_F(QuadFixture, CornerQuadDrawsExactlyItsPixels) {
    open(640, 480);
    if (IsSkipped()) return;
    d3d::Device& d = *dev.device;
    d.Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0xFF000000u, 1, 0);
    d.BeginScene();
    pool.bind(0, rect);
    d.SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::False);
    pool.setQuad(rect, 1 - 256.0f / 640, 1 - 128.0f / 480, 256.0f / 640, 128.0f / 480, 0xFFFFFFFFu, 0, 0, 1, 1);
    d.DrawPrimitive(d3d::PrimitiveType::TriangleStrip, 0, 2);
    d.EndScene();
    d3d::Image img;
    ASSERT_EQ(d.ReadRenderTarget(&img), 0);
    EXPECT_EQ(img.At(384, 352) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.At(639, 479) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.At(383, 352) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.At(384, 351) & 0xFFFFFF, 0u);
}

TEST_F(QuadFixture, CreateTakesNewSlotsAndReusesSlotsInUse) {
    open(64, 64);
    if (IsSkipped()) return;
    int a = -1, b = -1, stray = 12345;
    ASSERT_EQ(pool.create(a, kRectVertexFormat, 4), 0);
    ASSERT_EQ(pool.create(b, kRectVertexFormat, 4), 0);
    EXPECT_NE(a, b);
    EXPECT_NE(a, rect);
    const int before = pool.count();
    ASSERT_EQ(pool.create(a, 0x152, 4), 0);
    EXPECT_EQ(pool.count(), before) << "a slot in use is reused";
    ASSERT_EQ(pool.create(stray, kRectVertexFormat, 4), 0);
    EXPECT_EQ(stray, before) << "an id that is no slot takes a new one";
    int bad = -1;
    EXPECT_LT(pool.create(bad, 0x42, 4), 0) << "a format without a stride is refused";
    EXPECT_EQ(bad, -1);
}

TEST(QuadBufferPool, WithoutDeviceNothingIsCreatedOrWritten) {
    QuadBufferPool pool;
    pool.attach(nullptr, 0);
    int id = -1;
    EXPECT_LT(pool.create(id, kRectVertexFormat, 4), 0);
    EXPECT_EQ(id, -1);
    pool.setQuad(id, 0, 0, 1, 1, 0, 0, 0, 1, 1);  // must be a no-op
    pool.setQuad(7, 0, 0, 1, 1, 0, 0, 0, 1, 1);
    EXPECT_EQ(pool.lock(7), nullptr);
}

}  // namespace
}  // namespace vm::gfx
