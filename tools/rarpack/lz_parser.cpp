#include "rarpack/lz_parser.h"

#include <algorithm>
#include <array>
#include <limits>

#include "rarpack/huffman_builder.h"

namespace vm::rarpack {
namespace {

constexpr uint32_t kOptimalChunk = 1u << 16;
constexpr uint32_t kUnusedSymbolBits = 12;

// Bit prices of every table symbol (extra bits are added by the caller).
struct Prices {
    std::array<uint32_t, kMainSize> main{};
    std::array<uint32_t, kDistSize> dist{};
    std::array<uint32_t, kRepSize> rep{};
};

template <size_t N>
void pricesFrom(const std::array<uint32_t, N>& freq, std::array<uint32_t, N>& price)
{
    std::array<uint8_t, N> len{};
    buildCodeLengths(freq, kMaxCodeLength, len);
    for (size_t i = 0; i < N; ++i)
        price[i] = len[i] ? len[i] : kUnusedSymbolBits;
}

Prices pricesFromOps(const std::vector<Op>& ops)
{
    std::array<uint32_t, kMainSize> main{};
    std::array<uint32_t, kDistSize> dist{};
    std::array<uint32_t, kRepSize> rep{};
    for (const Op& op : ops) {
        const CodedSymbol s = codeOp(op);
        ++main[s.symbol];
        if (s.subTable == SubTable::Distance)
            ++dist[s.subSymbol];
        else if (s.subTable == SubTable::Repeat)
            ++rep[s.subSymbol];
    }
    Prices p;
    pricesFrom(main, p.main);
    pricesFrom(dist, p.dist);
    pricesFrom(rep, p.rep);
    return p;
}

uint32_t matchPrice(const Prices& p, uint32_t length, uint32_t distance)
{
    const Slot l = lengthSlot(length - matchLengthBonus(distance) - 3);
    const Slot d = distanceSlot(distance - 1);
    return p.main[kSymMatch + l.symbol] + l.extraBits + p.dist[d.symbol] + d.extraBits;
}

uint32_t oldDistPrice(const Prices& p, unsigned which, uint32_t length, uint32_t distance)
{
    const Slot l = lengthSlot(length - oldDistLengthBonus(distance) - 2);
    return p.main[kSymOldDist + which] + p.rep[l.symbol] + l.extraBits;
}

uint32_t shortPrice(const Prices& p, uint32_t distance)
{
    const Slot d = shortDistanceSlot(distance - 1);
    return p.main[kSymShortDist + d.symbol] + d.extraBits;
}

// Fixed guesses for the lazy parser, which has no statistics yet.
Prices defaultPrices()
{
    Prices p;
    p.main.fill(9);
    p.main[kSymRepeatLast] = 6;
    for (unsigned k = 0; k < 4; ++k)
        p.main[kSymOldDist + k] = 6 + k;
    p.dist.fill(5);
    p.rep.fill(4);
    return p;
}

// Everything the format can code at one position, each at its longest.
struct Choice {
    Op op;
    int32_t gain = 0; // bits saved against coding the same bytes as literals
};

Choice bestChoice(MatchFinder& finder, const std::vector<uint8_t>& history, uint32_t pos, uint32_t end,
                  const MatchHistory& mh, unsigned depth, const Prices& p, std::vector<MatchCandidate>& cands)
{
    const uint32_t room = std::min(end - pos, kMaxLength);
    Choice best;
    auto consider = [&](const Op& op, uint32_t price) {
        int32_t gain = 0;
        for (uint32_t i = 0; i < op.length; ++i)
            gain += static_cast<int32_t>(p.main[history[pos + i]]);
        gain -= static_cast<int32_t>(price);
        if (gain > best.gain) {
            best.op = op;
            best.gain = gain;
        }
    };
    if (mh.lastLength > 0 && mh.lastLength <= room && mh.lastDistance <= pos &&
        finder.matchLength(pos, mh.lastDistance, mh.lastLength) == mh.lastLength)
        consider({OpKind::RepeatLast, 0, static_cast<uint16_t>(mh.lastLength), mh.lastDistance}, p.main[kSymRepeatLast]);
    for (unsigned k = 0; k < 4; ++k) {
        const uint32_t d = mh.recent(k);
        if (d == 0 || d > pos)
            continue;
        const uint32_t len = finder.matchLength(pos, d, std::min(room, maxOldDistLength(d)));
        if (len >= minOldDistLength(d))
            consider({OpKind::OldDistance, static_cast<uint8_t>(k), static_cast<uint16_t>(len), d}, oldDistPrice(p, k, len, d));
    }
    finder.find(pos, room, depth, cands);
    for (const MatchCandidate& c : cands) {
        if (c.distance <= 256)
            consider({OpKind::ShortMatch, 0, 2, c.distance}, shortPrice(p, c.distance));
        const uint32_t len = std::min(c.length, maxMatchLength(c.distance));
        if (len >= minMatchLength(c.distance))
            consider({OpKind::Match, 0, static_cast<uint16_t>(len), c.distance}, matchPrice(p, len, c.distance));
    }
    return best;
}

std::vector<Op> parseLazy(MatchFinder& finder, const std::vector<uint8_t>& history, uint32_t begin, uint32_t end,
                          MatchHistory& mh, const ParseSettings& s, const Prices& p)
{
    std::vector<Op> ops;
    std::vector<MatchCandidate> cands;
    uint32_t pos = begin;
    Choice pending = pos < end ? bestChoice(finder, history, pos, end, mh, s.chainDepth, p, cands) : Choice{};
    while (pos < end) {
        Choice here = pending;
        if (here.gain > 0 && here.op.length < s.niceLength && pos + 1 < end) {
            // One step of look-ahead: a literal now may let a better match start one byte later.
            const Choice next = bestChoice(finder, history, pos + 1, end, mh, s.chainDepth, p, cands);
            if (next.gain > here.gain + static_cast<int32_t>(p.main[history[pos]])) {
                here = Choice{};
                pending = next;
            } else {
                pending = Choice{};
            }
        } else {
            pending = Choice{};
        }
        Op op = here.gain > 0 ? here.op : Op{OpKind::Literal, history[pos], 1, 0};
        mh.apply(op);
        ops.push_back(op);
        pos += op.length;
        if (pos < end && (pending.gain == 0 || op.length != 1))
            pending = bestChoice(finder, history, pos, end, mh, s.chainDepth, p, cands);
    }
    return ops;
}

// Shortest path through the chunk, prices per bit. Each node keeps the match history of the best
// path reaching it, so the cheap codes are priced against the distances actually in the ring.
struct Node {
    uint32_t cost = std::numeric_limits<uint32_t>::max();
    uint32_t from = 0;
    Op op;
    MatchHistory history;
};

std::vector<Op> shortestPath(MatchFinder& finder, const std::vector<uint8_t>& history, uint32_t begin, uint32_t end,
                             const MatchHistory& start, const std::vector<uint32_t>& candStart,
                             const std::vector<MatchCandidate>& cands, const Prices& p, uint32_t niceLength)
{
    const uint32_t n = end - begin;
    std::vector<Node> nodes(size_t{n} + 1);
    nodes[0].cost = 0;
    nodes[0].history = start;
    auto relax = [&](uint32_t from, uint32_t price, const Op& op) {
        const uint32_t to = from + op.length;
        const uint32_t cost = nodes[from].cost + price;
        if (cost < nodes[to].cost) {
            Node& t = nodes[to];
            t.cost = cost;
            t.from = from;
            t.op = op;
            t.history = nodes[from].history;
            t.history.apply(op);
        }
    };
    for (uint32_t i = 0; i < n; ++i) {
        if (nodes[i].cost == std::numeric_limits<uint32_t>::max())
            continue;
        const uint32_t pos = begin + i;
        const uint32_t room = std::min(n - i, kMaxLength);
        const MatchHistory mh = nodes[i].history;
        relax(i, p.main[history[pos]], {OpKind::Literal, history[pos], 1, 0});

        if (mh.lastLength > 0 && mh.lastLength <= room && mh.lastDistance <= pos &&
            finder.matchLength(pos, mh.lastDistance, mh.lastLength) == mh.lastLength)
            relax(i, p.main[kSymRepeatLast], {OpKind::RepeatLast, 0, static_cast<uint16_t>(mh.lastLength), mh.lastDistance});
        for (unsigned k = 0; k < 4; ++k) {
            const uint32_t d = mh.recent(k);
            if (d == 0 || d > pos)
                continue;
            const uint32_t len = finder.matchLength(pos, d, std::min(room, maxOldDistLength(d)));
            // Long matches are taken whole: weighing every shorter cut costs time for nothing.
            for (uint32_t l = len >= niceLength ? len : minOldDistLength(d); l <= len; ++l)
                relax(i, oldDistPrice(p, k, l, d), {OpKind::OldDistance, static_cast<uint8_t>(k), static_cast<uint16_t>(l), d});
        }
        const MatchCandidate* first = cands.data() + candStart[i];
        const MatchCandidate* last = cands.data() + candStart[i + 1];
        if (last != first && std::min(last[-1].length, maxMatchLength(last[-1].distance)) >= niceLength) {
            const MatchCandidate& c = last[-1];
            const uint32_t len = std::min(c.length, maxMatchLength(c.distance));
            relax(i, matchPrice(p, len, c.distance), {OpKind::Match, 0, static_cast<uint16_t>(len), c.distance});
            continue;
        }
        uint32_t covered = 2;
        bool shortDone = false;
        for (const MatchCandidate* c = first; c != last; ++c) {
            if (!shortDone && c->distance <= 256) {
                relax(i, shortPrice(p, c->distance), {OpKind::ShortMatch, 0, 2, c->distance});
                shortDone = true;
            }
            const uint32_t len = std::min(c->length, maxMatchLength(c->distance));
            for (uint32_t l = std::max(covered + 1, minMatchLength(c->distance)); l <= len; ++l)
                relax(i, matchPrice(p, l, c->distance), {OpKind::Match, 0, static_cast<uint16_t>(l), c->distance});
            covered = std::max(covered, len);
        }
    }
    std::vector<Op> ops;
    for (uint32_t i = n; i > 0; i = nodes[i].from)
        ops.push_back(nodes[i].op);
    std::reverse(ops.begin(), ops.end());
    return ops;
}

std::vector<Op> parseOptimal(MatchFinder& finder, const std::vector<uint8_t>& history, uint32_t begin, uint32_t end,
                             MatchHistory& mh, const ParseSettings& s)
{
    std::vector<Op> all;
    std::vector<MatchCandidate> cands, found;
    std::vector<uint32_t> candStart;
    for (uint32_t chunk = begin; chunk < end; chunk += kOptimalChunk) {
        const uint32_t chunkEnd = std::min(end, chunk + kOptimalChunk);
        cands.clear();
        candStart.assign(1, 0);
        for (uint32_t pos = chunk; pos < chunkEnd; ++pos) {
            finder.find(pos, std::min(chunkEnd - pos, kMaxLength), s.chainDepth, found);
            cands.insert(cands.end(), found.begin(), found.end());
            candStart.push_back(static_cast<uint32_t>(cands.size()));
        }
        // Seed the prices with a lazy parse of the same bytes, on a finder that has already
        // seen them (its look-ups only read).
        MatchHistory seedHistory = mh;
        std::vector<Op> ops = parseLazy(finder, history, chunk, chunkEnd, seedHistory, s, defaultPrices());
        for (unsigned round = 0; round <= s.iterations; ++round) {
            const Prices p = pricesFromOps(ops);
            ops = shortestPath(finder, history, chunk, chunkEnd, mh, candStart, cands, p, s.niceLength);
        }
        for (const Op& op : ops)
            mh.apply(op);
        all.insert(all.end(), ops.begin(), ops.end());
    }
    return all;
}

} // namespace

std::vector<Op> parseLz(MatchFinder& finder, const std::vector<uint8_t>& history, uint32_t begin, uint32_t end,
                        MatchHistory& matchHistory, const ParseSettings& settings)
{
    if (settings.optimal)
        return parseOptimal(finder, history, begin, end, matchHistory, settings);
    return parseLazy(finder, history, begin, end, matchHistory, settings, defaultPrices());
}

} // namespace vm::rarpack
