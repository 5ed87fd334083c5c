#pragma once
// The warm, candle-like light rig of the fixed views (the saver's stand-in render and the church
// previews rendered at build time): a dim warm ambient and seven point lights over both aisles, the
// altar, high in the apse, over the entrance and along the outer walls. Uses light indices 0-6.

#include "platform/d3d/device.h"

namespace vm::scene {

void SetCandlePreviewLights(d3d::Device& device);

}  // namespace vm::scene
