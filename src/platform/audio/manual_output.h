#pragma once
// An output without a device or thread: nothing plays until pump() pulls frames on the caller's
// thread. Lets tests and benchmarks drive playback deterministically, with no clock involved.

#include "platform/audio/audio_output.h"

#include <vector>

namespace vm::audio {

class ManualOutput final : public AudioOutput {
public:
    // failOpen: behave like a machine with no sound device.
    explicit ManualOutput(bool failOpen = false) : failOpen_(failOpen) {}

    int open(int frequency, AudioRenderer& renderer) noexcept override;
    void resume() noexcept override { running_ = true; }
    void pause() noexcept override { running_ = false; }
    void close() noexcept override;
    void lock() noexcept override {}
    void unlock() noexcept override {}

    // Renders frames of stereo into out (resized to frames × 2). A closed or paused output gives
    // silence and leaves the renderer alone, like a device that is not pulling.
    void pump(int frames, std::vector<float>& out);

    bool isOpen() const noexcept { return renderer_ != nullptr; }
    bool isRunning() const noexcept { return running_; }
    int frequency() const noexcept { return frequency_; }

private:
    AudioRenderer* renderer_ = nullptr;
    int frequency_ = 0;
    bool running_ = false;
    bool failOpen_ = false;
};

}  // namespace vm::audio
