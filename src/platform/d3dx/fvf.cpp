#include "platform/d3dx/fvf.h"

#include "platform/d3d/vertex_format.h"

namespace vm::d3dx {

static_assert(positionWithWeights(1) == fvf::kXyzB1 && positionWithWeights(3) == fvf::kXyzB3 &&
              positionWithWeights(5) == fvf::kXyzB5);
static_assert(fvf::kXyzB1 == d3d::fvf::kXyzB1 && fvf::kTex1 == d3d::fvf::kTex1 && fvf::kDiffuse == d3d::fvf::kDiffuse);

// The device's reading of a format is the one that counts: the mesh must lay vertices out exactly as
// the device will fetch them.
bool describeVertexFormat(std::uint32_t format, VertexLayout& out) noexcept {
    out = VertexLayout{};
    const d3d::VertexLayout l = d3d::LayoutOf(format);
    if (!l.valid) return false;
    out.stride = l.stride;
    out.position = l.position;
    out.weights = l.weights;
    out.normal = l.normal;
    out.pointSize = l.pointSize;
    out.diffuse = l.diffuse;
    out.specular = l.specular;
    out.blendWeightCount = l.blendWeights;
    out.texCoordSets = l.texCoordSets;
    out.rhw = l.pretransformed;
    for (std::uint32_t i = 0; i < 8; ++i) {
        out.texCoords[i] = l.texCoord[i];
        out.texCoordFloats[i] = l.texCoordSize[i];
    }
    return true;
}

std::size_t vertexSize(std::uint32_t format) noexcept {
    VertexLayout layout;
    return describeVertexFormat(format, layout) ? layout.stride : 0;
}

}  // namespace vm::d3dx
