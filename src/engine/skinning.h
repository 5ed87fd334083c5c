#pragma once
// Skinned meshes drawn by non-indexed vertex blending: generating the blended mesh from the skin mesh,
// and drawing its groups with the bone matrices each group needs.

#include "engine/frame_mesh.h"
#include "platform/d3d/device.h"
#include "platform/d3dx/mesh.h"

namespace vm::engine {

// Converts fm.skinMesh into fm.mesh with its bone-combination table and maxFaceInfluences.
d3dx::Result GenerateBlendedMesh(FrameMesh& fm);

// Draws every group of the blended mesh: world matrix i = offset(bone) × combined(bone frame) for the
// bones a group uses (set again only where a group's bone differs from the group before it), then the
// group's material and stage-0 texture, VertexBlend = maxFaceInfluences - 1, reset to 0 afterwards.
// A bone whose frame was not found moves with the identity. The first failing draw is returned.
d3dx::Result DrawSkinned(d3d::Device& device, FrameMesh& fm, d3dx::MeshDrawTarget& target);

}  // namespace vm::engine
