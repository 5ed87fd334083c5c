#include "platform/audio/sdl_output.h"

#include "platform/audio/alsa_quiet.h"
#include "platform/audio/result.h"

#include <SDL.h>

#include <cstring>

namespace vm::audio {

SdlOutput::~SdlOutput() { close(); }

int SdlOutput::open(int frequency, AudioRenderer& renderer) noexcept {
    if (device_ != 0) return kErrAlready;
    silenceAlsaErrors();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return kErrDevice;
    subsystemUp_ = true;
    renderer_ = &renderer;

    SDL_AudioSpec want{};
    want.freq = frequency;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 2048;  // ~46 ms at 44.1 kHz: low CPU wake-ups, latency does not matter for music
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to the device format, so the renderer always gets float stereo.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        close();
        return kErrDevice;
    }
    device_ = id;
    return kOk;
}

void SdlOutput::resume() noexcept {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

void SdlOutput::pause() noexcept {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
}

void SdlOutput::close() noexcept {
    if (device_ != 0) SDL_CloseAudioDevice(device_);  // joins the callback thread
    device_ = 0;
    renderer_ = nullptr;
    if (subsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemUp_ = false;
}

void SdlOutput::lock() noexcept {
    if (device_ != 0) SDL_LockAudioDevice(device_);
}

void SdlOutput::unlock() noexcept {
    if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void SdlOutput::callback(void* self, std::uint8_t* stream, int bytes) noexcept {
    auto* out = static_cast<SdlOutput*>(self);
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    float* samples = reinterpret_cast<float*>(stream);  // SDL hands out suitably aligned buffers
    if (out->renderer_ == nullptr) {
        std::memset(stream, 0, static_cast<std::size_t>(bytes));
        return;
    }
    out->renderer_->render(samples, frames);
}

}  // namespace vm::audio
