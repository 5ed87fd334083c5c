// Textures and meshes on a real (headless, Mesa) device: what is uploaded is what was prepared, and
// a mesh subset lands on the pixels its faces cover.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "image_builders.h"
#include "mesh_builders.h"
#include "platform/d3d/d3d.h"
#include "platform/d3dx/mesh.h"
#include "platform/d3dx/texture_from_memory.h"

namespace vm::d3dx {
namespace {

using testing::Bytes;

struct OnDevice : ::testing::Test {
    static constexpr std::uint32_t kSize = 32;
    std::unique_ptr<d3d::Direct3D> d3d;
    std::unique_ptr<d3d::Device> dev;

    // maxTexture: the texture size the device reports (0 = its own).
    void make(std::uint32_t maxTexture = 0) {
        d3d::ObjectOptions o;
        o.headless = true;
        o.maxTextureSize = maxTexture;
        d3d = d3d::Direct3D::Create(d3d::kSdkVersion, o);
        if (!d3d) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
        d3d::PresentParameters pp;
        pp.BackBufferWidth = pp.BackBufferHeight = kSize;
        pp.BackBufferFormat = d3d::Format::X8R8G8B8;
        pp.Windowed = true;
        if (d3d->CreateDevice(0, d3d::DevType::Hal, d3d::PresentTarget::Headless(kSize, kSize),
                              d3d::create::kHardwareVertexProcessing, &pp, &dev) != kOk)
            GTEST_SKIP() << "no OpenGL device could be created";
    }
    void TearDown() override {
        dev.reset();
        d3d.reset();
    }
};

Bytes tga(std::uint32_t w, std::uint32_t h, std::uint32_t argb) {
    Bytes b = testing::tgaHeader(2, w, h, 32, 0x28);
    for (std::uint32_t i = 0; i < w * h; ++i) testing::put32(b, argb);
    return b;
}

TEST_F(OnDevice, TextureFromMemoryUploadsEveryLevel) {
    make();
    if (!dev) return;
    const Bytes file = tga(8, 4, 0x80FF4020u);
    std::unique_ptr<d3d::Texture> tex;
    ImageInfo info;
    ASSERT_EQ(CreateTextureFromFileInMemoryEx(dev.get(), file.data(), file.size(), 0, 0, 0, 0, d3d::Format::Unknown,
                                              d3d::Pool::Managed, kDefault, kDefault, 0, &info, &tex),
              kOk);
    ASSERT_TRUE(tex);
    EXPECT_EQ(info.width, 8u);
    EXPECT_EQ(info.fileFormat, ImageFileFormat::Tga);
    ASSERT_EQ(tex->GetLevelCount(), 4u);  // 8x4, 4x2, 2x1, 1x1
    for (std::uint32_t level = 0; level < 4; ++level) {
        d3d::SurfaceDesc desc;
        ASSERT_EQ(tex->GetLevelDesc(level, &desc), kOk);
        EXPECT_EQ(desc.Format, d3d::Format::A8R8G8B8);
        EXPECT_EQ(desc.Width, 8u >> level);
        d3d::LockedRect lr;
        ASSERT_EQ(tex->LockRect(level, &lr, nullptr, d3d::lock::kReadOnly), kOk);
        std::uint32_t first;
        std::memcpy(&first, lr.Bits, 4);
        EXPECT_EQ(first, 0x80FF4020u) << "level " << level;
        tex->UnlockRect(level);
    }

    // The texture table's retry: the 16-bit fallback at a fixed size, one level.
    ASSERT_EQ(CreateTextureFromFileInMemoryEx(dev.get(), file.data(), file.size(), 16, 16, 1, 0, d3d::Format::R5G6B5,
                                              d3d::Pool::Managed, kDefault, kDefault, 0, nullptr, &tex),
              kOk);
    d3d::SurfaceDesc desc;
    ASSERT_EQ(tex->GetLevelDesc(0, &desc), kOk);
    EXPECT_EQ(desc.Format, d3d::Format::R5G6B5);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(tex->GetLevelCount(), 1u);

    const Bytes junk{0x00, 0x00, 0x63, 0x00};
    EXPECT_EQ(CreateTextureFromFileInMemory(dev.get(), junk.data(), junk.size(), &tex), kErrInvalidData);
    EXPECT_FALSE(tex);
}

TEST_F(OnDevice, ImageLargerThanTheDeviceFailsThenFitsAtItsMaximum) {
    make(64);
    if (!dev) return;
    const Bytes file = tga(128, 128, 0xFFFFFFFFu);
    std::unique_ptr<d3d::Texture> tex;
    EXPECT_EQ(CreateTextureFromFileInMemory(dev.get(), file.data(), file.size(), &tex), kErrInvalidCall);
    EXPECT_FALSE(tex);
    EXPECT_EQ(CreateTextureFromFileInMemoryEx(dev.get(), file.data(), file.size(), 64, 64, 0, 0, d3d::Format::A1R5G5B5,
                                              d3d::Pool::Managed, kDefault, kDefault, 0, nullptr, &tex),
              kOk);
    ASSERT_TRUE(tex);
    EXPECT_EQ(tex->GetLevelCount(), 7u);
}

TEST_F(OnDevice, EmptyRenderTargetTexture) {
    make();
    if (!dev) return;
    std::unique_ptr<d3d::Texture> tex;
    ASSERT_EQ(CreateTexture(dev.get(), 64, 32, 1, d3d::usage::kRenderTarget, d3d::Format::Unknown, d3d::Pool::Default,
                            &tex),
              kOk);
    d3d::SurfaceDesc desc;
    ASSERT_EQ(tex->GetLevelDesc(0, &desc), kOk);
    EXPECT_EQ(desc.Width, 64u);
    EXPECT_EQ(desc.Height, 32u);
    EXPECT_EQ(desc.Format, d3d::Format::A8R8G8B8);
}

// Two quads side by side in clip space (identity transforms), subset 0 left, subset 1 right, each
// with its own vertex colour.
TEST_F(OnDevice, DrawSubsetCoversItsFacesAndSeesLaterEdits) {
    make();
    if (!dev) return;
    struct V {
        float x, y, z;
        d3d::Color c;
    };
    const V verts[8] = {{-1, -1, 0.5f, 0xFFFF0000u}, {-1, 1, 0.5f, 0xFFFF0000u}, {0, -1, 0.5f, 0xFFFF0000u},
                        {0, 1, 0.5f, 0xFFFF0000u},   {0, -1, 0.5f, 0xFF0000FFu}, {0, 1, 0.5f, 0xFF0000FFu},
                        {1, -1, 0.5f, 0xFF0000FFu},  {1, 1, 0.5f, 0xFF0000FFu}};
    // Clockwise on screen (y up in clip space): (bottom-left, top-left, bottom-right), ...
    const std::uint16_t idx[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    std::unique_ptr<Mesh> mesh;
    ASSERT_EQ(Mesh::Create(4, 8, meshopt::kManaged, fvf::kXyz | fvf::kDiffuse, mesh, dev.get()), kOk);
    void* p = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &p), kOk);
    std::memcpy(p, verts, sizeof verts);
    mesh->UnlockVertexBuffer();
    ASSERT_EQ(mesh->LockIndexBuffer(0, &p), kOk);
    std::memcpy(p, idx, sizeof idx);
    mesh->UnlockIndexBuffer();
    std::uint32_t* attr = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attr), kOk);
    attr[0] = attr[1] = 0;
    attr[2] = attr[3] = 1;
    mesh->UnlockAttributeBuffer();
    ASSERT_EQ(mesh->OptimizeInplace(meshopt::kOptAttrSort, nullptr, nullptr, nullptr, nullptr), kOk);

    dev->SetRenderState(d3d::RenderState::Lighting, false);
    dev->SetRenderState(d3d::RenderState::CullMode, d3d::Cull::None);
    auto frame = [&](std::uint32_t subset) {
        dev->Clear(0, nullptr, d3d::clear::kTarget, 0xFF00FF00u, 1.0f, 0);
        dev->BeginScene();
        EXPECT_EQ(mesh->DrawSubset(subset), kOk);
        dev->EndScene();
        d3d::Image img;
        EXPECT_EQ(dev->ReadRenderTarget(&img), kOk);
        return img;
    };
    d3d::Image img = frame(1);
    ASSERT_EQ(img.width, kSize);
    EXPECT_EQ(img.At(4, 16) & 0xFFFFFFu, 0x00FF00u);   // left half: not drawn
    EXPECT_EQ(img.At(28, 16) & 0xFFFFFFu, 0x0000FFu);  // right half: subset 1

    // An edit through the lock must reach the device on the next draw.
    ASSERT_EQ(mesh->LockVertexBuffer(0, &p), kOk);
    V* v = static_cast<V*>(p);
    for (int i = 0; i < 8; ++i)
        if (v[i].c == 0xFFFF0000u) v[i].c = 0xFFFFFFFFu;
    mesh->UnlockVertexBuffer();
    img = frame(0);
    EXPECT_EQ(img.At(4, 16) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(img.At(28, 16) & 0xFFFFFFu, 0x00FF00u);

    std::unique_ptr<Mesh> cpuOnly;
    ASSERT_EQ(Mesh::Create(1, 3, 0, fvf::kXyz, cpuOnly), kOk);
    EXPECT_EQ(cpuOnly->DrawSubset(0), kErrInvalidCall);  // no device to draw on
}

}  // namespace
}  // namespace vm::d3dx
