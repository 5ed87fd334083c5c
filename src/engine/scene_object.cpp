#include "engine/scene_object.h"

#include <algorithm>
#include <cstring>

namespace vm::engine {

void BoundingBox::Extend(const d3d::Vector3& p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

void BoundingBox::Extend(const BoundingBox& b) {
    Extend(b.min);
    Extend(b.max);
}

d3d::Vector3 BoundingBox::Centre() const {
    const d3d::Vector3 s = Size();
    return {min.x + s.x / 2, min.y + s.y / 2, min.z + s.z / 2};
}

bool SceneObject::HasNoMesh() const {
    return !frame || !frame->meshes || (!frame->meshes->mesh && !frame->meshes->skinMesh);
}

bool SceneObject::IsSkinned() const { return frame && frame->meshes && frame->meshes->skinMesh; }

FrameMesh* SceneObject::GetFrameMesh() const { return HasNoMesh() ? nullptr : frame->meshes.get(); }

d3dx::Mesh* SceneObject::GetMesh() const { return HasNoMesh() ? nullptr : frame->meshes->mesh.get(); }

int SceneObject::OptimizeMesh(std::uint32_t flags) {
    d3dx::Mesh* mesh = GetMesh();
    if (!mesh) return 1;
    std::vector<std::uint32_t> adjacency(std::size_t{mesh->GetNumFaces()} * 3);
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    mesh->OptimizeInplace(flags, adjacency.data(), adjacency.data(), nullptr, nullptr);
    return 0;
}

int SceneObject::SplitIntoClusters() {
    if (HasNoMesh() || IsSkinned() || !frame->meshes->mesh) return 0;
    FrameMesh& fm = *frame->meshes;
    d3dx::Mesh& mesh = *fm.mesh;
    OptimizeMesh(kOptimizeAttrSort);
    std::vector<std::int32_t> faceCluster(mesh.GetNumFaces(), -1);
    clusters.clear();
    std::int32_t nextId = 0;
    for (const d3dx::AttributeRange& range : mesh.attributeTable()) {
        MeshCluster c;
        c.id = nextId;
        c.material = static_cast<std::int32_t>(range.attribId);
        c.faceCount = static_cast<std::int32_t>(range.faceCount);
        for (std::uint32_t f = range.faceStart; f < range.faceStart + range.faceCount; ++f) {
            for (std::size_t k = 0; k < 3; ++k) c.box.Extend(mesh.position(mesh.index(std::size_t{f} * 3 + k)));
            faceCluster[f] = nextId;
        }
        clusters.push_back(c);
        ++nextId;
    }
    bounds.Reset();
    for (const MeshCluster& c : clusters) bounds.Extend(c.box);
    std::uint32_t* attributes = nullptr;
    if (d3dx::failed(mesh.LockAttributeBuffer(0, &attributes))) return 0;
    for (std::size_t f = 0; f < faceCluster.size(); ++f) attributes[f] = static_cast<std::uint32_t>(faceCluster[f]);
    mesh.UnlockAttributeBuffer();
    OptimizeMesh(kOptimizeAttrSort);
    fm.subsetCount = static_cast<std::uint32_t>(clusters.size());
    fm.subsetVisible.assign(clusters.size(), 1);
    fm.subsetMaterial.resize(clusters.size());
    for (std::size_t i = 0; i < clusters.size(); ++i) fm.subsetMaterial[i] = static_cast<std::uint32_t>(clusters[i].material);
    return static_cast<int>(clusters.size());
}

namespace {

void Collect(SceneFrame* frame, std::vector<SceneObject>& list, const char* text) {
    for (SceneFrame* f = frame; f; f = f->sibling.get()) {
        const bool hasMesh = f->meshes && f->meshes->mesh;
        const bool named = !text || (!f->name.empty() && f->name.find(text) != std::string::npos);
        if (hasMesh && named) list.emplace_back(f);
        Collect(f->firstChild.get(), list, text);
    }
}

}  // namespace

int CollectObjects(XModel& model, std::vector<SceneObject>& list, const char* text) {
    list.clear();
    if (model.roots) Collect(model.roots->rootFrame.get(), list, text);
    return static_cast<int>(list.size());
}

}  // namespace vm::engine
