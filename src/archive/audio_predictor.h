#pragma once
// Adaptive linear predictor of the RAR 2.0 multimedia mode, one per interleaved audio channel.
//
// A sample byte is coded as the delta  coded = (prediction - byte) & 0xFF.  Decoding one byte is
// "predict, add delta, update"; an encoder runs the same two halves with the roles swapped:
//
//   decode:  p = pred.predict(channelDelta);  byte = p - coded;   pred.update(coded, byte, channelDelta)
//   encode:  p = pred.predict(channelDelta);  coded = p - byte;   pred.update(coded, byte, channelDelta)
//
// channelDelta is shared by all channels of a stream: after each byte it becomes that byte's
// lastDelta(), whichever channel produced it. The weights K1..K5 adapt every 32 bytes of the channel
// toward the term with the smallest accumulated error and stay within -17..16.

#include <array>
#include <cstdint>

namespace vm {

class AudioPredictor {
 public:
  // Predicted next byte of this channel, given the delta last produced by any channel.
  std::uint8_t predict(std::int32_t channelDelta) const noexcept;

  // Feeds back the coded delta and the actual byte of the sample just predicted.
  void update(std::uint8_t coded, std::uint8_t byte, std::int32_t channelDelta) noexcept;

  // Both halves of a decode step; returns the byte and advances channelDelta.
  std::uint8_t decode(std::uint8_t coded, std::int32_t& channelDelta) noexcept;
  // Both halves of an encode step; returns the coded delta and advances channelDelta.
  std::uint8_t encode(std::uint8_t byte, std::int32_t& channelDelta) noexcept;

  // Signed delta of the last byte against the one before it, as a signed byte.
  std::int32_t lastDelta() const noexcept { return lastDelta_; }
  // K1..K5, for tests and diagnostics.
  const std::array<std::int32_t, 5>& weights() const noexcept { return k_; }

  void reset() noexcept { *this = AudioPredictor{}; }

 private:
  std::array<std::int32_t, 5> k_{};    // K1..K5
  std::array<std::int32_t, 4> d_{};    // D1..D4, already shifted for the next sample
  std::array<std::uint32_t, 11> dif_{};  // error sums, compared as unsigned
  std::int32_t lastDelta_ = 0;
  std::uint32_t byteCount_ = 0;
  std::int32_t lastByte_ = 0;
};

}  // namespace vm
