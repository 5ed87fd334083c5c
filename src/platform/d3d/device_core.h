#pragma once
// Internal state of a device: the fixed-function state as set, the GL objects behind it, and the
// shadow of the GL state. Device's public calls forward here; resources reach it through their core_.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/d3d/device.h"
#include "platform/d3d/gl_api.h"
#include "platform/d3d/gl_context.h"
#include "platform/d3d/gl_shadow.h"
#include "platform/d3d/shader_key.h"

namespace vm::d3d::detail {

constexpr std::uint32_t kMaxStages = 8;   // accepted by the state calls
constexpr std::uint32_t kDrawnStages = 2; // run by the pipeline
constexpr std::uint32_t kMaxLights = 8;
constexpr std::uint32_t kBlendMatrices = 4;
constexpr std::uint32_t kMaxTextureLevels = 16;

struct TextureLevel {
    std::uint32_t width = 0, height = 0, pitch = 0;
    std::vector<std::uint8_t> bits;
    bool locked = false;
    bool lockedReadOnly = false;
};

struct TextureImpl {
    Texture* self = nullptr;
    Format format = Format::Unknown;
    std::uint32_t usage = 0;
    Pool pool = Pool::Managed;
    std::vector<TextureLevel> levels;
    GLuint tex = 0;
    std::vector<std::unique_ptr<Surface>> surfaces;  // made on demand
};

struct SurfaceImpl {
    enum class Kind { BackBuffer, DepthStencil, TextureLevel } kind = Kind::DepthStencil;
    Texture* container = nullptr;
    std::uint32_t level = 0;
    Format format = Format::Unknown;
    std::uint32_t width = 0, height = 0;
    MultisampleType multisample = MultisampleType::None;
    GLuint renderbuffer = 0;  // depth surfaces and a multisampled back buffer's colour
};

struct BufferImpl {
    bool isIndex = false;
    std::vector<std::uint8_t> bytes;
    std::uint32_t usage = 0, vertexFormat = 0;
    Format indexFormat = Format::Index16;
    Pool pool = Pool::Managed;
    GLuint buffer = 0;
    bool locked = false;
    std::uint32_t lockOffset = 0, lockSize = 0;
    std::uint32_t maxIndex = 0;  // index buffers: largest index stored, recomputed on unlock
};

struct Program {
    GLuint id = 0;
    GLint uWV = -1, uNrm = -1, uProj = -1, uScreen = -1, uDepth = -1, uMat = -1, uLight = -1, uLightCount = -1, uTexM = -1,
          uTFactor = -1, uAlphaRef = -1;
    std::uint64_t seen[4] = {};  // uniform-group versions last uploaded to this program
};

enum UniformGroup { kGroupTransform, kGroupLights, kGroupMaterial, kGroupStage, kGroupCount };

struct DeviceCore {
    DeviceCore() = default;
    ~DeviceCore();
    DeviceCore(const DeviceCore&) = delete;
    DeviceCore& operator=(const DeviceCore&) = delete;

    // Creation; fills *params. 0 or a failure code with nothing left behind.
    Result Init(const PresentTarget& target, const Caps& caps, std::uint32_t sampleMask, std::uint32_t maxTargetSize,
                PresentParameters* params);

    // --- resource registry (unbinding and orphaning) ---
    void Register(Resource* r) noexcept;
    void Unregister(Resource* r) noexcept;
    void OnTextureGone(Texture* t) noexcept;
    void OnSurfaceGone(Surface* s) noexcept;
    void OnBufferGone(BufferImpl* b) noexcept;
    void Enter() noexcept { ctx->MakeCurrent(); }

    // --- life ---
    Result CreateBackBuffer();
    void DestroyBackBuffer();
    void ResetStates();
    Result Present();
    Result Clear(std::uint32_t count, const Rect* rects, std::uint32_t flags, Color color, float z);
    Result ReadPixels(GLuint fbo, std::uint32_t w, std::uint32_t h, Image* out);
    Result ReadRenderTarget(Image* out);

    // --- drawing ---
    Result PrepareDraw(const VertexLayout& layout);
    void BindVertexAttributes(GLuint buffer, std::uint32_t stride, const VertexLayout& layout, std::uintptr_t base);
    Result Draw(PrimitiveType type, std::uint32_t start, std::uint32_t primitives);
    Result DrawIndexed(PrimitiveType type, std::uint32_t startIndex, std::uint32_t primitives);
    Result DrawUP(PrimitiveType type, std::uint32_t primitives, const void* data, std::uint32_t stride,
                  const void* indices, Format indexFormat, std::uint32_t numVertices);

    Program* ProgramFor(const ShaderKey& key);
    void BuildKey(const VertexLayout& layout, ShaderKey* key) const;
    void UploadUniforms(Program* p, bool pretransformed);
    void ApplyRasterState();
    void ApplyTargets();
    GLuint SamplerFor(std::uint32_t stage);
    GLuint FramebufferFor(Surface* color, Surface* depth);
    void DropFramebuffersUsing(GLuint colorName, GLuint depthName);

    // --- context and presentation ---
    std::unique_ptr<GlContext> ctx;
    PresentTarget target;
    Caps caps;
    std::uint32_t sampleMask = 0;     // bit k: k samples usable (k = 2..16)
    std::uint32_t maxTargetSize = 0;  // largest back buffer or depth surface side
    PresentParameters params;
    CooperativeState coop = CooperativeState::Ready;
    bool inScene = false;
    bool watchInstalled = false;

    // back buffer: drawn into bbFbo; resolveFbo/resolveTex when multisampled, else bbTex
    GLuint bbFbo = 0, bbTex = 0, bbColorRb = 0, resolveFbo = 0, resolveTex = 0;
    std::unique_ptr<Surface> backBuffer, autoDepth;
    GLuint presentFbo = 0, presentTex = 0, gammaTex = 0, finalProgram = 0, emptyVao = 0;
    std::uint32_t presentW = 0, presentH = 0;
    bool presentedOnce = false;
    GammaRamp gamma;
    bool gammaDirty = true;

    // --- fixed-function state ---
    std::array<std::uint32_t, static_cast<std::size_t>(RenderState::Count)> rs{};
    std::uint32_t tss[kMaxStages][static_cast<std::size_t>(TextureStageState::Count)] = {};
    Matrix world[kBlendMatrices], view, proj, texture[kMaxStages];
    Light lights[kMaxLights];
    bool lightOn[kMaxLights] = {};
    Material material;
    Viewport viewport;
    Texture* textures[kMaxStages] = {};
    VertexBuffer* stream = nullptr;
    std::uint32_t streamStride = 0;
    IndexBuffer* indices = nullptr;
    std::uint32_t baseVertex = 0;
    std::uint32_t vertexFormat = 0;
    VertexLayout layout;
    Surface* colorTarget = nullptr;
    Surface* depthTarget = nullptr;

    // --- derived and GL side ---
    std::uint64_t version[kGroupCount] = {1, 1, 1, 1};
    bool keyDirty = true, rasterDirty = true, targetDirty = true, transformDirty = true, lightsDirty = true;
    ShaderKey key{};
    Program* program = nullptr;
    std::unordered_map<ShaderKey, Program, ShaderKeyHash> programs;
    std::unordered_map<std::uint64_t, GLuint> samplers;
    std::map<std::pair<GLuint, GLuint>, GLuint> framebuffers;  // (colour texture or rb, depth rb)
    GlShadow gl;
    GLuint vao = 0, upVertexBuffer = 0, upIndexBuffer = 0;
    std::size_t upVertexCapacity = 0, upIndexCapacity = 0;
    // attribute binding last made: buffer, stride, format, base offset
    GLuint attrBuffer = 0xFFFFFFFFu;
    std::uint32_t attrStride = 0, attrFormat = 0xFFFFFFFFu;
    std::uintptr_t attrBase = ~std::uintptr_t{0};
    GLuint currentFbo = 0;
    GLuint elementBuffer = 0xFFFFFFFFu;
    std::uint32_t enabledAttribs = 0;  // bit per attribute location
    GLuint stageSampler[kDrawnStages] = {};
    bool samplerDirty[kDrawnStages] = {true, true};
    std::uint32_t targetW = 0, targetH = 0;

    // camera-space data computed from the state
    float wv[kBlendMatrices][16] = {}, nrm[kBlendMatrices][9] = {};
    std::uint32_t computedMatrices = 0;  // entries of wv and nrm valid for the current transforms
    float lightData[kMaxLights * 7][4] = {};
    std::int32_t lightCount = 0;  // enabled lights packed into lightData

    Resource* resources = nullptr;  // intrusive list head
};

// Row-vector product: a × b applies a first.
Matrix Multiply(const Matrix& a, const Matrix& b);

}  // namespace vm::d3d::detail
