#pragma once
// D3DX meshes from the renderer layout of X data: the plain mesh, and the skin mesh with its bones.

#include <memory>

#include "platform/d3dx/mesh.h"
#include "platform/d3dx/skin_mesh.h"
#include "platform/d3dx/xfile/x_mesh.h"

namespace vm::engine {

// Position, normal, one texture set, plus the diffuse colour when the file had vertex colours.
std::uint32_t VertexFormatOf(const d3dx::XRenderMesh& render);

// One face per triangle, the attribute of each face its material index; 32-bit indices when the
// vertices need them. A mesh with no triangles yields null and 0 (nothing to draw).
d3dx::Result BuildMesh(const d3dx::XRenderMesh& render, std::unique_ptr<d3dx::Mesh>& out);

// The mesh above wrapped in a skin mesh carrying render.bones.
d3dx::Result BuildSkinMesh(const d3dx::XRenderMesh& render, std::unique_ptr<d3dx::SkinMesh>& out);

}  // namespace vm::engine
