#pragma once
// Flexible vertex formats: bit sets naming the elements of a vertex, in this fixed order in memory:
// position (xyz, xyzrhw, or xyz with 1-5 blend weights), normal, point size, diffuse, specular,
// then 0-8 texture-coordinate sets. The values are the device's (0x152 = xyz, normal, diffuse, one
// texture set), since formats are stored in files and settings and compared by number.

#include <cstddef>
#include <cstdint>

namespace vm::d3dx {

namespace fvf {
inline constexpr std::uint32_t kPositionMask = 0x00E;
inline constexpr std::uint32_t kXyz = 0x002;
inline constexpr std::uint32_t kXyzRhw = 0x004;
inline constexpr std::uint32_t kXyzB1 = 0x006;
inline constexpr std::uint32_t kXyzB2 = 0x008;
inline constexpr std::uint32_t kXyzB3 = 0x00A;
inline constexpr std::uint32_t kXyzB4 = 0x00C;
inline constexpr std::uint32_t kXyzB5 = 0x00E;
inline constexpr std::uint32_t kNormal = 0x010;
inline constexpr std::uint32_t kPSize = 0x020;
inline constexpr std::uint32_t kDiffuse = 0x040;
inline constexpr std::uint32_t kSpecular = 0x080;
inline constexpr std::uint32_t kTexCountMask = 0xF00;
inline constexpr std::uint32_t kTexCountShift = 8;
inline constexpr std::uint32_t kTex1 = 0x100;
inline constexpr std::uint32_t kTex2 = 0x200;
// Two bits per texture set from bit 16: 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
inline constexpr std::uint32_t kTexCoordSizeShift = 16;
// The last blend "weight" holds four bone indices as bytes (indexed blending).
inline constexpr std::uint32_t kLastBetaUByte4 = 0x1000;
}  // namespace fvf

// Where each element sits inside one vertex, in bytes; -1 when the format lacks it.
struct VertexLayout {
    std::size_t stride = 0;
    int position = -1;  // 3 floats (4 with rhw)
    int weights = -1;   // blendWeightCount floats right after the position
    int normal = -1;
    int pointSize = -1;
    int diffuse = -1;
    int specular = -1;
    int texCoords[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    std::uint32_t texCoordFloats[8] = {};
    std::uint32_t blendWeightCount = 0;  // 0..5 stored weights (the last one is implied; with
                                         // kLastBetaUByte4 the final float holds bone indices)
    std::uint32_t texCoordSets = 0;
    bool rhw = false;
};

// false for formats this layer cannot lay out (no position, unknown bits, more than 8 texture sets).
bool describeVertexFormat(std::uint32_t format, VertexLayout& out) noexcept;

// Bytes per vertex, 0 for an invalid format.
std::size_t vertexSize(std::uint32_t format) noexcept;

// Position bits for n stored blend weights (0 gives plain xyz), n <= 5.
constexpr std::uint32_t positionWithWeights(std::uint32_t n) noexcept {
    return n == 0 ? fvf::kXyz : fvf::kXyz + 2 * (n + 1);
}

}  // namespace vm::d3dx
