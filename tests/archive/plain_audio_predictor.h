#pragma once
// The multimedia mode's predictor for one channel, written out plainly from the format's rule:
// one byte at a time, 32-bit error sums, no vectors. The reference the real predictor and the
// bulk decoder are held against.

#include <cstdint>
#include <cstdlib>

namespace vm::testing {

struct PlainPredictor {
  std::int32_t k[5]{}, d[4]{}, lastDelta = 0, lastByte = 0;
  std::uint32_t dif[11]{}, count = 0;

  // coded: the delta symbol, 0..255; channelDelta is shared by all channels of a stream.
  std::uint8_t decode(std::uint32_t coded, std::int32_t& channelDelta) {
    ++count;
    d[3] = d[2];
    d[2] = d[1];
    d[1] = lastDelta - d[0];
    d[0] = lastDelta;
    const std::int32_t p = ((8 * lastByte + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] + k[3] * d[3] +
                             k[4] * channelDelta) >> 3) & 0xFF;
    const auto byte = static_cast<std::uint8_t>(p - static_cast<std::int32_t>(coded));
    const std::int32_t e = static_cast<std::int8_t>(coded) * 8;
    const std::int32_t terms[11] = {e,        e - d[0], e + d[0], e - d[1],         e + d[1],        e - d[2],
                                    e + d[2], e - d[3], e + d[3], e - channelDelta, e + channelDelta};
    for (int i = 0; i < 11; ++i) dif[i] += static_cast<std::uint32_t>(std::abs(terms[i]));
    lastDelta = static_cast<std::int8_t>(byte - lastByte);
    channelDelta = lastDelta;
    lastByte = byte;
    if (count % 32 == 0) {
      int best = 0;
      for (int i = 1; i < 11; ++i)
        if (dif[i] < dif[best]) best = i;
      for (auto& v : dif) v = 0;
      if (best > 0) {
        std::int32_t& w = k[(best - 1) / 2];
        if (best % 2 == 1 && w >= -16) --w;
        if (best % 2 == 0 && w < 16) ++w;
      }
    }
    return byte;
  }
};

}  // namespace vm::testing
