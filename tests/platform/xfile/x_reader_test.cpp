// The X reader on small hand-built inputs: what it hands out, and that every malformed input fails
// with its own result instead of crashing or hanging.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/x_token_writer.h"
#include "platform/d3dx/xfile/xfile.h"
#include "x_test_util.h"

namespace vm::d3dx {
namespace {

using test::bytesOf;
using test::findType;

std::string nested(int depth) {
    std::string s = "xof 0303txt 0032\n";
    for (int i = 0; i < depth; ++i) s += "Frame {\n";
    for (int i = 0; i < depth; ++i) s += "}\n";
    return s;
}

std::string selfRecursive(int values) {
    std::string s = "xof 0303txt 0032\ntemplate R { DWORD x; R next; }\nR {";
    for (int i = 0; i < values; ++i) s += " 1;";
    return s + " }\n";
}

TEST(XReader, TextInputsFailWithTheirOwnResult) {
    struct Case {
        const char* name;
        std::string input;
        XResult expected;
    };
    const std::string h = "xof 0303txt 0032\n";
    const Case cases[] = {
        {"header only", h, XResult::Ok},
        {"version 0302", "xof 0302txt 0032\n", XResult::Ok},
        {"not an X file", "hello world, not an X", XResult::BadFileType},
        {"short header", "xof 0303", XResult::BadFileType},
        {"version 0301", "xof 0301txt 0032\n", XResult::BadFileVersion},
        {"unknown encoding", "xof 0303abc 0032\n", XResult::BadFileType},
        {"float size 16", "xof 0303txt 0016\n", XResult::BadFloatSize},
        {"truncated object", h + "Header { 1; 0;", XResult::BadSyntax},
        {"missing closing brace", h + "Frame A { Frame B { }", XResult::BadSyntax},
        {"float for a DWORD", h + "Header { 1; 0; 1.5; }", XResult::BadValue},
        {"WORD out of range", h + "Header { 70000; 0; 1; }", XResult::BadValue},
        {"string for a number", h + "Header { \"one\"; 0; 1; }", XResult::BadValue},
        {"unterminated string", h + "TextureFilename { \"abc }\n", XResult::BadSyntax},
        {"array larger than the data", h + "Mesh { 1000000; 1.0; 2.0; 3.0;; 0;; }", XResult::BadArraySize},
        {"array count short of its values", h + "Mesh { 3; 0;0;0;, 1;1;1;; 0;; }", XResult::BadValue},
        {"member of an undeclared template", h + "template A { Nope n; }\nA { 1; }", XResult::UnknownTemplate},
        {"array sized by an unknown member", h + "template A { DWORD n; array DWORD v[count]; }",
         XResult::BadArraySize},
        {"array of empty elements", h + "template E { }\ntemplate A { DWORD n; array E e[n]; }\nA { 3; }",
         XResult::BadArraySize},
        {"frames nested 65 deep", nested(65), XResult::TooDeep},
        {"frames nested 64 deep", nested(64), XResult::Ok},
        {"self-recursive template", selfRecursive(200), XResult::TooDeep},
        {"unterminated restriction", h + "template A { [ Material", XResult::BadSyntax},
        {"stray closing brace", h + "}", XResult::BadSyntax},
        {"lone guid close", h + "Frame A { > }", XResult::BadSyntax},
        // Regression: a NUL byte used to lex as an empty name without advancing, and the reader spun forever.
        {"nul byte hangs", h + std::string("template A {\0 DWORD x; }", 24), XResult::BadSyntax},
    };
    for (const Case& c : cases) {
        XFile f;
        XReadError err;
        EXPECT_EQ(readXFile(bytesOf(c.input), f, &err), c.expected) << c.name << ": " << err.message;
        if (c.expected != XResult::Ok) {
            EXPECT_TRUE(f.objects.empty()) << c.name;
            EXPECT_FALSE(err.message.empty()) << c.name;
        }
    }
}

constexpr std::string_view kSample = R"(xof 0303txt 0032
// comment
# another comment
Header { 1; 0; 1; }
Frame A {
  FrameTransformMatrix { 1.0,0,0,0, 0,1,0,0, 0,0,1,0, 5,6,-7.5e0,1;; }
  Frame B { }
  Unknown Thing { 1; { X } Nested { 2; } }
}
Frame { }
Material M { 1.0;0.5;0.25;1.0;; 5.0; 0.1;0.2;0.3;; 0.0;0.0;0.0;; TextureFilename { "wall.jpg"; } }
Mesh Quad {
  4; -1;0;-1;, 1;0;-1;, 1;0;1;, -1;0;1;;
  1; 4; 0,1,2,3;;
  MeshMaterialList { 1; 1; 0;; { M } }
}
)";

TEST(XReader, TextObjectsComeOutInFileOrderWithNamesDataAndReferences) {
    XFile f;
    ASSERT_EQ(test::readText(kSample, f), XResult::Ok);
    EXPECT_EQ(f.encoding, XEncoding::Text);
    EXPECT_EQ(f.versionMajor, 3);
    EXPECT_EQ(f.versionMinor, 3);
    EXPECT_EQ(f.floatBits, 32);
    ASSERT_EQ(f.objects.size(), 5u);
    const char* types[] = {"Header", "Frame", "Frame", "Material", "Mesh"};
    const char* names[] = {"", "A", "", "M", "Quad"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(f.objects[i]->type, types[i]);
        EXPECT_EQ(f.objects[i]->name, names[i]);
    }
    // Header: WORD, WORD, DWORD packed.
    EXPECT_EQ(f.objects[0]->data.size(), 8u);
    // Frame A: its matrix, then B; the object of an unknown template is skipped whole.
    const XDataObject& a = *f.objects[1];
    ASSERT_EQ(a.children.size(), 2u);
    EXPECT_EQ(a.children[0].object->type, "FrameTransformMatrix");
    EXPECT_EQ(a.children[1].object->name, "B");
    d3d::Matrix m;
    ASSERT_EQ(readMatrix(*a.children[0].object, m), XResult::Ok);
    EXPECT_FLOAT_EQ(m.m[3][0], 5.0f);
    EXPECT_FLOAT_EQ(m.m[3][2], -7.5f);
    // The mesh's material list refers to M by name.
    const XDataObject* list = findType(*f.objects[4], "MeshMaterialList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->children.size(), 1u);
    EXPECT_TRUE(list->children[0].isReference());
    EXPECT_EQ(list->children[0].target, f.objects[3].get());
    XMeshData mesh;
    ASSERT_EQ(readMeshData(*f.objects[4], mesh), XResult::Ok);
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureFilename, "wall.jpg");
    EXPECT_FLOAT_EQ(mesh.materials[0].diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(mesh.materials[0].specular.b, 0.3f);
}

TEST(XReader, UnresolvedReferenceIsKeptWithoutTarget) {
    XFile f;
    ASSERT_EQ(test::readText("xof 0303txt 0032\nFrame A { { Missing } }\n", f), XResult::Ok);
    ASSERT_EQ(f.objects[0]->children.size(), 1u);
    EXPECT_EQ(f.objects[0]->children[0].referenceName, "Missing");
    EXPECT_EQ(f.objects[0]->children[0].target, nullptr);
}

TEST(XReader, FileTemplatesAddToAndReplaceTheStandardSet) {
    XFile f;
    const char* text = R"(xof 0303txt 0032
template Pair { <12345678-1234-1234-1234-123456789abc> STRING key; SDWORD value; }
template Header { DWORD only; }
Pair { "answer"; -42; }
Header { 7; }
)";
    ASSERT_EQ(test::readText(text, f), XResult::Ok);
    ASSERT_EQ(f.objects.size(), 2u);
    XDataCursor c(*f.objects[0]);
    EXPECT_EQ(c.string(), "answer");
    EXPECT_EQ(static_cast<std::int32_t>(c.u32()), -42);
    EXPECT_TRUE(c.atEnd());
    EXPECT_EQ(f.objects[1]->data.size(), 4u);
    // The replacement lasts for that file only.
    XFile g;
    ASSERT_EQ(test::readText("xof 0303txt 0032\nHeader { 1; 0; 1; }\n", g), XResult::Ok);
    EXPECT_EQ(g.objects[0]->data.size(), 8u);
}

TEST(XReader, CursorStopsAtTheEndOfTheData) {
    XDataObject o;
    o.data = {1, 0, 0, 0, 9};
    XDataCursor c(o);
    EXPECT_EQ(c.u32(), 1u);
    EXPECT_FALSE(c.failed());
    EXPECT_EQ(c.u32(), 0u);  // only one byte left
    EXPECT_TRUE(c.failed());
    XDataCursor s(o);
    EXPECT_EQ(s.string(), "");  // index 1 with no strings
    EXPECT_TRUE(s.failed());
    XDataCursor b(o);
    std::uint8_t four[4] = {};
    EXPECT_TRUE(b.copy(four, 4));
    EXPECT_EQ(four[0], 1);
    EXPECT_EQ(b.rest().size(), 1u);
    std::uint8_t two[2] = {7, 7};
    EXPECT_FALSE(b.copy(two, 2));  // one byte left: nothing copied
    EXPECT_EQ(two[0], 7);
    EXPECT_TRUE(b.failed());
    EXPECT_TRUE(b.rest().empty());
}

// The sample's Mesh written as binary tokens.
std::vector<std::uint8_t> binaryQuad(std::string_view header = "xof 0303bin 0032") {
    XTokenWriter w(header);
    w.open("Mesh", "Quad");
    const std::uint32_t nv = 4;
    w.integers({&nv, 1});
    const float v[] = {-1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1};
    w.floats(v);
    const std::uint32_t faces[] = {1, 4, 0, 1, 2, 3};
    w.integers(faces);
    w.open("MeshMaterialList");
    const std::uint32_t list[] = {1, 1, 0};
    w.integers(list);
    w.open("Material", "M");
    const float mat[] = {1, 0.5f, 0.25f, 1, 5, 0.1f, 0.2f, 0.3f, 0, 0, 0};
    w.floats(mat);
    w.open("TextureFilename");
    w.string("wall.jpg");
    w.close();
    w.close();
    w.close();
    w.close();
    return std::move(w.bytes());
}

void expectSameObjects(const XDataObject& a, const XDataObject& b) {
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.data, b.data) << a.type;
    EXPECT_EQ(a.strings, b.strings) << a.type;
    ASSERT_EQ(a.children.size(), b.children.size()) << a.type;
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        ASSERT_EQ(a.children[i].isReference(), b.children[i].isReference());
        if (a.children[i].object) expectSameObjects(*a.children[i].object, *b.children[i].object);
    }
}

TEST(XReader, BinaryAndCompressedGiveTheSameObjectsAsText) {
    XFile text;
    ASSERT_EQ(test::readText("xof 0303txt 0032\nMesh Quad { 4; -1;0;-1;, 1;0;-1;, 1;0;1;, -1;0;1;; 1; 4; 0,1,2,3;;"
                             " MeshMaterialList { 1; 1; 0;; Material M { 1.0;0.5;0.25;1.0;; 5.0; 0.1;0.2;0.3;;"
                             " 0.0;0.0;0.0;; TextureFilename { \"wall.jpg\"; } } } }",
                             text),
              XResult::Ok);
    const std::vector<std::uint8_t> bin = binaryQuad();
    std::vector<std::uint8_t> zip;
    ASSERT_EQ(compressXFile(bin, zip), XResult::Ok);
    std::string textCopy = "xof 0303txt 0032\nHeader { 1; 0; 1; }";
    std::vector<std::uint8_t> tzip;
    ASSERT_EQ(compressXFile(bytesOf(textCopy), tzip), XResult::Ok);

    XFile b, z, tz;
    ASSERT_EQ(readXFile(bin, b), XResult::Ok);
    ASSERT_EQ(readXFile(zip, z), XResult::Ok);
    ASSERT_EQ(readXFile(tzip, tz), XResult::Ok);
    EXPECT_EQ(b.encoding, XEncoding::Binary);
    EXPECT_EQ(z.encoding, XEncoding::CompressedBinary);
    EXPECT_EQ(tz.encoding, XEncoding::CompressedText);
    ASSERT_EQ(b.objects.size(), 1u);
    ASSERT_EQ(z.objects.size(), 1u);
    expectSameObjects(*text.objects[0], *b.objects[0]);
    expectSameObjects(*text.objects[0], *z.objects[0]);
    ASSERT_EQ(tz.objects.size(), 1u);
    EXPECT_EQ(tz.objects[0]->type, "Header");
}

TEST(XReader, SixtyFourBitFloatsAreNarrowed) {
    XTokenWriter w("xof 0303bin 0064");
    w.open("FrameTransformMatrix");
    w.token(XTokenWriter::FloatList);
    w.u32(16);
    for (int i = 0; i < 16; ++i) {
        const double d = i == 12 ? 2.5 : (i % 5 == 0 ? 1.0 : 0.0);
        std::uint8_t raw[8];
        std::memcpy(raw, &d, 8);
        w.raw(raw);
    }
    w.close();
    XFile f;
    ASSERT_EQ(readXFile(w.bytes(), f), XResult::Ok);
    EXPECT_EQ(f.floatBits, 64);
    d3d::Matrix m;
    ASSERT_EQ(readMatrix(*f.objects[0], m), XResult::Ok);
    EXPECT_FLOAT_EQ(m.m[3][0], 2.5f);
    EXPECT_FLOAT_EQ(m.m[1][1], 1.0f);
}

TEST(XReader, MalformedBinaryFails) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> input;
        XResult expected;
    };
    auto make = [](auto build) {
        XTokenWriter w;
        build(w);
        return std::move(w.bytes());
    };
    std::vector<std::uint8_t> quad = binaryQuad();
    std::vector<std::uint8_t> cut(quad.begin(), quad.end() - 7);
    const Case cases[] = {
        {"whole quad", quad, XResult::Ok},
        {"quad cut short", cut, XResult::BadSyntax},
        {"name longer than the file", make([](XTokenWriter& w) { w.token(XTokenWriter::Name); w.u32(1000); }),
         XResult::BadSyntax},
        {"list longer than the file",
         make([](XTokenWriter& w) { w.open("Header"); w.token(XTokenWriter::IntegerList); w.u32(0x40000000); }),
         XResult::BadSyntax},
        {"unknown token id", make([](XTokenWriter& w) { w.u16(99); }), XResult::BadSyntax},
        {"odd trailing byte", make([](XTokenWriter& w) { w.raw(std::vector<std::uint8_t>{7}); }), XResult::BadSyntax},
        {"float list for a DWORD", make([](XTokenWriter& w) {
             w.open("Header");
             const float f[] = {1, 0, 1};
             w.floats(f);
             w.close();
         }),
         XResult::BadValue},
        {"mesh count past its list", make([](XTokenWriter& w) {
             w.open("Mesh");
             const std::uint32_t n[] = {0xFFFFFFF0u};
             w.integers(n);
             w.close();
         }),
         XResult::BadArraySize},
    };
    for (const Case& c : cases) {
        XFile f;
        EXPECT_EQ(readXFile(c.input, f), c.expected) << c.name;
    }
}

// Binary values come from integer and float lists that need not line up with members: a list may end
// inside an array, carry several members or records, or hold integers for FLOAT members.
TEST(XReader, BinaryListsFeedMembersWhereverTheyBreak) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> input;
        XResult expected;
        std::vector<std::uint8_t> data;  // of the first object, when expected is Ok
    };
    auto make = [](const char* type, auto build) {
        XTokenWriter w;
        w.open(type);
        build(w);
        w.close();
        return std::move(w.bytes());
    };
    auto pack = [](std::initializer_list<std::uint32_t> dwords, std::initializer_list<float> floats,
                   std::initializer_list<std::uint32_t> tail) {
        std::vector<std::uint8_t> out;
        auto add = [&](const void* p) { out.insert(out.end(), static_cast<const std::uint8_t*>(p),
                                                   static_cast<const std::uint8_t*>(p) + 4); };
        for (std::uint32_t v : dwords) add(&v);
        for (float v : floats) add(&v);
        for (std::uint32_t v : tail) add(&v);
        return out;
    };
    const Case cases[] = {
        {"vertices split over two float lists", make("Mesh", [](XTokenWriter& w) {
             w.integers(std::vector<std::uint32_t>{2});
             w.floats(std::vector<float>{0, 0, 0, 1, 1});
             w.floats(std::vector<float>{1});
             w.integers(std::vector<std::uint32_t>{0});
         }),
         XResult::Ok, pack({2}, {0, 0, 0, 1, 1, 1}, {0})},
        {"one integer list across the face records", make("Mesh", [](XTokenWriter& w) {
             w.integers(std::vector<std::uint32_t>{3});
             w.floats(std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0});
             w.integers(std::vector<std::uint32_t>{2, 3, 0, 1, 2, 3, 2, 1, 0});
         }),
         XResult::Ok, pack({3}, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {2, 3, 0, 1, 2, 3, 2, 1, 0})},
        {"integers for FLOAT members", make("Vector", [](XTokenWriter& w) {
             w.integers(std::vector<std::uint32_t>{1, 2, 3});
         }),
         XResult::Ok, pack({}, {1, 2, 3}, {})},
        {"face record cut by the closing brace", make("Mesh", [](XTokenWriter& w) {
             w.integers(std::vector<std::uint32_t>{1});
             w.floats(std::vector<float>{0, 0, 0});
             w.integers(std::vector<std::uint32_t>{1, 3, 0, 0});
         }),
         XResult::BadValue, {}},
        {"WORD out of range from a list", make("Header", [](XTokenWriter& w) {
             w.integers(std::vector<std::uint32_t>{70000, 0, 1});
         }),
         XResult::BadValue, {}},
    };
    for (const Case& c : cases) {
        XFile f;
        ASSERT_EQ(readXFile(c.input, f), c.expected) << c.name;
        if (c.expected != XResult::Ok) continue;
        ASSERT_EQ(f.objects.size(), 1u) << c.name;
        EXPECT_EQ(f.objects[0]->data, c.data) << c.name;
    }
}

TEST(XReader, DamagedCompressionFails) {
    // A body of several blocks, so that later blocks lean on their predecessor as dictionary.
    XTokenWriter w;
    w.open("Mesh");
    const std::uint32_t nv = 20000;
    w.integers({&nv, 1});
    std::vector<float> v;
    for (std::uint32_t i = 0; i < nv; ++i) v.insert(v.end(), {float(i % 7), float(i % 11), 1.0f});
    w.floats(v);
    const std::uint32_t nf = 0;
    w.integers({&nf, 1});
    w.close();
    std::vector<std::uint8_t> zip;
    ASSERT_EQ(compressXFile(w.bytes(), zip), XResult::Ok);
    XFile whole;
    ASSERT_EQ(readXFile(zip, whole), XResult::Ok);
    XMeshData mesh;
    ASSERT_EQ(readMeshData(*whole.objects[0], mesh), XResult::Ok);
    EXPECT_FLOAT_EQ(mesh.positions[19999].y, float(19999 % 11));

    struct Case {
        const char* name;
        std::size_t offset;  // byte to change; SIZE_MAX: cut the file there instead
        std::uint8_t value;
        std::size_t cutAt;
    };
    const std::size_t none = SIZE_MAX;
    const Case cases[] = {
        {"declared size too small", 16, 0x10, none},
        {"declared size too large", 18, 0x7F, none},
        {"block mark", 24, 'X', none},
        {"block raw size", 20, 0x01, none},
        {"block packed size past the end", 23, 0xFF, none},
        {"deflate data", 40, 0xFF, none},
        {"cut in the last block", none, 0, zip.size() - 5},
        {"cut after the declared size", none, 0, 21},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = zip;
        if (c.offset != none) bad[c.offset] ^= c.value;
        else bad.resize(c.cutAt);
        XFile f;
        const XResult r = readXFile(bad, f);
        EXPECT_EQ(r, XResult::BadCompression) << c.name;
    }
}

}  // namespace
}  // namespace vm::d3dx
