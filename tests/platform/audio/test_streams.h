#pragma once
// Small Ogg Vorbis streams built in the test, so every case shows exactly the data it needs.

#include "organ/ogg_writer.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace vm::audio::testing {

// A sine on the left, its octave on the right, at a frequency that repeats a whole number of times
// in the stream, so a looped stream is a continuous wave.
inline std::vector<std::uint8_t> sineOgg(int frames, int channels = 2, int rate = 44100) {
    organ::Stereo s;
    s.resize(static_cast<std::size_t>(frames));
    const double cycles = 20.0;
    for (int i = 0; i < frames; ++i) {
        const double x = 2.0 * std::numbers::pi * cycles * i / frames;
        s.samples[2 * static_cast<std::size_t>(i)] = static_cast<float>(0.5 * std::sin(x));
        s.samples[2 * static_cast<std::size_t>(i) + 1] = static_cast<float>(0.25 * std::sin(2 * x));
    }
    return organ::encodeOggVorbis(s, 0.6f, channels, rate);
}

}  // namespace vm::audio::testing
