#include "platform/d3dx/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>

#include "mesh_builders.h"
#include "platform/d3dx/vertex_cache.h"

namespace vm::d3dx {
namespace {

using testing::makeGrid;
using testing::makeMesh;
using testing::Tri;

// A face as the three recognisable vertex tags (the normal's x) in its winding, rotated to start at
// the smallest, so that faces compare across vertex renumbering.
using FaceKey = std::array<float, 3>;

float tag(const Mesh& m, std::uint32_t v) {
    float t;
    std::memcpy(&t, m.vertexBytes().data() + m.GetNumBytesPerVertex() * v + 12, 4);
    return t;
}

FaceKey faceKey(const Mesh& m, std::uint32_t f) {
    FaceKey k{tag(m, m.index(3 * f)), tag(m, m.index(3 * f + 1)), tag(m, m.index(3 * f + 2))};
    std::rotate(k.begin(), std::min_element(k.begin(), k.end()), k.end());
    return k;
}

std::multiset<std::pair<FaceKey, std::uint32_t>> facesWithAttributes(const Mesh& m) {
    std::multiset<std::pair<FaceKey, std::uint32_t>> s;
    for (std::uint32_t f = 0; f < m.GetNumFaces(); ++f) s.insert({faceKey(m, f), m.attributes()[f]});
    return s;
}

struct Recorder : MeshDrawTarget {
    struct Call {
        std::uint32_t minVertex, vertexCount, primitives;
        std::vector<std::uint32_t> indices;
    };
    std::vector<Call> calls;
    Result drawIndexedTriangles(std::uint32_t, const void*, std::size_t, std::uint32_t minVertex,
                                std::uint32_t vertexCount, const void* indices, bool wide,
                                std::uint32_t primitives) override {
        Call c{minVertex, vertexCount, primitives, {}};
        for (std::uint32_t i = 0; i < 3 * primitives; ++i) {
            if (wide)
                c.indices.push_back(static_cast<const std::uint32_t*>(indices)[i]);
            else
                c.indices.push_back(static_cast<const std::uint16_t*>(indices)[i]);
        }
        calls.push_back(c);
        return kOk;
    }
};

TEST(VertexFormat, SizesAndOffsets) {
    struct Case {
        std::string name;
        std::uint32_t format;
        std::size_t stride;
        int normal, diffuse, tex0;
        std::uint32_t weights;
    };
    const Case cases[] = {
        {"screen quad 0x144", 0x144, 28, -1, 16, 20, 0},
        {"flame 0x152", 0x152, 36, 12, 24, 28, 0},
        {"two sets 0x252", 0x252, 44, 12, 24, 28, 0},
        {"model xyz normal tex", 0x112, 32, 12, -1, 24, 0},
        {"one weight (regression: counted as two)", fvf::kXyzB1 | fvf::kNormal, 28, 16, -1, -1, 1},
        {"two weights", fvf::kXyzB2 | fvf::kNormal | fvf::kTex1, 40, 20, -1, 32, 2},
        {"3-float texture set", fvf::kXyz | fvf::kTex1 | (1u << fvf::kTexCoordSizeShift), 24, -1, -1, 12, 0},
        {"no position", fvf::kNormal, 0, -1, -1, -1, 0},
        {"unknown bit", fvf::kXyz | 0x2000, 0, -1, -1, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VertexLayout l;
        const bool ok = describeVertexFormat(c.format, l);
        EXPECT_EQ(ok, c.stride != 0);
        EXPECT_EQ(vertexSize(c.format), c.stride);
        if (!ok) continue;
        EXPECT_EQ(l.normal, c.normal);
        EXPECT_EQ(l.diffuse, c.diffuse);
        EXPECT_EQ(l.texCoords[0], c.tex0);
        EXPECT_EQ(l.blendWeightCount, c.weights);
    }
}

TEST(Mesh, CreateRejectsWhatItCannotHold) {
    struct Case {
        std::string name;
        std::uint32_t faces, vertices, options, format;
        Result expected;
    };
    const Case cases[] = {
        {"ok 16-bit at the limit", 1, 65536, 0, 0x112, kOk},
        {"16-bit indices cannot reach vertex 65536", 1, 65537, 0, 0x112, kErrInvalidCall},
        {"32-bit", 1, 65537, meshopt::k32Bit, 0x112, kOk},
        {"no faces", 0, 3, 0, 0x112, kErrInvalidCall},
        {"bad format", 1, 3, 0, 0x010, kErrInvalidCall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Mesh> m;
        EXPECT_EQ(Mesh::Create(c.faces, c.vertices, c.options, c.format, m), c.expected);
        EXPECT_EQ(m != nullptr, c.expected == kOk);
    }
}

TEST(Mesh, AdjacencyPairsSharedEdgesAndMergesEqualPositions) {
    // Two triangles of a square sharing the diagonal, the second with its own copies of the shared
    // corners (as a seam in texture coordinates makes them), and a third far away.
    const std::vector<d3d::Vector3> p = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1},
                                         {5, 5, 5}, {6, 5, 5}, {5, 6, 5}};
    auto mesh = makeMesh(p, {{0, 1, 2, 0}, {3, 4, 5, 0}, {6, 7, 8, 0}});
    std::vector<std::uint32_t> adj(9);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adj.data()), kOk);
    // Face 0 edge (1,2) is the diagonal; face 1 edge (3,4) = (2,1) reversed.
    EXPECT_EQ(adj, (std::vector<std::uint32_t>{kNoNeighbour, 1, kNoNeighbour, 0, kNoNeighbour, kNoNeighbour,
                                                kNoNeighbour, kNoNeighbour, kNoNeighbour}));

    // Nudged copies pair only with an epsilon that covers the gap.
    auto nudged = p;
    nudged[3].x += 0.001f;
    auto mesh2 = makeMesh(nudged, {{0, 1, 2, 0}, {3, 4, 5, 0}, {6, 7, 8, 0}});
    ASSERT_EQ(mesh2->GenerateAdjacency(0.0f, adj.data()), kOk);
    EXPECT_EQ(adj[1], kNoNeighbour);
    ASSERT_EQ(mesh2->GenerateAdjacency(0.01f, adj.data()), kOk);
    EXPECT_EQ(adj[1], 1u);
    EXPECT_EQ(adj[3], 0u);
}

TEST(Mesh, AttributeSortGroupsFacesAndBuildsTable) {
    auto mesh = makeGrid(2);  // 8 faces, 9 vertices
    std::uint32_t* attr = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attr), kOk);
    const std::uint32_t attribs[8] = {2, 0, 2, 5, 0, 2, 5, 0};
    std::copy(attribs, attribs + 8, attr);
    mesh->UnlockAttributeBuffer();
    const auto before = facesWithAttributes(*mesh);
    std::vector<std::uint32_t> adjIn(24), adjOut(24), faceRemap(8), vertexRemap;
    ASSERT_EQ(mesh->GenerateAdjacency(0, adjIn.data()), kOk);

    ASSERT_EQ(mesh->OptimizeInplace(meshopt::kOptAttrSort, adjIn.data(), adjOut.data(), faceRemap.data(), &vertexRemap),
              kOk);
    EXPECT_EQ(facesWithAttributes(*mesh), before);  // same triangles, same materials
    // Stable: within a material the original face order survives.
    EXPECT_EQ(faceRemap, (std::vector<std::uint32_t>{1, 4, 7, 0, 2, 5, 3, 6}));
    ASSERT_EQ(mesh->attributeTable().size(), 3u);
    const std::uint32_t wantId[3] = {0, 2, 5}, wantStart[3] = {0, 3, 6}, wantCount[3] = {3, 3, 2};
    for (int i = 0; i < 3; ++i) {
        const AttributeRange& r = mesh->attributeTable()[static_cast<std::size_t>(i)];
        EXPECT_EQ(r.attribId, wantId[i]);
        EXPECT_EQ(r.faceStart, wantStart[i]);
        EXPECT_EQ(r.faceCount, wantCount[i]);
        for (std::uint32_t f = r.faceStart; f < r.faceStart + r.faceCount; ++f)
            for (std::uint32_t k = 0; k < 3; ++k) {
                EXPECT_GE(mesh->index(3 * f + k), r.vertexStart);
                EXPECT_LT(mesh->index(3 * f + k), r.vertexStart + r.vertexCount);
            }
    }
    // Vertices in order of first use: vertexRemap maps back to the tags.
    ASSERT_EQ(vertexRemap.size(), 9u);
    for (std::uint32_t v = 0; v < 9; ++v) EXPECT_EQ(tag(*mesh, v), static_cast<float>(vertexRemap[v]));
    // Carried adjacency equals adjacency computed afresh on the new mesh.
    std::vector<std::uint32_t> fresh(24);
    ASSERT_EQ(mesh->GenerateAdjacency(0, fresh.data()), kOk);
    EXPECT_EQ(adjOut, fresh);

    // Regression: rewriting attributes must drop the table, or DrawSubset would draw by stale ranges.
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attr), kOk);
    std::fill(attr, attr + 8, 7u);
    mesh->UnlockAttributeBuffer();
    EXPECT_TRUE(mesh->attributeTable().empty());
    Recorder rec;
    ASSERT_EQ(mesh->DrawSubset(0, rec), kOk);
    EXPECT_TRUE(rec.calls.empty());
    ASSERT_EQ(mesh->DrawSubset(7, rec), kOk);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].primitives, 8u);
}

TEST(Mesh, OptimizeFlagsDecideWhatMoves) {
    // Vertex 3 is used by no face; faces are out of attribute order.
    const std::vector<d3d::Vector3> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}, {1, 1, 0}};
    const std::vector<Tri> tris = {{1, 4, 2, 1}, {0, 1, 2, 0}};
    struct Case {
        std::string name;
        std::uint32_t flags;
        std::uint32_t vertices;
        std::vector<std::uint32_t> vertexRemap;
        std::vector<std::uint32_t> faceRemap;
        std::size_t tableSize;
    };
    const std::vector<Case> cases = {
        {"nothing", 0, 5, {0, 1, 2, 3, 4}, {0, 1}, 0},
        {"sort", meshopt::kOptAttrSort, 5, {0, 1, 2, 4, 3}, {1, 0}, 2},
        {"sort and compact", meshopt::kOptAttrSort | meshopt::kOptCompact, 4, {0, 1, 2, 4}, {1, 0}, 2},
        {"sort, vertices stay", meshopt::kOptAttrSort | meshopt::kOptIgnoreVerts, 5, {0, 1, 2, 3, 4}, {1, 0}, 2},
        {"compact only", meshopt::kOptCompact, 4, {1, 4, 2, 0}, {0, 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto mesh = makeMesh(p, tris);
        const auto before = facesWithAttributes(*mesh);
        std::vector<std::uint32_t> faceRemap(2), vertexRemap;
        ASSERT_EQ(mesh->OptimizeInplace(c.flags, nullptr, nullptr, faceRemap.data(), &vertexRemap), kOk);
        EXPECT_EQ(mesh->GetNumVertices(), c.vertices);
        EXPECT_EQ(vertexRemap, c.vertexRemap);
        EXPECT_EQ(faceRemap, c.faceRemap);
        EXPECT_EQ(mesh->attributeTable().size(), c.tableSize);
        EXPECT_EQ(facesWithAttributes(*mesh), before);
    }
}

TEST(Mesh, VertexCacheOrderKeepsTrianglesAndCutsTransforms) {
    auto mesh = makeGrid(24, meshopt::k32Bit);  // 1152 faces
    // Shuffle the faces so the input order has no locality.
    const std::uint32_t faces = mesh->GetNumFaces();
    std::vector<std::uint32_t> order(faces);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    void* ib = nullptr;
    std::vector<std::uint32_t> old(mesh->indexBytes().size() / 4);
    std::memcpy(old.data(), mesh->indexBytes().data(), mesh->indexBytes().size());
    ASSERT_EQ(mesh->LockIndexBuffer(0, &ib), kOk);
    for (std::uint32_t f = 0; f < faces; ++f) std::memcpy(static_cast<std::uint32_t*>(ib) + 3 * f, &old[3 * order[f]], 12);
    mesh->UnlockIndexBuffer();
    auto indices = [&] {
        std::vector<std::uint32_t> v(3 * faces);
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = mesh->index(i);
        return v;
    };
    const double before = averageCacheMissRatio(indices(), 16);
    const auto faceSet = facesWithAttributes(*mesh);

    ASSERT_EQ(mesh->OptimizeInplace(meshopt::kOptVertexCache, nullptr, nullptr, nullptr, nullptr), kOk);
    const double after = averageCacheMissRatio(indices(), 16);
    EXPECT_EQ(facesWithAttributes(*mesh), faceSet);
    EXPECT_GT(before, 1.5);
    EXPECT_LT(after, 0.8) << "before " << before;
}

TEST(Mesh, CloneChangesFormatAndIndexWidth) {
    auto mesh = makeMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2, 4}});
    std::unique_ptr<Mesh> clone;
    ASSERT_EQ(mesh->CloneMeshFVF(meshopt::k32Bit | meshopt::kManaged, 0x152, clone), kOk);
    ASSERT_EQ(clone->GetNumBytesPerVertex(), 36u);
    EXPECT_TRUE(clone->uses32BitIndices());
    for (std::uint32_t v = 0; v < 3; ++v) {
        const std::uint8_t* p = clone->vertexBytes().data() + 36 * v;
        float f[9];
        std::uint32_t diffuse;
        std::memcpy(f, p, 24);
        std::memcpy(&diffuse, p + 24, 4);
        std::memcpy(f + 6, p + 28, 8);
        EXPECT_EQ(f[0], static_cast<float>(3 * v + 1));
        EXPECT_EQ(f[3], static_cast<float>(v));  // normal x tag
        EXPECT_EQ(diffuse, 0u);                   // new element: zero
        EXPECT_EQ(f[6], static_cast<float>(v));   // texture u
        EXPECT_EQ(f[7], -static_cast<float>(v));  // texture v
        EXPECT_EQ(clone->index(v), v);
    }
    EXPECT_EQ(clone->attributes(), std::vector<std::uint32_t>{4});
    // Back to 16-bit xyz only.
    std::unique_ptr<Mesh> narrow;
    ASSERT_EQ(clone->CloneMeshFVF(0, fvf::kXyz, narrow), kOk);
    EXPECT_EQ(narrow->position(2).z, 9.0f);
    EXPECT_EQ(narrow->index(2), 2u);
}

TEST(Mesh, OutOfRangeIndicesFailInsteadOfReadingPastTheBuffer) {
    auto mesh = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}, {0, 2, 9, 0}});
    std::vector<std::uint32_t> adj(6);
    EXPECT_EQ(mesh->GenerateAdjacency(0, adj.data()), kErrInvalidData);
    EXPECT_EQ(mesh->OptimizeInplace(meshopt::kOptVertexCache, nullptr, nullptr, nullptr, nullptr), kErrInvalidData);
    Recorder rec;
    EXPECT_EQ(mesh->DrawSubset(0, rec), kErrInvalidData);
    std::unique_ptr<Mesh> clone;
    EXPECT_EQ(mesh->CloneMeshFVF(0, 0x112, clone), kErrInvalidData);
    // Double locks and drawing while locked are refused.
    void* p = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &p), kOk);
    EXPECT_EQ(mesh->LockVertexBuffer(0, &p), kErrInvalidCall);
    EXPECT_EQ(mesh->DrawSubset(0, rec), kErrInvalidCall);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), kOk);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), kErrInvalidCall);
}

TEST(Mesh, DrawSubsetUsesTableRangesWithTightVertexRange) {
    auto mesh = makeGrid(2);
    std::uint32_t* attr = nullptr;
    mesh->LockAttributeBuffer(0, &attr);
    for (std::uint32_t f = 0; f < 8; ++f) attr[f] = f < 4 ? 1 : 3;
    mesh->UnlockAttributeBuffer();
    ASSERT_EQ(mesh->OptimizeInplace(meshopt::kOptAttrSort, nullptr, nullptr, nullptr, nullptr), kOk);
    Recorder rec;
    ASSERT_EQ(mesh->DrawSubset(3, rec), kOk);
    ASSERT_EQ(rec.calls.size(), 1u);
    const auto& c = rec.calls[0];
    EXPECT_EQ(c.primitives, 4u);
    for (std::uint32_t i : c.indices) {
        EXPECT_GE(i, c.minVertex);
        EXPECT_LT(i, c.minVertex + c.vertexCount);
    }
    EXPECT_EQ(*std::min_element(c.indices.begin(), c.indices.end()), c.minVertex);
    EXPECT_EQ(*std::max_element(c.indices.begin(), c.indices.end()), c.minVertex + c.vertexCount - 1);
    ASSERT_EQ(mesh->DrawSubset(2, rec), kOk);  // no such subset: nothing drawn, no failure
    EXPECT_EQ(rec.calls.size(), 1u);
}

}  // namespace
}  // namespace vm::d3dx
