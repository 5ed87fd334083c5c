// Meshes from X data: what is read, how faces and normals become the renderer's layout, and that meshes
// whose parts do not fit together are refused.

#include <gtest/gtest.h>

#include <string>

#include "platform/d3dx/xfile/x_mesh.h"
#include "x_test_util.h"

namespace vm::d3dx {
namespace {

XResult meshFrom(const std::string& body, XMeshData& out, std::string* why = nullptr) {
    XFile f;
    // The skin templates are not standard: files declare them.
    const std::string text = "xof 0303txt 0032\n"
                             "template XSkinMeshHeader { WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace;"
                             " WORD nBones; }\n"
                             "template SkinWeights { STRING transformNodeName; DWORD nWeights;"
                             " array DWORD vertexIndices[nWeights]; array FLOAT weights[nWeights];"
                             " Matrix4x4 matrixOffset; }\n" +
                             body;
    const XResult r = test::readText(text, f);
    if (r != XResult::Ok) return r;
    const XDataObject* mesh = test::findType(f, "Mesh");
    if (!mesh) return XResult::BadSyntax;
    return readMeshData(*mesh, out, why);
}

// A unit square split into a quad and a triangle sharing vertices 1 and 2.
const std::string kPositions = "5; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;;\n";
const std::string kFaces = "2; 4; 0,1,2,3;, 3; 1,4,2;;\n";

TEST(XMesh, PartsThatDoNotFitAreRefused) {
    struct Case {
        const char* name;
        std::string body;
        XResult expected;
    };
    const std::string m = "Mesh { " + kPositions + kFaces;
    const Case cases[] = {
        {"plain mesh", m + "}", XResult::Ok},
        {"face index past the vertices", "Mesh { " + kPositions + "1; 3; 0,1,5;; }", XResult::BadValue},
        {"normal faces with other corner counts",
         m + "MeshNormals { 1; 0;0;1;; 2; 3; 0,0,0;, 3; 0,0,0;; } }", XResult::BadValue},
        {"normal index past the normals", m + "MeshNormals { 1; 0;0;1;; 2; 4; 0,0,0,1;, 3; 0,0,0;; } }",
         XResult::BadValue},
        {"fewer texture coordinates than vertices", m + "MeshTextureCoords { 2; 0;0;, 1;1;; } }",
         XResult::BadValue},
        {"face material past the list", m + "MeshMaterialList { 1; 2; 0, 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         XResult::BadValue},
        {"material list names more materials than it holds", m + "MeshMaterialList { 2; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         XResult::BadValue},
        {"more material entries than faces", m + "MeshMaterialList { 1; 3; 0,0,0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         XResult::BadValue},
        {"vertex colour for a missing vertex", m + "MeshVertexColors { 1; 9; 1;1;1;1;;; } }", XResult::BadValue},
        {"skin weight for a missing vertex",
         m + "SkinWeights { \"Bone\"; 1; 7; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }", XResult::BadValue},
    };
    for (const Case& c : cases) {
        XMeshData mesh;
        std::string why;
        EXPECT_EQ(meshFrom(c.body, mesh, &why), c.expected) << c.name;
        if (c.expected != XResult::Ok) {
            EXPECT_FALSE(why.empty()) << c.name;
        }
    }
}

TEST(XMesh, QuadsAreFannedAndShortMaterialListsRepeatTheirLastEntry) {
    XMeshData mesh;
    ASSERT_EQ(meshFrom("Mesh M { " + kPositions + kFaces +
                           "MeshMaterialList { 2; 1; 1;; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }"
                           " Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"b.jpg\"; } } } }",
                       mesh),
              XResult::Ok);
    EXPECT_EQ(mesh.name, "M");
    EXPECT_EQ(mesh.faceMaterials, (std::vector<std::uint32_t>{1, 1}));
    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_EQ(mesh.materials[0].textureFilename, "");
    EXPECT_EQ(mesh.materials[1].textureFilename, "b.jpg");
    XRenderMesh r;
    ASSERT_EQ(buildRenderMesh(mesh, r), XResult::Ok);
    // Without normals each position is one vertex; the quad fans from its first corner.
    EXPECT_EQ(r.vertices.size(), 5u);
    EXPECT_EQ(r.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 1, 4, 2}));
    EXPECT_EQ(r.attributes, (std::vector<std::uint32_t>{1, 1, 1}));
}

TEST(XMesh, NormalsSplitVerticesWhereCornersDisagree) {
    XMeshData mesh;
    // The quad uses normal 0 everywhere; the triangle uses normal 1 at its corners 1 and 2 (shared with
    // the quad), so those two positions become two vertices each.
    ASSERT_EQ(meshFrom("Mesh { " + kPositions + kFaces +
                           "MeshNormals { 2; 0;0;1;, 0;1;0;; 2; 4; 0,0,0,0;, 3; 1,1,1;; }"
                           " MeshTextureCoords { 5; 0;0;, 1;0;, 1;1;, 0;1;, 2;0;; }"
                           " MeshVertexColors { 1; 4; 1.0;0.0;0.0;1.0;;; }"
                           " SkinWeights { \"Bone\"; 2; 1, 4; 0.25, 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }",
                       mesh),
              XResult::Ok);
    XRenderMesh r;
    ASSERT_EQ(buildRenderMesh(mesh, r), XResult::Ok);
    ASSERT_EQ(r.vertices.size(), 7u);
    EXPECT_TRUE(r.hasNormals && r.hasTexCoords && r.hasColors);
    EXPECT_EQ(r.sourceVertex, (std::vector<std::uint32_t>{0, 1, 2, 3, 1, 4, 2}));
    EXPECT_FLOAT_EQ(r.vertices[4].normal.y, 1.0f);
    EXPECT_FLOAT_EQ(r.vertices[1].normal.z, 1.0f);
    EXPECT_FLOAT_EQ(r.vertices[5].uv.x, 2.0f);
    EXPECT_EQ(r.vertices[5].diffuse, 0xFFFF0000u);
    EXPECT_EQ(r.vertices[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(r.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6}));
    // Position 1's weight follows both of its vertices.
    ASSERT_EQ(r.bones.size(), 1u);
    EXPECT_EQ(r.bones[0].name, "Bone");
    EXPECT_EQ(r.bones[0].vertices, (std::vector<std::uint32_t>{1, 4, 5}));
    EXPECT_EQ(r.bones[0].weights, (std::vector<float>{0.25f, 0.25f, 1.0f}));
}

TEST(XMesh, HandBuiltDescriptionsAreCheckedBeforeUse) {
    XMeshData mesh;
    mesh.positions.resize(3);
    mesh.faceCorners = {3};
    mesh.faceIndices = {0, 1, 3};
    XRenderMesh r;
    EXPECT_EQ(buildRenderMesh(mesh, r), XResult::BadValue);
    mesh.faceIndices = {0, 1, 2};
    mesh.faceCorners = {4};
    EXPECT_EQ(buildRenderMesh(mesh, r), XResult::BadValue);
}

}  // namespace
}  // namespace vm::d3dx
