#pragma once
// An X-file model: the file's frames as a SceneFrame tree under an unnamed root frame, with meshes,
// materials and textures attached to the frames that contain them, and the animation sets and clock.
//
// Contract:
// - A model keeps only its latest file: a successful load replaces the previous content; a failed one
//   leaves it as it was.
// - LoadFromMemory and LoadFromFile return 0 on success and a negative result on failure.
// - Animation time counts ticks of 1/4800 s.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/frame_mesh.h"
#include "engine/scene_frame.h"
#include "engine/texture_loader_hook.h"
#include "platform/d3d/device.h"

namespace vm::engine {

struct ModelRoot {
    ModelRoot();
    ~ModelRoot();
    ModelRoot(const ModelRoot&) = delete;
    ModelRoot& operator=(const ModelRoot&) = delete;

    std::unique_ptr<SceneFrame> rootFrame;  // unnamed; parents every top-level frame of the file
    d3d::Vector3 sphereCentre;
    float sphereRadius = 1.0f;
    std::string sourceName;
    SceneFrame* animatedHead = nullptr;  // frames made from Animation objects, newest first
    std::unique_ptr<ModelRoot> next;
    float currentTime = 0;   // ticks
    float maxTime = 200.0f;  // ticks
};

struct AnimationSetInfo {
    SceneFrame* frame = nullptr;
    float length = 0;  // ticks
};

struct AnimationState {
    int currentSet = -1;
    float limit = 100000.0f;  // kept as initialised; nothing reads it
    float time = 0;           // the model's own clock, ticks
    float length = 0;         // of the first animation set, or 0
    bool wrapped = false;     // the last Advance passed the end of the animation
};

class XModel {
public:
    XModel();
    ~XModel();
    XModel(const XModel&) = delete;
    XModel& operator=(const XModel&) = delete;

    int LoadFromMemory(const void* bytes, std::size_t length);
    int LoadFromFile(const char* name);
    // Stores the device; with a source name, loads that file again and rebuilds animation sets and matrices.
    int AttachDevice(d3d::Device* device);
    void ReleaseDeviceMeshes();
    void Unload();
    void SetTextureLoader(TextureLoaderHook hook) { textureLoader = hook; }

    // Substring search in the head root.
    SceneFrame* FindFrameByName(std::string_view name);
    // Every root, from the head, with the given parent matrix.
    int ComputeWorldMatrices(const d3d::Matrix& parent);
    void BuildAnimationSetList();
    void Advance(float seconds);
    void ResetTimes();

    int skinningMethod = 0;  // non-indexed vertex blending
    std::uint32_t vertexFormat = 338;
    std::string sourceName;
    std::unique_ptr<ModelRoot> roots;
    ModelRoot* currentRoot = nullptr;
    SceneFrame* rootFrame = nullptr;
    FrameMesh* rootMesh = nullptr;
    std::vector<AnimationSetInfo> animationSets;
    AnimationState animationState;
    TextureLoaderHook textureLoader = nullptr;
    d3d::Device* device = nullptr;

private:
    int Load(const char* fileName, const void* bytes, std::size_t length);
    void AfterLoad();
};

}  // namespace vm::engine
