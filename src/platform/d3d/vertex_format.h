#pragma once
// Flexible vertex formats: a bit set that names the components of a vertex, which lie in this fixed
// order: position (3 floats, or 4 for pre-transformed x, y, z, rhw), blend weights (floats), normal
// (3 floats), point size (float), diffuse (0xAARRGGBB), specular (0xAARRGGBB), then the texture-
// coordinate sets (1 to 4 floats each, 2 unless the size bits say otherwise).
//
// The program's formats:
//   0x144 (324)  XYZRHW | DIFFUSE | TEX1          stride 28: x y z rhw, colour, u v
//   0x152 (338)  XYZ | NORMAL | DIFFUSE | TEX1     stride 36: x y z, nx ny nz, colour, u v
//   0x252        XYZ | NORMAL | DIFFUSE | TEX2     stride 44: as 0x152 plus a second u v
// Blended meshes add blend weights after the position (XYZB1..XYZB4: 1..4 floats; the last weight of
// a vertex is implied as one minus the sum of the others).

#include <cstdint>

namespace vm::d3d {

namespace fvf {
constexpr std::uint32_t kPositionMask = 0x00E;
constexpr std::uint32_t kXyz = 0x002;
constexpr std::uint32_t kXyzRhw = 0x004;
constexpr std::uint32_t kXyzB1 = 0x006;
constexpr std::uint32_t kXyzB2 = 0x008;
constexpr std::uint32_t kXyzB3 = 0x00A;
constexpr std::uint32_t kXyzB4 = 0x00C;
constexpr std::uint32_t kXyzB5 = 0x00E;
constexpr std::uint32_t kNormal = 0x010;
constexpr std::uint32_t kPSize = 0x020;
constexpr std::uint32_t kDiffuse = 0x040;
constexpr std::uint32_t kSpecular = 0x080;
constexpr std::uint32_t kTexCountMask = 0xF00;
constexpr std::uint32_t kTexCountShift = 8;
constexpr std::uint32_t kTex0 = 0x000;
constexpr std::uint32_t kTex1 = 0x100;
constexpr std::uint32_t kTex2 = 0x200;
constexpr std::uint32_t kTex3 = 0x300;
constexpr std::uint32_t kTex4 = 0x400;
constexpr std::uint32_t kLastBetaUByte4 = 0x1000;

// Size bits of texture set i live at bit 16 + 2i: 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
constexpr std::uint32_t TexCoordSize1(std::uint32_t set) { return 3u << (16 + set * 2); }
constexpr std::uint32_t TexCoordSize3(std::uint32_t set) { return 1u << (16 + set * 2); }
constexpr std::uint32_t TexCoordSize4(std::uint32_t set) { return 2u << (16 + set * 2); }
}  // namespace fvf

constexpr std::uint32_t kMaxTexCoordSets = 8;

// Byte offsets of each component, -1 where absent. Built by LayoutOf.
struct VertexLayout {
    bool valid = false;
    bool pretransformed = false;  // XYZRHW: screen pixels, never lit or transformed
    std::uint32_t stride = 0;
    std::uint32_t blendWeights = 0;  // floats stored after the position (0..5, or 0..4 with UBYTE4)
    std::int32_t position = -1;
    std::int32_t weights = -1;
    std::int32_t normal = -1;
    std::int32_t pointSize = -1;
    std::int32_t diffuse = -1;
    std::int32_t specular = -1;
    std::uint32_t texCoordSets = 0;
    std::int32_t texCoord[kMaxTexCoordSets] = {-1, -1, -1, -1, -1, -1, -1, -1};
    std::uint32_t texCoordSize[kMaxTexCoordSets] = {};  // floats per set
};

// Layout of a vertex format; valid is false for a format with no position, more than 8 texture sets,
// or unknown bits.
VertexLayout LayoutOf(std::uint32_t vertexFormat);

// Bytes per vertex, 0 for an invalid format.
inline std::uint32_t VertexSize(std::uint32_t vertexFormat) { return LayoutOf(vertexFormat).stride; }

}  // namespace vm::d3d
