#pragma once
// Codes one entry's symbols: splits them into blocks where the statistics change enough to pay
// for a new table set, writes the table sets and the symbols.

#include <vector>

#include "rarpack/bit_writer.h"
#include "rarpack/coder_state.h"
#include "rarpack/lz_ops.h"

namespace vm::rarpack {

struct SymbolStream {
    bool audio = false;
    unsigned channels = 1;
    std::vector<CodedSymbol> symbols;
};

struct BlockOptions {
    // The decoder reads a table set before the first symbol (first entry after a reset).
    bool tablesAtStart = false;
    // Keep the table-switch symbol in the last tables so a following solid entry can change them.
    bool switchAtEnd = false;
    // End with one harmless symbol the decoder's end-of-entry look-ahead can read, then four zero
    // bytes, for decoders that read ahead and for packed data followed by padding.
    bool guardSymbol = false;
};

void codeBlocks(BitWriter& out, CoderState& state, const SymbolStream& stream, const BlockOptions& options);

} // namespace vm::rarpack
