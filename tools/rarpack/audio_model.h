#pragma once
// The multimedia predictor as the encoder needs it: predict the next byte of a channel, then
// advance with the delta symbol exactly as the decoder does.

#include <array>
#include <cstdint>

namespace vm::rarpack {

struct AudioChannel {
    int32_t k[5] = {};
    int32_t d[4] = {};
    int32_t lastDelta = 0;
    uint32_t dif[11] = {};
    uint32_t byteCount = 0;
    int32_t lastByte = 0;
};

struct AudioModel {
    std::array<AudioChannel, 4> channels{};
    int32_t channelDelta = 0;

    // Delta symbol that makes the decoder produce `byte` on `channel`; advances the model.
    uint8_t encode(unsigned channel, uint8_t byte);
};

} // namespace vm::rarpack
