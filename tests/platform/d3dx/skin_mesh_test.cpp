#include "platform/d3dx/skin_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "mesh_builders.h"
#include "platform/d3dx/math.h"

namespace vm::d3dx {
namespace {

using testing::makeMesh;
using testing::Tri;

struct Weight {
    std::uint32_t bone, vertex;
    float weight;
};

std::unique_ptr<SkinMesh> makeSkin(const std::vector<d3d::Vector3>& p, const std::vector<Tri>& tris,
                                   std::uint32_t boneCount, const std::vector<Weight>& weights) {
    std::unique_ptr<SkinMesh> skin;
    EXPECT_EQ(SkinMesh::Create(makeMesh(p, tris), boneCount, skin), kOk);
    for (std::uint32_t b = 0; b < boneCount; ++b) {
        std::vector<std::uint32_t> v;
        std::vector<float> w;
        for (const Weight& x : weights)
            if (x.bone == b) v.push_back(x.vertex), w.push_back(x.weight);
        EXPECT_EQ(skin->SetBoneInfluence(b, static_cast<std::uint32_t>(v.size()), v.data(), w.data()), kOk);
        EXPECT_EQ(skin->SetBoneName(b, "bone" + std::to_string(b)), kOk);
        // Offsets and poses differ per bone so that a wrong slot shows up as a wrong position.
        EXPECT_EQ(skin->SetBoneOffsetMatrix(b, translation(-static_cast<float>(b), 0, 0)), kOk);
    }
    return skin;
}

d3d::Matrix pose(std::uint32_t bone) {
    return multiply(rotationY(0.3f * static_cast<float>(bone + 1)), translation(0, static_cast<float>(bone), 2));
}

// Skinned position straight from the influences (normalised): the reference.
d3d::Vector3 referenceSkin(const SkinMesh& skin, std::uint32_t vertex) {
    const d3d::Vector3 p = skin.GetOriginalMesh()->position(vertex);
    d3d::Vector3 sum{};
    float total = 0;
    for (std::uint32_t b = 0; b < skin.GetNumBones(); ++b) {
        const Bone& bone = skin.GetBone(b);
        for (std::size_t i = 0; i < bone.vertices.size(); ++i)
            if (bone.vertices[i] == vertex) {
                sum = add(sum, scale(transformCoord(p, multiply(bone.offset, pose(b))), bone.weights[i]));
                total += bone.weights[i];
            }
    }
    return scale(sum, 1.0f / total);
}

// Skinned position the way the device blends: stored weights, the last one implied.
d3d::Vector3 deviceSkin(const SkinMesh& skin, const BlendedMesh& blended, std::uint32_t group, std::uint32_t vertex) {
    const Mesh& m = *blended.mesh;
    const std::uint8_t* v = m.vertexBytes().data() + m.GetNumBytesPerVertex() * vertex;
    d3d::Vector3 p;
    std::memcpy(&p, v, 12);
    const std::uint32_t k = blended.maxFaceInfluences;
    float w[kMaxBlendMatrices] = {};
    float stored = 0;
    for (std::uint32_t i = 0; i + 1 < k; ++i) std::memcpy(&w[i], v + 12 + 4 * i, 4), stored += w[i];
    w[k - 1] = 1.0f - stored;
    d3d::Vector3 sum{};
    for (std::uint32_t i = 0; i < k; ++i) {
        const std::uint32_t b = blended.combinations[group].boneId[i];
        if (b == kUnusedBone) {
            EXPECT_NEAR(w[i], 0.0f, 1e-6f) << "weight on an unused slot";
            continue;
        }
        sum = add(sum, scale(transformCoord(p, multiply(skin.GetBone(b).offset, pose(b))), w[i]));
    }
    return sum;
}

TEST(SkinMesh, BlendedMeshSkinsLikeTheInfluences) {
    const std::vector<d3d::Vector3> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 1}};
    // Faces: two on bones {0,1} with different materials, one on {1,2,3}, one on {0} only.
    const std::vector<Tri> tris = {{0, 1, 2, 0}, {1, 3, 2, 1}, {3, 4, 5, 0}, {0, 2, 1, 1}};
    const std::vector<Weight> w = {{0, 0, 1.0f}, {0, 1, 0.5f}, {0, 2, 0.3f}, {1, 1, 0.5f}, {1, 2, 0.7f},
                                   {1, 3, 1.0f}, {2, 4, 1.0f}, {2, 5, 0.6f}, {3, 5, 0.4f}};
    auto skin = makeSkin(p, tris, 4, w);
    EXPECT_EQ(skin->GetMaxVertexInfluences(), 2u);
    EXPECT_EQ(skin->GetMaxFaceInfluences(), 3u);
    EXPECT_STREQ(skin->GetBoneName(3), "bone3");

    std::vector<std::uint32_t> adj(12);
    ASSERT_EQ(skin->GetOriginalMesh()->GenerateAdjacency(0, adj.data()), kOk);
    BlendedMesh blended;
    ASSERT_EQ(skin->ConvertToBlendedMesh(meshopt::kManaged, adj.data(), blended), kOk);
    ASSERT_TRUE(blended.mesh);
    EXPECT_EQ(blended.maxFaceInfluences, 3u);
    EXPECT_EQ(blended.mesh->GetFVF(), fvf::kXyzB2 | fvf::kNormal | fvf::kTex1);
    EXPECT_EQ(blended.mesh->GetNumFaces(), 4u);

    // Groups come in attribute order, each within 3 bones, and subset g is group g.
    ASSERT_FALSE(blended.combinations.empty());
    for (std::size_t g = 0; g < blended.combinations.size(); ++g) {
        const BoneCombination& c = blended.combinations[g];
        if (g > 0) {
            EXPECT_LE(blended.combinations[g - 1].attribId, c.attribId);
        }
        for (std::uint32_t f = c.faceStart; f < c.faceStart + c.faceCount; ++f) {
            EXPECT_EQ(blended.mesh->attributes()[f], g);
            EXPECT_EQ(tris[blended.faceRemap[f]].attrib, c.attribId);
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t nv = blended.mesh->index(3 * f + k);
                const std::uint32_t ov = blended.vertexRemap[nv];
                const Tri& t = tris[blended.faceRemap[f]];
                const std::uint32_t corners[3] = {t.a, t.b, t.c};
                EXPECT_EQ(ov, corners[k]);
                const d3d::Vector3 got = deviceSkin(*skin, blended, static_cast<std::uint32_t>(g), nv);
                const d3d::Vector3 want = referenceSkin(*skin, ov);
                EXPECT_NEAR(got.x, want.x, 1e-4f);
                EXPECT_NEAR(got.y, want.y, 1e-4f);
                EXPECT_NEAR(got.z, want.z, 1e-4f);
            }
        }
    }
    // Adjacency follows the faces to their new places.
    std::vector<std::uint32_t> fresh(12);
    ASSERT_EQ(blended.mesh->GenerateAdjacency(0, fresh.data()), kOk);
    EXPECT_EQ(blended.adjacency, fresh);
    // Subset drawing works on the group ids.
    EXPECT_EQ(blended.mesh->attributeTable().size(), blended.combinations.size());
}

// The engine splits a blended mesh at the first group that needs more matrices than the device has:
// each half must keep its faces, vertices, groups and the adjacency among its own faces.
TEST(SkinMesh, BlendedMeshSplitsIntoTwoMeshesAtAGroup) {
    const std::vector<d3d::Vector3> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    const std::vector<Tri> tris = {{0, 1, 2, 0}, {1, 3, 2, 0}, {1, 4, 3, 1}};
    const std::vector<Weight> w = {{0, 0, 1}, {0, 1, 1}, {0, 2, 1}, {1, 3, 1}, {2, 4, 1}, {3, 4, 1}};
    auto skin = makeSkin(p, tris, 4, w);
    std::vector<std::uint32_t> adj(9);
    ASSERT_EQ(skin->GetOriginalMesh()->GenerateAdjacency(0, adj.data()), kOk);
    BlendedMesh blended;
    ASSERT_EQ(skin->ConvertToBlendedMesh(0, adj.data(), blended), kOk);
    ASSERT_EQ(blended.combinations.size(), 2u);
    const BoneCombination& second = blended.combinations[1];
    std::unique_ptr<Mesh> head, tail;
    std::vector<std::uint32_t> headAdj, tailAdj;
    ASSERT_EQ(blended.mesh->ExtractFaces(0, second.faceStart, meshopt::kWriteOnly, blended.adjacency.data(), &headAdj,
                                         head),
              kOk);
    ASSERT_EQ(blended.mesh->ExtractFaces(second.faceStart, second.faceCount, meshopt::kSystemMem,
                                         blended.adjacency.data(), &tailAdj, tail),
              kOk);
    EXPECT_EQ(head->GetNumFaces() + tail->GetNumFaces(), 3u);
    EXPECT_EQ(head->GetNumFaces(), 2u);
    EXPECT_EQ(head->GetNumVertices(), 4u);  // the tail's vertices are not carried along
    EXPECT_EQ(tail->attributes(), std::vector<std::uint32_t>{1});
    ASSERT_EQ(tail->attributeTable().size(), 1u);
    EXPECT_EQ(tail->attributeTable()[0].attribId, 1u);
    // The two head faces stay neighbours; the edge to the tail face is cut.
    EXPECT_EQ(headAdj[1], 1u);
    EXPECT_EQ(std::count(tailAdj.begin(), tailAdj.end(), kNoNeighbour), 3);
    for (std::uint32_t v = 0; v < tail->GetNumVertices(); ++v) {
        const d3d::Vector3 q = tail->position(v);
        EXPECT_TRUE((q.x == 1 && q.y == 0) || (q.x == 2 && q.y == 1) || (q.x == 1 && q.y == 1));
    }
    std::unique_ptr<Mesh> none;
    EXPECT_EQ(blended.mesh->ExtractFaces(2, 2, 0, nullptr, nullptr, none), kErrInvalidCall);
}

TEST(SkinMesh, FaceWithMoreBonesThanTheDeviceBlendsKeepsTheStrongest) {
    // One face, five bones; bone 4 is the weakest and is dropped, the others renormalised.
    const std::vector<Weight> w = {{0, 0, 0.6f}, {1, 0, 0.3f}, {4, 0, 0.1f}, {2, 1, 1.0f}, {3, 2, 1.0f}};
    auto skin = makeSkin({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}}, 5, w);
    EXPECT_EQ(skin->GetMaxFaceInfluences(), 4u);
    BlendedMesh blended;
    ASSERT_EQ(skin->ConvertToBlendedMesh(0, nullptr, blended), kOk);
    EXPECT_EQ(blended.maxFaceInfluences, 4u);
    ASSERT_EQ(blended.combinations.size(), 1u);
    EXPECT_EQ(blended.combinations[0].boneId, (std::array<std::uint32_t, 4>{0, 1, 2, 3}));
    const std::uint8_t* v0 = blended.mesh->vertexBytes().data() + blended.mesh->GetNumBytesPerVertex() * 0;
    float stored[3];
    std::memcpy(stored, v0 + 12, 12);
    EXPECT_NEAR(stored[0], 0.6f / 0.9f, 1e-6f);
    EXPECT_NEAR(stored[1], 0.3f / 0.9f, 1e-6f);
    EXPECT_NEAR(stored[2], 0.0f, 1e-6f);
}

TEST(SkinMesh, WithoutBonesGivesPlainPositionsAndOneGroupPerMaterial) {
    auto skin = makeSkin({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2, 3}, {1, 3, 2, 1}, {0, 2, 1, 3}}, 0, {});
    BlendedMesh blended;
    ASSERT_EQ(skin->ConvertToBlendedMesh(0, nullptr, blended), kOk);
    EXPECT_EQ(blended.maxFaceInfluences, 1u);
    EXPECT_EQ(blended.mesh->GetFVF() & fvf::kPositionMask, fvf::kXyz);
    ASSERT_EQ(blended.combinations.size(), 2u);
    EXPECT_EQ(blended.combinations[0].attribId, 1u);
    EXPECT_EQ(blended.combinations[1].attribId, 3u);
    EXPECT_EQ(blended.combinations[1].faceCount, 2u);
    EXPECT_EQ(blended.combinations[0].boneId[0], kUnusedBone);
}

TEST(SkinMesh, RejectsBadInfluences) {
    auto skin = makeSkin({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}}, 2, {});
    const std::uint32_t outside[] = {3}, inside[] = {1};
    const float one[] = {1.0f}, nan[] = {std::numeric_limits<float>::quiet_NaN()}, negative[] = {-1.0f};
    EXPECT_EQ(skin->SetBoneInfluence(0, 1, outside, one), kErrInvalidCall);
    EXPECT_EQ(skin->SetBoneInfluence(0, 1, inside, nan), kErrInvalidCall);
    EXPECT_EQ(skin->SetBoneInfluence(0, 1, inside, negative), kErrInvalidCall);
    EXPECT_EQ(skin->SetBoneInfluence(2, 1, inside, one), kErrInvalidCall);
    EXPECT_EQ(skin->SetBoneName(2, "x"), kErrInvalidCall);
    EXPECT_EQ(skin->GetBoneName(2), nullptr);
    EXPECT_EQ(skin->SetBoneInfluence(1, 1, inside, one), kOk);
}

}  // namespace
}  // namespace vm::d3dx
