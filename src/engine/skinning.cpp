#include "engine/skinning.h"

#include "platform/d3dx/math.h"

namespace vm::engine {

d3dx::Result GenerateBlendedMesh(FrameMesh& fm) {
    if (!fm.skinMesh) return d3dx::kErrInvalidCall;
    d3dx::BlendedMesh blended;
    const std::uint32_t* adjacency = fm.adjacencyCopy.empty() ? nullptr : fm.adjacencyCopy.data();
    if (d3dx::Result r = fm.skinMesh->ConvertToBlendedMesh(0, adjacency, blended); d3dx::failed(r)) return r;
    fm.mesh = std::move(blended.mesh);
    fm.maxFaceInfluences = blended.maxFaceInfluences;
    fm.boneCombinations = std::move(blended.combinations);
    fm.subsetCount = static_cast<std::uint32_t>(fm.boneCombinations.size());
    fm.generatedMethod = 0;  // non-indexed blending
    return d3dx::kOk;
}

d3dx::Result DrawSkinned(d3d::Device& device, FrameMesh& fm, d3dx::MeshDrawTarget& target) {
    if (!fm.mesh) return d3dx::kOk;
    const std::uint32_t k = std::min(fm.maxFaceInfluences, d3dx::kMaxBlendMatrices);
    device.SetRenderState(d3d::RenderState::VertexBlend, k > 0 ? k - 1 : 0u);
    d3dx::Result result = d3dx::kOk;
    const d3dx::BoneCombination* previous = nullptr;
    for (std::uint32_t g = 0; g < fm.boneCombinations.size(); ++g) {
        const d3dx::BoneCombination& group = fm.boneCombinations[g];
        for (std::uint32_t i = 0; i < k; ++i) {
            const std::uint32_t bone = group.boneId[i];
            if (bone == d3dx::kUnusedBone || bone >= fm.boneOffsets.size()) continue;
            if (previous && previous->boneId[i] == bone) continue;
            const d3d::Matrix* frame = fm.boneMatrices[bone];
            device.SetTransform(d3d::WorldMatrix(i), frame ? *frame : d3dx::identity());
            device.MultiplyTransform(d3d::WorldMatrix(i), fm.boneOffsets[bone]);
        }
        previous = &group;
        if (group.attribId < fm.materials.size()) {
            device.SetMaterial(fm.materials[group.attribId]);
            device.SetTexture(0, fm.textures[group.attribId].get());
        }
        result = fm.mesh->DrawSubset(g, target);
        if (d3dx::failed(result)) break;
    }
    device.SetRenderState(d3d::RenderState::VertexBlend, 0u);
    return result;
}

}  // namespace vm::engine
