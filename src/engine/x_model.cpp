#include "engine/x_model.h"

#include <cmath>
#include <fstream>
#include <new>

#include "engine/animation.h"
#include "engine/model_reader.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/result.h"

namespace vm::engine {
namespace {

constexpr float kTicksPerSecond = 4800.0f;
constexpr float kTimeRestart = 1e15f;  // beyond this a float clock no longer moves: start over

int ResultOf(d3dx::XResult r) {
    return r == d3dx::XResult::OutOfMemory ? d3dx::kErrOutOfMemory : d3dx::kErrInvalidData;
}

float AnimationLength(const SceneFrame& set) {
    float length = 0;
    for (const SceneFrame* c = set.firstChild.get(); c; c = c->sibling.get()) {
        if (!c->matrixKeys.empty()) length = std::max(length, static_cast<float>(c->matrixKeys.back().time));
        if (!c->rotationKeys.empty()) length = std::max(length, static_cast<float>(c->rotationKeys.back().time));
    }
    return length;
}

}  // namespace

ModelRoot::ModelRoot() : rootFrame(std::make_unique<SceneFrame>()) {}

ModelRoot::~ModelRoot() {
    std::unique_ptr<ModelRoot> n = std::move(next);
    while (n) {
        std::unique_ptr<ModelRoot> after = std::move(n->next);
        n.reset();
        n = std::move(after);
    }
}

XModel::XModel() = default;
XModel::~XModel() = default;

int XModel::Load(const char* fileName, const void* bytes, std::size_t length) try {
    std::vector<std::uint8_t> fromDisk;
    std::span<const std::uint8_t> input;
    if (bytes) {
        input = {static_cast<const std::uint8_t*>(bytes), length};
    } else {
        if (!fileName || std::string_view(fileName).size() < 2) return d3dx::kErrFail;
        std::ifstream in(fileName, std::ios::binary | std::ios::ate);
        if (!in) return d3dx::kErrFail;
        const std::streamoff size = in.tellg();
        if (size < 0 || static_cast<std::uint64_t>(size) > d3dx::kMaxXBytes) return d3dx::kErrFail;
        fromDisk.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        if (!in.read(reinterpret_cast<char*>(fromDisk.data()), size)) return d3dx::kErrFail;
        input = fromDisk;
    }
    d3dx::XFile file;
    if (d3dx::XResult r = d3dx::readXFile(input, file); r != d3dx::XResult::Ok) return ResultOf(r);
    auto root = std::make_unique<ModelRoot>();
    const ModelReadContext context{device, textureLoader};
    if (int r = ReadModelRoot(file, context, *root); r < 0) return r;  // the old content stays
    root->sourceName = fileName ? fileName : "";
    // Only the latest file is kept.
    if (currentRoot) {
        for (std::unique_ptr<ModelRoot>* link = &roots; *link; link = &(*link)->next) {
            if (link->get() == currentRoot) {
                std::unique_ptr<ModelRoot> old = std::move(*link);
                *link = std::move(old->next);
                break;
            }
        }
    }
    root->next = std::move(roots);
    roots = std::move(root);
    currentRoot = roots.get();
    rootFrame = currentRoot->rootFrame.get();
    rootMesh = rootFrame->meshes.get();
    return 0;
} catch (const std::bad_alloc&) {
    return d3dx::kErrOutOfMemory;
}

void XModel::AfterLoad() {
    BuildAnimationSetList();
    animationState.length = animationSets.empty() ? 0.0f : animationSets.front().length;
    ComputeWorldMatrices(d3dx::identity());
}

int XModel::LoadFromMemory(const void* bytes, std::size_t length) {
    if (!bytes) return d3dx::kErrInvalidArg;
    const int r = Load(nullptr, bytes, length);
    if (r >= 0) AfterLoad();
    return r;
}

int XModel::LoadFromFile(const char* name) {
    sourceName = name ? name : "";
    const int r = Load(sourceName.c_str(), nullptr, 0);
    if (r >= 0) AfterLoad();
    return r;
}

int XModel::AttachDevice(d3d::Device* d) {
    device = d;
    if (sourceName.empty()) return 0;
    const int r = Load(sourceName.c_str(), nullptr, 0);
    if (r >= 0) AfterLoad();
    return r;
}

void XModel::ReleaseDeviceMeshes() {
    for (ModelRoot* root = roots.get(); root; root = root->next.get()) {
        std::vector<SceneFrame*> stack{root->rootFrame.get()};
        while (!stack.empty()) {
            SceneFrame* f = stack.back();
            stack.pop_back();
            for (; f; f = f->sibling.get()) {
                for (FrameMesh* m = f->meshes.get(); m; m = m->next.get()) {
                    if (!m->skinMesh) continue;
                    m->mesh.reset();
                    m->hardwareMesh.reset();
                    m->softwareMesh.reset();
                    m->generatedMethod = kSkinningNone;
                }
                if (f->firstChild) stack.push_back(f->firstChild.get());
            }
        }
    }
}

void XModel::Unload() {
    device = nullptr;
    roots.reset();
    currentRoot = nullptr;
    rootFrame = nullptr;
    rootMesh = nullptr;
    animationSets.clear();
}

SceneFrame* XModel::FindFrameByName(std::string_view name) {
    return roots ? engine::FindFrameByName(roots->rootFrame.get(), name, true) : nullptr;
}

int XModel::ComputeWorldMatrices(const d3d::Matrix& parent) {
    for (ModelRoot* root = roots.get(); root; root = root->next.get())
        if (int r = engine::ComputeWorldMatrices(*root->rootFrame, parent); r < 0) return r;
    return 0;
}

void XModel::BuildAnimationSetList() {
    animationSets.clear();
    if (!roots) return;
    for (SceneFrame* c = roots->rootFrame->firstChild.get(); c; c = c->sibling.get())
        if (c->isAnimation) animationSets.push_back({c, AnimationLength(*c)});
}

void XModel::Advance(float seconds) {
    AnimationState& s = animationState;
    const float step = seconds * kTicksPerSecond;
    if (s.length > 0) {
        const float t0 = std::fmod(s.time, s.length);
        s.time += step;
        if (s.time > kTimeRestart) s.time = 0;
        s.wrapped = std::fmod(s.time, s.length) < t0;
    } else {
        // No animation: the clock runs but never wraps.
        s.time += step;
        if (s.time > kTimeRestart) s.time = 0;
        s.wrapped = false;
    }
    for (ModelRoot* root = roots.get(); root; root = root->next.get()) {
        root->currentTime += step;
        if (root->currentTime > kTimeRestart) root->currentTime = 0;
        for (SceneFrame* f = root->animatedHead; f; f = f->nextAnimated)
            if (f->isAnimation) EvaluateKeys(*f, root->currentTime, -1);
    }
}

void XModel::ResetTimes() {
    for (ModelRoot* root = roots.get(); root; root = root->next.get()) root->currentTime = 0;
}

}  // namespace vm::engine
