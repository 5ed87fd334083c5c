#pragma once
// The audio library on the machine's default sound device (SDL2).

#include "platform/audio/audio_library.h"

#include <memory>

namespace vm::audio {

std::unique_ptr<AudioLibrary> makeSdlAudioLibrary();

}  // namespace vm::audio
