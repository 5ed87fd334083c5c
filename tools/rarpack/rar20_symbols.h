#pragma once
// The RAR 2.0 symbol alphabet as seen from the encoding side: how a match length or distance
// splits into a table symbol plus extra bits.

#include <cstdint>

namespace vm::rarpack {

// Main (literal/length) table: 0..255 literals, then these.
inline constexpr unsigned kSymRepeatLast = 256;   // last length and distance again
inline constexpr unsigned kSymOldDist = 257;      // 257..260: one of the last four distances
inline constexpr unsigned kSymShortDist = 261;    // 261..268: length 2, distance 1..256
inline constexpr unsigned kSymNewTables = 269;    // a table set follows
inline constexpr unsigned kSymMatch = 270;        // 270..297: length slot of a new match

inline constexpr unsigned kMainSize = 298;
inline constexpr unsigned kDistSize = 48;
inline constexpr unsigned kRepSize = 28;
inline constexpr unsigned kLzTableSize = kMainSize + kDistSize + kRepSize; // 374
inline constexpr unsigned kAudioSymbols = 257;                            // 256 = new tables
inline constexpr unsigned kMaxTableSize = 4 * kAudioSymbols;              // 1028
inline constexpr unsigned kBitLengthSize = 19;

inline constexpr uint32_t kWindowSize = 0x100000;
inline constexpr uint32_t kMaxDistance = kWindowSize - 1;

struct Slot {
    uint8_t symbol;
    uint8_t extraBits;
    uint32_t extra;
};

// Length above the slot base (0..255), coded with the length slots.
Slot lengthSlot(uint32_t value);
// Distance minus one (0..0xFFFFF), coded with the distance slots.
Slot distanceSlot(uint32_t value);
// Short distance minus one (0..255): symbols 261..268 relative to kSymShortDist.
Slot shortDistanceSlot(uint32_t value);

// Lengths the decoder adds for far distances; a coded length is the real one minus these.
inline uint32_t matchLengthBonus(uint32_t dist) { return (dist >= 0x2000 ? 1u : 0u) + (dist >= 0x40000 ? 1u : 0u); }
inline uint32_t oldDistLengthBonus(uint32_t dist) { return (dist >= 0x101 ? 1u : 0u) + matchLengthBonus(dist); }

// Real length ranges of each kind of match at a distance.
inline uint32_t minMatchLength(uint32_t dist) { return 3 + matchLengthBonus(dist); }
inline uint32_t maxMatchLength(uint32_t dist) { return 258 + matchLengthBonus(dist); }
inline uint32_t minOldDistLength(uint32_t dist) { return 2 + oldDistLengthBonus(dist); }
inline uint32_t maxOldDistLength(uint32_t dist) { return 257 + oldDistLengthBonus(dist); }

inline constexpr uint32_t kMaxLength = 260;

} // namespace vm::rarpack
