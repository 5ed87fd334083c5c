#include "platform/d3d/vertex_format.h"

#include "platform/d3d/d3d.h"  // keeps every public header compiling on its own

namespace vm::d3d {

VertexLayout LayoutOf(std::uint32_t vertexFormat) {
    VertexLayout l;
    constexpr std::uint32_t kKnownBits = fvf::kPositionMask | fvf::kNormal | fvf::kPSize | fvf::kDiffuse |
                                         fvf::kSpecular | fvf::kTexCountMask | fvf::kLastBetaUByte4 |
                                         0xFFFF0000u;
    if ((vertexFormat & ~kKnownBits) != 0) return l;
    const std::uint32_t pos = vertexFormat & fvf::kPositionMask;
    if (pos == 0) return l;
    const std::uint32_t texSets = (vertexFormat & fvf::kTexCountMask) >> fvf::kTexCountShift;
    if (texSets > kMaxTexCoordSets) return l;

    std::uint32_t offset = 0;
    l.position = 0;
    if (pos == fvf::kXyzRhw) {
        l.pretransformed = true;
        offset = 16;
    } else {
        offset = 12;
        // XYZB1..XYZB5 carry 1..5 floats after the position.
        if (pos >= fvf::kXyzB1) {
            l.blendWeights = (pos - fvf::kXyzRhw) / 2;
            l.weights = static_cast<std::int32_t>(offset);
            offset += 4 * l.blendWeights;
            // With UBYTE4 the last "weight" holds packed matrix indices, not a weight.
            if (vertexFormat & fvf::kLastBetaUByte4) l.blendWeights -= 1;
        }
    }
    if (vertexFormat & fvf::kNormal) {
        l.normal = static_cast<std::int32_t>(offset);
        offset += 12;
    }
    if (vertexFormat & fvf::kPSize) {
        l.pointSize = static_cast<std::int32_t>(offset);
        offset += 4;
    }
    if (vertexFormat & fvf::kDiffuse) {
        l.diffuse = static_cast<std::int32_t>(offset);
        offset += 4;
    }
    if (vertexFormat & fvf::kSpecular) {
        l.specular = static_cast<std::int32_t>(offset);
        offset += 4;
    }
    l.texCoordSets = texSets;
    for (std::uint32_t i = 0; i < texSets; ++i) {
        static constexpr std::uint32_t kFloatsBySizeBits[4] = {2, 3, 4, 1};
        const std::uint32_t floats = kFloatsBySizeBits[(vertexFormat >> (16 + 2 * i)) & 3u];
        l.texCoord[i] = static_cast<std::int32_t>(offset);
        l.texCoordSize[i] = floats;
        offset += 4 * floats;
    }
    // Size bits of sets that are not present must be clear.
    if (texSets < kMaxTexCoordSets && (vertexFormat >> (16 + 2 * texSets)) != 0) return VertexLayout{};
    l.stride = offset;
    l.valid = true;
    return l;
}

}  // namespace vm::d3d
