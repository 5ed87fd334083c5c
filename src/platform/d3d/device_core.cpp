// Device core: creation, back buffer, presentation, the fixed-function state and the draw path.

#include "platform/d3d/device_core.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace vm::d3d::detail {

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

namespace {

constexpr std::size_t Rs(RenderState s) { return static_cast<std::size_t>(s); }
constexpr std::size_t Ts(TextureStageState s) { return static_cast<std::size_t>(s); }

// Inverse of the upper 3 × 3 of a row-vector matrix, row-major; the zero matrix when singular.
void Inverse3(const Matrix& m, float out[9]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (det == 0.0f || !std::isfinite(det)) {
        std::fill(out, out + 9, 0.0f);
        return;
    }
    const float k = 1.0f / det;
    out[0] = A * k, out[1] = -(b * i - c * h) * k, out[2] = (b * f - c * e) * k;
    out[3] = B * k, out[4] = (a * i - c * g) * k, out[5] = -(a * f - c * d) * k;
    out[6] = C * k, out[7] = -(a * h - b * g) * k, out[8] = (a * e - b * d) * k;
}

void ColorToFloats(Color c, float out[4]) {
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

GLenum GlCompare(std::uint32_t cmp) {
    static constexpr GLenum kMap[9] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL,
                                       GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return cmp <= 8 ? kMap[cmp] : GL_ALWAYS;
}

GLenum GlBlend(std::uint32_t b) {
    switch (static_cast<Blend>(b)) {
        case Blend::Zero: return GL_ZERO;
        case Blend::One: return GL_ONE;
        case Blend::SrcColor: return GL_SRC_COLOR;
        case Blend::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
        case Blend::SrcAlpha: return GL_SRC_ALPHA;
        case Blend::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
        case Blend::DestAlpha: return GL_DST_ALPHA;
        case Blend::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
        case Blend::DestColor: return GL_DST_COLOR;
        case Blend::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
        case Blend::SrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    }
    return GL_ONE;
}

GLenum GlBlendOp(std::uint32_t op) {
    switch (static_cast<BlendOp>(op)) {
        case BlendOp::Subtract: return GL_FUNC_SUBTRACT;
        case BlendOp::RevSubtract: return GL_FUNC_REVERSE_SUBTRACT;
        case BlendOp::Min: return GL_MIN;
        case BlendOp::Max: return GL_MAX;
        default: return GL_FUNC_ADD;
    }
}

GLenum GlAddress(std::uint32_t a) {
    switch (static_cast<TextureAddress>(a)) {
        case TextureAddress::Mirror: return GL_MIRRORED_REPEAT;
        case TextureAddress::Clamp: return GL_CLAMP_TO_EDGE;
        case TextureAddress::Border: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
    }
}

GLenum BackBufferInternal(Format f) {
    switch (f) {
        case Format::R5G6B5: return GL_RGB565;
        case Format::A1R5G5B5:
        case Format::X1R5G5B5: return GL_RGB5_A1;
        case Format::X8R8G8B8: return GL_RGB8;
        default: return GL_RGBA8;
    }
}

GLenum DepthInternal(Format f) {
    switch (f) {
        case Format::D16: return GL_DEPTH_COMPONENT16;
        case Format::D24S8: return GL_DEPTH24_STENCIL8;
        default: return GL_DEPTH_COMPONENT24;
    }
}

GLuint Compile(GLenum type, const std::string& src, std::string* log) {
    GLuint sh = glCreateShader(type);
    const char* text = src.c_str();
    glShaderSource(sh, 1, &text, nullptr);
    glCompileShader(sh);
    GLint ok = 0;
    glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char buf[2048] = {};
        glGetShaderInfoLog(sh, sizeof buf - 1, nullptr, buf);
        *log += buf;
        glDeleteShader(sh);
        return 0;
    }
    return sh;
}

GLuint Link(const std::string& vs, const std::string& fs) {
    std::string log;
    GLuint v = Compile(GL_VERTEX_SHADER, vs, &log);
    GLuint f = Compile(GL_FRAGMENT_SHADER, fs, &log);
    if (!v || !f) {
        if (v) glDeleteShader(v);
        if (f) glDeleteShader(f);
        SDL_Log("vaultmere device: shader compile failed: %s", log.c_str());
        return 0;
    }
    GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

const char* kFinalVs =
    "#version 330 core\n"
    "void main() {\n"
    "    vec2 p = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
    "    gl_Position = vec4(p, 0.0, 1.0);\n"
    "}\n";
// Gamma: each channel indexes the ramp, whose high bytes are stored in the 256 × 1 table.
const char* kFinalFs =
    "#version 330 core\n"
    "uniform sampler2D uSrc;\nuniform sampler2D uGamma;\nout vec4 o;\n"
    "void main() {\n"
    "    vec4 c = texelFetch(uSrc, ivec2(gl_FragCoord.xy), 0);\n"
    "    ivec3 i = ivec3(clamp(c.rgb, 0.0, 1.0) * 255.0 + 0.5);\n"
    "    o = vec4(texelFetch(uGamma, ivec2(i.r, 0), 0).r, texelFetch(uGamma, ivec2(i.g, 0), 0).g,\n"
    "             texelFetch(uGamma, ivec2(i.b, 0), 0).b, 1.0);\n"
    "}\n";

int LossWatch(void* userdata, SDL_Event* e) {
    auto* core = static_cast<DeviceCore*>(userdata);
    if (e->type != SDL_WINDOWEVENT || !core->ctx || !core->ctx->Window()) return 0;
    SDL_Window* w = core->ctx->Window();
    if (e->window.windowID != SDL_GetWindowID(w)) return 0;
    switch (e->window.event) {
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_FOCUS_LOST: core->coop = CooperativeState::Lost; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (core->coop == CooperativeState::Lost && !(SDL_GetWindowFlags(w) & SDL_WINDOW_MINIMIZED))
                core->coop = CooperativeState::NotReset;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            // Back from minimised: ready to reset once the focus is back as well.
            if (core->coop == CooperativeState::Lost && (SDL_GetWindowFlags(w) & SDL_WINDOW_INPUT_FOCUS))
                core->coop = CooperativeState::NotReset;
            break;
        default: break;
    }
    return 0;
}

std::uint32_t VertexCount(PrimitiveType t, std::uint32_t prims, GLenum* mode) {
    switch (t) {
        case PrimitiveType::PointList: *mode = GL_POINTS; return prims;
        case PrimitiveType::LineList: *mode = GL_LINES; return prims * 2;
        case PrimitiveType::LineStrip: *mode = GL_LINE_STRIP; return prims + 1;
        case PrimitiveType::TriangleList: *mode = GL_TRIANGLES; return prims * 3;
        case PrimitiveType::TriangleStrip: *mode = GL_TRIANGLE_STRIP; return prims + 2;
        case PrimitiveType::TriangleFan: *mode = GL_TRIANGLE_FAN; return prims + 2;
    }
    return 0;
}

// Largest primitive count of one call: keeps vertex and byte counts far from overflow.
constexpr std::uint32_t kMaxPrimitives = 0xFFFFF;

}  // namespace

// ---------------------------------------------------------------------------------------------
// creation and teardown

Result DeviceCore::Init(const PresentTarget& t, const Caps& c, std::uint32_t samples, std::uint32_t maxTarget,
                        PresentParameters* pp) {
    target = t;
    caps = c;
    sampleMask = samples;
    maxTargetSize = maxTarget;
    std::string error;
    ctx = GlContext::Create(t, &error);
    if (!ctx) {
        SDL_Log("vaultmere device: %s", error.c_str());
        return kErrNotAvailable;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    params = *pp;
    Result r = CreateBackBuffer();
    if (Failed(r)) return r;
    *pp = params;

    glGenVertexArrays(1, &vao);
    glGenVertexArrays(1, &emptyVao);
    glGenBuffers(1, &upVertexBuffer);
    glGenBuffers(1, &upIndexBuffer);
    finalProgram = Link(kFinalVs, kFinalFs);
    if (!finalProgram) return kErrNotAvailable;
    glUseProgram(finalProgram);
    glUniform1i(glGetUniformLocation(finalProgram, "uSrc"), 0);
    glUniform1i(glGetUniformLocation(finalProgram, "uGamma"), 1);
    glGenTextures(1, &gammaTex);
    glBindTexture(GL_TEXTURE_2D, gammaTex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 256, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.Invalidate();
    for (int i = 0; i < 256; ++i)
        gamma.red[i] = gamma.green[i] = gamma.blue[i] = static_cast<std::uint16_t>(i * 257);
    gammaDirty = true;

    if (!params.Windowed) ctx->SetFullscreen(true);
    if (t.kind == PresentTarget::Kind::SdlWindow && !params.Windowed) {
        SDL_AddEventWatch(&LossWatch, this);
        watchInstalled = true;
    }
    ResetStates();
    if (glGetError() == GL_OUT_OF_MEMORY) return kErrOutOfVideoMemory;
    return kOk;
}

DeviceCore::~DeviceCore() {
    if (watchInstalled) SDL_DelEventWatch(&LossWatch, this);
    if (!ctx) return;
    // The shell's window outlives the device: hand it back as it was given.
    if (!params.Windowed) ctx->SetFullscreen(false);
    ctx->MakeCurrent();
    colorTarget = depthTarget = nullptr;
    DestroyBackBuffer();
    while (resources) {
        Resource* r = resources;
        Unregister(r);
        r->Orphan();
        r->core_ = nullptr;
    }
    for (auto& [k, p] : programs) glDeleteProgram(p.id);
    for (auto& [k, s] : samplers) glDeleteSamplers(1, &s);
    for (auto& [k, f] : framebuffers) glDeleteFramebuffers(1, &f);
    if (finalProgram) glDeleteProgram(finalProgram);
    if (gammaTex) glDeleteTextures(1, &gammaTex);
    GLuint vaos[2] = {vao, emptyVao};
    glDeleteVertexArrays(2, vaos);
    GLuint bufs[2] = {upVertexBuffer, upIndexBuffer};
    glDeleteBuffers(2, bufs);
    ctx.reset();
}

void DeviceCore::Register(Resource* r) noexcept {
    r->prev_ = nullptr;
    r->next_ = resources;
    if (resources) resources->prev_ = r;
    resources = r;
}

void DeviceCore::Unregister(Resource* r) noexcept {
    if (r->prev_) r->prev_->next_ = r->next_;
    else if (resources == r) resources = r->next_;
    if (r->next_) r->next_->prev_ = r->prev_;
    r->prev_ = r->next_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// back buffer and presentation

Result DeviceCore::CreateBackBuffer() {
    std::uint32_t dw = 0, dh = 0;
    ctx->DrawableSize(&dw, &dh);
    if (params.BackBufferWidth == 0) params.BackBufferWidth = dw;
    if (params.BackBufferHeight == 0) params.BackBufferHeight = dh;
    if (params.BackBufferFormat == Format::Unknown) params.BackBufferFormat = Format::X8R8G8B8;
    if (params.BackBufferCount == 0) params.BackBufferCount = 1;
    const std::uint32_t w = params.BackBufferWidth, h = params.BackBufferHeight;
    if (w == 0 || h == 0 || w > maxTargetSize || h > maxTargetSize) return kErrInvalidCall;
    if (!IsBackBufferFormat(params.BackBufferFormat) || params.BackBufferCount > 3) return kErrInvalidCall;
    if (params.EnableAutoDepthStencil && !IsDepthFormat(params.AutoDepthStencilFormat)) return kErrInvalidCall;
    const std::uint32_t samples = static_cast<std::uint32_t>(params.MultiSampleType);
    if (samples == 1 || samples > 16 || (samples != 0 && !(sampleMask & (1u << samples)))) return kErrNotAvailable;

    while (glGetError() != GL_NO_ERROR) {
    }
    const GLenum internal = BackBufferInternal(params.BackBufferFormat);
    glGenFramebuffers(1, &bbFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, bbFbo);
    auto makeColorTexture = [&](GLuint* tex) {
        glGenTextures(1, tex);
        glBindTexture(GL_TEXTURE_2D, *tex);
        glTexStorage2D(GL_TEXTURE_2D, 1, internal, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    };
    if (samples >= 2) {
        glGenRenderbuffers(1, &bbColorRb);
        glBindRenderbuffer(GL_RENDERBUFFER, bbColorRb);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, static_cast<GLsizei>(samples), internal,
                                         static_cast<GLsizei>(w), static_cast<GLsizei>(h));
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, bbColorRb);
        makeColorTexture(&resolveTex);
        glGenFramebuffers(1, &resolveFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, resolveTex, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, bbFbo);
    } else {
        makeColorTexture(&bbTex);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, bbTex, 0);
    }

    auto bb = std::make_unique<SurfaceImpl>();
    bb->kind = SurfaceImpl::Kind::BackBuffer;
    bb->format = params.BackBufferFormat;
    bb->width = w;
    bb->height = h;
    bb->multisample = params.MultiSampleType;
    backBuffer.reset(new Surface(this, std::move(bb)));

    if (params.EnableAutoDepthStencil) {
        auto d = std::make_unique<SurfaceImpl>();
        d->kind = SurfaceImpl::Kind::DepthStencil;
        d->format = params.AutoDepthStencilFormat;
        d->width = w;
        d->height = h;
        d->multisample = params.MultiSampleType;
        glGenRenderbuffers(1, &d->renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, d->renderbuffer);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples >= 2 ? static_cast<GLsizei>(samples) : 0,
                                         DepthInternal(d->format), static_cast<GLsizei>(w),
                                         static_cast<GLsizei>(h));
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  d->format == Format::D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, d->renderbuffer);
        autoDepth.reset(new Surface(this, std::move(d)));
    }
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);

    glGenTextures(1, &presentTex);
    glBindTexture(GL_TEXTURE_2D, presentTex);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
    glGenFramebuffers(1, &presentFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, presentFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, presentTex, 0);
    presentW = w;
    presentH = h;
    presentedOnce = false;
    // Start from black like a fresh swap chain, depth at its far value. Earlier draws may have left
    // depth writes off or a scissor on, which would keep parts of the new buffers uninitialised.
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, bbFbo);
    glClear(GL_COLOR_BUFFER_BIT | (autoDepth ? GL_DEPTH_BUFFER_BIT : 0u));
    gl.Invalidate();
    const GLenum err = glGetError();
    if (status != GL_FRAMEBUFFER_COMPLETE || err != GL_NO_ERROR) {
        DestroyBackBuffer();
        return err == GL_OUT_OF_MEMORY ? kErrOutOfVideoMemory : kErrNotAvailable;
    }
    return kOk;
}

void DeviceCore::DestroyBackBuffer() {
    if (backBuffer) {
        DropFramebuffersUsing(bbColorRb ? (bbColorRb | 0x80000000u) : bbTex, 0);
    }
    if (autoDepth) DropFramebuffersUsing(0, autoDepth->impl_->renderbuffer);
    GLuint fbos[3] = {bbFbo, resolveFbo, presentFbo};
    glDeleteFramebuffers(3, fbos);
    GLuint texs[3] = {bbTex, resolveTex, presentTex};
    glDeleteTextures(3, texs);
    if (bbColorRb) glDeleteRenderbuffers(1, &bbColorRb);
    bbFbo = resolveFbo = presentFbo = bbTex = resolveTex = presentTex = bbColorRb = 0;
    if (colorTarget == backBuffer.get()) colorTarget = nullptr;
    if (depthTarget == autoDepth.get()) depthTarget = nullptr;
    backBuffer.reset();
    autoDepth.reset();
    gl.Invalidate();
}

Result DeviceCore::Present() {
    if (coop != CooperativeState::Ready) return kErrDeviceLost;
    Enter();
    GLuint src = bbTex;
    const GLint w = static_cast<GLint>(presentW), h = static_cast<GLint>(presentH);
    gl.ScissorTest(false);
    if (resolveFbo) {
        gl.BindReadFramebuffer(bbFbo);
        gl.BindDrawFramebuffer(resolveFbo);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        src = resolveTex;
    }
    if (gammaDirty) {
        std::uint8_t table[256 * 3];
        for (int i = 0; i < 256; ++i) {
            table[i * 3 + 0] = static_cast<std::uint8_t>(gamma.red[i] >> 8);
            table[i * 3 + 1] = static_cast<std::uint8_t>(gamma.green[i] >> 8);
            table[i * 3 + 2] = static_cast<std::uint8_t>(gamma.blue[i] >> 8);
        }
        gl.BindTexture(1, gammaTex);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGB, GL_UNSIGNED_BYTE, table);
        gammaDirty = false;
    }
    gl.BindDrawFramebuffer(presentFbo);
    gl.Viewport(0, 0, w, h);
    gl.DepthTest(false);
    gl.Blend(false);
    gl.Cull(false);
    gl.PolygonMode(GL_FILL);
    gl.UseProgram(finalProgram);
    gl.BindVertexArray(emptyVao);
    gl.BindTexture(0, src);
    gl.BindSampler(0, 0);
    gl.BindTexture(1, gammaTex);
    gl.BindSampler(1, 0);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    presentedOnce = true;

    if (ctx->HasWindow()) {
        std::uint32_t dw = 0, dh = 0;
        ctx->DrawableSize(&dw, &dh);
        gl.BindReadFramebuffer(presentFbo);
        gl.BindDrawFramebuffer(0);
        // Our rows run top-down, the window's bottom-up: flip while scaling.
        glBlitFramebuffer(0, 0, w, h, 0, static_cast<GLint>(dh), static_cast<GLint>(dw), 0, GL_COLOR_BUFFER_BIT,
                          GL_LINEAR);
        ctx->SwapBuffers();
    }
    rasterDirty = targetDirty = true;
    samplerDirty[0] = samplerDirty[1] = true;
    attrBuffer = 0xFFFFFFFFu;  // the empty VAO was bound; ours keeps its pointers but rebind to be sure
    return kOk;
}

Result DeviceCore::ReadPixels(GLuint fbo, std::uint32_t w, std::uint32_t h, Image* out) {
    try {
        out->pixels.assign(std::size_t{w} * h, 0);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    out->width = w;
    out->height = h;
    gl.BindReadFramebuffer(fbo);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 out->pixels.data());
    return kOk;
}

Result DeviceCore::ReadRenderTarget(Image* out) {
    Enter();
    ApplyTargets();
    if (colorTarget == backBuffer.get() && resolveFbo) {
        const GLint w = static_cast<GLint>(presentW), h = static_cast<GLint>(presentH);
        gl.ScissorTest(false);
        rasterDirty = true;
        gl.BindReadFramebuffer(bbFbo);
        gl.BindDrawFramebuffer(resolveFbo);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        targetDirty = true;
        return ReadPixels(resolveFbo, presentW, presentH, out);
    }
    return ReadPixels(currentFbo, targetW, targetH, out);
}

// ---------------------------------------------------------------------------------------------
// state

void DeviceCore::ResetStates() {
    auto& r = rs;
    r.fill(0);
    r[Rs(RenderState::ZEnable)] = params.EnableAutoDepthStencil ? 1 : 0;
    r[Rs(RenderState::FillMode)] = static_cast<std::uint32_t>(Fill::Solid);
    r[Rs(RenderState::ShadeMode)] = 2;
    r[Rs(RenderState::ZWriteEnable)] = 1;
    r[Rs(RenderState::SrcBlend)] = static_cast<std::uint32_t>(Blend::One);
    r[Rs(RenderState::DestBlend)] = static_cast<std::uint32_t>(Blend::Zero);
    r[Rs(RenderState::CullMode)] = static_cast<std::uint32_t>(Cull::CCW);
    r[Rs(RenderState::ZFunc)] = static_cast<std::uint32_t>(Cmp::LessEqual);
    r[Rs(RenderState::AlphaFunc)] = static_cast<std::uint32_t>(Cmp::Always);
    r[Rs(RenderState::TextureFactor)] = 0xFFFFFFFFu;
    r[Rs(RenderState::Lighting)] = 1;
    r[Rs(RenderState::ColorVertex)] = 1;
    r[Rs(RenderState::LocalViewer)] = 1;
    r[Rs(RenderState::DiffuseMaterialSource)] = static_cast<std::uint32_t>(MaterialSource::Color1);
    r[Rs(RenderState::SpecularMaterialSource)] = static_cast<std::uint32_t>(MaterialSource::Color2);
    r[Rs(RenderState::BlendOp)] = static_cast<std::uint32_t>(BlendOp::Add);
    r[Rs(RenderState::Clipping)] = 1;
    for (std::uint32_t s = 0; s < kMaxStages; ++s) {
        auto* t = tss[s];
        std::fill(t, t + static_cast<std::size_t>(TextureStageState::Count), 0u);
        t[Ts(TextureStageState::ColorOp)] =
            static_cast<std::uint32_t>(s == 0 ? TextureOp::Modulate : TextureOp::Disable);
        t[Ts(TextureStageState::ColorArg1)] = texarg::kTexture;
        t[Ts(TextureStageState::ColorArg2)] = texarg::kCurrent;
        t[Ts(TextureStageState::AlphaOp)] =
            static_cast<std::uint32_t>(s == 0 ? TextureOp::SelectArg1 : TextureOp::Disable);
        t[Ts(TextureStageState::AlphaArg1)] = texarg::kTexture;
        t[Ts(TextureStageState::AlphaArg2)] = texarg::kCurrent;
        t[Ts(TextureStageState::TexCoordIndex)] = s;
        t[Ts(TextureStageState::AddressU)] = static_cast<std::uint32_t>(TextureAddress::Wrap);
        t[Ts(TextureStageState::AddressV)] = static_cast<std::uint32_t>(TextureAddress::Wrap);
        t[Ts(TextureStageState::MagFilter)] = static_cast<std::uint32_t>(TextureFilter::Point);
        t[Ts(TextureStageState::MinFilter)] = static_cast<std::uint32_t>(TextureFilter::Point);
        t[Ts(TextureStageState::MipFilter)] = static_cast<std::uint32_t>(TextureFilter::None);
        texture[s] = Matrix{};
        textures[s] = nullptr;
    }
    for (auto& m : world) m = Matrix{};
    view = proj = Matrix{};
    for (std::uint32_t i = 0; i < kMaxLights; ++i) {
        lights[i] = Light{};
        lights[i].Type = LightType::Directional;
        lights[i].Direction = {0, 0, 1};
        lights[i].Diffuse = {1, 1, 1, 0};
        lightOn[i] = false;
    }
    material = Material{};
    colorTarget = backBuffer.get();
    depthTarget = autoDepth.get();
    viewport = Viewport{0, 0, params.BackBufferWidth, params.BackBufferHeight, 0, 1};
    stream = nullptr;
    streamStride = 0;
    indices = nullptr;
    baseVertex = 0;
    vertexFormat = 0;
    layout = VertexLayout{};
    inScene = false;
    for (auto& v : version) ++v;
    keyDirty = rasterDirty = targetDirty = transformDirty = lightsDirty = true;
    samplerDirty[0] = samplerDirty[1] = true;
    attrBuffer = 0xFFFFFFFFu;
}

GLuint DeviceCore::SamplerFor(std::uint32_t stage) {
    const auto* t = tss[stage];
    const std::uint32_t addrU = t[Ts(TextureStageState::AddressU)] & 7, addrV = t[Ts(TextureStageState::AddressV)] & 7;
    const std::uint32_t mag = t[Ts(TextureStageState::MagFilter)] & 3, min = t[Ts(TextureStageState::MinFilter)] & 3,
                        mip = t[Ts(TextureStageState::MipFilter)] & 3;
    const bool border = addrU == static_cast<std::uint32_t>(TextureAddress::Border) ||
                        addrV == static_cast<std::uint32_t>(TextureAddress::Border);
    const std::uint64_t borderColor = border ? t[Ts(TextureStageState::BorderColor)] : 0;
    const std::uint64_t k = addrU | addrV << 3 | mag << 6 | min << 8 | mip << 10 | borderColor << 32;
    auto it = samplers.find(k);
    if (it != samplers.end()) return it->second;
    GLuint s = 0;
    glGenSamplers(1, &s);
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, static_cast<GLint>(GlAddress(addrU)));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, static_cast<GLint>(GlAddress(addrV)));
    const bool magLinear = mag >= static_cast<std::uint32_t>(TextureFilter::Linear);
    const bool minLinear = min >= static_cast<std::uint32_t>(TextureFilter::Linear);
    glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    GLenum minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (mip == static_cast<std::uint32_t>(TextureFilter::Point))
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (mip >= static_cast<std::uint32_t>(TextureFilter::Linear))
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    float bc[4];
    ColorToFloats(static_cast<Color>(borderColor), bc);
    glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, bc);
    samplers.emplace(k, s);
    return s;
}

void DeviceCore::BuildKey(const VertexLayout& l, ShaderKey* k) const {
    *k = ShaderKey{};
    const bool pre = l.pretransformed;
    k->pretransformed = pre;
    k->hasNormal = l.normal >= 0;
    k->hasDiffuse = l.diffuse >= 0;
    k->hasSpecular = l.specular >= 0;
    k->specular = rs[Rs(RenderState::SpecularEnable)] != 0;
    const bool lit = !pre && rs[Rs(RenderState::Lighting)] != 0;
    k->lighting = lit;
    if (lit) {
        const bool colorVertex = rs[Rs(RenderState::ColorVertex)] != 0;
        auto resolve = [&](RenderState s) -> std::uint8_t {
            const std::uint32_t v = rs[Rs(s)];
            if (!colorVertex) return 0;
            if (v == 1 && l.diffuse >= 0) return 1;
            if (v == 2 && l.specular >= 0) return 2;
            return 0;
        };
        k->diffuseSrc = resolve(RenderState::DiffuseMaterialSource);
        k->ambientSrc = resolve(RenderState::AmbientMaterialSource);
        k->specularSrc = resolve(RenderState::SpecularMaterialSource);
        k->emissiveSrc = resolve(RenderState::EmissiveMaterialSource);
        k->localViewer = rs[Rs(RenderState::LocalViewer)] != 0;
    }
    if (!pre) {
        k->blendWeights = static_cast<std::uint8_t>(std::min<std::uint32_t>(rs[Rs(RenderState::VertexBlend)], 3));
        k->vertexWeights = static_cast<std::uint8_t>(std::min<std::uint32_t>(l.blendWeights, 4));
        if (k->blendWeights == 0) k->vertexWeights = 0;
    }
    const std::uint32_t func = rs[Rs(RenderState::AlphaFunc)];
    if (rs[Rs(RenderState::AlphaTestEnable)] && func != static_cast<std::uint32_t>(Cmp::Always))
        k->alphaFunc = static_cast<std::uint8_t>(func);
    for (std::uint32_t s = 0; s < kDrawnStages; ++s) {
        const auto* t = tss[s];
        const std::uint32_t op = t[Ts(TextureStageState::ColorOp)];
        if (op == static_cast<std::uint32_t>(TextureOp::Disable)) break;
        StageKey& sk = k->stage[s];
        sk.colorOp = static_cast<std::uint8_t>(op);
        sk.colorArg1 = static_cast<std::uint8_t>(t[Ts(TextureStageState::ColorArg1)]);
        sk.colorArg2 = static_cast<std::uint8_t>(t[Ts(TextureStageState::ColorArg2)]);
        sk.alphaOp = static_cast<std::uint8_t>(t[Ts(TextureStageState::AlphaOp)]);
        sk.alphaArg1 = static_cast<std::uint8_t>(t[Ts(TextureStageState::AlphaArg1)]);
        sk.alphaArg2 = static_cast<std::uint8_t>(t[Ts(TextureStageState::AlphaArg2)]);
        sk.hasTexture = textures[s] != nullptr;
        if (!sk.hasTexture) continue;
        const std::uint32_t tci = t[Ts(TextureStageState::TexCoordIndex)];
        const std::uint32_t mode = tci & 0xFFFF0000u, set = tci & 0xFFFFu;
        if (mode == texcoord::kCameraSpacePosition) {
            sk.texSource = kTexSrcCameraPosition;
        } else if (mode == texcoord::kCameraSpaceNormal) {
            sk.texSource = kTexSrcCameraNormal;
        } else if (mode == texcoord::kCameraSpaceReflectionVector) {
            sk.texSource = kTexSrcReflection;
        } else {
            sk.texSource = static_cast<std::uint8_t>(std::min<std::uint32_t>(set, 7));
            sk.vertexSetSize = set < l.texCoordSets ? static_cast<std::uint8_t>(l.texCoordSize[set]) : 0;
        }
        const std::uint32_t ttf = t[Ts(TextureStageState::TextureTransformFlags)];
        sk.transformCount = static_cast<std::uint8_t>(std::min<std::uint32_t>(ttf & 0xFF, 4));
        sk.projected = sk.transformCount > 0 && (ttf & texturetransform::kProjected) != 0;
    }
}

Program* DeviceCore::ProgramFor(const ShaderKey& k) {
    auto it = programs.find(k);
    if (it != programs.end()) return it->second.id ? &it->second : nullptr;
    std::string vs, fs;
    GenerateShaders(k, &vs, &fs);
    Program p;
    p.id = Link(vs, fs);
    if (p.id) {
        gl.UseProgram(p.id);
        p.uWV = glGetUniformLocation(p.id, "uWV");
        p.uNrm = glGetUniformLocation(p.id, "uNrm");
        p.uProj = glGetUniformLocation(p.id, "uProj");
        p.uScreen = glGetUniformLocation(p.id, "uScreen");
        p.uDepth = glGetUniformLocation(p.id, "uDepth");
        p.uMat = glGetUniformLocation(p.id, "uMat");
        p.uLight = glGetUniformLocation(p.id, "uLight");
        p.uLightCount = glGetUniformLocation(p.id, "uLightCount");
        p.uTexM = glGetUniformLocation(p.id, "uTexM");
        p.uTFactor = glGetUniformLocation(p.id, "uTFactor");
        p.uAlphaRef = glGetUniformLocation(p.id, "uAlphaRef");
        glUniform1i(glGetUniformLocation(p.id, "uTex0"), 0);
        glUniform1i(glGetUniformLocation(p.id, "uTex1"), 1);
    }
    // A failed program is remembered too, so a broken state costs one compile, not one per draw.
    auto [pos, inserted] = programs.emplace(k, p);
    (void)inserted;
    return pos->second.id ? &pos->second : nullptr;
}

void DeviceCore::UploadUniforms(Program* p, bool pretransformed) {
    // Only the matrices the program blends with: one unless vertex blending is on.
    const std::uint32_t needed = pretransformed ? 0u : key.blendWeights + 1u;
    if (transformDirty) {
        computedMatrices = 0;
        transformDirty = false;
    }
    for (std::uint32_t i = computedMatrices; i < needed; ++i) {
        const Matrix m = Multiply(world[i], view);
        std::memcpy(wv[i], m.m, sizeof wv[i]);
        Inverse3(m, nrm[i]);
    }
    computedMatrices = std::max(computedMatrices, needed);
    if (lightsDirty) {
        lightCount = 0;
        for (std::uint32_t i = 0; i < kMaxLights; ++i) {
            if (!lightOn[i]) continue;
            const Light& L = lights[i];
            float* d = &lightData[lightCount++ * 7][0];
            const Vector3 pos = L.Position, dir = L.Direction;
            const auto& v = view.m;
            d[0] = pos.x * v[0][0] + pos.y * v[1][0] + pos.z * v[2][0] + v[3][0];
            d[1] = pos.x * v[0][1] + pos.y * v[1][1] + pos.z * v[2][1] + v[3][1];
            d[2] = pos.x * v[0][2] + pos.y * v[1][2] + pos.z * v[2][2] + v[3][2];
            d[3] = 1;
            float dx = dir.x * v[0][0] + dir.y * v[1][0] + dir.z * v[2][0];
            float dy = dir.x * v[0][1] + dir.y * v[1][1] + dir.z * v[2][1];
            float dz = dir.x * v[0][2] + dir.y * v[1][2] + dir.z * v[2][2];
            const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (len > 0) dx /= len, dy /= len, dz /= len;
            d[4] = dx, d[5] = dy, d[6] = dz, d[7] = 0;
            const ColorValue* cols[3] = {&L.Diffuse, &L.Specular, &L.Ambient};
            for (int c = 0; c < 3; ++c) {
                d[8 + c * 4] = cols[c]->r, d[9 + c * 4] = cols[c]->g, d[10 + c * 4] = cols[c]->b;
                d[11 + c * 4] = cols[c]->a;
            }
            d[20] = L.Attenuation0, d[21] = L.Attenuation1, d[22] = L.Attenuation2, d[23] = L.Range;
            d[24] = std::cos(L.Theta * 0.5f), d[25] = std::cos(L.Phi * 0.5f), d[26] = L.Falloff;
            d[27] = static_cast<float>(static_cast<std::uint32_t>(L.Type));
        }
        lightsDirty = false;
    }
    if (p->seen[kGroupTransform] != version[kGroupTransform]) {
        const GLsizei n = static_cast<GLsizei>(needed);
        if (n > 0) {
            glUniformMatrix4fv(p->uWV, n, GL_FALSE, &wv[0][0]);
            glUniformMatrix3fv(p->uNrm, n, GL_TRUE, &nrm[0][0]);
            glUniformMatrix4fv(p->uProj, 1, GL_FALSE, &proj.m[0][0]);
        }
        const float vw = static_cast<float>(std::max<std::uint32_t>(viewport.Width, 1));
        const float vh = static_cast<float>(std::max<std::uint32_t>(viewport.Height, 1));
        glUniform4f(p->uScreen, static_cast<float>(viewport.X), static_cast<float>(viewport.Y), 2.0f / vw, 2.0f / vh);
        const float range = viewport.MaxZ - viewport.MinZ;
        glUniform2f(p->uDepth, viewport.MinZ, range != 0.0f ? 1.0f / range : 0.0f);
        p->seen[kGroupTransform] = version[kGroupTransform];
    }
    if (p->seen[kGroupLights] != version[kGroupLights]) {
        if (p->uLight >= 0 && lightCount > 0) glUniform4fv(p->uLight, lightCount * 7, &lightData[0][0]);
        if (p->uLightCount >= 0) glUniform1i(p->uLightCount, lightCount);
        p->seen[kGroupLights] = version[kGroupLights];
    }
    if (p->seen[kGroupMaterial] != version[kGroupMaterial]) {
        if (p->uMat >= 0) {
            float m[6][4];
            const ColorValue* cols[4] = {&material.Diffuse, &material.Ambient, &material.Specular, &material.Emissive};
            for (int c = 0; c < 4; ++c) m[c][0] = cols[c]->r, m[c][1] = cols[c]->g, m[c][2] = cols[c]->b, m[c][3] = cols[c]->a;
            m[4][0] = material.Power, m[4][1] = m[4][2] = m[4][3] = 0;
            ColorToFloats(rs[Rs(RenderState::Ambient)], m[5]);
            glUniform4fv(p->uMat, 6, &m[0][0]);
        }
        p->seen[kGroupMaterial] = version[kGroupMaterial];
    }
    if (p->seen[kGroupStage] != version[kGroupStage]) {
        if (p->uTexM >= 0) {
            float t[2][16];
            std::memcpy(t[0], texture[0].m, sizeof t[0]);
            std::memcpy(t[1], texture[1].m, sizeof t[1]);
            glUniformMatrix4fv(p->uTexM, 2, GL_FALSE, &t[0][0]);
        }
        float tf[4];
        ColorToFloats(rs[Rs(RenderState::TextureFactor)], tf);
        if (p->uTFactor >= 0) glUniform4fv(p->uTFactor, 1, tf);
        if (p->uAlphaRef >= 0) glUniform1f(p->uAlphaRef, static_cast<float>(rs[Rs(RenderState::AlphaRef)] & 0xFF));
        p->seen[kGroupStage] = version[kGroupStage];
    }
}

GLuint DeviceCore::FramebufferFor(Surface* color, Surface* depth) {
    const GLuint depthRb = depth ? depth->impl_->renderbuffer : 0;
    if (color == backBuffer.get() && depth == autoDepth.get()) return bbFbo;
    GLuint colorName = 0;
    bool colorIsTexture = true;
    if (color == backBuffer.get()) {
        colorName = bbColorRb ? bbColorRb : bbTex;
        colorIsTexture = bbColorRb == 0;
    } else {
        colorName = color->impl_->container->impl_->tex;
    }
    // Renderbuffer and texture names are separate namespaces: tag renderbuffers in the cache key.
    const auto fbKey = std::make_pair(colorIsTexture ? colorName : (colorName | 0x80000000u), depthRb);
    auto it = framebuffers.find(fbKey);
    if (it != framebuffers.end()) return it->second;
    GLuint f = 0;
    glGenFramebuffers(1, &f);
    glBindFramebuffer(GL_FRAMEBUFFER, f);
    if (colorIsTexture)
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorName, 0);
    else
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorName);
    if (depth)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  depth->impl_->format == Format::D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depthRb);
    gl.drawFbo = gl.readFbo = f;
    framebuffers.emplace(fbKey, f);
    return f;
}

void DeviceCore::DropFramebuffersUsing(GLuint colorName, GLuint depthName) {
    for (auto it = framebuffers.begin(); it != framebuffers.end();) {
        if ((colorName && it->first.first == colorName) || (depthName && it->first.second == depthName)) {
            glDeleteFramebuffers(1, &it->second);
            if (gl.drawFbo == it->second) gl.drawFbo = GlShadow::kUnknown;
            if (gl.readFbo == it->second) gl.readFbo = GlShadow::kUnknown;
            it = framebuffers.erase(it);
        } else {
            ++it;
        }
    }
    targetDirty = true;
}

void DeviceCore::ApplyTargets() {
    if (!targetDirty) {
        gl.BindDrawFramebuffer(currentFbo);
        return;
    }
    if (!colorTarget) colorTarget = backBuffer.get();
    currentFbo = FramebufferFor(colorTarget, depthTarget);
    targetW = colorTarget->impl_->width;
    targetH = colorTarget->impl_->height;
    gl.BindDrawFramebuffer(currentFbo);
    targetDirty = false;
    rasterDirty = true;
}

void DeviceCore::ApplyRasterState() {
    const bool depth = depthTarget != nullptr && rs[Rs(RenderState::ZEnable)] != 0;
    gl.DepthTest(depth);
    gl.DepthMask(depth && rs[Rs(RenderState::ZWriteEnable)] != 0);
    gl.DepthFunc(GlCompare(rs[Rs(RenderState::ZFunc)]));
    const bool blend = rs[Rs(RenderState::AlphaBlendEnable)] != 0;
    gl.Blend(blend);
    if (blend) {
        gl.BlendFunc(GlBlend(rs[Rs(RenderState::SrcBlend)]), GlBlend(rs[Rs(RenderState::DestBlend)]));
        gl.BlendEquation(GlBlendOp(rs[Rs(RenderState::BlendOp)]));
    }
    // Rows of every target run top-down, so GL's counter-clockwise is clockwise on screen.
    const std::uint32_t cull = rs[Rs(RenderState::CullMode)];
    gl.Cull(cull != static_cast<std::uint32_t>(Cull::None));
    if (cull == static_cast<std::uint32_t>(Cull::CCW)) gl.FrontFace(GL_CCW);
    else if (cull == static_cast<std::uint32_t>(Cull::CW)) gl.FrontFace(GL_CW);
    const std::uint32_t fill = rs[Rs(RenderState::FillMode)];
    gl.PolygonMode(fill == static_cast<std::uint32_t>(Fill::Point)       ? GL_POINT
                   : fill == static_cast<std::uint32_t>(Fill::Wireframe) ? GL_LINE
                                                                         : GL_FILL);
    const GLint x = static_cast<GLint>(viewport.X), y = static_cast<GLint>(viewport.Y);
    const GLint w = static_cast<GLint>(viewport.Width), h = static_cast<GLint>(viewport.Height);
    gl.Viewport(x, y, w, h);
    gl.ScissorTest(true);
    gl.Scissor(x, y, w, h);
    gl.DepthRange(viewport.MinZ, viewport.MaxZ);
    rasterDirty = false;
}

// ---------------------------------------------------------------------------------------------
// drawing

Result DeviceCore::Clear(std::uint32_t count, const Rect* rects, std::uint32_t flags, Color color, float z) {
    if (coop != CooperativeState::Ready) return kErrDeviceLost;
    if ((flags & ~(clear::kTarget | clear::kZBuffer | clear::kStencil)) != 0 || flags == 0) return kErrInvalidCall;
    if ((flags & (clear::kZBuffer | clear::kStencil)) && !depthTarget) return kErrInvalidCall;
    if ((flags & clear::kStencil) && depthTarget->impl_->format != Format::D24S8) return kErrInvalidCall;
    if (count > 0 && !rects) return kErrInvalidCall;
    Enter();
    ApplyTargets();
    float c[4];
    ColorToFloats(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(0);
    gl.DepthMask(true);
    rasterDirty = true;
    GLbitfield mask = 0;
    if (flags & clear::kTarget) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & clear::kZBuffer) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & clear::kStencil) mask |= GL_STENCIL_BUFFER_BIT;
    gl.ScissorTest(true);
    const std::int64_t vx0 = viewport.X, vy0 = viewport.Y;
    const std::int64_t vx1 = vx0 + viewport.Width, vy1 = vy0 + viewport.Height;
    if (count == 0) {
        gl.Scissor(static_cast<GLint>(vx0), static_cast<GLint>(vy0), static_cast<GLint>(vx1 - vx0),
                   static_cast<GLint>(vy1 - vy0));
        glClear(mask);
        return kOk;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int64_t x0 = std::max<std::int64_t>(rects[i].left, vx0), y0 = std::max<std::int64_t>(rects[i].top, vy0);
        const std::int64_t x1 = std::min<std::int64_t>(rects[i].right, vx1), y1 = std::min<std::int64_t>(rects[i].bottom, vy1);
        if (x1 <= x0 || y1 <= y0) continue;
        gl.Scissor(static_cast<GLint>(x0), static_cast<GLint>(y0), static_cast<GLint>(x1 - x0), static_cast<GLint>(y1 - y0));
        glClear(mask);
    }
    return kOk;
}

Result DeviceCore::PrepareDraw(const VertexLayout& l) {
    if (coop != CooperativeState::Ready) return kErrDeviceLost;
    if (!l.valid) return kErrInvalidCall;
    Enter();
    ApplyTargets();
    if (keyDirty) {
        BuildKey(l, &key);
        program = ProgramFor(key);
        keyDirty = false;
    }
    if (!program) return kErrDriverInternal;
    gl.UseProgram(program->id);
    UploadUniforms(program, l.pretransformed);
    if (rasterDirty) ApplyRasterState();
    for (std::uint32_t s = 0; s < kDrawnStages; ++s) {
        if (key.stage[s].colorOp == 0 || !key.stage[s].hasTexture) continue;
        gl.BindTexture(s, textures[s]->impl_->tex);
        if (samplerDirty[s]) {
            stageSampler[s] = SamplerFor(s);
            samplerDirty[s] = false;
        }
        gl.BindSampler(s, stageSampler[s]);
    }
    gl.BindVertexArray(vao);
    return kOk;
}

void DeviceCore::BindVertexAttributes(GLuint buffer, std::uint32_t stride, const VertexLayout& l,
                                      std::uintptr_t base) {
    if (attrBuffer == buffer && attrStride == stride && attrFormat == vertexFormat && attrBase == base) return;
    gl.BindVertexArray(vao);
    gl.BindArrayBuffer(buffer);
    std::uint32_t enabled = 0;
    auto ptr = [&](GLuint loc, GLint size, GLenum type, GLboolean norm, std::int32_t offset) {
        glVertexAttribPointer(loc, size, type, norm, static_cast<GLsizei>(stride),
                              reinterpret_cast<const void*>(base + static_cast<std::uintptr_t>(offset)));
        enabled |= 1u << loc;
    };
    ptr(0, l.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, l.position);
    if (l.weights >= 0 && l.blendWeights > 0)
        ptr(1, static_cast<GLint>(std::min<std::uint32_t>(l.blendWeights, 4)), GL_FLOAT, GL_FALSE, l.weights);
    if (l.normal >= 0) ptr(2, 3, GL_FLOAT, GL_FALSE, l.normal);
    // 0xAARRGGBB in memory is B, G, R, A: GL_BGRA gives r, g, b, a in the shader.
    if (l.diffuse >= 0) ptr(3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, l.diffuse);
    if (l.specular >= 0) ptr(4, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, l.specular);
    for (std::uint32_t i = 0; i < l.texCoordSets; ++i)
        ptr(5 + i, static_cast<GLint>(l.texCoordSize[i]), GL_FLOAT, GL_FALSE, l.texCoord[i]);
    const std::uint32_t changed = enabled ^ enabledAttribs;
    for (GLuint loc = 0; loc < 13; ++loc) {
        if (!(changed & (1u << loc))) continue;
        if (enabled & (1u << loc)) glEnableVertexAttribArray(loc);
        else glDisableVertexAttribArray(loc);
    }
    enabledAttribs = enabled;
    attrBuffer = buffer;
    attrStride = stride;
    attrFormat = vertexFormat;
    attrBase = base;
}

Result DeviceCore::Draw(PrimitiveType type, std::uint32_t start, std::uint32_t primitives) {
    GLenum mode = 0;
    if (primitives == 0 || primitives > kMaxPrimitives) return primitives == 0 ? kOk : kErrInvalidCall;
    const std::uint32_t count = VertexCount(type, primitives, &mode);
    if (count == 0) return kErrInvalidCall;
    if (!stream || !stream->impl_ || streamStride < layout.stride || streamStride == 0) return kErrInvalidCall;
    const std::uint64_t vertices = stream->impl_->bytes.size() / streamStride;
    if (std::uint64_t{start} + count > vertices) return kErrInvalidCall;
    Result r = PrepareDraw(layout);
    if (Failed(r)) return r;
    BindVertexAttributes(stream->impl_->buffer, streamStride, layout, 0);
    glDrawArrays(mode, static_cast<GLint>(start), static_cast<GLsizei>(count));
    return kOk;
}

Result DeviceCore::DrawIndexed(PrimitiveType type, std::uint32_t startIndex, std::uint32_t primitives) {
    GLenum mode = 0;
    if (primitives == 0 || primitives > kMaxPrimitives) return primitives == 0 ? kOk : kErrInvalidCall;
    const std::uint32_t count = VertexCount(type, primitives, &mode);
    if (count == 0) return kErrInvalidCall;
    if (!stream || streamStride < layout.stride || streamStride == 0 || !indices) return kErrInvalidCall;
    const BufferImpl& ib = *indices->impl_;
    const std::uint32_t isize = ib.indexFormat == Format::Index32 ? 4 : 2;
    const std::uint64_t indexCount = ib.bytes.size() / isize;
    if (std::uint64_t{startIndex} + count > indexCount) return kErrInvalidCall;
    const std::uint64_t vertices = stream->impl_->bytes.size() / streamStride;
    // Quick accept on the largest index of the buffer; otherwise look at the indices drawn.
    if (std::uint64_t{baseVertex} + ib.maxIndex >= vertices) {
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t v = 0;
            if (isize == 4) std::memcpy(&v, &ib.bytes[(std::size_t{startIndex} + i) * 4], 4);
            else {
                std::uint16_t v16 = 0;
                std::memcpy(&v16, &ib.bytes[(std::size_t{startIndex} + i) * 2], 2);
                v = v16;
            }
            if (std::uint64_t{baseVertex} + v >= vertices) return kErrInvalidCall;
        }
    }
    Result r = PrepareDraw(layout);
    if (Failed(r)) return r;
    BindVertexAttributes(stream->impl_->buffer, streamStride, layout, 0);
    if (elementBuffer != ib.buffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer = ib.buffer);
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(std::uintptr_t{startIndex} * isize),
                             static_cast<GLint>(baseVertex));
    return kOk;
}

Result DeviceCore::DrawUP(PrimitiveType type, std::uint32_t primitives, const void* data, std::uint32_t stride,
                          const void* idx, Format indexFormat, std::uint32_t numVertices) {
    GLenum mode = 0;
    if (primitives == 0) return kOk;
    if (primitives > kMaxPrimitives || !data || stride == 0 || stride < layout.stride) return kErrInvalidCall;
    const std::uint32_t count = VertexCount(type, primitives, &mode);
    if (count == 0) return kErrInvalidCall;
    const std::uint32_t vertices = idx ? numVertices : count;
    if (idx) {
        if (indexFormat != Format::Index16 && indexFormat != Format::Index32) return kErrInvalidCall;
        const std::uint32_t isize = indexFormat == Format::Index32 ? 4 : 2;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t v = 0;
            const auto* p = static_cast<const std::uint8_t*>(idx) + std::size_t{i} * isize;
            if (isize == 4) std::memcpy(&v, p, 4);
            else {
                std::uint16_t v16 = 0;
                std::memcpy(&v16, p, 2);
                v = v16;
            }
            if (v >= vertices) return kErrInvalidCall;
        }
    }
    Result r = PrepareDraw(layout);
    if (Failed(r)) return r;
    const std::size_t bytes = std::size_t{vertices} * stride;
    gl.BindArrayBuffer(upVertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_DRAW);
    attrBuffer = 0xFFFFFFFFu;  // same buffer name, fresh storage: set the pointers again
    BindVertexAttributes(upVertexBuffer, stride, layout, 0);
    if (!idx) {
        glDrawArrays(mode, 0, static_cast<GLsizei>(count));
    } else {
        const std::uint32_t isize = indexFormat == Format::Index32 ? 4 : 2;
        if (elementBuffer != upIndexBuffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer = upIndexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(std::size_t{count} * isize), idx, GL_STREAM_DRAW);
        glDrawElements(mode, static_cast<GLsizei>(count), isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr);
    }
    // Drawing from memory leaves no vertex buffer bound on stream 0.
    stream = nullptr;
    streamStride = 0;
    return kOk;
}

}  // namespace vm::d3d::detail
