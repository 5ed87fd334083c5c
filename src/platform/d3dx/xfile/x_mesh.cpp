#include "platform/d3dx/xfile/x_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace vm::d3dx {
namespace {

XResult bad(std::string* why, const char* reason) {
    if (why) *why = reason;
    return XResult::BadValue;
}

// A count read from the data must fit in what is left of it, at `each` bytes per element.
bool fits(const XDataCursor& c, std::uint32_t n, std::size_t each) {
    return !c.failed() && n <= c.remaining() / each;
}

d3d::ColorValue rgba(XDataCursor& c, bool withAlpha) {
    d3d::ColorValue v;
    v.r = c.f32();
    v.g = c.f32();
    v.b = c.f32();
    v.a = withAlpha ? c.f32() : 1.0f;
    return v;
}

static_assert(sizeof(d3d::Vector3) == 12 && sizeof(d3d::Vector2) == 8, "vectors are read as packed floats");

std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Reads { n, n indices } faces; every index must be below `limit`. A first pass over the raw words checks
// that the faces fit and counts their corners, so the index list is sized once.
bool readFaces(XDataCursor& c, std::uint32_t faces, std::uint32_t limit, std::vector<std::uint32_t>& corners,
               std::vector<std::uint32_t>& indices) {
    if (!fits(c, faces, 4)) return false;
    const std::span<const std::uint8_t> rest = c.rest();
    const std::size_t words = rest.size() / 4;
    std::size_t w = 0;  // in words
    for (std::uint32_t f = 0; f < faces; ++f) {
        if (w >= words) return false;
        const std::uint32_t n = load32(rest.data() + w * 4);
        if (n > words - w - 1) return false;
        w += 1 + n;
    }
    corners.resize(faces);
    indices.resize(w - faces);
    const std::uint8_t* p = rest.data();
    std::uint32_t* out = indices.data();
    for (std::uint32_t f = 0; f < faces; ++f) {
        const std::uint32_t n = load32(p);
        p += 4;
        corners[f] = n;
        std::memcpy(out, p, std::size_t{n} * 4);
        for (std::uint32_t i = 0; i < n; ++i)
            if (out[i] >= limit) return false;
        out += n;
        p += std::size_t{n} * 4;
    }
    c.skip(w * 4);
    return !c.failed();
}

d3d::Color packColor(const d3d::ColorValue& v) {
    auto channel = [](float f) {
        const float clamped = std::clamp(std::isnan(f) ? 0.0f : f, 0.0f, 1.0f);
        return static_cast<std::uint32_t>(std::lround(clamped * 255.0f));
    };
    return channel(v.a) << 24 | channel(v.r) << 16 | channel(v.g) << 8 | channel(v.b);
}

const XDataObject* objectOf(const XChild& c) { return c.object ? c.object.get() : c.target; }

XResult readMaterialList(const XDataObject& o, std::uint32_t faceCount, XMeshData& out, std::string* why) {
    XDataCursor c(o);
    const std::uint32_t nMaterials = c.u32();
    const std::uint32_t nIndexes = c.u32();
    if (!fits(c, nIndexes, 4)) return bad(why, "material list longer than its data");
    if (nIndexes > faceCount) return bad(why, "material list has more entries than the mesh has faces");
    out.faceMaterials.resize(faceCount);
    std::uint32_t last = 0;
    for (std::uint32_t i = 0; i < nIndexes; ++i) {
        last = c.u32();
        if (last >= nMaterials) return bad(why, "face uses a material the list does not have");
        out.faceMaterials[i] = last;
    }
    // A short list repeats its last entry for the remaining faces.
    std::fill(out.faceMaterials.begin() + nIndexes, out.faceMaterials.end(), last);
    for (const XChild& ch : o.children) {
        const XDataObject* m = objectOf(ch);
        if (!m || m->type != "Material" || out.materials.size() == nMaterials) continue;
        XMaterial mat;
        if (readMaterial(*m, mat) != XResult::Ok) return bad(why, "malformed material");
        out.materials.push_back(std::move(mat));
    }
    if (out.materials.size() != nMaterials) return bad(why, "material list names more materials than it holds");
    return XResult::Ok;
}

}  // namespace

XResult readMatrix(const XDataObject& object, d3d::Matrix& out) {
    XDataCursor c(object);
    for (auto& row : out.m)
        for (float& v : row) v = c.f32();
    return c.failed() ? XResult::BadValue : XResult::Ok;
}

XResult readMaterial(const XDataObject& material, XMaterial& out) {
    XDataCursor c(material);
    out.diffuse = rgba(c, true);
    out.power = c.f32();
    out.specular = rgba(c, false);
    out.emissive = rgba(c, false);
    if (c.failed()) return XResult::BadValue;
    for (const XChild& ch : material.children) {
        const XDataObject* t = objectOf(ch);
        if (!t || t->type != "TextureFilename") continue;
        XDataCursor tc(*t);
        const std::string_view name = tc.string();
        if (tc.failed()) return XResult::BadValue;
        out.textureFilename = std::string(name);
        break;
    }
    return XResult::Ok;
}

XResult readMeshData(const XDataObject& mesh, XMeshData& out, std::string* why) try {
    out = XMeshData{};
    out.name = mesh.name;
    XDataCursor c(mesh);
    const std::uint32_t nVertices = c.u32();
    if (!fits(c, nVertices, 12)) return bad(why, "more vertices than data");
    out.positions.resize(nVertices);
    c.copy(out.positions.data(), std::size_t{nVertices} * 12);
    const std::uint32_t nFaces = c.u32();
    if (!readFaces(c, nFaces, nVertices, out.faceCorners, out.faceIndices))
        return bad(why, "faces do not fit the data or name missing vertices");

    bool haveNormals = false, haveUv = false, haveColors = false, haveList = false;
    for (const XChild& ch : mesh.children) {
        const XDataObject* o = ch.object.get();  // a mesh's parts are its own children, not references
        if (!o) continue;
        XDataCursor d(*o);
        if (o->type == "MeshNormals" && !haveNormals) {
            haveNormals = true;
            const std::uint32_t n = d.u32();
            if (!fits(d, n, 12)) return bad(why, "more normals than data");
            out.normals.resize(n);
            d.copy(out.normals.data(), std::size_t{n} * 12);
            std::vector<std::uint32_t> corners;
            if (!readFaces(d, d.u32(), n, corners, out.normalFaceIndices))
                return bad(why, "normal faces do not fit the data or name missing normals");
            if (corners != out.faceCorners) return bad(why, "normal faces differ from the mesh faces");
        } else if (o->type == "MeshTextureCoords" && !haveUv) {
            haveUv = true;
            const std::uint32_t n = d.u32();
            if (!fits(d, n, 8)) return bad(why, "more texture coordinates than data");
            if (n < nVertices) return bad(why, "fewer texture coordinates than vertices");
            out.texCoords.resize(nVertices);
            d.copy(out.texCoords.data(), std::size_t{nVertices} * 8);
        } else if (o->type == "MeshVertexColors" && !haveColors) {
            haveColors = true;
            const std::uint32_t n = d.u32();
            if (!fits(d, n, 20)) return bad(why, "more vertex colours than data");
            out.vertexColors.assign(nVertices, d3d::ColorValue{1, 1, 1, 1});
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::uint32_t v = d.u32();
                const d3d::ColorValue col = rgba(d, true);
                if (v >= nVertices) return bad(why, "vertex colour for a missing vertex");
                out.vertexColors[v] = col;
            }
        } else if (o->type == "MeshMaterialList" && !haveList) {
            haveList = true;
            if (XResult r = readMaterialList(*o, nFaces, out, why); r != XResult::Ok) return r;
        } else if (o->type == "XSkinMeshHeader") {
            out.maxSkinWeightsPerVertex = d.u16();
            out.maxSkinWeightsPerFace = d.u16();
            d.u16();  // bone count: the SkinWeights objects are what counts
        } else if (o->type == "SkinWeights") {
            XSkinWeights w;
            w.boneName = std::string(d.string());
            const std::uint32_t n = d.u32();
            if (!fits(d, n, 8)) return bad(why, "more skin weights than data");
            w.vertices.resize(n);
            w.weights.resize(n);
            for (auto& v : w.vertices)
                if ((v = d.u32()) >= nVertices) return bad(why, "skin weight for a missing vertex");
            for (auto& f : w.weights) f = d.f32();
            for (auto& row : w.offset.m)
                for (float& v : row) v = d.f32();
            if (d.failed()) return bad(why, "truncated skin weights");
            out.bones.push_back(std::move(w));
        } else if (o->type == "VertexDuplicationIndices") {
            const std::uint32_t n = d.u32();
            out.originalVertexCount = d.u32();
            if (!fits(d, n, 4)) return bad(why, "more duplication indices than data");
            out.duplicationIndices.resize(n);
            for (auto& v : out.duplicationIndices) v = d.u32();
        }
        if (d.failed()) return bad(why, "truncated mesh part");
    }
    if (c.failed()) return bad(why, "truncated mesh");
    return XResult::Ok;
} catch (const std::bad_alloc&) {
    return XResult::OutOfMemory;
}

namespace {

// The description may come from a caller rather than from readMeshData: check it fits together.
bool consistent(const XMeshData& m) {
    std::size_t total = 0;
    for (std::uint32_t n : m.faceCorners) total += n;
    if (total != m.faceIndices.size()) return false;
    if (!m.faceMaterials.empty() && m.faceMaterials.size() != m.faceCorners.size()) return false;
    for (std::uint32_t v : m.faceIndices)
        if (v >= m.positions.size()) return false;
    if (!m.normalFaceIndices.empty()) {
        if (m.normalFaceIndices.size() != m.faceIndices.size()) return false;
        for (std::uint32_t v : m.normalFaceIndices)
            if (v >= m.normals.size()) return false;
    }
    for (const XSkinWeights& w : m.bones) {
        if (w.weights.size() != w.vertices.size()) return false;
        for (std::uint32_t v : w.vertices)
            if (v >= m.positions.size()) return false;
    }
    return true;
}

}  // namespace

XResult buildRenderMesh(const XMeshData& mesh, XRenderMesh& out) try {
    out = XRenderMesh{};
    if (!consistent(mesh)) return XResult::BadValue;
    out.hasNormals = !mesh.normals.empty() && mesh.normalFaceIndices.size() == mesh.faceIndices.size();
    out.hasTexCoords = mesh.texCoords.size() == mesh.positions.size() && !mesh.positions.empty();
    out.hasColors = mesh.vertexColors.size() == mesh.positions.size() && !mesh.positions.empty();
    // (position, normal) -> new vertex: the copies of one position are chained from firstCopy through
    // nextCopy; without normals every position has just one.
    const std::uint32_t kNone = ~0u;
    std::vector<std::uint32_t> firstCopy(mesh.positions.size(), kNone);
    std::vector<std::uint32_t> nextCopy, normalOf;
    out.vertices.reserve(mesh.positions.size());
    out.sourceVertex.reserve(mesh.positions.size());
    std::size_t triangles = 0;
    for (std::uint32_t n : mesh.faceCorners) triangles += n >= 3 ? n - 2 : 0;
    out.indices.reserve(triangles * 3);
    out.attributes.reserve(triangles);
    auto vertexFor = [&](std::uint32_t v, std::uint32_t n) {
        std::uint32_t last = kNone;
        for (std::uint32_t c = firstCopy[v]; c != kNone; c = nextCopy[c]) {
            if (!out.hasNormals || normalOf[c] == n) return c;
            last = c;
        }
        XRenderVertex rv;
        rv.position = mesh.positions[v];
        if (out.hasNormals) rv.normal = mesh.normals[n];
        if (out.hasTexCoords) rv.uv = mesh.texCoords[v];
        if (out.hasColors) rv.diffuse = packColor(mesh.vertexColors[v]);
        const auto id = static_cast<std::uint32_t>(out.vertices.size());
        out.vertices.push_back(rv);
        out.sourceVertex.push_back(v);
        if (out.hasNormals) {
            nextCopy.push_back(kNone);
            normalOf.push_back(n);
        }
        (last == kNone ? firstCopy[v] : nextCopy[last]) = id;
        return id;
    };
    std::size_t at = 0;
    for (std::size_t f = 0; f < mesh.faceCorners.size(); ++f) {
        const std::uint32_t n = mesh.faceCorners[f];
        const std::uint32_t material = mesh.faceMaterials.empty() ? 0 : mesh.faceMaterials[f];
        if (n >= 3) {
            auto idx = [&](std::uint32_t i) {
                return vertexFor(mesh.faceIndices[at + i], out.hasNormals ? mesh.normalFaceIndices[at + i] : 0);
            };
            const std::uint32_t first = idx(0);
            std::uint32_t prev = idx(1);
            for (std::uint32_t i = 2; i < n; ++i) {
                const std::uint32_t cur = idx(i);
                out.indices.insert(out.indices.end(), {first, prev, cur});
                out.attributes.push_back(material);
                prev = cur;
            }
        }
        at += n;
    }
    if (!mesh.bones.empty()) {
        // Each position's weight goes to every vertex made from it.
        std::vector<std::vector<std::uint32_t>> copies(mesh.positions.size());
        for (std::uint32_t i = 0; i < out.sourceVertex.size(); ++i) copies[out.sourceVertex[i]].push_back(i);
        for (const XSkinWeights& w : mesh.bones) {
            XRenderBone b;
            b.name = w.boneName;
            b.offset = w.offset;
            for (std::size_t i = 0; i < w.vertices.size(); ++i)
                for (std::uint32_t v : copies[w.vertices[i]]) {
                    b.vertices.push_back(v);
                    b.weights.push_back(w.weights[i]);
                }
            out.bones.push_back(std::move(b));
        }
    }
    return XResult::Ok;
} catch (const std::bad_alloc&) {
    return XResult::OutOfMemory;
}

}  // namespace vm::d3dx
