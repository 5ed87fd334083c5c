// The X writer: what it writes, our reader and an independent importer read back identically.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/d3dx/xfile/x_writer.h"
#include "x_summary.h"
#include "x_test_util.h"

namespace vm::d3dx {
namespace {

// A box of 8 positions and 6 quads with one normal per side; sides 0..3 take material 0, the lid and
// bottom material 2 (material 1 is unused).
XMeshData box(std::string name) {
    XMeshData m;
    m.name = std::move(name);
    for (int i = 0; i < 8; ++i)
        m.positions.push_back({float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
    const std::uint32_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    m.normals = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    for (std::uint32_t f = 0; f < 6; ++f) {
        m.faceCorners.push_back(4);
        for (std::uint32_t v : quads[f]) {
            m.faceIndices.push_back(v);
            m.normalFaceIndices.push_back(f);
        }
    }
    for (const auto& p : m.positions) m.texCoords.push_back({p.x, p.z});
    XMaterial stone;
    stone.diffuse = {0.5f, 0.4f, 0.3f, 1.0f};
    stone.power = 8;
    stone.specular = {0.1f, 0.1f, 0.1f, 1};
    stone.emissive = {0, 0, 0, 1};
    stone.textureFilename = "stone_wall.jpg";
    XMaterial unused = stone;
    unused.textureFilename.clear();
    XMaterial wood = stone;
    wood.diffuse = {0.3f, 0.2f, 0.1f, 0.5f};
    wood.textureFilename = "wood.jpg";
    m.materials = {stone, unused, wood};
    m.faceMaterials = {2, 2, 0, 0, 0, 0};
    return m;
}

std::vector<XFrameDesc> scene() {
    XFrameDesc root;
    root.name = "Church";
    XFrameDesc nave;
    nave.name = "Nave";
    nave.matrix.m[3][0] = 4;
    nave.matrix.m[3][2] = -2;
    nave.meshes.push_back(box("NaveBox"));
    XFrameDesc unnamed;  // an unnamed frame with a triangle fan of 5 corners and no extras
    XMeshData fan;
    fan.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f, 1.5f, 0}, {0, 1, 0}};
    fan.faceCorners = {5};
    fan.faceIndices = {0, 1, 2, 3, 4};
    unnamed.meshes.push_back(fan);
    nave.children.push_back(unnamed);
    root.children.push_back(nave);
    XFrameDesc altar;
    altar.name = "Altar";
    root.children.push_back(altar);
    return {root};
}

void expectSameMesh(const XMeshData& a, const XMeshData& b) {
    EXPECT_EQ(a.name, b.name);
    ASSERT_EQ(a.positions.size(), b.positions.size());
    for (std::size_t i = 0; i < a.positions.size(); ++i) {
        EXPECT_EQ(a.positions[i].x, b.positions[i].x);
        EXPECT_EQ(a.positions[i].y, b.positions[i].y);
        EXPECT_EQ(a.positions[i].z, b.positions[i].z);
    }
    EXPECT_EQ(a.faceCorners, b.faceCorners);
    EXPECT_EQ(a.faceIndices, b.faceIndices);
    EXPECT_EQ(a.normalFaceIndices, b.normalFaceIndices);
    ASSERT_EQ(a.normals.size(), b.normals.size());
    ASSERT_EQ(a.texCoords.size(), b.texCoords.size());
    for (std::size_t i = 0; i < a.texCoords.size(); ++i) EXPECT_EQ(a.texCoords[i].y, b.texCoords[i].y);
    EXPECT_EQ(a.faceMaterials, b.faceMaterials);
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        EXPECT_EQ(a.materials[i].textureFilename, b.materials[i].textureFilename);
        EXPECT_EQ(a.materials[i].diffuse.a, b.materials[i].diffuse.a);
        EXPECT_EQ(a.materials[i].power, b.materials[i].power);
        EXPECT_EQ(a.materials[i].specular.r, b.materials[i].specular.r);
    }
}

// Reads back a written file and checks the frame tree against the description.
void expectSameFrame(const XFrameDesc& want, const XDataObject& got) {
    EXPECT_EQ(got.type, "Frame");
    EXPECT_EQ(got.name, want.name);
    std::size_t mesh = 0, child = 0;
    bool sawMatrix = false;
    for (const XChild& c : got.children) {
        ASSERT_TRUE(c.object);
        const XDataObject& o = *c.object;
        if (o.type == "FrameTransformMatrix") {
            d3d::Matrix m;
            ASSERT_EQ(readMatrix(o, m), XResult::Ok);
            for (int r = 0; r < 4; ++r)
                for (int k = 0; k < 4; ++k) EXPECT_EQ(m.m[r][k], want.matrix.m[r][k]);
            sawMatrix = true;
        } else if (o.type == "Mesh") {
            ASSERT_LT(mesh, want.meshes.size());
            XMeshData md;
            ASSERT_EQ(readMeshData(o, md), XResult::Ok);
            expectSameMesh(want.meshes[mesh++], md);
        } else if (o.type == "Frame") {
            ASSERT_LT(child, want.children.size());
            expectSameFrame(want.children[child++], o);
        }
    }
    EXPECT_TRUE(sawMatrix);
    EXPECT_EQ(mesh, want.meshes.size());
    EXPECT_EQ(child, want.children.size());
}

TEST(XWriter, OurReaderReadsBackWhatWasWritten) {
    const std::vector<XFrameDesc> roots = scene();
    for (bool compressed : {false, true}) {
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(writeXFile(roots, compressed, bytes), XResult::Ok);
        XFile f;
        XReadError err;
        ASSERT_EQ(readXFile(bytes, f, &err), XResult::Ok) << err.message;
        EXPECT_EQ(f.encoding, compressed ? XEncoding::CompressedBinary : XEncoding::Binary);
        EXPECT_EQ(f.versionMinor, 3);
        EXPECT_EQ(f.floatBits, 32);
        ASSERT_EQ(f.objects.size(), 2u);
        EXPECT_EQ(f.objects[0]->type, "Header");
        expectSameFrame(roots[0], *f.objects[1]);
    }
}

TEST(XWriter, AssimpReadsTheSameCounts) {
    if (!test::haveAssimp()) GTEST_SKIP() << "assimp-utils is not installed";
    const std::vector<XFrameDesc> roots = scene();
    for (bool compressed : {false, true}) {
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(writeXFile(roots, compressed, bytes), XResult::Ok);
        const auto path = std::filesystem::temp_directory_path() /
                          (compressed ? "vm_writer_test_zip.x" : "vm_writer_test_bin.x");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        XFile f;
        ASSERT_EQ(readXFile(bytes, f), XResult::Ok);
        const test::XSummary ours = test::summarise(f);
        EXPECT_EQ(ours.frames, 4);
        EXPECT_EQ(ours.faces, 7);
        EXPECT_EQ(ours.corners, 29);
        const test::XSummary theirs = test::assimpSummary(path.string(), ours);
        EXPECT_TRUE(theirs.ok) << path;
        EXPECT_EQ(theirs.frames, ours.frames);
        EXPECT_EQ(theirs.meshes, ours.meshes);
        EXPECT_EQ(theirs.corners, ours.corners);
        EXPECT_EQ(theirs.faces, ours.faces);
        // The importer keeps only materials that faces use (and a default one for the plain fan).
        EXPECT_EQ(theirs.materials, 3);
        std::filesystem::remove(path);
    }
}

TEST(XWriter, DescriptionsThatDoNotFitAreRefused) {
    struct Case {
        const char* name;
        void (*spoil)(XMeshData&);
    };
    const Case cases[] = {
        {"face index past the positions", [](XMeshData& m) { m.faceIndices[3] = 8; }},
        {"corner count disagrees with the indices", [](XMeshData& m) { m.faceCorners[0] = 5; }},
        {"normal index past the normals", [](XMeshData& m) { m.normalFaceIndices[0] = 6; }},
        {"normal faces missing", [](XMeshData& m) { m.normalFaceIndices.pop_back(); }},
        {"texture coordinates not one per position", [](XMeshData& m) { m.texCoords.pop_back(); }},
        {"face material past the materials", [](XMeshData& m) { m.faceMaterials[5] = 3; }},
        {"face materials not one per face", [](XMeshData& m) { m.faceMaterials.pop_back(); }},
    };
    for (const Case& c : cases) {
        std::vector<XFrameDesc> roots = scene();
        c.spoil(roots[0].children[0].meshes[0]);
        std::vector<std::uint8_t> bytes = {1, 2, 3};
        EXPECT_EQ(writeXFile(roots, true, bytes), XResult::BadValue) << c.name;
        EXPECT_TRUE(bytes.empty()) << c.name;
    }
}

}  // namespace
}  // namespace vm::d3dx
