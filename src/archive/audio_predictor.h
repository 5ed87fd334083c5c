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
// (a period) toward the term with the smallest accumulated error and stay within -17..16.
//
// State is kept as a record of the current period rather than as running sums: the deltas of the
// channel (with the four before the period), the channel delta each sample saw and the coded
// symbols. The eleven error sums are only needed at the period's end, where they are computed over
// the record at once with vector arithmetic (see periodErrorSums). D1..D4 follow from the recorded
// deltas: D1 = l[-1], D2 = l[-1] - l[-2], D3 = l[-2] - l[-3], D4 = l[-3] - l[-4].
//
// decodeAudioRun (audio_run.h) decodes many bytes at once over the same record.

#include <array>
#include <cstdint>

namespace vm {

class AudioPredictor {
 public:
  static constexpr unsigned kPeriod = 32;

  // Predicted next byte of this channel, given the delta last produced by any channel.
  std::uint8_t predict(std::int32_t channelDelta) const noexcept {
    const std::int16_t* h = record_.data() + kHistory + fill_;  // h[-1] is the last delta
    const std::int32_t d1 = h[-1], d2 = h[-1] - h[-2], d3 = h[-2] - h[-3], d4 = h[-3] - h[-4];
    const std::int32_t sum = 8 * lastByte_ + k_[0] * d1 + k_[1] * d2 + k_[2] * d3 + k_[3] * d4 +
                             k_[4] * channelDelta;
    return static_cast<std::uint8_t>((sum >> 3) & 0xFF);  // arithmetic shift of a signed sum
  }

  // Feeds back the coded delta and the actual byte of the sample just predicted.
  void update(std::uint8_t coded, std::uint8_t byte, std::int32_t channelDelta) noexcept {
    const auto delta = static_cast<std::int8_t>(static_cast<std::uint8_t>(byte - lastByte_));
    record_[kHistory + fill_] = delta;
    record_[kChannelDeltas + fill_] = static_cast<std::int16_t>(channelDelta);
    record_[kCoded + fill_] = coded;
    lastByte_ = byte;
    if (++fill_ == kPeriod) endPeriod();
  }

  // Both halves of a decode step; returns the byte and advances channelDelta.
  std::uint8_t decode(std::uint8_t coded, std::int32_t& channelDelta) noexcept {
    const auto byte = static_cast<std::uint8_t>(predict(channelDelta) - coded);
    update(coded, byte, channelDelta);
    channelDelta = lastDelta();
    return byte;
  }
  // Both halves of an encode step; returns the coded delta and advances channelDelta.
  std::uint8_t encode(std::uint8_t byte, std::int32_t& channelDelta) noexcept {
    const auto coded = static_cast<std::uint8_t>(predict(channelDelta) - byte);
    update(coded, byte, channelDelta);
    channelDelta = lastDelta();
    return coded;
  }

  // Signed delta of the last byte against the one before it, as a signed byte.
  std::int32_t lastDelta() const noexcept { return record_[kHistory + fill_ - 1]; }
  // K1..K5, for tests and diagnostics.
  const std::array<std::int32_t, 5>& weights() const noexcept { return k_; }

  void reset() noexcept { *this = AudioPredictor{}; }

  // The eleven error sums of a full period in the format's order: |E|, then |E - T| and |E + T|
  // for T = D1, D2, D3, D4 and the channel delta, with E = (coded as a signed byte) * 8.
  // Exposed for tests; no sum exceeds 32 * (1024 + 255).
  std::array<std::uint32_t, 11> periodErrorSums() const noexcept;

  // The period-end arithmetic runs with AVX2 where the processor has it, else with SSE2. Tests
  // switch to the SSE2 code to check it too; not for concurrent use.
  static void usePortableKernels(bool portable) noexcept;

 private:
  friend struct AudioRunAccess;

  // record_ layout, in samples of this period (fill_ recorded so far):
  //   [kHistory - 4, kHistory)          the channel's last four deltas before the period
  //   [kHistory, kHistory + 32)          the delta of each sample (signed byte values)
  //   [kChannelDeltas, +32)              the channel delta each sample was predicted with
  //   [kCoded, +32)                      each sample's coded symbol, 0..255
  static constexpr unsigned kHistory = 4;
  static constexpr unsigned kChannelDeltas = kHistory + kPeriod;
  static constexpr unsigned kCoded = kChannelDeltas + kPeriod;
  static constexpr unsigned kRecordSize = kCoded + kPeriod;

  // Adapts one weight toward the smallest error sum and starts the next period.
  void endPeriod() noexcept;

  alignas(16) std::array<std::int16_t, kRecordSize> record_{};
  std::array<std::int32_t, 5> k_{};  // K1..K5
  std::int32_t lastByte_ = 0;
  std::uint32_t fill_ = 0;  // samples recorded in this period, 0..31 between calls
};

}  // namespace vm
