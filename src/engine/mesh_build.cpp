#include "engine/mesh_build.h"

#include <cstring>

#include "platform/d3d/vertex_format.h"
#include "platform/d3dx/fvf.h"

namespace vm::engine {

std::uint32_t VertexFormatOf(const d3dx::XRenderMesh& render) {
    return d3d::fvf::kXyz | d3d::fvf::kNormal | d3d::fvf::kTex1 | (render.hasColors ? d3d::fvf::kDiffuse : 0u);
}

d3dx::Result BuildMesh(const d3dx::XRenderMesh& render, std::unique_ptr<d3dx::Mesh>& out) {
    out.reset();
    const auto faces = static_cast<std::uint32_t>(render.attributes.size());
    const auto vertices = static_cast<std::uint32_t>(render.vertices.size());
    if (faces == 0 || vertices == 0) return d3dx::kOk;
    const std::uint32_t format = VertexFormatOf(render);
    const std::uint32_t options = vertices > 65535 ? d3dx::meshopt::k32Bit : 0u;
    std::unique_ptr<d3dx::Mesh> mesh;
    if (d3dx::Result r = d3dx::Mesh::Create(faces, vertices, options, format, mesh); d3dx::failed(r)) return r;
    const d3dx::VertexLayout& l = mesh->layout();
    void* vb = nullptr;
    if (d3dx::Result r = mesh->LockVertexBuffer(0, &vb); d3dx::failed(r)) return r;
    auto* bytes = static_cast<std::uint8_t*>(vb);
    for (std::uint32_t v = 0; v < vertices; ++v) {
        std::uint8_t* p = bytes + std::size_t{v} * l.stride;
        const d3dx::XRenderVertex& src = render.vertices[v];
        std::memcpy(p + l.position, &src.position, 12);
        std::memcpy(p + l.normal, &src.normal, 12);
        std::memcpy(p + l.texCoords[0], &src.uv, 8);
        if (l.diffuse >= 0) std::memcpy(p + l.diffuse, &src.diffuse, 4);
    }
    mesh->UnlockVertexBuffer();
    void* ib = nullptr;
    if (d3dx::Result r = mesh->LockIndexBuffer(0, &ib); d3dx::failed(r)) return r;
    if (mesh->uses32BitIndices()) {
        std::memcpy(ib, render.indices.data(), render.indices.size() * 4);
    } else {
        auto* i16 = static_cast<std::uint16_t*>(ib);
        for (std::size_t i = 0; i < render.indices.size(); ++i) i16[i] = static_cast<std::uint16_t>(render.indices[i]);
    }
    mesh->UnlockIndexBuffer();
    std::uint32_t* attributes = nullptr;
    if (d3dx::Result r = mesh->LockAttributeBuffer(0, &attributes); d3dx::failed(r)) return r;
    std::memcpy(attributes, render.attributes.data(), render.attributes.size() * 4);
    mesh->UnlockAttributeBuffer();
    out = std::move(mesh);
    return d3dx::kOk;
}

d3dx::Result BuildSkinMesh(const d3dx::XRenderMesh& render, std::unique_ptr<d3dx::SkinMesh>& out) {
    out.reset();
    std::unique_ptr<d3dx::Mesh> base;
    if (d3dx::Result r = BuildMesh(render, base); d3dx::failed(r)) return r;
    if (!base) return d3dx::kErrInvalidData;  // bones on a mesh without faces
    std::unique_ptr<d3dx::SkinMesh> skin;
    const auto bones = static_cast<std::uint32_t>(render.bones.size());
    if (d3dx::Result r = d3dx::SkinMesh::Create(std::move(base), bones, skin); d3dx::failed(r)) return r;
    for (std::uint32_t b = 0; b < bones; ++b) {
        const d3dx::XRenderBone& bone = render.bones[b];
        if (d3dx::Result r = skin->SetBoneName(b, bone.name); d3dx::failed(r)) return r;
        if (d3dx::Result r = skin->SetBoneOffsetMatrix(b, bone.offset); d3dx::failed(r)) return r;
        if (d3dx::Result r = skin->SetBoneInfluence(b, static_cast<std::uint32_t>(bone.vertices.size()),
                                                    bone.vertices.data(), bone.weights.data());
            d3dx::failed(r))
            return r;
    }
    out = std::move(skin);
    return d3dx::kOk;
}

}  // namespace vm::engine
