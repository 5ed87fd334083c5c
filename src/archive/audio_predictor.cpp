#include "archive/audio_predictor.h"

#include <cstdlib>

namespace vm {
namespace {

std::int32_t signedByte(std::uint32_t v) noexcept { return static_cast<std::int8_t>(v & 0xFF); }

}  // namespace

// The delta history is shifted at the end of update() rather than at the start of the next
// sample, so predict() can stay const; the values seen by each sample are the same either way.
std::uint8_t AudioPredictor::predict(std::int32_t channelDelta) const noexcept {
  const std::int32_t sum = 8 * lastByte_ + k_[0] * d_[0] + k_[1] * d_[1] + k_[2] * d_[2] +
                           k_[3] * d_[3] + k_[4] * channelDelta;
  return static_cast<std::uint8_t>((sum >> 3) & 0xFF);  // arithmetic shift of a signed sum
}

void AudioPredictor::update(std::uint8_t coded, std::uint8_t byte,
                            std::int32_t channelDelta) noexcept {
  ++byteCount_;
  const std::int32_t e = signedByte(coded) * 8;
  const auto add = [this](std::size_t i, std::int32_t v) {
    dif_[i] += static_cast<std::uint32_t>(std::abs(v));
  };
  add(0, e);
  add(1, e - d_[0]);
  add(2, e + d_[0]);
  add(3, e - d_[1]);
  add(4, e + d_[1]);
  add(5, e - d_[2]);
  add(6, e + d_[2]);
  add(7, e - d_[3]);
  add(8, e + d_[3]);
  add(9, e - channelDelta);
  add(10, e + channelDelta);

  lastDelta_ = signedByte(static_cast<std::uint32_t>(byte - lastByte_));
  lastByte_ = byte;

  if (byteCount_ % 32 == 0) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < dif_.size(); ++i)
      if (dif_[i] < dif_[best]) best = i;
    dif_.fill(0);
    if (best > 0) {
      // Odd winners mean the term works against the error: lower its weight; even: raise it.
      std::int32_t& w = k_[(best - 1) / 2];
      if (best % 2 == 1) {
        if (w >= -16) --w;
      } else {
        if (w < 16) ++w;
      }
    }
  }

  // History for the next sample of this channel.
  d_[3] = d_[2];
  d_[2] = d_[1];
  d_[1] = lastDelta_ - d_[0];
  d_[0] = lastDelta_;
}

std::uint8_t AudioPredictor::decode(std::uint8_t coded, std::int32_t& channelDelta) noexcept {
  const std::uint8_t byte = static_cast<std::uint8_t>(predict(channelDelta) - coded);
  update(coded, byte, channelDelta);
  channelDelta = lastDelta_;
  return byte;
}

std::uint8_t AudioPredictor::encode(std::uint8_t byte, std::int32_t& channelDelta) noexcept {
  const std::uint8_t coded = static_cast<std::uint8_t>(predict(channelDelta) - byte);
  update(coded, byte, channelDelta);
  channelDelta = lastDelta_;
  return coded;
}

}  // namespace vm
