#pragma once
// The real output: an SDL2 audio device whose callback thread pulls from the renderer. SDL converts
// our float stereo to whatever the device wants. With no usable device (no hardware, headless, busy)
// open() fails and nothing else happens; SDL_AUDIODRIVER=dummy or disk give a device in tests.

#include "platform/audio/audio_output.h"

#include <cstdint>

namespace vm::audio {

class SdlOutput final : public AudioOutput {
public:
    SdlOutput() = default;
    ~SdlOutput() override;
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    int open(int frequency, AudioRenderer& renderer) noexcept override;
    void resume() noexcept override;
    void pause() noexcept override;
    void close() noexcept override;
    void lock() noexcept override;
    void unlock() noexcept override;

private:
    static void callback(void* self, std::uint8_t* stream, int bytes) noexcept;

    std::uint32_t device_ = 0;  // SDL_AudioDeviceID, 0 = closed
    AudioRenderer* renderer_ = nullptr;
    bool subsystemUp_ = false;
};

}  // namespace vm::audio
