#include <span>

#include "platform/d3dx/xfile/x_parser.h"
#include "platform/d3dx/xfile/x_template.h"

namespace vm::d3dx::detail {
namespace {

// The published standard template set (GUIDs omitted: templates are matched by name).
constexpr std::string_view kStandard = R"(xof 0303txt 0032
template Header { WORD major; WORD minor; DWORD flags; }
template Vector { FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { FLOAT u; FLOAT v; }
template Matrix4x4 { array FLOAT matrix[16]; }
template ColorRGBA { FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { DWORD index; ColorRGBA indexColor; }
template Boolean { WORD truefalse; }
template Boolean2d { Boolean u; Boolean v; }
template MaterialWrap { Boolean u; Boolean v; }
template TextureFilename { STRING filename; }
template Material { ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshFaceWraps { DWORD nFaceWrapValues; array Boolean2d faceWrapValues[nFaceWrapValues]; }
template MeshTextureCoords { DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes]; [Material] }
template MeshNormals { DWORD nNormals; array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template MeshVertexColors { DWORD nVertexColors; array IndexedColor vertexColors[nVertexColors]; }
template Mesh { DWORD nVertices; array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { Matrix4x4 frameMatrix; }
template Frame { [...] }
template FloatKeys { DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { DWORD time; FloatKeys tfkeys; }
template AnimationKey { DWORD keyType; DWORD nKeys; array TimedFloatKeys keys[nKeys]; }
template AnimationOptions { DWORD openclosed; DWORD positionquality; }
template Animation { [...] }
template AnimationSet { [Animation] }
template InlineData { [BINARY] }
template Url { DWORD nUrls; array STRING urls[nUrls]; }
template ProgressiveMesh { [Url, InlineData] }
template Guid { DWORD data1; WORD data2; WORD data3; array UCHAR data4[8]; }
template StringProperty { STRING key; STRING value; }
template PropertyBag { [StringProperty] }
template ExternalVisual { Guid guidExternalVisual; [...] }
template RightHanded { DWORD bRightHanded; }
)";

}  // namespace

std::string_view standardTemplateText() { return kStandard; }

const XTemplateMap& standardTemplates() {
    static const XTemplateMap map = [] {
        XTemplateMap m;
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(kStandard.data()),
                                                  kStandard.size());
        XFile unused;
        parseXFile(bytes, XTemplateMap{}, m, unused, nullptr);
        return m;
    }();
    return map;
}

}  // namespace vm::d3dx::detail
