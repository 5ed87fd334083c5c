#pragma once
// The decoder's multimedia predictors, one per channel, with the delta they share.

#include <array>
#include <cstdint>

#include "archive/audio_predictor.h"

namespace vm::rarpack {

struct AudioModel {
    std::array<AudioPredictor, 4> channels{};
    int32_t channelDelta = 0;

    // Delta symbol that makes the decoder produce `byte` on `channel`; advances the model.
    uint8_t encode(unsigned channel, uint8_t byte) { return channels[channel].encode(byte, channelDelta); }
};

} // namespace vm::rarpack
