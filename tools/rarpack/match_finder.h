#pragma once
// Hash-chain match finder over the encoder's history (all bytes the decoder's window has seen,
// in order). Positions are absolute offsets into that history.

#include <cstdint>
#include <vector>

namespace vm::rarpack {

struct MatchCandidate {
    uint32_t length;
    uint32_t distance;
};

class MatchFinder {
public:
    explicit MatchFinder(const std::vector<uint8_t>& history);

    // Candidates at `pos` (every earlier position must be inserted), nearest first, each strictly
    // longer than the one before; lengths are capped at maxLength and reach back at most
    // kMaxDistance. A 2-byte match within 256 bytes is reported first when there is one.
    void find(uint32_t pos, uint32_t maxLength, unsigned depth, std::vector<MatchCandidate>& out);

    // Makes every position below `pos` findable.
    void insertUpTo(uint32_t pos);

    uint32_t matchLength(uint32_t pos, uint32_t distance, uint32_t maxLength) const;

private:
    uint32_t hash3(uint32_t pos) const;

    const std::vector<uint8_t>& history_;
    std::vector<uint32_t> head_;   // hash -> last position + 1 (0 = none)
    std::vector<uint32_t> prev_;   // position & mask -> earlier position + 1 with the same hash
    std::vector<uint32_t> head2_;  // 2-byte value -> last position + 1
    uint32_t inserted_ = 0;
};

} // namespace vm::rarpack
