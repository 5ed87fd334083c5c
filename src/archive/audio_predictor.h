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
//
// The eleven error sums are kept in two vectors of 16-bit lanes, updated in a few instructions per
// byte. 16 bits are exact here: a term is at most |E| + |D| <= 1024 + 255 and the sums are cleared
// every 32 bytes, so no sum exceeds 32 * 1279 = 40928.

#include <algorithm>
#include <array>
#include <cstdint>

namespace vm {

class AudioPredictor {
 public:
  // Predicted next byte of this channel, given the delta last produced by any channel.
  std::uint8_t predict(std::int32_t channelDelta) const noexcept {
    const std::int32_t sum = 8 * lastByte_ + k_[0] * d_[0] + k_[1] * d_[1] + k_[2] * d_[2] +
                             k_[3] * d_[3] + k_[4] * channelDelta;
    return static_cast<std::uint8_t>((sum >> 3) & 0xFF);  // arithmetic shift of a signed sum
  }

  // Feeds back the coded delta and the actual byte of the sample just predicted.
  [[gnu::always_inline]] void update(std::uint8_t coded, std::uint8_t byte,
                                     std::int32_t channelDelta) noexcept {
    const auto e = static_cast<std::int16_t>(static_cast<std::int8_t>(coded) * 8);
    const Lanes terms = {0,
                         static_cast<std::int16_t>(d_[0]),
                         static_cast<std::int16_t>(d_[1]),
                         static_cast<std::int16_t>(d_[2]),
                         static_cast<std::int16_t>(d_[3]),
                         static_cast<std::int16_t>(channelDelta),
                         0,
                         0};
    const Lanes ev = Lanes{} + e;  // e in every lane
    difMinus_ += __builtin_bit_cast(Sums, absLanes(ev - terms));
    difPlus_ += __builtin_bit_cast(Sums, absLanes(ev + terms));

    lastDelta_ = static_cast<std::int8_t>(static_cast<std::uint8_t>(byte - lastByte_));
    lastByte_ = byte;
    if ((++byteCount_ & 31) == 0) adapt();

    // History for the next sample of this channel.
    d_[3] = d_[2];
    d_[2] = d_[1];
    d_[1] = lastDelta_ - d_[0];
    d_[0] = lastDelta_;
  }

  // Both halves of a decode step; returns the byte and advances channelDelta.
  // Always inline: the decoder's per-byte loop keeps the predictor in registers.
  [[gnu::always_inline]] std::uint8_t decode(std::uint8_t coded, std::int32_t& channelDelta) noexcept {
    const auto byte = static_cast<std::uint8_t>(predict(channelDelta) - coded);
    update(coded, byte, channelDelta);
    channelDelta = lastDelta_;
    return byte;
  }
  // Both halves of an encode step; returns the coded delta and advances channelDelta.
  std::uint8_t encode(std::uint8_t byte, std::int32_t& channelDelta) noexcept {
    const auto coded = static_cast<std::uint8_t>(predict(channelDelta) - byte);
    update(coded, byte, channelDelta);
    channelDelta = lastDelta_;
    return coded;
  }

  // Signed delta of the last byte against the one before it, as a signed byte.
  std::int32_t lastDelta() const noexcept { return lastDelta_; }
  // K1..K5, for tests and diagnostics.
  const std::array<std::int32_t, 5>& weights() const noexcept { return k_; }

  void reset() noexcept { *this = AudioPredictor{}; }

 private:
  // Lane 0: the plain error |E|; lanes 1..5: the terms D1..D4 and the channel delta. difMinus_
  // sums |E - term| (Dif 0, 1, 3, 5, 7, 9), difPlus_ sums |E + term| (Dif 2, 4, 6, 8, 10).
  using Lanes = std::int16_t __attribute__((vector_size(16)));
  using Sums = std::uint16_t __attribute__((vector_size(16)));  // wrap-free up to 65535
  static Lanes absLanes(Lanes x) noexcept {
    const Lanes sign = x >> 15;
    return (x ^ sign) - sign;
  }
  // Every 32nd byte: one weight steps toward the smallest error sum, and the sums restart.
  // Inline and branch-free, so a decoder loop can keep the whole state in registers.
  void adapt() noexcept {
    // Keys in the format's order: sum << 4 | index, so the smallest key is the smallest sum and,
    // among equal sums, the lowest index.
    std::uint32_t best = std::uint32_t{difMinus_[0]} << 4;
#pragma GCC unroll 5
    for (unsigned t = 1; t <= 5; ++t) {
      best = std::min(best, std::uint32_t{difMinus_[t]} << 4 | (2 * t - 1));
      best = std::min(best, std::uint32_t{difPlus_[t]} << 4 | (2 * t));
    }
    difMinus_ = Sums{};
    difPlus_ = Sums{};
    const unsigned index = best & 0xF;
    // Odd winners mean the term works against the error: lower its weight; even: raise it.
    // Every weight is visited with a constant index, so the weights can live in registers.
#pragma GCC unroll 5
    for (unsigned j = 0; j < 5; ++j) {
      const bool lower = index == 2 * j + 1 && k_[j] >= -16;
      const bool raise = index == 2 * j + 2 && k_[j] < 16;
      k_[j] += static_cast<std::int32_t>(raise) - static_cast<std::int32_t>(lower);
    }
  }

  std::array<std::int32_t, 5> k_{};  // K1..K5
  std::array<std::int32_t, 4> d_{};  // D1..D4, already shifted for the next sample
  Sums difMinus_{};
  Sums difPlus_{};
  std::int32_t lastDelta_ = 0;
  std::uint32_t byteCount_ = 0;
  std::int32_t lastByte_ = 0;
};

}  // namespace vm
