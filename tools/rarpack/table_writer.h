#pragma once
// Writes a RAR 2.0 table set: the two header bits (multimedia, delta against the previous set),
// the channel count of a multimedia set, the 19 bit-length code lengths in 4 bits each and the
// run-length coded list of code lengths. Fresh and delta coding are both tried; the shorter wins.

#include <cstdint>
#include <span>

#include "rarpack/bit_writer.h"
#include "rarpack/coder_state.h"

namespace vm::rarpack {

// Writes the set for `lengths` (374 entries for LZ tables, channels × 257 for multimedia) and
// makes it the state's tables in force.
void writeTableSet(BitWriter& out, CoderState& state, bool audio, unsigned channels, std::span<const uint8_t> lengths);

// Bits writeTableSet would use, without writing.
uint64_t tableSetBits(const CoderState& state, bool audio, unsigned channels, std::span<const uint8_t> lengths);

// Code lengths for one table set from symbol frequencies, each table built on its own slice
// (LZ: 298 + 48 + 28, multimedia: 257 per channel).
void lengthsForFrequencies(bool audio, unsigned channels, std::span<const uint32_t> freq, std::span<uint8_t> lengths);

} // namespace vm::rarpack
