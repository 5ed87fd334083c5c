// Drawing on a headless device (Mesa llvmpipe): material and texture choices of DrawWithOptions, and the
// skinned character drawn at two animation times.

#include <gtest/gtest.h>

#include <fstream>

#include "engine/mesh_draw.h"
#include "engine/scene_object.h"
#include "engine_test_util.h"
#include "platform/d3d/d3d.h"
#include "platform/d3dx/math.h"

namespace vm::engine {
namespace {

constexpr std::uint32_t kSize = 64;

struct DrawFixture : ::testing::Test {
    std::unique_ptr<d3d::Direct3D> d3d;
    std::unique_ptr<d3d::Device> device;

    void SetUp() override {
        d3d::ObjectOptions o;
        o.headless = true;
        d3d = d3d::Direct3D::Create(d3d::kSdkVersion, o);
        d3d::PresentParameters pp;
        pp.BackBufferWidth = kSize;
        pp.BackBufferHeight = kSize;
        pp.BackBufferFormat = d3d::Format::X8R8G8B8;
        pp.Windowed = true;
        pp.EnableAutoDepthStencil = true;
        pp.AutoDepthStencilFormat = d3d::Format::D24S8;
        if (d3d)
            d3d->CreateDevice(0, d3d::DevType::Hal, d3d::PresentTarget::Headless(kSize, kSize),
                              d3d::create::kHardwareVertexProcessing, &pp, &device);
        if (!device) GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
    }

    void Begin(std::uint32_t background = 0xFF000000) {
        device->Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, background, 1.0f, 0);
        device->BeginScene();
    }
    d3d::Image End() {
        device->EndScene();
        d3d::Image img;
        EXPECT_EQ(device->ReadRenderTarget(&img), 0);
        return img;
    }
};

d3d::Material Emissive(float r, float g, float b) {
    d3d::Material m;
    m.Emissive = {r, g, b, 1};
    return m;
}

// Two quads side by side filling the view, x in [-1, 0] with material 1 and [0, 1] with material 0.
const char* kTwoQuads = R"(Frame Panel { Mesh {
  6; -1;-1;0;, 0;-1;0;, 1;-1;0;, -1;1;0;, 0;1;0;, 1;1;0;;
  2; 4; 0,3,4,1;, 4; 1,4,5,2;;
  MeshNormals { 1; 0;0;-1;; 2; 4; 0,0,0,0;, 4; 0,0,0,0;; }
  MeshMaterialList { 3; 2; 1, 0;;
    Material { 0;0;0;1;; 0; 0;0;0;; 0;1;0;; }
    Material { 0;0;0;1;; 0; 0;0;0;; 1;0;0;; }
    Material { 0;0;0;1;; 0; 0;0;0;; 1;1;1;; } }
} })";

TEST_F(DrawFixture, DrawWithOptionsChoosesMaterials) {
    XModel model;
    ASSERT_EQ(model.AttachDevice(device.get()), 0);
    ASSERT_EQ(test::loadText(model, kTwoQuads), 0);
    std::vector<SceneObject> objects;
    ASSERT_EQ(CollectObjects(model, objects), 1);
    ASSERT_EQ(objects[0].SplitIntoClusters(), 2);  // material 2 is unused
    device->SetRenderState(d3d::RenderState::CullMode, d3d::Cull::None);
    device->SetTransform(d3d::TransformState::World, objects[0].WorldMatrix());
    const d3d::Material blue = Emissive(0, 0, 1);
    struct Case {
        const char* name;
        bool useMaterials, useTextures;
        const d3d::Material* override;
        std::uint32_t left, right;
    };
    const Case cases[] = {
        {"file materials win over the override", true, true, &blue, 0xFFFF0000, 0xFF00FF00},
        {"override without file materials", false, false, &blue, 0xFF0000FF, 0xFF0000FF},
        {"neither: the device's material stays", false, false, nullptr, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        device->SetMaterial(Emissive(1, 1, 1));
        Begin();
        EXPECT_EQ(DrawWithOptions(objects[0], *device, c.useMaterials, c.useTextures, c.override), 0) << c.name;
        const d3d::Image img = End();
        EXPECT_EQ(img.At(kSize / 4, kSize / 2), c.left) << c.name;
        EXPECT_EQ(img.At(3 * kSize / 4, kSize / 2), c.right) << c.name;
    }
    // DrawObject uses the file materials and the object's world matrix.
    Begin();
    EXPECT_EQ(DrawObject(model, objects[0]), 0);
    const d3d::Image img = End();
    EXPECT_EQ(img.At(kSize / 4, kSize / 2), 0xFFFF0000u);
    EXPECT_EQ(img.At(3 * kSize / 4, kSize / 2), 0xFF00FF00u);
}

// Stands in for the archive hook: "wall.jpg" exists, anything else is missing.
int FakeArchiveTexture(d3d::Device* device, const char* fileName, std::shared_ptr<d3d::Texture>* out) {
    if (std::string_view(fileName) != "wall.jpg") return -1;
    std::unique_ptr<d3d::Texture> t;
    const int r = device->CreateTexture(1, 1, 1, 0, d3d::Format::A8R8G8B8, d3d::Pool::Managed, &t);
    if (r == 0) *out = std::move(t);
    return r;
}

TEST_F(DrawFixture, AMissingTextureLeavesItsSlotEmptyAndTheMeshLoads) {
    XModel model;
    model.AttachDevice(device.get());
    model.SetTextureLoader(FakeArchiveTexture);
    ASSERT_EQ(test::loadText(model, "Frame F { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;;"
                                    " MeshMaterialList { 2; 1; 0;;"
                                    " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"wall.jpg\"; } }"
                                    " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"missing.jpg\"; } } } } }"),
              0);
    const FrameMesh* fm = model.FindFrameByName("F")->meshes.get();
    ASSERT_NE(fm, nullptr);
    ASSERT_EQ(fm->textures.size(), 2u);
    EXPECT_NE(fm->textures[0], nullptr);
    EXPECT_EQ(fm->textures[1], nullptr);
    EXPECT_EQ(fm->subsetCount, 2u);
    EXPECT_EQ(fm->subsetMaterial, (std::vector<std::uint32_t>{0, 1}));
}

TEST_F(DrawFixture, SkinnedCharacterMovesBetweenTwoAnimationTimes) {
    std::ifstream in(VM_FIXTURES_DIR "/x/Testwuson.X", std::ios::binary | std::ios::ate);
    if (!in) GTEST_SKIP() << "fixture Testwuson.X is missing (shared fixtures not laid out)";
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    ASSERT_TRUE(in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    XModel model;
    model.AttachDevice(device.get());
    ASSERT_EQ(model.LoadFromMemory(bytes.data(), bytes.size()), 0);
    std::vector<SceneObject> objects;
    ASSERT_EQ(CollectObjects(model, objects), 1);
    ASSERT_TRUE(objects[0].IsSkinned());
    EXPECT_EQ(DrawWithOptions(objects[0], *device, true, true, nullptr), 1);  // skinned: nothing drawn
    const FrameMesh& fm = *objects[0].GetFrameMesh();
    ASSERT_EQ(fm.boneMatrices.size(), 37u);
    for (const d3d::Matrix* m : fm.boneMatrices) EXPECT_NE(m, nullptr);
    EXPECT_GE(fm.maxFaceInfluences, 1u);

    const d3d::Vector3 c = model.currentRoot->sphereCentre;
    const float r = model.currentRoot->sphereRadius;
    ASSERT_GT(r, 0.0f);
    device->SetTransform(d3d::TransformState::View,
                         d3dx::lookAtLH({c.x + 2.5f * r, c.y, c.z}, c, {0, 0, 1}));
    device->SetTransform(d3d::TransformState::Projection, d3dx::perspectiveFovLH(0.8f, 1.0f, 0.05f * r, 10 * r));
    device->SetRenderState(d3d::RenderState::CullMode, d3d::Cull::None);
    device->SetRenderState(d3d::RenderState::Ambient, 0xFFFFFFFFu);

    auto frameAt = [&](float seconds) {
        model.ResetTimes();
        model.Advance(seconds);
        model.ComputeWorldMatrices(d3dx::identity());
        Begin();
        EXPECT_EQ(DrawObject(model, objects[0]), 0);
        return End();
    };
    const d3d::Image a = frameAt(0.0f);
    const d3d::Image b = frameAt(0.35f);
    int covered = 0, changed = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        covered += a.pixels[i] != 0xFF000000u;
        changed += a.pixels[i] != b.pixels[i];
    }
    EXPECT_GT(covered, 40) << "the character should be in view";
    EXPECT_GT(changed, 10) << "the character should have moved";
}

}  // namespace
}  // namespace vm::engine
