#pragma once
// Turns a stretch of the history into LZ decisions. Two strategies: lazy matching (one step of
// look-ahead, fast) and a cost-driven shortest-path parse that re-prices itself from its own
// symbol statistics a few times. Both know the format's cheap codes: the last match again, the
// four most recent distances and the 2-byte short-distance matches.
//
// Ops never reach before the start of the history or past `end`.

#include <cstdint>
#include <vector>

#include "rarpack/lz_ops.h"
#include "rarpack/match_finder.h"

namespace vm::rarpack {

struct ParseSettings {
    unsigned chainDepth = 32;
    bool optimal = false;
    unsigned iterations = 2;   // re-pricing rounds of the optimal parse
    uint32_t niceLength = 128; // matches this long are taken without weighing alternatives
};

// Parses [begin, end) of `history`, starting from (and updating) the decoder's match history.
std::vector<Op> parseLz(MatchFinder& finder, const std::vector<uint8_t>& history, uint32_t begin, uint32_t end,
                        MatchHistory& matchHistory, const ParseSettings& settings);

} // namespace vm::rarpack
