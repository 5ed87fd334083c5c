// Real X files written by other programs: what our reader makes of them must agree with an independent
// importer. The expected numbers were taken from `assimp info -r`; where the tool is installed the test asks it
// again.

#include <gtest/gtest.h>

#include <ostream>

#include "x_summary.h"
#include "x_test_util.h"

namespace vm::d3dx::test {

std::ostream& operator<<(std::ostream& os, const XSummary& s) {
    return os << "{frames " << s.frames << ", meshes " << s.meshes << ", corners " << s.corners << ", faces "
              << s.faces << ", materials " << s.materials << ", bones " << s.bones << ", animation sets "
              << s.animationSets << ", ok " << s.ok << "}";
}

namespace {

struct Case {
    const char* file;
    XEncoding encoding;
    int minor;
    XSummary expected;
};

const Case kCases[] = {
    {"test_cube_text.x", XEncoding::Text, 3, {2, 1, 36, 12, 1, 1, 0, true}},
    {"test_cube_binary.x", XEncoding::Binary, 3, {2, 1, 36, 12, 1, 1, 0, true}},
    {"test_cube_compressed.x", XEncoding::CompressedBinary, 3, {2, 1, 36, 12, 1, 1, 0, true}},
    {"fromtruespace_bin32.x", XEncoding::Binary, 2, {1, 1, 19968, 6656, 1, 0, 0, true}},
    {"kwxport_test_cubewithvcolors.x", XEncoding::Text, 3, {1, 3, 36, 12, 3, 0, 0, true}},
    {"Testwuson.X", XEncoding::Text, 3, {39, 1, 11196, 3732, 0, 37, 3, true}},
};

TEST(XFixtures, CountsAgreeWithAnIndependentImporter) {
    const bool assimp = haveAssimp();
    for (const Case& c : kCases) {
        const std::string path = fixturePath(c.file);
        const std::vector<std::uint8_t> bytes = readBytes(path);
        if (bytes.empty()) GTEST_SKIP() << "fixture " << path << " is missing (shared fixtures not laid out)";
        XFile f;
        XReadError err;
        ASSERT_EQ(readXFile(bytes, f, &err), XResult::Ok) << c.file << ": " << err.message;
        EXPECT_EQ(f.encoding, c.encoding) << c.file;
        EXPECT_EQ(f.versionMinor, c.minor) << c.file;
        EXPECT_EQ(f.floatBits, 32) << c.file;
        const XSummary ours = summarise(f);
        EXPECT_EQ(ours, c.expected) << c.file;
        if (assimp) {
            EXPECT_EQ(ours, assimpSummary(path, ours)) << c.file << " against assimp info";
        }
    }
    if (!assimp) std::printf("assimp-utils not installed: compared with the recorded numbers only\n");
}

TEST(XFixtures, TheThreeCubeEncodingsHoldTheSameData) {
    const auto text = readBytes(fixturePath("test_cube_text.x"));
    const auto bin = readBytes(fixturePath("test_cube_binary.x"));
    const auto zip = readBytes(fixturePath("test_cube_compressed.x"));
    if (text.empty() || bin.empty() || zip.empty()) GTEST_SKIP() << "cube fixtures are missing";
    XFile t, b, z;
    ASSERT_EQ(readXFile(text, t), XResult::Ok);
    ASSERT_EQ(readXFile(bin, b), XResult::Ok);
    ASSERT_EQ(readXFile(zip, z), XResult::Ok);
    const XDataObject* meshes[] = {findType(t, "Mesh"), findType(b, "Mesh"), findType(z, "Mesh")};
    for (const XDataObject* m : meshes) ASSERT_NE(m, nullptr);
    EXPECT_EQ(meshes[1]->data, meshes[2]->data);
    XMeshData md[3];
    for (int i = 0; i < 3; ++i) ASSERT_EQ(readMeshData(*meshes[i], md[i]), XResult::Ok);
    for (int i = 1; i < 3; ++i) {
        ASSERT_EQ(md[i].positions.size(), md[0].positions.size());
        for (std::size_t v = 0; v < md[0].positions.size(); ++v)
            EXPECT_NEAR(md[i].positions[v].y, md[0].positions[v].y, 1e-5) << v;
        EXPECT_EQ(md[i].faceIndices, md[0].faceIndices);
        EXPECT_EQ(md[i].bones.size(), md[0].bones.size());
    }
}

}  // namespace
}  // namespace vm::d3dx::test
