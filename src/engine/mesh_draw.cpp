#include "engine/mesh_draw.h"

#include "engine/skinning.h"

namespace vm::engine {

d3dx::Result DeviceDrawTarget::drawIndexedTriangles(std::uint32_t format, const void* vertices, std::size_t stride,
                                                   std::uint32_t minVertex, std::uint32_t vertexCount,
                                                   const void* indices, bool indices32,
                                                   std::uint32_t primitiveCount) {
    if (d3dx::Result r = device_.SetVertexShader(format); d3dx::failed(r)) return r;
    return device_.DrawIndexedPrimitiveUP(d3d::PrimitiveType::TriangleList, minVertex, vertexCount, primitiveCount,
                                          indices, indices32 ? d3d::Format::Index32 : d3d::Format::Index16,
                                          vertices, static_cast<std::uint32_t>(stride));
}

d3dx::Result DrawFrameMesh(XModel& model, FrameMesh& fm) {
    if (!model.device || !fm.mesh) return d3dx::kOk;
    d3d::Device& device = *model.device;
    DeviceDrawTarget target(device);
    if (fm.skinMesh) return DrawSkinned(device, fm, target);
    const std::uint32_t n = std::min<std::uint32_t>(fm.subsetCount, static_cast<std::uint32_t>(fm.subsetMaterial.size()));
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t material = fm.subsetMaterial[i];
        if (material < fm.materials.size()) {
            device.SetMaterial(fm.materials[material]);
            device.SetTexture(0, fm.textures[material].get());
        }
        if (i < fm.subsetVisible.size() && fm.subsetVisible[i] != 0)
            if (d3dx::Result r = fm.mesh->DrawSubset(i, target); d3dx::failed(r)) return r;
    }
    return d3dx::kOk;
}

d3dx::Result DrawObject(XModel& model, const SceneObject& object) {
    FrameMesh* fm = object.GetFrameMesh();
    if (!fm || !model.device) return d3dx::kOk;
    model.device->SetTransform(d3d::TransformState::World, object.WorldMatrix());
    return DrawFrameMesh(model, *fm);
}

d3dx::Result DrawWithOptions(const SceneObject& object, d3d::Device& device, bool useMaterials, bool useTextures,
                             const d3d::Material* overrideMaterial) {
    if (object.HasNoMesh() || object.IsSkinned() || !object.GetMesh()) return 1;
    FrameMesh& fm = *object.GetFrameMesh();
    DeviceDrawTarget target(device);
    const std::uint32_t n = std::min<std::uint32_t>(fm.subsetCount, static_cast<std::uint32_t>(fm.subsetMaterial.size()));
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t material = fm.subsetMaterial[i];
        const bool known = material < fm.materials.size();
        if (useMaterials) {
            if (known) device.SetMaterial(fm.materials[material]);
        } else if (overrideMaterial) {
            device.SetMaterial(*overrideMaterial);
        }
        if (useTextures && known) device.SetTexture(0, fm.textures[material].get());
        if (i < fm.subsetVisible.size() && fm.subsetVisible[i] != 0)
            if (d3dx::Result r = fm.mesh->DrawSubset(i, target); d3dx::failed(r)) return r;
    }
    return d3dx::kOk;
}

}  // namespace vm::engine
