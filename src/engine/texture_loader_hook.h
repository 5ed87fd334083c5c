#pragma once
// How a model gets the texture a material names: the scene hands the model a hook that reads the file
// from its media archive. 0 on success with *out set; a negative result leaves *out untouched. Shared:
// materials naming the same file may hold the same texture.

#include <memory>

#include "platform/d3d/device.h"

namespace vm::engine {

using TextureLoaderHook = int (*)(d3d::Device* device, const char* fileName, std::shared_ptr<d3d::Texture>* out);

}  // namespace vm::engine
