#include "archive/audio_predictor.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "plain_audio_predictor.h"

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

using PlainPredictor = testing::PlainPredictor;

// The vectorised error sums decide exactly as the plain rule: same bytes, same weights, for random
// deltas (which drive every term to its extremes) and for tones, over 1 to 4 channels, with the
// AVX2 and the SSE2 code. Tones leave many equal sums, so ties are decided here too.
TEST(AudioPredictor, MatchesThePlainRuleByteForByte) {
  struct Case {
    const char* name;
    int channels;
    bool random;
  };
  const Case cases[] = {{"random, 1 channel", 1, true}, {"random, 3 channels", 3, true},
                        {"tone, 2 channels", 2, false}, {"tone, 4 channels", 4, false}};
  for (const bool portable : {false, true}) {
    AudioPredictor::usePortableKernels(portable);
    for (const Case& c : cases) {
      std::vector<std::uint8_t> coded = interleavedTone(c.channels, 20000);
      std::uint32_t x = 7;
      for (auto& b : coded) {
        x = x * 1664525u + 1013904223u;
        if (c.random) b = static_cast<std::uint8_t>(x >> 24);
        else b = static_cast<std::uint8_t>(b - 128);
      }
      std::array<AudioPredictor, 4> fast{};
      std::array<PlainPredictor, 4> plain{};
      std::int32_t fastDelta = 0, plainDelta = 0;
      for (std::size_t i = 0; i < coded.size(); ++i) {
        const std::size_t ch = i % static_cast<std::size_t>(c.channels);
        ASSERT_EQ(fast[ch].decode(coded[i], fastDelta), plain[ch].decode(coded[i], plainDelta))
            << c.name << ", byte " << i << (portable ? ", SSE2" : "");
        for (int w = 0; w < 5; ++w)
          ASSERT_EQ(fast[ch].weights()[w], plain[ch].k[w])
              << c.name << ", byte " << i << (portable ? ", SSE2" : "");
      }
    }
  }
  AudioPredictor::usePortableKernels(false);
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
