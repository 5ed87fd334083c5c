#include "rarpack/audio_model.h"

#include <cstdlib>

namespace vm::rarpack {

uint8_t AudioModel::encode(unsigned channel, uint8_t byte)
{
    AudioChannel& v = channels[channel];
    ++v.byteCount;
    v.d[3] = v.d[2];
    v.d[2] = v.d[1];
    v.d[1] = v.lastDelta - v.d[0];
    v.d[0] = v.lastDelta;
    const int32_t p = ((8 * v.lastByte + v.k[0] * v.d[0] + v.k[1] * v.d[1] + v.k[2] * v.d[2] + v.k[3] * v.d[3] +
                        v.k[4] * channelDelta) >> 3) & 0xFF;
    const auto symbol = static_cast<uint8_t>((p - byte) & 0xFF);

    const int32_t e = static_cast<int8_t>(symbol) * 8;
    const int32_t terms[5] = {v.d[0], v.d[1], v.d[2], v.d[3], channelDelta};
    v.dif[0] += static_cast<uint32_t>(std::abs(e));
    for (int i = 0; i < 5; ++i) {
        v.dif[1 + 2 * i] += static_cast<uint32_t>(std::abs(e - terms[i]));
        v.dif[2 + 2 * i] += static_cast<uint32_t>(std::abs(e + terms[i]));
    }
    v.lastDelta = static_cast<int8_t>(static_cast<uint8_t>(byte - v.lastByte));
    channelDelta = v.lastDelta;
    v.lastByte = byte;

    if ((v.byteCount & 0x1F) == 0) {
        unsigned best = 0;
        for (unsigned i = 1; i < 11; ++i)
            if (v.dif[i] < v.dif[best])
                best = i;
        for (uint32_t& x : v.dif)
            x = 0;
        if (best > 0) {
            int32_t& w = v.k[(best - 1) / 2];
            if (best % 2 == 1) {
                if (w >= -16)
                    --w;
            } else if (w < 16) {
                ++w;
            }
        }
    }
    return symbol;
}

} // namespace vm::rarpack
