// The Direct3D object: adapters and modes as injected, capabilities, checks, device creation.

#include "d3d_test_util.h"

namespace vm::d3d::test {
namespace {

struct Object : ::testing::Test {
    std::unique_ptr<Direct3D> Make(ObjectOptions o) {
        auto d = Direct3D::Create(kSdkVersion, o);
        if (!d) ADD_FAILURE() << "no GL";
        return d;
    }
    static ObjectOptions TwoDisplays() {
        ObjectOptions o;
        FakeDisplay a{"left", {{1024, 768, 60, Format::X8R8G8B8}, {1024, 768, 60, Format::R5G6B5}, {320, 240, 60, Format::X8R8G8B8}},
                      {1024, 768, 60, Format::X8R8G8B8}};
        FakeDisplay b{"right", {{800, 600, 75, Format::X8R8G8B8}}, {800, 600, 75, Format::R8G8B8}};
        o.displays = {a, b};
        return o;
    }
    void SetUp() override {
        if (!Direct3D::Create(kSdkVersion, ObjectOptions{{}, true}))
            GTEST_SKIP() << "no OpenGL implementation reachable (needs Mesa's EGL surfaceless platform)";
    }
};

TEST_F(Object, WrongSdkVersionGivesNothing) { EXPECT_EQ(Direct3D::Create(219), nullptr); }

TEST_F(Object, AdaptersAndModesAsTheDisplaysReportThem) {
    auto d = Make(TwoDisplays());
    ASSERT_TRUE(d);
    ASSERT_EQ(d->GetAdapterCount(), 2u);
    AdapterIdentifier id;
    ASSERT_EQ(d->GetAdapterIdentifier(1, 0, &id), kOk);
    EXPECT_STREQ(id.Description, "right");
    ASSERT_EQ(d->GetAdapterModeCount(0), 3u);
    DisplayMode m;
    ASSERT_EQ(d->EnumAdapterModes(0, 1, &m), kOk);
    EXPECT_EQ(m.Width, 1024u);
    EXPECT_EQ(m.Format, Format::R5G6B5);
    EXPECT_EQ(d->EnumAdapterModes(0, 3, &m), kErrInvalidCall);
    EXPECT_EQ(d->EnumAdapterModes(2, 0, &m), kErrInvalidCall);
    ASSERT_EQ(d->GetAdapterDisplayMode(1, &m), kOk);
    EXPECT_EQ(m.Format, Format::R8G8B8);
    EXPECT_EQ(d->GetAdapterModeCount(7), 0u);
}

TEST_F(Object, HeadlessAdapterOffersCommonSizesInBothDepths) {
    auto d = Make(ObjectOptions{{}, true});
    ASSERT_TRUE(d);
    ASSERT_EQ(d->GetAdapterCount(), 1u);
    bool x8 = false, r565 = false;
    for (std::uint32_t i = 0; i < d->GetAdapterModeCount(0); ++i) {
        DisplayMode m;
        ASSERT_EQ(d->EnumAdapterModes(0, i, &m), kOk);
        if (m.Width == 640 && m.Height == 480) (m.Format == Format::X8R8G8B8 ? x8 : r565) = true;
    }
    EXPECT_TRUE(x8 && r565);
}

TEST_F(Object, CapabilitiesTheProgramReads) {
    ObjectOptions o{{}, true};
    o.maxTextureSize = 256;
    auto d = Make(o);
    ASSERT_TRUE(d);
    Caps c;
    ASSERT_EQ(d->GetDeviceCaps(0, DevType::Hal, &c), kOk);
    EXPECT_EQ(c.MaxTextureWidth, 256u);
    EXPECT_EQ(c.MaxTextureHeight, 256u);
    EXPECT_EQ(c.MaxActiveLights, 8u);
    EXPECT_GE(c.MaxVertexBlendMatrices, 2u);
    // Hardware vertex processing is chosen on these two.
    EXPECT_TRUE(c.DevCaps & devcaps::kTlVertexSystemMemory);
    EXPECT_GE(c.VertexShaderVersion, 0xFFFE0100u);
    EXPECT_EQ(d->GetDeviceCaps(0, DevType::Ref, &c), kErrNotAvailable);
}

TEST_F(Object, FormatChecks) {
    auto d = Make(ObjectOptions{{}, true});
    ASSERT_TRUE(d);
    struct Case {
        const char* name;
        Result got, expected;
    };
    const Case cases[] = {
        {"type_x8", d->CheckDeviceType(0, DevType::Hal, Format::X8R8G8B8, Format::X8R8G8B8, false), kOk},
        {"type_565", d->CheckDeviceType(0, DevType::Hal, Format::R5G6B5, Format::R5G6B5, false), kOk},
        {"type_24bit_display", d->CheckDeviceType(0, DevType::Hal, Format::R8G8B8, Format::R8G8B8, false), kErrNotAvailable},
        {"type_ref", d->CheckDeviceType(0, DevType::Ref, Format::X8R8G8B8, Format::X8R8G8B8, false), kErrNotAvailable},
        {"depth_d16", d->CheckDeviceFormat(0, DevType::Hal, Format::X8R8G8B8, usage::kDepthStencil, ResourceType::Surface, Format::D16), kOk},
        {"depth_d24x8", d->CheckDeviceFormat(0, DevType::Hal, Format::R5G6B5, usage::kDepthStencil, ResourceType::Surface, Format::D24X8), kOk},
        {"depth_d24s8", d->CheckDeviceFormat(0, DevType::Hal, Format::X8R8G8B8, usage::kDepthStencil, ResourceType::Surface, Format::D24S8), kOk},
        {"texture_a1r5g5b5", d->CheckDeviceFormat(0, DevType::Hal, Format::X8R8G8B8, 0, ResourceType::Texture, Format::A1R5G5B5), kOk},
        {"target_texture_a8", d->CheckDeviceFormat(0, DevType::Hal, Format::X8R8G8B8, usage::kRenderTarget, ResourceType::Texture, Format::A8R8G8B8), kOk},
        {"texture_depth_format", d->CheckDeviceFormat(0, DevType::Hal, Format::X8R8G8B8, 0, ResourceType::Texture, Format::D16), kErrNotAvailable},
        {"match", d->CheckDepthStencilMatch(0, DevType::Hal, Format::R5G6B5, Format::R5G6B5, Format::D24S8), kOk},
        {"ms_none", d->CheckDeviceMultiSampleType(0, DevType::Hal, Format::X8R8G8B8, false, MultisampleType::None), kOk},
        {"ms_type_1_never", d->CheckDeviceMultiSampleType(0, DevType::Hal, Format::X8R8G8B8, false, static_cast<MultisampleType>(1)), kErrNotAvailable},
        {"ms_type_17", d->CheckDeviceMultiSampleType(0, DevType::Hal, Format::X8R8G8B8, false, static_cast<MultisampleType>(17)), kErrNotAvailable},
        {"bad_adapter", d->CheckDeviceType(3, DevType::Hal, Format::X8R8G8B8, Format::X8R8G8B8, false), kErrInvalidCall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.expected);
    }
}

TEST_F(Object, MultisampleMaskLimitsWhatIsOffered) {
    ObjectOptions o{{}, true};
    o.multisampleMask = 0;  // all GL offers
    auto all = Make(o);
    o.multisampleMask = 1u << 2;
    auto onlyTwo = Make(o);
    ASSERT_TRUE(all && onlyTwo);
    for (std::uint32_t n = 3; n <= 16; ++n)
        EXPECT_EQ(onlyTwo->CheckDeviceMultiSampleType(0, DevType::Hal, Format::X8R8G8B8, false,
                                                      static_cast<MultisampleType>(n)),
                  kErrNotAvailable);
    // A type the object does not offer fails at creation, as a driver would refuse it.
    PresentParameters pp = DeviceFixture::Params(32, 32, Format::D16, MultisampleType::Samples3);
    std::unique_ptr<Device> dev;
    EXPECT_EQ(onlyTwo->CreateDevice(0, DevType::Hal, PresentTarget::Headless(32, 32),
                                    create::kSoftwareVertexProcessing, &pp, &dev),
              kErrNotAvailable);
    EXPECT_EQ(dev, nullptr);
}

TEST_F(Object, DeviceCreationFillsDefaultsAndTakesEitherVertexProcessing) {
    auto d = Make(TwoDisplays());
    ASSERT_TRUE(d);
    struct Case {
        const char* name;
        std::uint32_t flags;
        Result expected;
    };
    const Case cases[] = {
        {"hardware", create::kHardwareVertexProcessing, kOk},
        {"software", create::kSoftwareVertexProcessing, kOk},
        {"neither", 0, kErrInvalidCall},
        {"both", create::kHardwareVertexProcessing | create::kSoftwareVertexProcessing, kErrInvalidCall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PresentParameters pp;
        pp.Windowed = true;
        pp.EnableAutoDepthStencil = true;
        pp.AutoDepthStencilFormat = Format::D16;
        std::unique_ptr<Device> dev;
        ASSERT_EQ(d->CreateDevice(0, DevType::Hal, PresentTarget::Headless(320, 200), c.flags, &pp, &dev), c.expected);
        if (c.expected != kOk) continue;
        EXPECT_EQ(pp.BackBufferWidth, 320u);  // from the target's size
        EXPECT_EQ(pp.BackBufferHeight, 200u);
        EXPECT_EQ(pp.BackBufferFormat, Format::X8R8G8B8);  // the desktop format
        Viewport vp;
        ASSERT_EQ(dev->GetViewport(&vp), kOk);
        EXPECT_EQ(vp.Width, 320u);
    }
    PresentParameters bad;
    bad.BackBufferWidth = 64;
    bad.BackBufferHeight = 64;
    bad.EnableAutoDepthStencil = true;
    bad.AutoDepthStencilFormat = Format::A8R8G8B8;
    std::unique_ptr<Device> dev;
    EXPECT_EQ(d->CreateDevice(0, DevType::Hal, PresentTarget::Headless(64, 64), create::kHardwareVertexProcessing, &bad, &dev),
              kErrInvalidCall);
    EXPECT_EQ(d->CreateDevice(0, DevType::Hal, PresentTarget::Sdl(nullptr), create::kHardwareVertexProcessing, &bad, &dev),
              kErrNotAvailable);
}

}  // namespace
}  // namespace vm::d3d::test
