#pragma once
// What the decoder remembers between symbols and between entries of a solid stream, as far as
// the encoder must mirror it: the tables in force, the previous code lengths that delta-coded
// table sets refer to, the match history and the multimedia predictor.

#include <array>
#include <cstdint>

#include "rarpack/audio_model.h"
#include "rarpack/lz_ops.h"
#include "rarpack/rar20_symbols.h"

namespace vm::rarpack {

struct CoderState {
    bool tablesRead = false;   // a table set has been read since the last reset
    bool audio = false;        // the tables in force are multimedia tables
    unsigned channels = 1;
    unsigned channel = 0;      // channel of the next multimedia byte
    std::array<uint8_t, kMaxTableSize> lengths{};  // the decoder's previous lengths
    std::array<uint16_t, kMaxTableSize> codes{};   // canonical codes of the tables in force
    unsigned tableSize = 0;
    // Entries [0, knownPrevious) of `lengths` are the same in every conforming decoder; entries
    // beyond the last set's size may be kept or cleared, so delta coding stays below this.
    unsigned knownPrevious = kMaxTableSize;
    MatchHistory match;
    AudioModel audioModel;
};

} // namespace vm::rarpack
