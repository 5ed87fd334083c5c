#include "engine/model_reader.h"

#include <cmath>
#include <new>

#include "engine/animation.h"
#include "engine/mesh_build.h"
#include "engine/skinning.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/result.h"
#include "platform/d3dx/xfile/x_mesh.h"

namespace vm::engine {
namespace {

using d3dx::XDataObject;

class RootReader {
public:
    RootReader(const ModelReadContext& context, ModelRoot& root) : context_(context), root_(root) {}

    int ReadObject(const XDataObject& object, SceneFrame& parent) {
        const std::string& type = object.type;
        if (type == "Mesh") return ReadMesh(object, parent);
        if (type == "FrameTransformMatrix") {
            d3d::Matrix m;
            if (d3dx::readMatrix(object, m) != d3dx::XResult::Ok) return d3dx::kErrInvalidData;
            parent.rotation = m;
            parent.fileMatrix = m;
            return 0;
        }
        if (type == "AnimationSet") {
            auto set = std::make_unique<SceneFrame>();
            set->isAnimation = true;
            SceneFrame& s = *set;
            AppendChild(parent, std::move(set));
            for (const auto& c : object.children)
                if (c.object && c.object->type == "Animation")
                    if (int r = ReadAnimation(*c.object, s); r < 0) return r;
            return 0;
        }
        if (type == "Animation") return ReadAnimation(object, parent);
        if (type == "Frame") {
            auto frame = std::make_unique<SceneFrame>();
            frame->name = object.name;
            SceneFrame& f = *frame;
            AppendChild(parent, std::move(frame));
            for (const auto& c : object.children)
                if (c.object)
                    if (int r = ReadObject(*c.object, f); r < 0) return r;
            return 0;
        }
        return 0;  // Header and anything else the model has no use for
    }

private:
    int ReadAnimation(const XDataObject& object, SceneFrame& parent) {
        auto anim = std::make_unique<SceneFrame>();
        anim->isAnimation = true;
        SceneFrame& a = *anim;
        AppendChild(parent, std::move(anim));
        a.nextAnimated = root_.animatedHead;
        root_.animatedHead = &a;
        for (const auto& c : object.children) {
            if (c.isReference()) {
                // Only a reference to a Frame names the target; a dangling one names nothing usable.
                if (c.target && c.target->type != "Frame") continue;
                const std::string& name = c.target ? c.target->name : c.referenceName;
                if (name.empty() || a.target) return d3dx::kErrInvalidArg;
                a.target = FindFrameByName(root_.rootFrame.get(), name, false);
                if (!a.target) return d3dx::kErrInvalidArg;
                continue;
            }
            const XDataObject& o = *c.object;
            if (o.type == "Frame") {
                if (int r = ReadObject(o, a); r < 0) return r;
            } else if (o.type == "AnimationKey") {
                if (int r = ReadAnimationKey(o, a); r < 0) return r;
            }
        }
        return 0;
    }

    int ReadMesh(const XDataObject& object, SceneFrame& parent) {
        d3dx::XMeshData data;
        d3dx::XRenderMesh render;
        if (d3dx::readMeshData(object, data) != d3dx::XResult::Ok) return d3dx::kErrInvalidData;
        if (d3dx::buildRenderMesh(data, render) != d3dx::XResult::Ok) return d3dx::kErrInvalidData;
        auto fm = std::make_unique<FrameMesh>();
        fm->meshName = object.name;
        const std::size_t materialCount = data.materials.size();
        fm->subsetCount = static_cast<std::uint32_t>(materialCount);
        if (render.bones.empty()) {
            if (d3dx::Result r = BuildMesh(render, fm->mesh); d3dx::failed(r)) return r;
        } else {
            if (d3dx::Result r = BuildSkinMesh(render, fm->skinMesh); d3dx::failed(r)) return r;
            fm->boneMatrices.assign(render.bones.size(), nullptr);
            for (const auto& b : render.bones) {
                fm->boneNames.push_back(b.name);
                fm->boneOffsets.push_back(b.offset);
            }
            const d3dx::Mesh& base = *fm->skinMesh->GetOriginalMesh();
            fm->adjacencyCopy.resize(std::size_t{base.GetNumFaces()} * 3);
            if (d3dx::Result r = base.GenerateAdjacency(0.0f, fm->adjacencyCopy.data()); d3dx::failed(r)) return r;
            if (d3dx::Result r = GenerateBlendedMesh(*fm); d3dx::failed(r)) return r;
        }
        if (materialCount > 0) {
            fm->materials.resize(materialCount);
            fm->textures.resize(materialCount);
            for (std::size_t i = 0; i < materialCount; ++i) {
                const d3dx::XMaterial& x = data.materials[i];
                d3d::Material& m = fm->materials[i];
                m.Diffuse = x.diffuse;
                m.Specular = x.specular;
                m.Emissive = x.emissive;
                m.Power = x.power;
                // A failed texture leaves the material untextured; the mesh still loads.
                if (!x.textureFilename.empty() && context_.textureLoader && context_.device)
                    context_.textureLoader(context_.device, x.textureFilename.c_str(), &fm->textures[i]);
            }
        } else {
            d3d::Material m;
            m.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
            m.Ambient = {0.5f, 0.5f, 0.5f, 0.0f};
            fm->materials.push_back(m);
            fm->textures.resize(1);
            if (!fm->skinMesh) fm->subsetCount = 1;
        }
        if (fm->skinMesh) fm->subsetCount = static_cast<std::uint32_t>(fm->boneCombinations.size());
        fm->subsetVisible.assign(fm->subsetCount, 1);
        fm->subsetMaterial.resize(fm->subsetCount);
        for (std::uint32_t i = 0; i < fm->subsetCount; ++i) fm->subsetMaterial[i] = i;
        AttachMesh(parent, std::move(fm));
        return 0;
    }

    const ModelReadContext& context_;
    ModelRoot& root_;
};

void LinkBones(SceneFrame* frame, SceneFrame* root) {
    for (SceneFrame* f = frame; f; f = f->sibling.get()) {
        for (FrameMesh* m = f->meshes.get(); m; m = m->next.get())
            for (std::size_t i = 0; i < m->boneNames.size(); ++i) {
                SceneFrame* bone = FindFrameByName(root, m->boneNames[i], false);
                m->boneMatrices[i] = bone ? &bone->combined : nullptr;
            }
        LinkBones(f->firstChild.get(), root);
    }
}

struct SphereSums {
    double x = 0, y = 0, z = 0;
    std::size_t n = 0;
};

// Visits every mesh vertex that is not exactly the origin, moved by the local matrices from the root down.
template <typename Visit>
void ForEachPlacedVertex(SceneFrame* frame, const d3d::Matrix& parent, Visit&& visit) {
    for (SceneFrame* f = frame; f; f = f->sibling.get()) {
        const d3d::Matrix accumulated = d3dx::multiply(f->rotation, parent);
        for (FrameMesh* m = f->meshes.get(); m; m = m->next.get()) {
            const d3dx::Mesh* mesh = m->skinMesh ? m->skinMesh->GetOriginalMesh() : m->mesh.get();
            if (!mesh) continue;
            for (std::uint32_t v = 0; v < mesh->GetNumVertices(); ++v) {
                const d3d::Vector3 p = mesh->position(v);
                if (p.x == 0 && p.y == 0 && p.z == 0) continue;
                visit(d3dx::transformCoord(p, accumulated));
            }
        }
        ForEachPlacedVertex(f->firstChild.get(), accumulated, visit);
    }
}

void ComputeSphere(ModelRoot& root) {
    SphereSums sums;
    const d3d::Matrix id = d3dx::identity();
    ForEachPlacedVertex(root.rootFrame->firstChild.get(), id, [&](const d3d::Vector3& p) {
        sums.x += static_cast<double>(p.x);
        sums.y += static_cast<double>(p.y);
        sums.z += static_cast<double>(p.z);
        ++sums.n;
    });
    if (sums.n == 0) return;  // keeps the initial centre and radius
    const auto n = static_cast<double>(sums.n);
    root.sphereCentre = {static_cast<float>(sums.x / n), static_cast<float>(sums.y / n), static_cast<float>(sums.z / n)};
    float radius = 0;
    ForEachPlacedVertex(root.rootFrame->firstChild.get(), id, [&](const d3d::Vector3& p) {
        radius = std::max(radius, d3dx::length(d3dx::subtract(p, root.sphereCentre)));
    });
    root.sphereRadius = radius;
}

}  // namespace

int ReadModelRoot(const d3dx::XFile& file, const ModelReadContext& context, ModelRoot& root) try {
    RootReader reader(context, root);
    for (const auto& o : file.objects)
        if (int r = reader.ReadObject(*o, *root.rootFrame); r < 0) return r;
    LinkBones(root.rootFrame.get(), root.rootFrame.get());
    ComputeSphere(root);
    root.currentTime = 0;
    root.maxTime = 200.0f;
    root.rootFrame->rotation = d3dx::identity();
    root.rootFrame->fileMatrix = d3dx::identity();
    return 0;
} catch (const std::bad_alloc&) {
    return d3dx::kErrOutOfMemory;
}

}  // namespace vm::engine
