#include "rarpack/lz_ops.h"

namespace vm::rarpack {

CodedSymbol codeOp(const Op& op)
{
    CodedSymbol s;
    switch (op.kind) {
    case OpKind::Literal:
        s.symbol = op.value;
        break;
    case OpKind::RepeatLast:
        s.symbol = kSymRepeatLast;
        break;
    case OpKind::ShortMatch: {
        const Slot d = shortDistanceSlot(op.distance - 1);
        s.symbol = static_cast<uint16_t>(kSymShortDist + d.symbol);
        s.bits1 = d.extraBits;
        s.extra1 = d.extra;
        break;
    }
    case OpKind::OldDistance: {
        const Slot l = lengthSlot(op.length - oldDistLengthBonus(op.distance) - 2);
        s.symbol = static_cast<uint16_t>(kSymOldDist + op.value);
        s.subTable = SubTable::Repeat;
        s.subSymbol = l.symbol;
        s.bits2 = l.extraBits;
        s.extra2 = l.extra;
        break;
    }
    case OpKind::Match: {
        const Slot l = lengthSlot(op.length - matchLengthBonus(op.distance) - 3);
        const Slot d = distanceSlot(op.distance - 1);
        s.symbol = static_cast<uint16_t>(kSymMatch + l.symbol);
        s.bits1 = l.extraBits;
        s.extra1 = l.extra;
        s.subTable = SubTable::Distance;
        s.subSymbol = d.symbol;
        s.bits2 = d.extraBits;
        s.extra2 = d.extra;
        break;
    }
    }
    return s;
}

} // namespace vm::rarpack
