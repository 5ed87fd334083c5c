#pragma once
// Meshes from X data, CPU side: what a Mesh data object holds (positions, faces of any corner count,
// normals with their own face indices, one texture-coordinate set, vertex colours, the material list with
// texture file names, the skin header, skin weights and vertex duplication indices), and the same mesh in
// the layout a renderer draws: one vertex per distinct (position, normal) corner, triangles (faces fanned
// from their first corner) with their material, and bone weights moved to the new vertices.
//
// Contract: every index and count in the data is checked against what it indexes; a mesh that does not fit
// together fails with a negative XResult and a reason, never with an out-of-bounds access.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d/types.h"
#include "platform/d3dx/xfile/xfile.h"

namespace vm::d3dx {

struct XMaterial {
    d3d::ColorValue diffuse;   // faceColor, alpha included
    float power = 0;
    d3d::ColorValue specular;  // alpha 1
    d3d::ColorValue emissive;  // alpha 1
    std::string textureFilename;  // empty when the material has none
};

struct XSkinWeights {
    std::string boneName;  // frame that moves these vertices
    std::vector<std::uint32_t> vertices;
    std::vector<float> weights;
    d3d::Matrix offset;  // mesh space to bone space
};

struct XMeshData {
    std::string name;
    std::vector<d3d::Vector3> positions;
    std::vector<std::uint32_t> faceCorners;  // corner count per face
    std::vector<std::uint32_t> faceIndices;  // all faces' corners, flat
    std::vector<d3d::Vector3> normals;
    std::vector<std::uint32_t> normalFaceIndices;  // same layout as faceIndices; empty without normals
    std::vector<d3d::Vector2> texCoords;           // per position; empty without a set
    std::vector<d3d::ColorValue> vertexColors;     // per position; empty without colours
    std::vector<XMaterial> materials;
    std::vector<std::uint32_t> faceMaterials;      // per face; empty without a material list
    std::vector<XSkinWeights> bones;
    std::uint16_t maxSkinWeightsPerVertex = 0, maxSkinWeightsPerFace = 0;
    std::vector<std::uint32_t> duplicationIndices;  // per position: the original vertex it copies
    std::uint32_t originalVertexCount = 0;
};

struct XRenderVertex {
    d3d::Vector3 position;
    d3d::Vector3 normal;
    d3d::Vector2 uv;
    d3d::Color diffuse = 0xFFFFFFFF;
};

struct XRenderBone {
    std::string name;
    std::vector<std::uint32_t> vertices;  // indices into XRenderMesh::vertices
    std::vector<float> weights;
    d3d::Matrix offset;
};

struct XRenderMesh {
    std::vector<XRenderVertex> vertices;
    std::vector<std::uint32_t> indices;       // 3 per triangle
    std::vector<std::uint32_t> attributes;    // material per triangle
    std::vector<std::uint32_t> sourceVertex;  // per vertex: the position it came from
    std::vector<XRenderBone> bones;
    bool hasNormals = false, hasTexCoords = false, hasColors = false;
};

// Reads a data object of type Mesh (children: MeshNormals, MeshTextureCoords, MeshMaterialList with
// Material/TextureFilename children or references, MeshVertexColors, XSkinMeshHeader, SkinWeights,
// VertexDuplicationIndices; anything else is ignored).
XResult readMeshData(const XDataObject& mesh, XMeshData& out, std::string* why = nullptr);

// Reads a Material data object with its TextureFilename child.
XResult readMaterial(const XDataObject& material, XMaterial& out);

// Reads the 16 floats of a FrameTransformMatrix (or Matrix4x4) object.
XResult readMatrix(const XDataObject& object, d3d::Matrix& out);

// Builds the renderer's layout. Faces with fewer than 3 corners draw nothing and are dropped.
XResult buildRenderMesh(const XMeshData& mesh, XRenderMesh& out);

}  // namespace vm::d3dx
