#include "archive/audio_codes.h"

namespace vm {

void AudioCodeTable::build(const HuffmanTable& table) noexcept {
  for (std::uint32_t slot = 0; slot < entries_.size(); ++slot) {
    const HuffmanTable::Result r = table.decode(slot << (16 - kBits));
    entries_[slot] = static_cast<std::uint16_t>(r.length <= kBits ? r.symbol << 6 | r.length : 0);
  }
}

}  // namespace vm
