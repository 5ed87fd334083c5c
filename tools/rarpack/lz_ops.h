#pragma once
// One decision of the LZ parser and the decoder-side match history it depends on.

#include <cstdint>

#include "rarpack/rar20_symbols.h"

namespace vm::rarpack {

enum class OpKind : uint8_t { Literal, Match, OldDistance, RepeatLast, ShortMatch };

struct Op {
    OpKind kind = OpKind::Literal;
    uint8_t value = 0;     // the literal byte, or which old distance (0 = most recent)
    uint16_t length = 1;   // bytes produced
    uint32_t distance = 0;
};

// Mirror of the decoder's last-four-distances ring and last match.
struct MatchHistory {
    uint32_t old[4] = {};
    uint32_t index = 0;
    uint32_t lastLength = 0;
    uint32_t lastDistance = 0;

    uint32_t recent(unsigned k) const { return old[(index - 1 - k) & 3]; }
    void push(uint32_t length, uint32_t distance)
    {
        old[index & 3] = distance;
        ++index;
        lastLength = length;
        lastDistance = distance;
    }
    void apply(const Op& op)
    {
        if (op.kind != OpKind::Literal)
            push(op.length, op.distance);
    }
};

// A table symbol with its extra bits, in stream order: symbol, extra1, sub-symbol, extra2.
enum class SubTable : uint8_t { None, Distance, Repeat };

struct CodedSymbol {
    uint16_t symbol = 0;
    uint8_t channel = 0;   // audio blocks: the channel table the symbol belongs to
    SubTable subTable = SubTable::None;
    uint8_t subSymbol = 0;
    uint8_t bits1 = 0, bits2 = 0;
    uint32_t extra1 = 0, extra2 = 0;
};

// The symbol an op is coded with. Which old distance an op names is decided by the parser
// against the decoder's match history; the op carries it.
CodedSymbol codeOp(const Op& op);

} // namespace vm::rarpack
