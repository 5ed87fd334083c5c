#include "platform/d3dx/xfile/x_writer.h"

#include <new>

#include "platform/d3dx/xfile/x_token_writer.h"

namespace vm::d3dx {
namespace {

bool validMesh(const XMeshData& m) {
    std::size_t total = 0;
    for (std::uint32_t n : m.faceCorners) total += n;
    if (total != m.faceIndices.size()) return false;
    for (std::uint32_t v : m.faceIndices)
        if (v >= m.positions.size()) return false;
    if (!m.normals.empty() || !m.normalFaceIndices.empty()) {
        if (m.normalFaceIndices.size() != m.faceIndices.size()) return false;
        for (std::uint32_t v : m.normalFaceIndices)
            if (v >= m.normals.size()) return false;
    }
    if (!m.texCoords.empty() && m.texCoords.size() != m.positions.size()) return false;
    if (!m.faceMaterials.empty()) {
        if (m.faceMaterials.size() != m.faceCorners.size()) return false;
        for (std::uint32_t v : m.faceMaterials)
            if (v >= m.materials.size()) return false;
    }
    return true;
}

bool validFrame(const XFrameDesc& f, int depth) {
    if (depth > kMaxXNesting - 10) return false;  // a reader would refuse the nested mesh parts
    for (const XMeshData& m : f.meshes)
        if (!validMesh(m)) return false;
    for (const XFrameDesc& c : f.children)
        if (!validFrame(c, depth + 1)) return false;
    return true;
}

// { n, corners... } per face, after a leading count.
void writeFaces(XTokenWriter& w, const std::vector<std::uint32_t>& corners, const std::vector<std::uint32_t>& idx) {
    std::vector<std::uint32_t> list;
    list.reserve(1 + corners.size() + idx.size());
    list.push_back(static_cast<std::uint32_t>(corners.size()));
    std::size_t at = 0;
    for (std::uint32_t n : corners) {
        list.push_back(n);
        list.insert(list.end(), idx.begin() + static_cast<std::ptrdiff_t>(at),
                    idx.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    w.integers(list);
}

void writeVectors(XTokenWriter& w, const std::vector<d3d::Vector3>& v) {
    const std::uint32_t n = static_cast<std::uint32_t>(v.size());
    w.integers({&n, 1});
    std::vector<float> f;
    f.reserve(v.size() * 3);
    for (const auto& p : v) f.insert(f.end(), {p.x, p.y, p.z});
    w.floats(f);
}

void writeMaterial(XTokenWriter& w, const XMaterial& m) {
    w.open("Material");
    const float values[] = {m.diffuse.r,  m.diffuse.g,  m.diffuse.b,  m.diffuse.a,  m.power,     m.specular.r,
                            m.specular.g, m.specular.b, m.emissive.r, m.emissive.g, m.emissive.b};
    w.floats(values);
    if (!m.textureFilename.empty()) {
        w.open("TextureFilename");
        w.string(m.textureFilename);
        w.close();
    }
    w.close();
}

void writeMesh(XTokenWriter& w, const XMeshData& m) {
    w.open("Mesh", m.name);
    writeVectors(w, m.positions);
    writeFaces(w, m.faceCorners, m.faceIndices);
    if (!m.normalFaceIndices.empty()) {
        w.open("MeshNormals");
        writeVectors(w, m.normals);
        writeFaces(w, m.faceCorners, m.normalFaceIndices);
        w.close();
    }
    if (!m.texCoords.empty()) {
        w.open("MeshTextureCoords");
        const std::uint32_t n = static_cast<std::uint32_t>(m.texCoords.size());
        w.integers({&n, 1});
        std::vector<float> f;
        f.reserve(m.texCoords.size() * 2);
        for (const auto& t : m.texCoords) f.insert(f.end(), {t.x, t.y});
        w.floats(f);
        w.close();
    }
    if (!m.materials.empty()) {
        w.open("MeshMaterialList");
        std::vector<std::uint32_t> list;
        list.push_back(static_cast<std::uint32_t>(m.materials.size()));
        if (m.faceMaterials.empty()) {
            // Every face takes the first material.
            list.push_back(static_cast<std::uint32_t>(m.faceCorners.size()));
            list.insert(list.end(), m.faceCorners.size(), 0u);
        } else {
            list.push_back(static_cast<std::uint32_t>(m.faceMaterials.size()));
            list.insert(list.end(), m.faceMaterials.begin(), m.faceMaterials.end());
        }
        w.integers(list);
        for (const XMaterial& mat : m.materials) writeMaterial(w, mat);
        w.close();
    }
    w.close();
}

void writeFrame(XTokenWriter& w, const XFrameDesc& f) {
    w.open("Frame", f.name);
    w.open("FrameTransformMatrix");
    w.floats({&f.matrix.m[0][0], 16});
    w.close();
    for (const XMeshData& m : f.meshes) writeMesh(w, m);
    for (const XFrameDesc& c : f.children) writeFrame(w, c);
    w.close();
}

}  // namespace

XResult writeXFile(const std::vector<XFrameDesc>& roots, bool compressed, std::vector<std::uint8_t>& out) try {
    out.clear();
    for (const XFrameDesc& f : roots)
        if (!validFrame(f, 0)) return XResult::BadValue;
    XTokenWriter w;
    w.open("Header");
    const std::uint32_t header[] = {1, 0, 1};  // major, minor, flags
    w.integers(header);
    w.close();
    for (const XFrameDesc& f : roots) writeFrame(w, f);
    if (!compressed) {
        out = std::move(w.bytes());
        return XResult::Ok;
    }
    return compressXFile(w.bytes(), out);
} catch (const std::bad_alloc&) {
    out.clear();
    return XResult::OutOfMemory;
}

}  // namespace vm::d3dx
