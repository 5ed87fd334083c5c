#pragma once
// Bulk decoding of the RAR 2.0 multimedia mode: Huffman symbols and predictors in one loop.
//
// The loop rests on  (8 * lastByte + X) >> 3 == lastByte + (X >> 3)  (8 * lastByte is a multiple
// of 8, the shift is arithmetic), so a byte's delta is
//   delta = (int8)((K5 * channelDelta + R) >> 3),  R = K1*D1 + K2*D2 + K3*D3 + K4*D4 - 8 * coded
// where R needs only the channel's own earlier deltas and the byte is lastByte + delta. Two
// dependency chains are left from byte to byte, and they are independent of each other: the bit
// position of the Huffman codes, and the channel delta (a multiply, an add, a shift and a sign
// extension). One loop carries both, so the processor overlaps them.
//
// The weights change only at a channel's period end, so the run is cut into stretches that end
// there and the weights stay in registers within a stretch; the error sums that pick the next
// weights are computed once per period over the predictor's record (AudioPredictor).

#include <array>
#include <cstddef>
#include <cstdint>

#include "archive/audio_codes.h"
#include "archive/audio_predictor.h"
#include "archive/bit_reader.h"
#include "archive/huffman_table.h"

namespace vm {

struct AudioRun {
  std::size_t count = 0;     // bytes decoded and written
  bool tableSwitch = false;  // stopped after consuming symbol 256 (on channel (first + count) % C)
};

// Decodes up to limit bytes of a C-channel block (C = 1..4) whose next byte belongs to channel
// first (< C): reads each byte's code with codes[channel] (built from md[channel]) and writes the
// bytes to out. Same bytes and
// state as the format's one-byte-at-a-time rule. Stops early after symbol 256, or when the reader
// is within 8 bytes of the end of its data (the caller's careful path decodes those).
template <unsigned C>
AudioRun decodeAudioRun(BitReader& in, const std::array<AudioCodeTable, 4>& codes,
                        const std::array<HuffmanTable, 4>& md,
                        std::array<AudioPredictor, 4>& predictors, std::int32_t& channelDelta,
                        unsigned first, std::size_t limit, std::uint8_t* out) noexcept;

#define VM_AUDIO_RUN(C)                                                                      \
  extern template AudioRun decodeAudioRun<C>(BitReader&, const std::array<AudioCodeTable, 4>&, \
                                             const std::array<HuffmanTable, 4>&,             \
                                             std::array<AudioPredictor, 4>&, std::int32_t&,  \
                                             unsigned, std::size_t, std::uint8_t*) noexcept;
VM_AUDIO_RUN(1)
VM_AUDIO_RUN(2)
VM_AUDIO_RUN(3)
VM_AUDIO_RUN(4)
#undef VM_AUDIO_RUN

}  // namespace vm
