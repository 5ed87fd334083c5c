// The Direct3D object: adapters from SDL's displays, capabilities probed from GL once, format checks
// and device creation.

#include "platform/d3d/direct3d.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/d3d/device.h"
#include "platform/d3d/device_core.h"
#include "platform/d3d/gl_api.h"
#include "platform/d3d/gl_context.h"

namespace vm::d3d {

namespace {

// Texture side the device offers at most, whatever GL allows: textures of untrusted images stay
// within 64 MiB, and the hardware this program was made for offered no more.
constexpr std::uint32_t kTextureSizeLimit = 4096;
// Display modes kept per adapter; SDL lists every refresh rate separately.
constexpr std::size_t kMaxModes = 512;

struct Adapter {
    AdapterIdentifier identifier;
    std::vector<DisplayMode> modes;
    DisplayMode desktop;
};

struct Probe {
    bool ok = false;
    std::string renderer;
    std::uint32_t maxTextureSize = 0;
    std::uint32_t maxTargetSize = 0;
    std::uint32_t sampleMask = 0;
};

void ReadLimits(Probe* p) {
    GLint maxTex = 0, maxRb = 0, maxSamples = 0, maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTex);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRb);
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    p->renderer = renderer ? renderer : "OpenGL";
    p->maxTextureSize = static_cast<std::uint32_t>(std::max(maxTex, 0));
    p->maxTargetSize = static_cast<std::uint32_t>(
        std::max(0, std::min({maxRb, maxTex, maxViewport[0], maxViewport[1]})));
    // A sample count counts only when GL gives exactly that many for colour and for depth.
    for (GLint n = 2; n <= 16 && n <= maxSamples; ++n) {
        bool exact = true;
        for (GLenum internal : {GLenum{GL_RGBA8}, GLenum{GL_DEPTH24_STENCIL8}}) {
            GLuint rb = 0;
            glGenRenderbuffers(1, &rb);
            glBindRenderbuffer(GL_RENDERBUFFER, rb);
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, n, internal, 4, 4);
            GLint got = 0;
            glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &got);
            glDeleteRenderbuffers(1, &rb);
            if (got != n) exact = false;
        }
        while (glGetError() != GL_NO_ERROR) {
        }
        if (exact) p->sampleMask |= 1u << n;
    }
    p->ok = p->maxTextureSize > 0;
}

Probe RunProbe() {
    Probe p;
    std::string error;
    if (auto ctx = detail::GlContext::Create(PresentTarget::Headless(1, 1), &error)) {
        ReadLimits(&p);
        return p;
    }
    // No surfaceless EGL (another driver): a hidden window's context answers the same questions.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return p;
    if (SDL_Window* w = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN)) {
        if (auto ctx = detail::GlContext::Create(PresentTarget::Sdl(w), &error)) ReadLimits(&p);
        SDL_DestroyWindow(w);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return p;
}

Format FormatOfSdl(Uint32 sdlFormat) {
    switch (SDL_BYTESPERPIXEL(sdlFormat)) {
        case 4: return Format::X8R8G8B8;
        case 3: return Format::R8G8B8;
        case 2:
            return sdlFormat == SDL_PIXELFORMAT_RGB555 || sdlFormat == SDL_PIXELFORMAT_ARGB1555 ? Format::X1R5G5B5
                                                                                              : Format::R5G6B5;
        default: return Format::X8R8G8B8;
    }
}

void AddMode(std::vector<DisplayMode>* modes, DisplayMode m) {
    if (modes->size() >= kMaxModes) return;
    for (const auto& e : *modes)
        if (e.Width == m.Width && e.Height == m.Height && e.RefreshRate == m.RefreshRate && e.Format == m.Format) return;
    modes->push_back(m);
}

// The device draws into its own back buffer and scales it onto the window, so every display size
// works in both 32-bit and 16-bit colour.
void AddBothDepths(std::vector<DisplayMode>* modes, std::uint32_t w, std::uint32_t h, std::uint32_t refresh) {
    AddMode(modes, DisplayMode{w, h, refresh, Format::X8R8G8B8});
    AddMode(modes, DisplayMode{w, h, refresh, Format::R5G6B5});
}

void SetText(char (&dst)[512], const std::string& s) {
    std::snprintf(dst, sizeof dst, "%s", s.c_str());
}

Adapter HeadlessAdapter(const std::string& renderer) {
    Adapter a;
    SetText(a.identifier.Driver, "vaultmere-gl");
    SetText(a.identifier.Description, renderer + " (offscreen)");
    static constexpr std::uint32_t kSizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}};
    for (const auto& s : kSizes) AddBothDepths(&a.modes, s[0], s[1], 60);
    a.desktop = DisplayMode{1024, 768, 60, Format::X8R8G8B8};
    return a;
}

std::vector<Adapter> SdlAdapters(const std::string& renderer) {
    std::vector<Adapter> out;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return out;
    const int displays = SDL_GetNumVideoDisplays();
    for (int d = 0; d < displays && d < 16; ++d) {
        Adapter a;
        SetText(a.identifier.Driver, "vaultmere-gl");
        const char* name = SDL_GetDisplayName(d);
        SetText(a.identifier.Description, renderer + " on " + (name ? name : "display"));
        const int n = SDL_GetNumDisplayModes(d);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(d, i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
            AddBothDepths(&a.modes, static_cast<std::uint32_t>(m.w), static_cast<std::uint32_t>(m.h),
                          static_cast<std::uint32_t>(std::max(m.refresh_rate, 0)));
        }
        SDL_DisplayMode desk;
        if (SDL_GetDesktopDisplayMode(d, &desk) == 0 && desk.w > 0 && desk.h > 0) {
            a.desktop = DisplayMode{static_cast<std::uint32_t>(desk.w), static_cast<std::uint32_t>(desk.h),
                                    static_cast<std::uint32_t>(std::max(desk.refresh_rate, 0)), FormatOfSdl(desk.format)};
            if (a.modes.empty())
                AddBothDepths(&a.modes, a.desktop.Width, a.desktop.Height, a.desktop.RefreshRate);
        }
        out.push_back(std::move(a));
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return out;
}

bool IsDisplayFormat(Format f) { return f == Format::X8R8G8B8 || f == Format::R5G6B5 || f == Format::X1R5G5B5; }

}  // namespace

struct Direct3D::Impl {
    std::vector<Adapter> adapters;
    Probe probe;
    Caps caps;
};

std::unique_ptr<Direct3D> Direct3D::Create(std::uint32_t sdkVersion, const ObjectOptions& options) noexcept {
    if (sdkVersion != kSdkVersion) return nullptr;
    try {
        auto impl = std::make_unique<Impl>();
        impl->probe = RunProbe();
        if (!impl->probe.ok) return nullptr;
        if (options.multisampleMask) impl->probe.sampleMask &= options.multisampleMask;
        std::uint32_t texSize = std::min(impl->probe.maxTextureSize, kTextureSizeLimit);
        if (options.maxTextureSize) texSize = std::min(texSize, options.maxTextureSize);

        if (!options.displays.empty()) {
            for (const auto& d : options.displays) {
                Adapter a;
                SetText(a.identifier.Driver, "vaultmere-gl");
                SetText(a.identifier.Description, d.name);
                for (const auto& m : d.modes) AddMode(&a.modes, m);
                a.desktop = d.desktop;
                impl->adapters.push_back(std::move(a));
            }
        } else if (!options.headless) {
            impl->adapters = SdlAdapters(impl->probe.renderer);
        }
        if (impl->adapters.empty()) impl->adapters.push_back(HeadlessAdapter(impl->probe.renderer));

        Caps& c = impl->caps;
        c.DeviceType = DevType::Hal;
        c.DevCaps = devcaps::kTlVertexSystemMemory | devcaps::kTlVertexVideoMemory | devcaps::kHwTransformAndLight;
        c.MaxTextureWidth = c.MaxTextureHeight = texSize;
        c.MaxActiveLights = detail::kMaxLights;
        c.MaxVertexBlendMatrices = detail::kBlendMatrices;
        c.MaxTextureBlendStages = detail::kDrawnStages;
        c.MaxSimultaneousTextures = detail::kDrawnStages;
        c.MaxPrimitiveCount = 0xFFFFF;
        c.MaxVertexIndex = 0xFFFFFF;
        c.VertexShaderVersion = VertexShaderVersion(1, 1);
        c.PixelShaderVersion = 0;
        return std::unique_ptr<Direct3D>(new Direct3D(std::move(impl)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Direct3D::Direct3D(std::unique_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}
Direct3D::~Direct3D() = default;

std::uint32_t Direct3D::GetAdapterCount() const noexcept { return static_cast<std::uint32_t>(impl_->adapters.size()); }

Result Direct3D::GetAdapterIdentifier(std::uint32_t adapter, std::uint32_t, AdapterIdentifier* out) const noexcept {
    if (!out || adapter >= impl_->adapters.size()) return kErrInvalidCall;
    *out = impl_->adapters[adapter].identifier;
    return kOk;
}

std::uint32_t Direct3D::GetAdapterModeCount(std::uint32_t adapter) const noexcept {
    return adapter < impl_->adapters.size() ? static_cast<std::uint32_t>(impl_->adapters[adapter].modes.size()) : 0;
}

Result Direct3D::EnumAdapterModes(std::uint32_t adapter, std::uint32_t mode, DisplayMode* out) const noexcept {
    if (!out || adapter >= impl_->adapters.size() || mode >= impl_->adapters[adapter].modes.size())
        return kErrInvalidCall;
    *out = impl_->adapters[adapter].modes[mode];
    return kOk;
}

Result Direct3D::GetAdapterDisplayMode(std::uint32_t adapter, DisplayMode* out) const noexcept {
    if (!out || adapter >= impl_->adapters.size()) return kErrInvalidCall;
    const DisplayMode& d = impl_->adapters[adapter].desktop;
    if (d.Width == 0 || d.Height == 0 || d.Format == Format::Unknown) return kErrNotAvailable;
    *out = d;
    return kOk;
}

Result Direct3D::GetDeviceCaps(std::uint32_t adapter, DevType type, Caps* out) const noexcept {
    if (!out || adapter >= impl_->adapters.size()) return kErrInvalidCall;
    if (type != DevType::Hal) return kErrNotAvailable;
    *out = impl_->caps;
    out->AdapterOrdinal = adapter;
    return kOk;
}

Result Direct3D::CheckDeviceType(std::uint32_t adapter, DevType type, Format displayFormat, Format backBufferFormat,
                                 bool windowed) const noexcept {
    if (adapter >= impl_->adapters.size()) return kErrInvalidCall;
    if (type != DevType::Hal || !IsBackBufferFormat(backBufferFormat)) return kErrNotAvailable;
    if (!windowed && !IsDisplayFormat(displayFormat)) return kErrNotAvailable;
    return kOk;
}

Result Direct3D::CheckDeviceFormat(std::uint32_t adapter, DevType type, Format, std::uint32_t use,
                                   ResourceType resourceType, Format checkFormat) const noexcept {
    if (adapter >= impl_->adapters.size()) return kErrInvalidCall;
    if (type != DevType::Hal) return kErrNotAvailable;
    const bool rt = (use & usage::kRenderTarget) != 0;
    const bool ds = (use & usage::kDepthStencil) != 0;
    if (resourceType == ResourceType::Surface) {
        if (ds) return IsDepthFormat(checkFormat) ? kOk : kErrNotAvailable;
        if (rt) return IsBackBufferFormat(checkFormat) ? kOk : kErrNotAvailable;
        return IsTextureFormat(checkFormat) ? kOk : kErrNotAvailable;
    }
    if (resourceType == ResourceType::Texture) {
        if (ds) return kErrNotAvailable;
        if (rt)
            return checkFormat == Format::A8R8G8B8 || checkFormat == Format::X8R8G8B8 || checkFormat == Format::R5G6B5
                       ? kOk
                       : kErrNotAvailable;
        return IsTextureFormat(checkFormat) ? kOk : kErrNotAvailable;
    }
    return kErrNotAvailable;
}

Result Direct3D::CheckDepthStencilMatch(std::uint32_t adapter, DevType type, Format, Format renderTargetFormat,
                                        Format depthStencilFormat) const noexcept {
    if (adapter >= impl_->adapters.size()) return kErrInvalidCall;
    if (type != DevType::Hal) return kErrNotAvailable;
    return IsDepthFormat(depthStencilFormat) && IsBackBufferFormat(renderTargetFormat) ? kOk : kErrNotAvailable;
}

Result Direct3D::CheckDeviceMultiSampleType(std::uint32_t adapter, DevType type, Format surfaceFormat, bool,
                                            MultisampleType multisample) const noexcept {
    if (adapter >= impl_->adapters.size()) return kErrInvalidCall;
    if (type != DevType::Hal) return kErrNotAvailable;
    if (!IsBackBufferFormat(surfaceFormat) && !IsDepthFormat(surfaceFormat)) return kErrNotAvailable;
    const auto n = static_cast<std::uint32_t>(multisample);
    if (n == 0) return kOk;
    if (n == 1 || n > 16) return kErrNotAvailable;
    return (impl_->probe.sampleMask & (1u << n)) ? kOk : kErrNotAvailable;
}

Result Direct3D::CreateDevice(std::uint32_t adapter, DevType type, const PresentTarget& target,
                              std::uint32_t behaviorFlags, PresentParameters* params,
                              std::unique_ptr<Device>* out) noexcept {
    if (!out) return kErrInvalidCall;
    out->reset();
    if (!params || adapter >= impl_->adapters.size()) return kErrInvalidCall;
    if (type != DevType::Hal) return kErrNotAvailable;
    const std::uint32_t vp = behaviorFlags & (create::kSoftwareVertexProcessing | create::kHardwareVertexProcessing |
                                              create::kMixedVertexProcessing);
    if (vp == 0 || (vp & (vp - 1)) != 0) return kErrInvalidCall;
    PresentParameters p = *params;
    if (p.BackBufferFormat == Format::Unknown) {
        p.BackBufferFormat = impl_->adapters[adapter].desktop.Format;
        if (!IsBackBufferFormat(p.BackBufferFormat)) p.BackBufferFormat = Format::X8R8G8B8;
    }
    if (Failed(CheckDeviceMultiSampleType(adapter, type, p.BackBufferFormat, p.Windowed, p.MultiSampleType)))
        return kErrNotAvailable;
    try {
        auto core = std::make_unique<detail::DeviceCore>();
        Result r = core->Init(target, impl_->caps, impl_->probe.sampleMask,
                              std::min(impl_->probe.maxTargetSize, 16384u), &p);
        if (Failed(r)) return r;
        out->reset(new Device(std::move(core)));
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    *params = p;
    return kOk;
}

}  // namespace vm::d3d
