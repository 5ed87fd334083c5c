#include "archive/audio_predictor.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vm {
namespace {

// Interleaved 8-bit "audio": a few sines of different pitch, one per channel.
std::vector<std::uint8_t> interleavedTone(int channels, std::size_t frames) {
  std::vector<std::uint8_t> v;
  for (std::size_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      v.push_back(static_cast<std::uint8_t>(
          128 + 100 * std::sin(static_cast<double>(f) * 0.05 * (c + 1) + c)));
  return v;
}

// An encoder and a decoder running the same predictors in step reproduce every byte, for 1 to 4
// channels sharing one channel delta; the weights stay in -17..16 and actually adapt.
TEST(AudioPredictor, EncodeDecodeRoundTripOverOneToFourChannels) {
  for (int channels = 1; channels <= 4; ++channels) {
    const std::vector<std::uint8_t> input = interleavedTone(channels, 2000);
    std::array<AudioPredictor, 4> enc{}, dec{};
    std::int32_t encDelta = 0, decDelta = 0;
    bool adapted = false;
    for (std::size_t i = 0; i < input.size(); ++i) {
      const std::size_t ch = i % static_cast<std::size_t>(channels);
      const std::uint8_t coded = enc[ch].encode(input[i], encDelta);
      ASSERT_EQ(dec[ch].decode(coded, decDelta), input[i]) << channels << " ch, byte " << i;
      for (std::int32_t w : dec[ch].weights()) {
        ASSERT_GE(w, -17);
        ASSERT_LE(w, 16);
        adapted |= w != 0;
      }
    }
    EXPECT_TRUE(adapted) << channels;
  }
}

// A smooth ramp becomes predictable once the weights adapt: the coded deltas shrink toward 0.
TEST(AudioPredictor, LearnsARamp) {
  AudioPredictor p;
  std::int32_t delta = 0;
  int late = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::uint8_t coded = p.encode(static_cast<std::uint8_t>(i * 3), delta);
    if (i >= 3900) late += std::abs(static_cast<std::int8_t>(coded));
  }
  EXPECT_LT(late, 100 * 3);
}

// Weights saturate at their bounds under input that always rewards the same direction.
TEST(AudioPredictor, WeightsSaturateWithinBounds) {
  AudioPredictor p;
  std::int32_t delta = 0;
  std::uint32_t x = 1;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1664525u + 1013904223u;
    p.decode(static_cast<std::uint8_t>(x >> 24), delta);
    for (std::int32_t w : p.weights()) {
      ASSERT_GE(w, -17);
      ASSERT_LE(w, 16);
    }
  }
}

}  // namespace
}  // namespace vm
