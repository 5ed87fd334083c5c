#pragma once
// The loading screen: a full-viewport picture (CustomData 476) with a 256 x 128 picture in each
// corner (479 bottom-right, 480 bottom-left, 482 top-left, 481 top-right), presented twice so both
// buffers of the flip chain hold it while the scene loads. It creates the rectangle buffer the
// overlay keeps using. A picture that is missing or cannot be decoded draws untextured.

#include "platform/d3d/d3d.h"

namespace vm {
class LogFile;
}

namespace vm::gfx {

class QuadBufferPool;

// rectBuffer receives the rectangle slot; presentParity flips once per present (so it ends as it began).
int showLoadingScreen(d3d::Device* device, QuadBufferPool& pool, int& rectBuffer, int& presentParity, LogFile* log) noexcept;

}  // namespace vm::gfx
