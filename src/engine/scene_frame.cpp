#include "engine/scene_frame.h"

#include "engine/frame_mesh.h"
#include "platform/d3dx/math.h"

namespace vm::engine {

SceneFrame::SceneFrame() = default;

SceneFrame::~SceneFrame() {
    // Siblings are freed one after another instead of each freeing the next from its destructor.
    std::unique_ptr<SceneFrame> s = std::move(sibling);
    while (s) {
        std::unique_ptr<SceneFrame> next = std::move(s->sibling);
        s.reset();
        s = std::move(next);
    }
}

void AppendChild(SceneFrame& parent, std::unique_ptr<SceneFrame> child) {
    if (!parent.firstChild) {
        parent.firstChild = std::move(child);
        return;
    }
    child->sibling = std::move(parent.firstChild->sibling);
    parent.firstChild->sibling = std::move(child);
}

void AttachMesh(SceneFrame& frame, std::unique_ptr<FrameMesh> mesh) {
    mesh->next = std::move(frame.meshes);
    frame.meshes = std::move(mesh);
}

int ComputeWorldMatrices(SceneFrame& frame, const d3d::Matrix& parentMatrix) {
    frame.combined = d3dx::multiply(d3dx::multiply(frame.rotation, parentMatrix), frame.translation);
    for (SceneFrame* c = frame.firstChild.get(); c; c = c->sibling.get()) ComputeWorldMatrices(*c, frame.combined);
    return 0;
}

SceneFrame* FindFrameByName(SceneFrame* root, std::string_view name, bool bySubstring) {
    for (SceneFrame* f = root; f; f = f->sibling.get()) {
        if (!f->name.empty()) {
            const bool match = bySubstring ? f->name.find(name) != std::string::npos : f->name == name;
            if (match) return f;
        }
        if (SceneFrame* r = FindFrameByName(f->firstChild.get(), name, bySubstring)) return r;
    }
    return nullptr;
}

}  // namespace vm::engine
