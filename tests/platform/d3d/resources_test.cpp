// Buffers and textures against bad arguments: bounded locks, index checks at draw time, resources
// outliving their bindings or their device.

#include <cstring>

#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

using Resources = DeviceFixture;

TEST_F(Resources, LockRangesAreChecked) {
    std::unique_ptr<VertexBuffer> vb;
    ASSERT_EQ(dev->CreateVertexBuffer(100, usage::kWriteOnly, 0x144, Pool::Managed, &vb), kOk);
    struct Case {
        const char* name;
        std::uint32_t offset, size;
        Result expected;
    };
    const Case cases[] = {
        {"whole", 0, 0, kOk},          {"tail", 60, 40, kOk},
        {"past_end", 60, 41, kErrInvalidCall}, {"offset_past_end", 101, 0, kErrInvalidCall},
        {"wrapping_size", 8, 0xFFFFFFFCu, kErrInvalidCall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(vb->Lock(c.offset, c.size, &p, 0), c.expected);
        if (c.expected == kOk) {
            EXPECT_NE(p, nullptr);
            EXPECT_EQ(vb->Lock(0, 0, &p, 0), kErrInvalidCall);  // one lock at a time
            EXPECT_EQ(vb->Unlock(), kOk);
        } else {
            EXPECT_EQ(p, nullptr);
        }
    }
    EXPECT_EQ(vb->Unlock(), kErrInvalidCall);

    std::unique_ptr<Texture> t;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, Format::A8R8G8B8, Pool::Managed, &t), kOk);
    LockedRect lr;
    const Rect outside{4, 4, 9, 8};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), kErrInvalidCall);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), kErrInvalidCall);
    const Rect inside{4, 2, 8, 8};
    ASSERT_EQ(t->LockRect(0, &lr, &inside, 0), kOk);
    EXPECT_EQ(lr.Pitch, 32);
    ASSERT_EQ(t->UnlockRect(0), kOk);
}

TEST_F(Resources, CreationRejectsBadSizesAndFormats) {
    Caps caps;
    ASSERT_EQ(dev->GetDeviceCaps(&caps), kOk);
    struct Case {
        const char* name;
        std::uint32_t w, h, levels, usage;
        Format format;
        Pool pool;
        Result expected;
    };
    const Case cases[] = {
        {"full_chain", 256, 64, 0, 0, Format::R5G6B5, Pool::Managed, kOk},
        {"zero_width", 0, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, kErrInvalidCall},
        {"over_caps", caps.MaxTextureWidth + 1, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, kErrInvalidCall},
        {"too_many_levels", 4, 4, 4, 0, Format::A8R8G8B8, Pool::Managed, kErrInvalidCall},
        {"depth_format", 4, 4, 1, 0, Format::D16, Pool::Managed, kErrInvalidCall},
        {"target_managed", 4, 4, 1, usage::kRenderTarget, Format::A8R8G8B8, Pool::Managed, kErrInvalidCall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Texture> t;
        EXPECT_EQ(dev->CreateTexture(c.w, c.h, c.levels, c.usage, c.format, c.pool, &t), c.expected);
        EXPECT_EQ(t != nullptr, c.expected == kOk);
    }
    std::unique_ptr<VertexBuffer> vb;
    EXPECT_EQ(dev->CreateVertexBuffer(0, 0, 0x144, Pool::Managed, &vb), kErrInvalidCall);
    EXPECT_EQ(dev->CreateVertexBuffer(0xFFFFFFFFu, 0, 0x144, Pool::Managed, &vb), kErrInvalidCall);
    std::unique_ptr<IndexBuffer> ib;
    EXPECT_EQ(dev->CreateIndexBuffer(6, 0, Format::A8R8G8B8, Pool::Managed, &ib), kErrInvalidCall);
}

// An index pointing past the vertex buffer must fail the draw, not read beyond the buffer.
TEST_F(Resources, IndexedDrawChecksIndicesAgainstTheVertexBuffer) {
    std::unique_ptr<VertexBuffer> vb;
    ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(ScreenVertex), 0, 0x144, Pool::Managed, &vb), kOk);
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), kOk);
    const ScreenVertex quad[4] = {{0, 64, 0.5f, 1, 0xFFFF0000, 0, 0}, {0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                  {64, 64, 0.5f, 1, 0xFFFF0000, 0, 0}, {64, 0, 0.5f, 1, 0xFFFF0000, 0, 0}};
    std::memcpy(p, quad, sizeof quad);
    ASSERT_EQ(vb->Unlock(), kOk);
    std::unique_ptr<IndexBuffer> ib;
    ASSERT_EQ(dev->CreateIndexBuffer(12 * 2, 0, Format::Index16, Pool::Managed, &ib), kOk);
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), kOk);
    // Subset 0: a good quad; subset 1 (indices 6..11): one index far out of range.
    const std::uint16_t idx[12] = {0, 1, 2, 2, 1, 3, 0, 1, 2, 2, 1, 4000};
    std::memcpy(p, idx, sizeof idx);
    ASSERT_EQ(ib->Unlock(), kOk);
    ASSERT_EQ(dev->SetVertexShader(0x144), kOk);
    ASSERT_EQ(dev->SetStreamSource(0, vb.get(), sizeof(ScreenVertex)), kOk);
    ASSERT_EQ(dev->Clear(0, nullptr, clear::kTarget, 0xFF000000, 1.0f, 0), kOk);

    struct Case {
        const char* name;
        std::uint32_t base, start, prims;
        Result expected;
    };
    const Case cases[] = {
        {"good_subset", 0, 0, 2, kOk},
        {"bad_index", 0, 6, 2, kErrInvalidCall},
        {"base_vertex_pushes_past_end", 1, 0, 2, kErrInvalidCall},
        {"range_past_index_buffer", 0, 6, 3, kErrInvalidCall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->SetIndices(ib.get(), c.base), kOk);
        EXPECT_EQ(dev->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 4, c.start, c.prims), c.expected);
    }
    EXPECT_EQ(Pixel(32, 32), 0xFFFF0000u);
    EXPECT_EQ(dev->DrawPrimitive(PrimitiveType::TriangleStrip, 1, 2), kErrInvalidCall);  // needs vertices 1..4
    EXPECT_EQ(dev->SetStreamSource(0, vb.get(), 0), kErrInvalidCall);
}

TEST_F(Resources, TextureDestroyedWhileBoundDrawsUntextured) {
    auto t = MakeTexture(1, 1, [](std::uint32_t, std::uint32_t) { return 0xFF0000FFu; });
    ASSERT_EQ(dev->SetTexture(0, t.get()), kOk);
    t.reset();
    EXPECT_EQ(dev->GetTexture(0), nullptr);
    // A new texture may reuse the GL name; the device must not think it is still bound.
    auto t2 = MakeTexture(1, 1, [](std::uint32_t, std::uint32_t) { return 0xFF00FF00u; });
    DrawQuad(0, 0, 64, 64, 0xFFFF8000);
    EXPECT_EQ(Pixel(32, 32), 0xFFFF8000u);
    ASSERT_EQ(dev->SetTexture(0, t2.get()), kOk);
    DrawQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(32, 32), 0xFF00FF00u);
}

TEST_F(Resources, ResourcesOutlivingTheirDeviceFailCleanly) {
    MakeDevice(16, 16);
    std::unique_ptr<Texture> t;
    ASSERT_EQ(dev->CreateTexture(4, 4, 0, 0, Format::A8R8G8B8, Pool::Managed, &t), kOk);
    std::unique_ptr<VertexBuffer> vb;
    ASSERT_EQ(dev->CreateVertexBuffer(64, 0, 0x144, Pool::Managed, &vb), kOk);
    Surface* s = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(1, &s), kOk);
    owned.reset();
    dev = nullptr;
    EXPECT_FALSE(t->HasDevice());
    LockedRect lr;
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), kErrInvalidDevice);
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), kErrInvalidDevice);
    SurfaceDesc d;
    EXPECT_EQ(s->GetDesc(&d), kErrInvalidDevice);
    t.reset();
    vb.reset();
}

TEST_F(Resources, StateSettersRejectUnknownValues) {
    EXPECT_EQ(dev->SetRenderState(RenderState::CullMode, 7u), kErrInvalidCall);
    EXPECT_EQ(dev->SetRenderState(RenderState::AlphaRef, 256u), kErrInvalidCall);
    EXPECT_EQ(dev->SetRenderState(RenderState::Count, 0u), kErrInvalidCall);
    EXPECT_EQ(dev->SetTextureStageState(0, TextureStageState::ColorOp, 9u), kErrInvalidCall);
    EXPECT_EQ(dev->SetTextureStageState(8, TextureStageState::ColorOp, 1u), kErrInvalidCall);
    EXPECT_EQ(dev->SetTextureStageState(0, TextureStageState::AddressU, 5u), kErrInvalidCall);
    EXPECT_EQ(dev->SetLight(8, Light{}), kErrInvalidCall);
    EXPECT_EQ(dev->LightEnable(8, true), kErrInvalidCall);
    EXPECT_EQ(dev->SetTransform(static_cast<TransformState>(5), Matrix{}), kErrInvalidCall);
    EXPECT_EQ(dev->SetVertexShader(0x2000), kErrInvalidCall);
    std::uint32_t v = 0;
    ASSERT_EQ(dev->GetRenderState(RenderState::CullMode, &v), kOk);
    EXPECT_EQ(v, static_cast<std::uint32_t>(Cull::CCW));
}

}  // namespace
}  // namespace vm::d3d::test
