#include "platform/d3dx/fvf.h"

namespace vm::d3dx {

static_assert(positionWithWeights(1) == fvf::kXyzB1 && positionWithWeights(3) == fvf::kXyzB3 &&
              positionWithWeights(5) == fvf::kXyzB5);

bool describeVertexFormat(std::uint32_t format, VertexLayout& out) noexcept {
    out = VertexLayout{};
    constexpr std::uint32_t known = fvf::kPositionMask | fvf::kNormal | fvf::kPSize | fvf::kDiffuse |
                                    fvf::kSpecular | fvf::kTexCountMask | fvf::kLastBetaUByte4 |
                                    0xFFFF0000u;
    if ((format & ~known) != 0) return false;
    std::size_t at = 0;
    const std::uint32_t pos = format & fvf::kPositionMask;
    if (pos == 0) return false;
    out.position = 0;
    if (pos == fvf::kXyzRhw) {
        out.rhw = true;
        at = 16;
    } else {
        at = 12;
        if (pos >= fvf::kXyzB1) {
            out.blendWeightCount = (pos - fvf::kXyzRhw) / 2;  // B1 = 0x6 ... B5 = 0xE
            out.weights = static_cast<int>(at);
            at += 4 * out.blendWeightCount;
        }
    }
    auto take = [&](std::uint32_t bit, int& field, std::size_t bytes) {
        if ((format & bit) == 0) return;
        field = static_cast<int>(at);
        at += bytes;
    };
    take(fvf::kNormal, out.normal, 12);
    take(fvf::kPSize, out.pointSize, 4);
    take(fvf::kDiffuse, out.diffuse, 4);
    take(fvf::kSpecular, out.specular, 4);
    out.texCoordSets = (format & fvf::kTexCountMask) >> fvf::kTexCountShift;
    if (out.texCoordSets > 8) return false;
    for (std::uint32_t i = 0; i < out.texCoordSets; ++i) {
        static constexpr std::uint32_t floatsByCode[4] = {2, 3, 4, 1};
        out.texCoordFloats[i] = floatsByCode[(format >> (fvf::kTexCoordSizeShift + 2 * i)) & 3];
        out.texCoords[i] = static_cast<int>(at);
        at += 4 * out.texCoordFloats[i];
    }
    out.stride = at;
    return true;
}

std::size_t vertexSize(std::uint32_t format) noexcept {
    VertexLayout layout;
    return describeVertexFormat(format, layout) ? layout.stride : 0;
}

}  // namespace vm::d3dx
