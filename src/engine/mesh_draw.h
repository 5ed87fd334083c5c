#pragma once
// Drawing what a model loaded: one FrameMesh, or one SceneObject with its own materials and textures or
// with the caller's. The engine sets only what a mesh needs: world transform, material, stage-0 texture,
// and for skinned meshes the blend matrices and the vertex-blend state.

#include "engine/frame_mesh.h"
#include "engine/scene_object.h"
#include "engine/x_model.h"
#include "platform/d3d/device.h"
#include "platform/d3dx/mesh.h"

namespace vm::engine {

// Draws mesh subsets on a device from the mesh's own memory.
class DeviceDrawTarget final : public d3dx::MeshDrawTarget {
public:
    explicit DeviceDrawTarget(d3d::Device& device) : device_(device) {}
    d3dx::Result drawIndexedTriangles(std::uint32_t format, const void* vertices, std::size_t stride,
                                      std::uint32_t minVertex, std::uint32_t vertexCount, const void* indices,
                                      bool indices32, std::uint32_t primitiveCount) override;

private:
    d3d::Device& device_;
};

// Unskinned: for every subset, its material and stage-0 texture (also for hidden subsets), then the
// subset when visible. Skinned: the blended groups. Does not set the world transform.
d3dx::Result DrawFrameMesh(XModel& model, FrameMesh& frameMesh);

// World = the object's world matrix, then DrawFrameMesh of its first FrameMesh.
d3dx::Result DrawObject(XModel& model, const SceneObject& object);

// 1 and nothing drawn for an object without mesh or with a skinned mesh. Otherwise per subset: the file
// material when useMaterials, else overrideMaterial when given; the file texture when useTextures;
// then the subset when visible. The first failing draw ends the loop and is returned.
d3dx::Result DrawWithOptions(const SceneObject& object, d3d::Device& device, bool useMaterials, bool useTextures,
                             const d3d::Material* overrideMaterial);

}  // namespace vm::engine
