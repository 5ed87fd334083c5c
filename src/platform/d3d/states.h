#pragma once
// Render states, texture-stage states, transforms and their values. Every state is a 32-bit word; the
// enums below name the words the device understands. Set* rejects a state it does not know with
// kErrInvalidCall and leaves everything unchanged.

#include <cstdint>

namespace vm::d3d {

enum class RenderState : std::uint32_t {
    ZEnable,             // ZBuffer value; default ZBuffer::True
    FillMode,            // Fill; default Solid
    ShadeMode,           // accepted; always Gouraud
    ZWriteEnable,        // bool; default true
    AlphaTestEnable,     // bool; default false
    SrcBlend,            // Blend; default One
    DestBlend,           // Blend; default Zero
    CullMode,            // Cull; default CCW
    ZFunc,               // Cmp; default LessEqual
    AlphaRef,            // 0..255; default 0
    AlphaFunc,           // Cmp; default Always
    DitherEnable,        // accepted, no effect (8-bit targets need none)
    AlphaBlendEnable,    // bool; default false
    FogEnable,           // accepted, fog is not drawn
    SpecularEnable,      // bool; default false
    TextureFactor,       // 0xAARRGGBB; default 0xFFFFFFFF
    Lighting,            // bool; default true
    Ambient,             // 0xAARRGGBB; default 0
    ColorVertex,         // bool; default true
    LocalViewer,         // bool; default true
    NormalizeNormals,    // accepted; normals are always renormalised
    DiffuseMaterialSource,   // MaterialSource; default Color1
    SpecularMaterialSource,  // MaterialSource; default Color2
    AmbientMaterialSource,   // MaterialSource; default Material
    EmissiveMaterialSource,  // MaterialSource; default Material
    VertexBlend,         // VertexBlend; default Disable
    SoftwareVertexProcessing,  // bool; accepted, same pipeline either way
    BlendOp,             // BlendOp; default Add
    Clipping,            // accepted; always clipped
    Count
};

enum class ZBuffer : std::uint32_t { False = 0, True = 1, UseW = 2 /* treated as True */ };
enum class Fill : std::uint32_t { Point = 1, Wireframe = 2, Solid = 3 };
// Winding as seen on screen (x right, y down) for the left-handed convention: CCW culls triangles
// whose vertices run counter-clockwise on screen.
enum class Cull : std::uint32_t { None = 1, CW = 2, CCW = 3 };
enum class Cmp : std::uint32_t {
    Never = 1, Less = 2, Equal = 3, LessEqual = 4, Greater = 5, NotEqual = 6, GreaterEqual = 7, Always = 8
};
enum class Blend : std::uint32_t {
    Zero = 1, One = 2, SrcColor = 3, InvSrcColor = 4, SrcAlpha = 5, InvSrcAlpha = 6,
    DestAlpha = 7, InvDestAlpha = 8, DestColor = 9, InvDestColor = 10, SrcAlphaSat = 11
};
enum class BlendOp : std::uint32_t { Add = 1, Subtract = 2, RevSubtract = 3, Min = 4, Max = 5 };
enum class MaterialSource : std::uint32_t { Material = 0, Color1 = 1, Color2 = 2 };
// Number of blend weights taken from each vertex; matrices used = weights + 1.
enum class VertexBlend : std::uint32_t { Disable = 0, Weights1 = 1, Weights2 = 2, Weights3 = 3 };

enum class TextureStageState : std::uint32_t {
    ColorOp,        // TextureOp; stage 0 default Modulate, others Disable
    ColorArg1,      // TextureArg; default Texture
    ColorArg2,      // TextureArg; default Current (Diffuse on stage 0 reads the same)
    AlphaOp,        // TextureOp; stage 0 default SelectArg1, others Disable
    AlphaArg1,      // TextureArg; default Texture
    AlphaArg2,      // TextureArg; default Current
    TexCoordIndex,  // low 16 bits: vertex texture set; high bits: texcoord:: generation; default = stage
    AddressU,       // TextureAddress; default Wrap
    AddressV,       // TextureAddress; default Wrap
    BorderColor,    // 0xAARRGGBB; default 0 (transparent black)
    MagFilter,      // TextureFilter; default Point
    MinFilter,      // TextureFilter; default Point
    MipFilter,      // TextureFilter; default None: only level 0 is sampled
    TextureTransformFlags,  // TextureTransform; default Disable
    Count
};

enum class TextureOp : std::uint32_t {
    Disable = 1,
    SelectArg1 = 2,
    SelectArg2 = 3,
    Modulate = 4,
    Modulate2x = 5,
    Modulate4x = 6,
    Add = 7,
    AddSigned = 8,
    Subtract = 10,
    BlendDiffuseAlpha = 12,
    BlendTextureAlpha = 13,
    BlendCurrentAlpha = 16,
};

// Argument selector in the low 4 bits, modifiers above.
namespace texarg {
constexpr std::uint32_t kDiffuse = 0;
constexpr std::uint32_t kCurrent = 1;  // stage 0: the diffuse colour
constexpr std::uint32_t kTexture = 2;  // a stage without texture reads opaque white
constexpr std::uint32_t kTFactor = 3;
constexpr std::uint32_t kSpecular = 4;
constexpr std::uint32_t kSelectMask = 0xF;
constexpr std::uint32_t kComplement = 0x10;      // 1 - x
constexpr std::uint32_t kAlphaReplicate = 0x20;  // x.aaaa
}  // namespace texarg

// TexCoordIndex generation modes (high half of the word).
namespace texcoord {
constexpr std::uint32_t kPassThru = 0x00000;
constexpr std::uint32_t kCameraSpaceNormal = 0x10000;
constexpr std::uint32_t kCameraSpacePosition = 0x20000;
constexpr std::uint32_t kCameraSpaceReflectionVector = 0x30000;
}  // namespace texcoord

enum class TextureAddress : std::uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4 };
enum class TextureFilter : std::uint32_t { None = 0, Point = 1, Linear = 2, Anisotropic = 3 };

// Texture-coordinate transform. Count1..4 take that many results of (coords × texture matrix); with
// Projected the last counted result divides the others. A 2-component vertex set enters the matrix
// as (u, v, 1, 0); a generated camera-space position as (x, y, z, 1).
namespace texturetransform {
constexpr std::uint32_t kDisable = 0;
constexpr std::uint32_t kCount1 = 1;
constexpr std::uint32_t kCount2 = 2;
constexpr std::uint32_t kCount3 = 3;
constexpr std::uint32_t kCount4 = 4;
constexpr std::uint32_t kProjected = 256;
}  // namespace texturetransform

// Transform slots. World matrices 0..3 are the vertex-blend matrices; World is world matrix 0.
enum class TransformState : std::uint32_t {
    View = 2,
    Projection = 3,
    Texture0 = 16,
    Texture1 = 17,
    Texture2 = 18,
    Texture3 = 19,
    Texture4 = 20,
    Texture5 = 21,
    Texture6 = 22,
    Texture7 = 23,
    World = 256,
    World1 = 257,
    World2 = 258,
    World3 = 259,
};
constexpr TransformState WorldMatrix(std::uint32_t index) {
    return static_cast<TransformState>(256 + index);
}

enum class PrimitiveType : std::uint32_t {
    PointList = 1, LineList = 2, LineStrip = 3, TriangleList = 4, TriangleStrip = 5, TriangleFan = 6
};

// Clear flags (bit set).
namespace clear {
constexpr std::uint32_t kTarget = 1;
constexpr std::uint32_t kZBuffer = 2;
constexpr std::uint32_t kStencil = 4;
}  // namespace clear

// SetGammaRamp flags.
namespace gamma {
constexpr std::uint32_t kNoCalibration = 0;
constexpr std::uint32_t kCalibrate = 1;  // accepted; the ramp is used as given
}  // namespace gamma

}  // namespace vm::d3d
