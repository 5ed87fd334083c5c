#include "platform/audio/sdl_audio.h"

#include "platform/audio/sdl_output.h"

namespace vm::audio {

std::unique_ptr<AudioLibrary> makeSdlAudioLibrary() {
    return std::make_unique<AudioLibrary>(std::make_unique<SdlOutput>());
}

}  // namespace vm::audio
