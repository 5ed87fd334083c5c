#include "rarpack/match_finder.h"

#include "rarpack/rar20_symbols.h"

namespace vm::rarpack {
namespace {
constexpr unsigned kHashBits = 17;
constexpr uint32_t kChainMask = kWindowSize - 1;
} // namespace

MatchFinder::MatchFinder(const std::vector<uint8_t>& history)
    : history_(history), head_(1u << kHashBits, 0), prev_(kWindowSize, 0), head2_(1u << 16, 0)
{
}

uint32_t MatchFinder::hash3(uint32_t pos) const
{
    const uint32_t v = history_[pos] | (uint32_t{history_[pos + 1]} << 8) | (uint32_t{history_[pos + 2]} << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
}

void MatchFinder::insertUpTo(uint32_t pos)
{
    const auto size = static_cast<uint32_t>(history_.size());
    for (; inserted_ < pos; ++inserted_) {
        if (inserted_ + 1 < size)
            head2_[history_[inserted_] | (uint32_t{history_[inserted_ + 1]} << 8)] = inserted_ + 1;
        if (inserted_ + 2 < size) {
            uint32_t& h = head_[hash3(inserted_)];
            prev_[inserted_ & kChainMask] = h;
            h = inserted_ + 1;
        }
    }
}

uint32_t MatchFinder::matchLength(uint32_t pos, uint32_t distance, uint32_t maxLength) const
{
    const uint8_t* a = history_.data() + pos;
    const uint8_t* b = a - distance;
    uint32_t n = 0;
    while (n < maxLength && a[n] == b[n])
        ++n;
    return n;
}

void MatchFinder::find(uint32_t pos, uint32_t maxLength, unsigned depth, std::vector<MatchCandidate>& out)
{
    out.clear();
    insertUpTo(pos);
    if (maxLength < 2)
        return;
    uint32_t best = 1;
    {
        const uint32_t c = head2_[history_[pos] | (uint32_t{history_[pos + 1]} << 8)];
        if (c != 0 && c - 1 < pos && pos - (c - 1) <= 256) {
            const uint32_t d = pos - (c - 1);
            best = matchLength(pos, d, maxLength);
            out.push_back({best, d});
        }
    }
    if (maxLength < 3 || best >= maxLength)
        return;
    uint32_t c = head_[hash3(pos)];
    while (c != 0 && depth-- > 0) {
        const uint32_t cand = c - 1;
        c = prev_[cand & kChainMask];
        if (cand >= pos) // inserted ahead of a re-read position: not a match source yet
            continue;
        const uint32_t d = pos - cand;
        if (d > kMaxDistance)
            break;
        if (history_[cand + best] == history_[pos + best]) {
            const uint32_t len = matchLength(pos, d, maxLength);
            if (len > best) {
                best = len;
                out.push_back({len, d});
                if (len >= maxLength)
                    break;
            }
        }
    }
}

} // namespace vm::rarpack
