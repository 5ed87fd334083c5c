#pragma once
// Turns the data objects of a read X file into a ModelRoot: frames, matrices, meshes, materials,
// textures, animations, bone links and the bounding sphere.

#include <memory>

#include "engine/x_model.h"
#include "platform/d3dx/xfile/xfile.h"

namespace vm::engine {

struct ModelReadContext {
    d3d::Device* device = nullptr;
    TextureLoaderHook textureLoader = nullptr;
};

// 0 and a filled root, or a negative result (the root is then to be thrown away).
int ReadModelRoot(const d3dx::XFile& file, const ModelReadContext& context, ModelRoot& root);

}  // namespace vm::engine
