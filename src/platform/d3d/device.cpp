// Device: argument checks and state bookkeeping; GL work happens in DeviceCore.

#include "platform/d3d/device.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/d3d/device_core.h"
#include "platform/d3d/texture_format_gl.h"

namespace vm::d3d {

using detail::DeviceCore;

namespace {

constexpr std::size_t Rs(RenderState s) { return static_cast<std::size_t>(s); }
constexpr std::size_t Ts(TextureStageState s) { return static_cast<std::size_t>(s); }

// Largest buffer the device creates: far above the scene's needs, far below address-space trouble.
constexpr std::uint32_t kMaxBufferBytes = 256u << 20;

bool IsBool(RenderState s) {
    switch (s) {
        case RenderState::ZWriteEnable:
        case RenderState::AlphaTestEnable:
        case RenderState::DitherEnable:
        case RenderState::AlphaBlendEnable:
        case RenderState::FogEnable:
        case RenderState::SpecularEnable:
        case RenderState::Lighting:
        case RenderState::ColorVertex:
        case RenderState::LocalViewer:
        case RenderState::NormalizeNormals:
        case RenderState::SoftwareVertexProcessing:
        case RenderState::Clipping: return true;
        default: return false;
    }
}

bool ValidRenderState(RenderState s, std::uint32_t v) {
    switch (s) {
        case RenderState::ZEnable: return v <= 2;
        case RenderState::FillMode:
        case RenderState::ShadeMode:
        case RenderState::CullMode: return v >= 1 && v <= 3;
        case RenderState::SrcBlend:
        case RenderState::DestBlend: return v >= 1 && v <= 11;
        case RenderState::ZFunc:
        case RenderState::AlphaFunc: return v >= 1 && v <= 8;
        case RenderState::AlphaRef: return v <= 255;
        case RenderState::DiffuseMaterialSource:
        case RenderState::SpecularMaterialSource:
        case RenderState::AmbientMaterialSource:
        case RenderState::EmissiveMaterialSource: return v <= 2;
        case RenderState::VertexBlend: return v <= 3;
        case RenderState::BlendOp: return v >= 1 && v <= 5;
        case RenderState::TextureFactor:
        case RenderState::Ambient: return true;
        default: return IsBool(s);
    }
}

bool ValidOp(std::uint32_t op) {
    return (op >= 1 && op <= 8) || op == 10 || op == 12 || op == 13 || op == 16;
}
bool ValidArg(std::uint32_t a) {
    return (a & ~0x3Fu) == 0 && (a & texarg::kSelectMask) <= texarg::kSpecular;
}

bool ValidStageState(TextureStageState s, std::uint32_t v) {
    switch (s) {
        case TextureStageState::ColorOp:
        case TextureStageState::AlphaOp: return ValidOp(v);
        case TextureStageState::ColorArg1:
        case TextureStageState::ColorArg2:
        case TextureStageState::AlphaArg1:
        case TextureStageState::AlphaArg2: return ValidArg(v);
        case TextureStageState::TexCoordIndex: {
            const std::uint32_t mode = v & 0xFFFF0000u;
            return (v & 0xFFFFu) < kMaxTexCoordSets && mode <= texcoord::kCameraSpaceReflectionVector;
        }
        case TextureStageState::AddressU:
        case TextureStageState::AddressV: return v >= 1 && v <= 4;
        case TextureStageState::BorderColor: return true;
        case TextureStageState::MagFilter:
        case TextureStageState::MinFilter:
        case TextureStageState::MipFilter: return v <= 3;
        case TextureStageState::TextureTransformFlags:
            return (v & 0xFFu) <= 4 && (v & ~0x1FFu) == 0;
        default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// resource bookkeeping in the core

namespace detail {

void DeviceCore::OnTextureGone(Texture* t) noexcept {
    for (std::uint32_t s = 0; s < kMaxStages; ++s) {
        if (textures[s] != t) continue;
        textures[s] = nullptr;
        if (s < kDrawnStages) keyDirty = true;
    }
    const GLuint name = t->impl_->tex;
    DropFramebuffersUsing(name, 0);
    for (auto& bound : gl.texture)
        if (bound == name) bound = detail::GlShadow::kUnknown;
}

void DeviceCore::OnSurfaceGone(Surface* s) noexcept {
    if (colorTarget == s) {
        colorTarget = backBuffer.get();
        if (colorTarget) viewport = Viewport{0, 0, colorTarget->impl_->width, colorTarget->impl_->height, 0, 1};
        ++version[kGroupTransform];
        targetDirty = rasterDirty = true;
    }
    if (depthTarget == s) {
        depthTarget = nullptr;
        targetDirty = rasterDirty = true;
    }
    if (s->impl_->renderbuffer) DropFramebuffersUsing(0, s->impl_->renderbuffer);
}

void DeviceCore::OnBufferGone(BufferImpl* b) noexcept {
    if (attrBuffer == b->buffer) attrBuffer = 0xFFFFFFFFu;
    if (elementBuffer == b->buffer) elementBuffer = 0xFFFFFFFFu;
    if (gl.arrayBuffer == b->buffer) gl.arrayBuffer = detail::GlShadow::kUnknown;
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------

Device::Device(std::unique_ptr<DeviceCore> core) noexcept : core_(std::move(core)) {}
Device::~Device() = default;

Result Device::TestCooperativeLevel() noexcept {
    switch (core_->coop) {
        case CooperativeState::Ready: return kOk;
        case CooperativeState::Lost: return kErrDeviceLost;
        case CooperativeState::NotReset: return kErrDeviceNotReset;
    }
    return kErrDeviceLost;
}

CooperativeState Device::GetCooperativeState() const noexcept { return core_->coop; }
void Device::SimulateLoss() noexcept { core_->coop = CooperativeState::Lost; }
void Device::SimulateRestore() noexcept {
    if (core_->coop == CooperativeState::Lost) core_->coop = CooperativeState::NotReset;
}

Result Device::Reset(PresentParameters* params) noexcept {
    DeviceCore& c = *core_;
    if (!params) return kErrInvalidCall;
    if (c.coop == CooperativeState::Lost) return kErrDeviceLost;
    const std::uint32_t samples = static_cast<std::uint32_t>(params->MultiSampleType);
    if (samples != 0 && (samples > 16 || !(c.sampleMask & (1u << samples)))) return kErrInvalidCall;
    c.Enter();
    const PresentParameters previous = c.params;
    c.DestroyBackBuffer();
    c.params = *params;
    Result r = c.CreateBackBuffer();
    if (Failed(r)) {
        // Keep a working back buffer; the device stays resettable until a Reset succeeds.
        c.params = previous;
        if (Failed(c.CreateBackBuffer())) c.DestroyBackBuffer();
        c.ResetStates();
        c.coop = CooperativeState::NotReset;
        return r;
    }
    c.ctx->SetFullscreen(!c.params.Windowed);
    c.ResetStates();
    c.coop = CooperativeState::Ready;
    *params = c.params;
    return kOk;
}

Result Device::BeginScene() noexcept {
    if (core_->inScene) return kErrInvalidCall;
    core_->inScene = true;
    return kOk;
}

Result Device::EndScene() noexcept {
    if (!core_->inScene) return kErrInvalidCall;
    core_->inScene = false;
    return kOk;
}

Result Device::Present() noexcept {
    if (!core_->backBuffer) return kErrDeviceLost;
    return core_->Present();
}

Result Device::Clear(std::uint32_t count, const Rect* rects, std::uint32_t flags, Color color, float z,
                     std::uint32_t) noexcept {
    if (!core_->backBuffer) return kErrDeviceLost;
    return core_->Clear(count, rects, flags, color, z);
}

Result Device::SetViewport(const Viewport& v) noexcept {
    DeviceCore& c = *core_;
    if (!c.colorTarget) return kErrInvalidCall;
    const std::uint64_t tw = c.colorTarget->impl_->width, th = c.colorTarget->impl_->height;
    if (std::uint64_t{v.X} + v.Width > tw || std::uint64_t{v.Y} + v.Height > th) return kErrInvalidCall;
    if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f)) return kErrInvalidCall;
    c.viewport = v;
    ++c.version[detail::kGroupTransform];
    c.rasterDirty = true;
    return kOk;
}

Result Device::GetViewport(Viewport* out) const noexcept {
    if (!out) return kErrInvalidCall;
    *out = core_->viewport;
    return kOk;
}

void Device::SetGammaRamp(std::uint32_t, const GammaRamp& ramp) noexcept {
    core_->gamma = ramp;
    core_->gammaDirty = true;
}

void Device::GetGammaRamp(GammaRamp* out) const noexcept {
    if (out) *out = core_->gamma;
}

Result Device::GetDeviceCaps(Caps* out) const noexcept {
    if (!out) return kErrInvalidCall;
    *out = core_->caps;
    return kOk;
}

const PresentParameters& Device::GetPresentParameters() const noexcept { return core_->params; }

// ---------------------------------------------------------------------------------------------
// states

Result Device::SetRenderState(RenderState state, std::uint32_t value) noexcept {
    if (state >= RenderState::Count) return kErrInvalidCall;
    if (IsBool(state)) value = value != 0;
    if (!ValidRenderState(state, value)) return kErrInvalidCall;
    DeviceCore& c = *core_;
    std::uint32_t& slot = c.rs[Rs(state)];
    if (slot == value) return kOk;
    slot = value;
    switch (state) {
        case RenderState::ZEnable:
        case RenderState::FillMode:
        case RenderState::ZWriteEnable:
        case RenderState::SrcBlend:
        case RenderState::DestBlend:
        case RenderState::CullMode:
        case RenderState::ZFunc:
        case RenderState::AlphaBlendEnable:
        case RenderState::BlendOp: c.rasterDirty = true; break;
        case RenderState::AlphaRef:
        case RenderState::TextureFactor: ++c.version[detail::kGroupStage]; break;
        case RenderState::Ambient: ++c.version[detail::kGroupMaterial]; break;
        case RenderState::VertexBlend:
            ++c.version[detail::kGroupTransform];
            c.keyDirty = true;
            break;
        case RenderState::AlphaTestEnable:
        case RenderState::AlphaFunc:
        case RenderState::SpecularEnable:
        case RenderState::Lighting:
        case RenderState::ColorVertex:
        case RenderState::LocalViewer:
        case RenderState::DiffuseMaterialSource:
        case RenderState::SpecularMaterialSource:
        case RenderState::AmbientMaterialSource:
        case RenderState::EmissiveMaterialSource: c.keyDirty = true; break;
        default: break;
    }
    return kOk;
}

Result Device::GetRenderState(RenderState state, std::uint32_t* out) const noexcept {
    if (!out || state >= RenderState::Count) return kErrInvalidCall;
    *out = core_->rs[Rs(state)];
    return kOk;
}

Result Device::SetTextureStageState(std::uint32_t stage, TextureStageState state, std::uint32_t value) noexcept {
    if (stage >= detail::kMaxStages || state >= TextureStageState::Count) return kErrInvalidCall;
    if (!ValidStageState(state, value)) return kErrInvalidCall;
    DeviceCore& c = *core_;
    std::uint32_t& slot = c.tss[stage][Ts(state)];
    if (slot == value) return kOk;
    slot = value;
    if (stage >= detail::kDrawnStages) return kOk;
    switch (state) {
        case TextureStageState::AddressU:
        case TextureStageState::AddressV:
        case TextureStageState::BorderColor:
        case TextureStageState::MagFilter:
        case TextureStageState::MinFilter:
        case TextureStageState::MipFilter: c.samplerDirty[stage] = true; break;
        default: c.keyDirty = true; break;
    }
    return kOk;
}

Result Device::GetTextureStageState(std::uint32_t stage, TextureStageState state, std::uint32_t* out) const noexcept {
    if (!out || stage >= detail::kMaxStages || state >= TextureStageState::Count) return kErrInvalidCall;
    *out = core_->tss[stage][Ts(state)];
    return kOk;
}

namespace {
Matrix* TransformSlot(DeviceCore& c, TransformState s) {
    const auto v = static_cast<std::uint32_t>(s);
    if (s == TransformState::View) return &c.view;
    if (s == TransformState::Projection) return &c.proj;
    if (v >= 16 && v < 16 + detail::kMaxStages) return &c.texture[v - 16];
    if (v >= 256 && v < 256 + detail::kBlendMatrices) return &c.world[v - 256];
    return nullptr;
}
}  // namespace

Result Device::SetTransform(TransformState state, const Matrix& matrix) noexcept {
    DeviceCore& c = *core_;
    Matrix* slot = TransformSlot(c, state);
    if (!slot) return kErrInvalidCall;
    *slot = matrix;
    const auto v = static_cast<std::uint32_t>(state);
    if (v >= 16 && v < 256) {
        if (v < 16 + detail::kDrawnStages) ++c.version[detail::kGroupStage];
        return kOk;
    }
    c.transformDirty = true;
    ++c.version[detail::kGroupTransform];
    if (state == TransformState::View) {
        c.lightsDirty = true;
        ++c.version[detail::kGroupLights];
    }
    return kOk;
}

Result Device::GetTransform(TransformState state, Matrix* out) const noexcept {
    if (!out) return kErrInvalidCall;
    Matrix* slot = TransformSlot(*core_, state);
    if (!slot) return kErrInvalidCall;
    *out = *slot;
    return kOk;
}

Result Device::MultiplyTransform(TransformState state, const Matrix& matrix) noexcept {
    Matrix* slot = TransformSlot(*core_, state);
    if (!slot) return kErrInvalidCall;
    return SetTransform(state, detail::Multiply(matrix, *slot));
}

Result Device::SetLight(std::uint32_t index, const Light& light) noexcept {
    if (index >= detail::kMaxLights) return kErrInvalidCall;
    const auto type = static_cast<std::uint32_t>(light.Type);
    if (type < 1 || type > 3) return kErrInvalidCall;
    if (!(light.Range >= 0.0f) || !std::isfinite(light.Range)) return kErrInvalidCall;
    DeviceCore& c = *core_;
    c.lights[index] = light;
    c.lightsDirty = true;
    ++c.version[detail::kGroupLights];
    return kOk;
}

Result Device::GetLight(std::uint32_t index, Light* out) const noexcept {
    if (!out || index >= detail::kMaxLights) return kErrInvalidCall;
    *out = core_->lights[index];
    return kOk;
}

Result Device::LightEnable(std::uint32_t index, bool enable) noexcept {
    if (index >= detail::kMaxLights) return kErrInvalidCall;
    DeviceCore& c = *core_;
    if (c.lightOn[index] != enable) {
        c.lightOn[index] = enable;
        c.lightsDirty = true;
        ++c.version[detail::kGroupLights];
    }
    return kOk;
}

Result Device::GetLightEnable(std::uint32_t index, bool* out) const noexcept {
    if (!out || index >= detail::kMaxLights) return kErrInvalidCall;
    *out = core_->lightOn[index];
    return kOk;
}

Result Device::SetMaterial(const Material& material) noexcept {
    core_->material = material;
    ++core_->version[detail::kGroupMaterial];
    return kOk;
}

Result Device::GetMaterial(Material* out) const noexcept {
    if (!out) return kErrInvalidCall;
    *out = core_->material;
    return kOk;
}

// ---------------------------------------------------------------------------------------------
// resources

Result Device::CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t use,
                             Format format, Pool pool, std::unique_ptr<Texture>* out) noexcept {
    if (!out) return kErrInvalidCall;
    out->reset();
    DeviceCore& c = *core_;
    if (width == 0 || height == 0 || width > c.caps.MaxTextureWidth || height > c.caps.MaxTextureHeight)
        return kErrInvalidCall;
    if (!IsTextureFormat(format)) return kErrInvalidCall;
    const bool renderTarget = (use & usage::kRenderTarget) != 0;
    if (renderTarget) {
        if (pool != Pool::Default || levels > 1) return kErrInvalidCall;
        if (format != Format::A8R8G8B8 && format != Format::X8R8G8B8 && format != Format::R5G6B5)
            return kErrInvalidCall;
        levels = 1;
    }
    std::uint32_t full = 1;
    while ((std::max(width, height) >> full) > 0) ++full;
    if (levels == 0) levels = full;
    if (levels > full) return kErrInvalidCall;

    auto impl = std::unique_ptr<detail::TextureImpl>(new (std::nothrow) detail::TextureImpl());
    if (!impl) return kErrOutOfMemory;
    impl->format = format;
    impl->usage = use;
    impl->pool = pool;
    const std::uint32_t bpp = BytesPerPixel(format);
    try {
        impl->levels.resize(levels);
        for (std::uint32_t i = 0; i < levels; ++i) {
            auto& L = impl->levels[i];
            L.width = std::max(1u, width >> i);
            L.height = std::max(1u, height >> i);
            L.pitch = L.width * bpp;
            if (!renderTarget) L.bits.assign(std::size_t{L.pitch} * L.height, 0);
        }
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    c.Enter();
    while (glGetError() != GL_NO_ERROR) {
    }
    const auto f = detail::TextureFormatGl(format);
    glGenTextures(1, &impl->tex);
    c.gl.BindTexture(0, impl->tex);
    for (std::uint32_t i = 0; i < levels; ++i) {
        const auto& L = impl->levels[i];
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), static_cast<GLint>(f.internal), static_cast<GLsizei>(L.width),
                     static_cast<GLsizei>(L.height), 0, f.format, f.type, L.bits.empty() ? nullptr : L.bits.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    if (f.alphaOne) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    if (renderTarget) {
        // A fresh target reads as transparent black until drawn into.
        GLuint fbo = 0;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, impl->tex, 0);
        c.gl.ScissorTest(false);
        c.rasterDirty = true;
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDeleteFramebuffers(1, &fbo);
        c.gl.drawFbo = detail::GlShadow::kUnknown;
        c.targetDirty = true;
    }
    if (glGetError() == GL_OUT_OF_MEMORY) {
        glDeleteTextures(1, &impl->tex);
        c.gl.texture[0] = detail::GlShadow::kUnknown;
        return kErrOutOfVideoMemory;
    }
    out->reset(new (std::nothrow) Texture(core_.get(), std::move(impl)));
    return *out ? kOk : kErrOutOfMemory;
}

namespace {
Result MakeBuffer(DeviceCore& c, std::uint32_t length, std::unique_ptr<detail::BufferImpl>* out) {
    if (length == 0 || length > kMaxBufferBytes) return kErrInvalidCall;
    auto impl = std::unique_ptr<detail::BufferImpl>(new (std::nothrow) detail::BufferImpl());
    if (!impl) return kErrOutOfMemory;
    try {
        impl->bytes.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    c.Enter();
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenBuffers(1, &impl->buffer);
    glBindBuffer(GL_COPY_WRITE_BUFFER, impl->buffer);
    glBufferData(GL_COPY_WRITE_BUFFER, length, impl->bytes.data(), GL_STATIC_DRAW);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        glDeleteBuffers(1, &impl->buffer);
        return kErrOutOfVideoMemory;
    }
    *out = std::move(impl);
    return kOk;
}
}  // namespace

Result Device::CreateVertexBuffer(std::uint32_t length, std::uint32_t use, std::uint32_t vertexFormat, Pool pool,
                                  std::unique_ptr<VertexBuffer>* out) noexcept {
    if (!out) return kErrInvalidCall;
    out->reset();
    if (vertexFormat != 0 && !LayoutOf(vertexFormat).valid) return kErrInvalidCall;
    std::unique_ptr<detail::BufferImpl> impl;
    Result r = MakeBuffer(*core_, length, &impl);
    if (Failed(r)) return r;
    impl->usage = use;
    impl->vertexFormat = vertexFormat;
    impl->pool = pool;
    out->reset(new (std::nothrow) VertexBuffer(core_.get(), std::move(impl)));
    return *out ? kOk : kErrOutOfMemory;
}

Result Device::CreateIndexBuffer(std::uint32_t length, std::uint32_t use, Format format, Pool pool,
                                 std::unique_ptr<IndexBuffer>* out) noexcept {
    if (!out) return kErrInvalidCall;
    out->reset();
    if (format != Format::Index16 && format != Format::Index32) return kErrInvalidCall;
    std::unique_ptr<detail::BufferImpl> impl;
    Result r = MakeBuffer(*core_, length, &impl);
    if (Failed(r)) return r;
    impl->isIndex = true;
    impl->usage = use;
    impl->indexFormat = format;
    impl->pool = pool;
    out->reset(new (std::nothrow) IndexBuffer(core_.get(), std::move(impl)));
    return *out ? kOk : kErrOutOfMemory;
}

Result Device::CreateDepthStencilSurface(std::uint32_t width, std::uint32_t height, Format format,
                                         MultisampleType multisample, std::unique_ptr<Surface>* out) noexcept {
    if (!out) return kErrInvalidCall;
    out->reset();
    DeviceCore& c = *core_;
    const auto samples = static_cast<std::uint32_t>(multisample);
    if (width == 0 || height == 0 || width > c.maxTargetSize || height > c.maxTargetSize) return kErrInvalidCall;
    if (!IsDepthFormat(format)) return kErrInvalidCall;
    if (samples != 0 && (samples > 16 || !(c.sampleMask & (1u << samples)))) return kErrInvalidCall;
    auto impl = std::unique_ptr<detail::SurfaceImpl>(new (std::nothrow) detail::SurfaceImpl());
    if (!impl) return kErrOutOfMemory;
    impl->kind = detail::SurfaceImpl::Kind::DepthStencil;
    impl->format = format;
    impl->width = width;
    impl->height = height;
    impl->multisample = multisample;
    c.Enter();
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenRenderbuffers(1, &impl->renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, impl->renderbuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, static_cast<GLsizei>(samples),
                                     format == Format::D16   ? GL_DEPTH_COMPONENT16
                                     : format == Format::D24S8 ? GL_DEPTH24_STENCIL8
                                                               : GL_DEPTH_COMPONENT24,
                                     static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    if (glGetError() == GL_OUT_OF_MEMORY) {
        glDeleteRenderbuffers(1, &impl->renderbuffer);
        return kErrOutOfVideoMemory;
    }
    out->reset(new (std::nothrow) Surface(core_.get(), std::move(impl)));
    return *out ? kOk : kErrOutOfMemory;
}

Result Device::SetTexture(std::uint32_t stage, Texture* texture) noexcept {
    if (stage >= detail::kMaxStages) return kErrInvalidCall;
    DeviceCore& c = *core_;
    if (texture && texture->core_ != core_.get()) return kErrInvalidCall;
    Texture*& slot = c.textures[stage];
    if (stage < detail::kDrawnStages && (slot == nullptr) != (texture == nullptr)) c.keyDirty = true;
    slot = texture;
    return kOk;
}

Texture* Device::GetTexture(std::uint32_t stage) const noexcept {
    return stage < detail::kMaxStages ? core_->textures[stage] : nullptr;
}

Result Device::SetRenderTarget(Surface* color, Surface* depth) noexcept {
    DeviceCore& c = *core_;
    if (!color) color = c.colorTarget;
    if (!color || color->core_ != core_.get()) return kErrInvalidCall;
    const auto& ci = *color->impl_;
    if (ci.kind == detail::SurfaceImpl::Kind::DepthStencil) return kErrInvalidCall;
    if (ci.kind == detail::SurfaceImpl::Kind::TextureLevel &&
        (ci.level != 0 || !(ci.container->impl_->usage & usage::kRenderTarget)))
        return kErrInvalidCall;
    if (depth) {
        if (depth->core_ != core_.get()) return kErrInvalidCall;
        const auto& di = *depth->impl_;
        if (di.kind != detail::SurfaceImpl::Kind::DepthStencil) return kErrInvalidCall;
        if (di.width < ci.width || di.height < ci.height || di.multisample != ci.multisample) return kErrInvalidCall;
    }
    c.colorTarget = color;
    c.depthTarget = depth;
    c.viewport = Viewport{0, 0, ci.width, ci.height, 0, 1};
    ++c.version[detail::kGroupTransform];
    c.targetDirty = c.rasterDirty = true;
    return kOk;
}

Surface* Device::GetRenderTarget() const noexcept { return core_->colorTarget; }
Surface* Device::GetDepthStencilSurface() const noexcept { return core_->depthTarget; }
Surface* Device::GetBackBuffer() const noexcept { return core_->backBuffer.get(); }

// ---------------------------------------------------------------------------------------------
// drawing

Result Device::SetVertexShader(std::uint32_t vertexFormat) noexcept {
    DeviceCore& c = *core_;
    if (vertexFormat == c.vertexFormat && c.layout.valid) return kOk;
    const VertexLayout l = LayoutOf(vertexFormat);
    if (!l.valid) return kErrInvalidCall;
    c.vertexFormat = vertexFormat;
    c.layout = l;
    c.keyDirty = true;
    return kOk;
}

std::uint32_t Device::GetVertexShader() const noexcept { return core_->vertexFormat; }

Result Device::SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t stride) noexcept {
    if (stream != 0) return kErrInvalidCall;
    if (buffer && (buffer->core_ != core_.get() || stride == 0)) return kErrInvalidCall;
    core_->stream = buffer;
    core_->streamStride = buffer ? stride : 0;
    return kOk;
}

Result Device::SetIndices(IndexBuffer* buffer, std::uint32_t baseVertexIndex) noexcept {
    if (buffer && buffer->core_ != core_.get()) return kErrInvalidCall;
    core_->indices = buffer;
    core_->baseVertex = baseVertexIndex;
    return kOk;
}

Result Device::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) noexcept {
    return core_->Draw(type, startVertex, primitiveCount);
}

Result Device::DrawIndexedPrimitive(PrimitiveType type, std::uint32_t, std::uint32_t, std::uint32_t startIndex,
                                    std::uint32_t primitiveCount) noexcept {
    return core_->DrawIndexed(type, startIndex, primitiveCount);
}

Result Device::DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertexData,
                               std::uint32_t stride) noexcept {
    return core_->DrawUP(type, primitiveCount, vertexData, stride, nullptr, Format::Unknown, 0);
}

Result Device::DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minIndex, std::uint32_t numVertices,
                                      std::uint32_t primitiveCount, const void* indexData, Format indexFormat,
                                      const void* vertexData, std::uint32_t stride) noexcept {
    if (!indexData) return kErrInvalidCall;
    const std::uint64_t vertices = std::uint64_t{minIndex} + numVertices;
    if (vertices == 0 || vertices > 0xFFFFFFu) return kErrInvalidCall;
    return core_->DrawUP(type, primitiveCount, vertexData, stride, indexData, indexFormat,
                         static_cast<std::uint32_t>(vertices));
}

// ---------------------------------------------------------------------------------------------

Result Device::ReadPresentedImage(Image* out) noexcept {
    if (!out) return kErrInvalidCall;
    DeviceCore& c = *core_;
    if (!c.backBuffer) return kErrDeviceLost;
    c.Enter();
    return c.ReadPixels(c.presentFbo, c.presentW, c.presentH, out);
}

Result Device::ReadRenderTarget(Image* out) noexcept {
    if (!out) return kErrInvalidCall;
    if (!core_->backBuffer) return kErrDeviceLost;
    return core_->ReadRenderTarget(out);
}

}  // namespace vm::d3d
