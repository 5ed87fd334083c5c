// Scene objects: collection from the frame tree, material clusters and bounds.

#include <gtest/gtest.h>

#include "engine/scene_object.h"
#include "engine_test_util.h"

namespace vm::engine {
namespace {

using test::loadText;

// Three triangles along x, in their own ranges: x in [0,1], [10,11] and [20,21].
std::string threeTriangles(const char* materialList) {
    return std::string("Frame Obj { Mesh { 9; 0;0;0;, 1;0;0;, 0;1;0;, 10;0;0;, 11;0;0;, 10;2;0;, 20;0;0;, 21;0;0;, 20;0;3;;"
                       " 3; 3; 0,1,2;, 3; 3,4,5;, 3; 6,7,8;; ") +
           materialList + " } }";
}

const char* kMat = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";

TEST(SceneObject, ClustersFollowTheMaterialsFacesUse) {
    struct Case {
        const char* name;
        std::string materials;
        std::vector<std::int32_t> clusterMaterials;
        std::vector<std::int32_t> faceCounts;
    };
    auto list = [&](int n, const char* faces) {
        std::string s = "MeshMaterialList { " + std::to_string(n) + "; 3; " + faces + ";;";
        for (int i = 0; i < n; ++i) s += std::string(" ") + kMat;
        return s + " }";
    };
    const Case cases[] = {
        {"materials 0, 1, 2 each used once", list(3, "2, 0, 1"), {0, 1, 2}, {1, 1, 1}},
        {"four materials, only 0 and 3 used", list(4, "3, 0, 3"), {0, 3}, {1, 2}},
        {"no material list: one default material", "", {0}, {3}},
    };
    for (const Case& c : cases) {
        XModel model;
        ASSERT_EQ(loadText(model, threeTriangles(c.materials.c_str())), 0) << c.name;
        std::vector<SceneObject> objects;
        ASSERT_EQ(CollectObjects(model, objects), 1) << c.name;
        SceneObject& o = objects[0];
        EXPECT_TRUE(o.Bounds().IsEmpty()) << c.name;
        ASSERT_EQ(o.SplitIntoClusters(), static_cast<int>(c.clusterMaterials.size())) << c.name;
        FrameMesh& fm = *o.GetFrameMesh();
        EXPECT_EQ(fm.subsetCount, c.clusterMaterials.size()) << c.name;
        for (std::size_t i = 0; i < o.clusters.size(); ++i) {
            EXPECT_EQ(o.clusters[i].id, static_cast<std::int32_t>(i)) << c.name;
            EXPECT_EQ(o.clusters[i].material, c.clusterMaterials[i]) << c.name;
            EXPECT_EQ(o.clusters[i].faceCount, c.faceCounts[i]) << c.name;
            EXPECT_EQ(fm.subsetMaterial[i], static_cast<std::uint32_t>(c.clusterMaterials[i])) << c.name;
            EXPECT_EQ(fm.subsetVisible[i], 1u) << c.name;
        }
        // The mesh's attributes are now the cluster ids, one contiguous range each.
        const auto& table = o.GetMesh()->attributeTable();
        ASSERT_EQ(table.size(), o.clusters.size()) << c.name;
        for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].attribId, i) << c.name;
        EXPECT_FLOAT_EQ(o.Bounds().min.x, 0.0f) << c.name;
        EXPECT_FLOAT_EQ(o.Bounds().max.x, 21.0f) << c.name;
        EXPECT_FLOAT_EQ(o.Bounds().max.y, 2.0f) << c.name;
        EXPECT_FLOAT_EQ(o.Bounds().max.z, 3.0f) << c.name;
    }
}

TEST(SceneObject, ClusterBoxesAreTheBoxesOfTheirFaces) {
    XModel model;
    ASSERT_EQ(loadText(model, threeTriangles("MeshMaterialList { 3; 3; 2, 0, 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }"
                                             " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }")),
              0);
    std::vector<SceneObject> objects;
    ASSERT_EQ(CollectObjects(model, objects), 1);
    ASSERT_EQ(objects[0].SplitIntoClusters(), 3);
    // Material 0 is on the second triangle, 1 on the third, 2 on the first.
    const float minX[] = {10, 20, 0}, maxX[] = {11, 21, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(objects[0].clusters[i].box.min.x, minX[i]);
        EXPECT_FLOAT_EQ(objects[0].clusters[i].box.max.x, maxX[i]);
    }
    EXPECT_FLOAT_EQ(objects[0].clusters[0].box.max.y, 2.0f);
    EXPECT_FLOAT_EQ(objects[0].clusters[1].box.max.z, 3.0f);
}

TEST(SceneObject, SkinnedAndMeshlessObjectsAreNotRegrouped) {
    XModel model;
    ASSERT_EQ(loadText(model, "template SkinWeights { STRING transformNodeName; DWORD nWeights;"
                              " array DWORD vertexIndices[nWeights]; array FLOAT weights[nWeights]; Matrix4x4 matrixOffset; }\n"
                              "Frame Bone { }\n"
                              "Frame Skinned { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;;"
                              " SkinWeights { \"Bone\"; 1; 0; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }"),
              0);
    std::vector<SceneObject> objects;
    ASSERT_EQ(CollectObjects(model, objects), 1);
    EXPECT_TRUE(objects[0].IsSkinned());
    EXPECT_EQ(objects[0].SplitIntoClusters(), 0);
    EXPECT_TRUE(objects[0].Bounds().IsEmpty());
    // The bone is linked to the frame of the same name.
    FrameMesh& fm = *objects[0].GetFrameMesh();
    ASSERT_EQ(fm.boneMatrices.size(), 1u);
    EXPECT_EQ(fm.boneMatrices[0], &model.FindFrameByName("Bone")->combined);

    SceneObject none(model.FindFrameByName("Bone"));
    EXPECT_TRUE(none.HasNoMesh());
    EXPECT_EQ(none.SplitIntoClusters(), 0);
    EXPECT_EQ(none.OptimizeMesh(kOptimizeAttrSort), 1);
    SceneObject nothing;
    EXPECT_TRUE(nothing.HasNoMesh());
    EXPECT_EQ(nothing.GetMesh(), nullptr);
}

TEST(SceneObject, CollectObjectsWalksPreOrderAndFiltersByName) {
    XModel model;
    const std::string tri = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;; }";
    ASSERT_EQ(loadText(model, "Frame Hall { " + tri + " Frame Bench01 { " + tri + " } Frame Empty { }"
                              " Frame Bench02 { " + tri + " } Frame { " + tri + " } }"),
              0);
    std::vector<SceneObject> objects(5);
    ASSERT_EQ(CollectObjects(model, objects), 4);
    // Children stored as Bench01, (unnamed), Bench02, Empty.
    const char* order[] = {"Hall", "Bench01", "", "Bench02"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(objects[i].frame->name, order[i]);
    ASSERT_EQ(CollectObjects(model, objects, "Bench"), 2);
    EXPECT_EQ(objects[0].frame->name, "Bench01");
    EXPECT_EQ(objects[1].frame->name, "Bench02");
    EXPECT_EQ(CollectObjects(model, objects, "bench"), 0);
}

}  // namespace
}  // namespace vm::engine
