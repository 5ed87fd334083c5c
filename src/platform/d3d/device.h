#pragma once
// The device: a fixed-function pipeline drawn with OpenGL (3.3-level calls, shaders generated for the
// states in use). One device owns one GL context on its PresentTarget.
//
// WHAT THE DEVICE GUARANTEES (the pixel tests check these)
//
// Coordinates. Row-vector matrices: a vertex p becomes p × World × View × Projection; clip-space z
// runs 0..1 (mapped to the viewport's MinZ..MaxZ); screen y runs downwards, (0, 0) the top-left pixel
// of the render target. Pre-transformed vertices (XYZRHW) are screen pixels whose integer coordinates
// are pixel centres; a quad from (x0, y0) to (x1, y1) covers pixels x0..x1-1, y0..y1-1. They are
// never lit or transformed and their z goes to the depth test as given.
//
// Lighting (render state Lighting on and the vertex not pre-transformed; with Lighting off the vertex
// colour, or opaque white without one, is used as is). Per vertex, in camera space; normals go
// through the inverse transpose of World × View and are renormalised, so scaled objects light
// correctly. A vertex without a normal gets the emissive and ambient terms only.
//   colour = Emissive + Ambient_m × (Ambient_rs + Σ Ambient_l × att) + Σ Diffuse_m × Diffuse_l × max(0, N·L) × att
//   clamped to 0..1 per channel; specular (Blinn, local viewer) only with SpecularEnable and added after
//   the texture stages. The vertex alpha is the diffuse material's alpha.
//   With ColorVertex on and a vertex diffuse (or specular) colour, that colour stands in for the
//   material part named by the *MaterialSource states (defaults: diffuse from the vertex, the rest
//   from the material).
//   Point light: L toward the light, d its distance, att = 1 / (a0 + a1·d + a2·d²) (a zero
//   denominator counts as 1), no contribution at all (ambient included) when d > Range.
//   Directional light: L = -normalise(Direction), att = 1, Range and attenuation ignored.
//   Spot light: as a point light times the cone factor (1 inside Theta/2, 0 outside Phi/2, Falloff
//   power between). Up to 8 lights may be enabled (indices 0..7); only enabled lights count.
//
// Vertex blending. VertexBlend = Weights1..3 blends position and normal over World matrices 0..k
// with the vertex's weights, the last weight implied as 1 - Σ others; missing weights read as 0.
//
// Texture stages 0 and 1 (stages 2..7 accept states and stay unused). A stage runs when its ColorOp
// is not Disable and every stage before it runs. Ops: Disable, SelectArg1/2, Modulate(2x, 4x), Add,
// AddSigned, Subtract, BlendDiffuseAlpha, BlendTextureAlpha, BlendCurrentAlpha. Arguments Texture,
// Diffuse, Current (Diffuse on stage 0), TFactor, Specular, with Complement and AlphaReplicate.
// AlphaOp Disable on a running stage passes the current alpha through. A stage with no texture reads
// Texture as opaque white, so Modulate draws the vertex colour. Stage 0 off: the diffuse colour.
// Sampling: Point/Linear filters; MipFilter None samples level 0 only; addressing Wrap, Mirror,
// Clamp, Border with the stage's BorderColor (default 0, transparent black).
// Texture coordinates: TexCoordIndex picks a vertex set or generates the camera-space position
// (x, y, z, 1) or normal; TextureTransformFlags CountN multiplies by the stage's texture matrix and
// uses the first results (Count3 without Projected: the first two are the coordinates).
//
// Per pixel after the stages: + specular (when enabled), alpha test (value × 255 rounded, compared
// with AlphaRef by AlphaFunc), blending with SrcBlend/DestBlend/BlendOp, z test (ZFunc) and z write,
// culling by screen winding. Fill mode Point/Wireframe/Solid.
//
// Defaults after creation and after Reset: the render-state and stage defaults listed in states.h
// (z test on with LessEqual, z write on, cull CCW, lighting on, alpha test and blending off, ambient 0,
// stage 0 Modulate texture × current and alpha SelectArg1 texture, stage 1 Disable, vertex texture
// coordinates, Wrap, border 0), identity transforms, all lights off and zero, zero material, viewport
// = the whole back buffer, the back buffer and automatic depth surface as targets, nothing bound.
// The gamma ramp is kept (identity at creation).
//
// Resources: textures, buffers and surfaces all survive Reset with their contents, the render-target
// texture included (its picture is kept as well).
//
// Device loss. TestCooperativeLevel answers kOk, kErrDeviceLost or kErrDeviceNotReset. A full-screen
// device on an SDL window becomes lost when the window is minimised or loses input focus; when it
// is restored and has focus again the device is resettable, and Reset makes it ready. SimulateLoss and
// SimulateRestore do the same for tests. While lost or resettable, Present and the draw calls return
// kErrDeviceLost and draw nothing; state setters still work (Reset overwrites them).
//
// Presenting. The frame is drawn into an offscreen back buffer (multisampled when asked); Present
// resolves it, applies the gamma ramp per channel (a table lookup in the final pass, never the
// display's ramp), and scales the result onto the window's drawable (full-screen windows are switched
// to desktop full screen). The presented picture can be read back with ReadPresentedImage.
//
// Draws are accepted outside BeginScene/EndScene as well. Vertex buffers, index buffers and textures
// of every pool can be drawn from.
//
// Programs. Each combination of the states that shape the pipeline (pre-transformed or not, lighting
// on, vertex colours present, vertex blending, alpha function, the stage operations and texture-
// coordinate sources) gets a generated GL program on first use: expect a one-off compile (well under
// a millisecond on a GPU driver, about 0.1 s of CPU on llvmpipe). Which lights are enabled, their
// kinds and every colour and matrix are uniforms and never cause a compile.
//
// Errors: kErrInvalidCall for wrong arguments, kErrOutOfVideoMemory when GL cannot allocate. No call
// throws; no call reads or writes outside the memory it was given.

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/d3d/formats.h"
#include "platform/d3d/present_target.h"
#include "platform/d3d/records.h"
#include "platform/d3d/resources.h"
#include "platform/d3d/results.h"
#include "platform/d3d/states.h"
#include "platform/d3d/types.h"
#include "platform/d3d/vertex_format.h"

namespace vm::d3d {

namespace detail {
struct DeviceCore;
}

enum class CooperativeState : std::uint32_t { Ready = 0, Lost = 1, NotReset = 2 };

// A picture read back from the device: rows top to bottom, 0xAARRGGBB per pixel.
struct Image {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t{y} * width + x]; }
};

class Device {
public:
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // --- life ---------------------------------------------------------------------------------
    Result TestCooperativeLevel() noexcept;
    // Same parameters as creation (zero sizes filled in again). Restores every default state and the
    // back buffer and depth surface as targets; keeps all resources. Fails with kErrDeviceLost while
    // the device is lost (not yet resettable).
    Result Reset(PresentParameters* params) noexcept;
    Result BeginScene() noexcept;
    Result EndScene() noexcept;
    // Shows the back buffer. Outside BeginScene/EndScene.
    Result Present() noexcept;
    // rects null or count 0: the whole viewport. Clears only inside the viewport.
    Result Clear(std::uint32_t count, const Rect* rects, std::uint32_t flags, Color color, float z,
                 std::uint32_t stencil) noexcept;
    Result SetViewport(const Viewport& viewport) noexcept;
    Result GetViewport(Viewport* out) const noexcept;
    void SetGammaRamp(std::uint32_t flags, const GammaRamp& ramp) noexcept;
    void GetGammaRamp(GammaRamp* out) const noexcept;
    Result GetDeviceCaps(Caps* out) const noexcept;
    const PresentParameters& GetPresentParameters() const noexcept;

    // --- states -------------------------------------------------------------------------------
    Result SetRenderState(RenderState state, std::uint32_t value) noexcept;
    template <class E>
        requires std::is_enum_v<E>
    Result SetRenderState(RenderState state, E value) noexcept {
        return SetRenderState(state, static_cast<std::uint32_t>(value));
    }
    Result SetRenderState(RenderState state, bool value) noexcept {
        return SetRenderState(state, std::uint32_t{value ? 1u : 0u});
    }
    Result GetRenderState(RenderState state, std::uint32_t* out) const noexcept;

    Result SetTextureStageState(std::uint32_t stage, TextureStageState state, std::uint32_t value) noexcept;
    template <class E>
        requires std::is_enum_v<E>
    Result SetTextureStageState(std::uint32_t stage, TextureStageState state, E value) noexcept {
        return SetTextureStageState(stage, state, static_cast<std::uint32_t>(value));
    }
    Result GetTextureStageState(std::uint32_t stage, TextureStageState state, std::uint32_t* out) const noexcept;

    Result SetTransform(TransformState state, const Matrix& matrix) noexcept;
    Result GetTransform(TransformState state, Matrix* out) const noexcept;
    // Current = matrix × current (the given matrix applies first).
    Result MultiplyTransform(TransformState state, const Matrix& matrix) noexcept;

    Result SetLight(std::uint32_t index, const Light& light) noexcept;  // index 0..7
    Result GetLight(std::uint32_t index, Light* out) const noexcept;
    Result LightEnable(std::uint32_t index, bool enable) noexcept;
    Result GetLightEnable(std::uint32_t index, bool* out) const noexcept;
    Result SetMaterial(const Material& material) noexcept;
    Result GetMaterial(Material* out) const noexcept;

    // --- resources ----------------------------------------------------------------------------
    // levels 0 = the full chain down to 1 × 1. Usage kRenderTarget needs Pool::Default and a single
    // level. Sizes above the caps' maximum fail with kErrInvalidCall.
    Result CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                         Format format, Pool pool, std::unique_ptr<Texture>* out) noexcept;
    Result CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t vertexFormat, Pool pool,
                              std::unique_ptr<VertexBuffer>* out) noexcept;
    Result CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, Format format, Pool pool,
                             std::unique_ptr<IndexBuffer>* out) noexcept;
    Result CreateDepthStencilSurface(std::uint32_t width, std::uint32_t height, Format format,
                                     MultisampleType multisample, std::unique_ptr<Surface>* out) noexcept;

    // Stages 0..7; null unbinds.
    Result SetTexture(std::uint32_t stage, Texture* texture) noexcept;
    Texture* GetTexture(std::uint32_t stage) const noexcept;

    // Colour target: the back buffer or level 0 of a render-target texture; depth: the automatic
    // depth surface, a surface from CreateDepthStencilSurface, or null (no depth buffer). A null colour
    // keeps the current one. The viewport becomes the whole new target.
    Result SetRenderTarget(Surface* color, Surface* depthStencil) noexcept;
    Surface* GetRenderTarget() const noexcept;
    Surface* GetDepthStencilSurface() const noexcept;
    Surface* GetBackBuffer() const noexcept;

    // --- drawing ------------------------------------------------------------------------------
    // The vertex format of the following draws (the fixed-function "vertex shader" handle).
    Result SetVertexShader(std::uint32_t vertexFormat) noexcept;
    std::uint32_t GetVertexShader() const noexcept;
    // Stream 0 only. stride must be at least the vertex format's size.
    Result SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t stride) noexcept;
    // Indices of the next DrawIndexedPrimitive are relative to baseVertexIndex.
    Result SetIndices(IndexBuffer* buffer, std::uint32_t baseVertexIndex) noexcept;

    Result DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) noexcept;
    // Draws primitiveCount primitives from the bound index buffer starting at startIndex. minIndex and
    // numVertices are taken as hints; every index plus the base vertex must lie inside the bound
    // vertex buffer, else the call fails with kErrInvalidCall and draws nothing. A mesh subset is
    // exactly this call with its attribute range.
    Result DrawIndexedPrimitive(PrimitiveType type, std::uint32_t minIndex, std::uint32_t numVertices,
                                std::uint32_t startIndex, std::uint32_t primitiveCount) noexcept;
    // Vertices from memory (copied before returning); the stream-0 binding is cleared afterwards.
    Result DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertexData,
                           std::uint32_t stride) noexcept;
    Result DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minIndex, std::uint32_t numVertices,
                                  std::uint32_t primitiveCount, const void* indexData, Format indexFormat,
                                  const void* vertexData, std::uint32_t stride) noexcept;

    // --- outside the classic interface ----------------------------------------------------------
    // The last presented picture (after gamma), at back-buffer size.
    Result ReadPresentedImage(Image* out) noexcept;
    // The current render target's content as drawn so far (before gamma).
    Result ReadRenderTarget(Image* out) noexcept;
    // Test hooks: behave as if the full-screen window was minimised / came back with focus.
    void SimulateLoss() noexcept;
    void SimulateRestore() noexcept;
    CooperativeState GetCooperativeState() const noexcept;

    detail::DeviceCore* Core() const noexcept { return core_.get(); }

private:
    friend class Direct3D;
    explicit Device(std::unique_ptr<detail::DeviceCore> core) noexcept;
    std::unique_ptr<detail::DeviceCore> core_;
};

}  // namespace vm::d3d
