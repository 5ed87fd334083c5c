#include "platform/audio/manual_output.h"

#include "platform/audio/result.h"

#include <algorithm>

namespace vm::audio {

int ManualOutput::open(int frequency, AudioRenderer& renderer) noexcept {
    if (failOpen_) return kErrDevice;
    if (renderer_ != nullptr) return kErrAlready;
    renderer_ = &renderer;
    frequency_ = frequency;
    running_ = false;
    return kOk;
}

void ManualOutput::close() noexcept {
    renderer_ = nullptr;
    running_ = false;
}

void ManualOutput::pump(int frames, std::vector<float>& out) {
    out.assign(static_cast<std::size_t>(std::max(frames, 0)) * 2, 0.0f);
    if (renderer_ == nullptr || !running_ || frames <= 0) return;
    renderer_->render(out.data(), frames);
}

}  // namespace vm::audio
