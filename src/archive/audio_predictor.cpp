#include "archive/audio_predictor.h"

namespace vm {

void AudioPredictor::adapt() noexcept {
  // The sums in the format's order.
  std::array<std::uint32_t, 11> dif{};
  dif[0] = difMinus_[0];
  for (int t = 1; t <= 5; ++t) {
    dif[2 * t - 1] = difMinus_[t];
    dif[2 * t] = difPlus_[t];
  }
  difMinus_ = Sums{};
  difPlus_ = Sums{};

  std::size_t best = 0;  // the lowest index wins a tie
  for (std::size_t i = 1; i < dif.size(); ++i)
    if (dif[i] < dif[best]) best = i;
  if (best == 0) return;
  // Odd winners mean the term works against the error: lower its weight; even: raise it.
  std::int32_t& w = k_[(best - 1) / 2];
  if (best % 2 == 1) {
    if (w >= -16) --w;
  } else {
    if (w < 16) ++w;
  }
}

}  // namespace vm
