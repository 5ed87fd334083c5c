#pragma once
// Writes a frame tree with meshes as a binary or compressed binary X file (version 0303, 32-bit floats):
// Header, then per frame Frame { FrameTransformMatrix, Mesh { MeshNormals, MeshTextureCoords,
// MeshMaterialList { Material { TextureFilename } } }, child frames }. Only standard templates are used,
// so the file declares none.

#include <string>
#include <vector>

#include "platform/d3d/types.h"
#include "platform/d3dx/xfile/x_mesh.h"

namespace vm::d3dx {

struct XFrameDesc {
    std::string name;  // empty: an unnamed frame
    d3d::Matrix matrix;
    // Meshes use positions, faceCorners/faceIndices, normals/normalFaceIndices (optional), texCoords
    // (optional, one per position), materials and faceMaterials (optional, one per face), and name.
    std::vector<XMeshData> meshes;
    std::vector<XFrameDesc> children;
};

// Fails with BadValue (nothing written) when a mesh does not fit together: a face index past the
// positions, normal faces that differ from the faces, texture coordinates not one per position, a face
// material past the materials.
XResult writeXFile(const std::vector<XFrameDesc>& roots, bool compressed, std::vector<std::uint8_t>& out);

}  // namespace vm::d3dx
