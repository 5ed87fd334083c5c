#include "archive/audio_codes.h"

namespace vm {

void AudioCodeTable::build(const HuffmanTable& table) noexcept {
  for (std::uint32_t slot = 0; slot < entries_.size(); ++slot) {
    const HuffmanTable::Result r = table.decode(slot << (16 - kBits));
    entries_[slot] = r.length <= kBits ? std::uint32_t{r.symbol} << 8 | r.length : 0;
  }
}

}  // namespace vm
