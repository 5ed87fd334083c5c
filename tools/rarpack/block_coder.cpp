#include "rarpack/block_coder.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "rarpack/huffman_builder.h"
#include "rarpack/table_writer.h"

namespace vm::rarpack {
namespace {

using Freq = std::array<uint32_t, kMaxTableSize>;
using Lengths = std::array<uint8_t, kMaxTableSize>;

unsigned tableSizeOf(const SymbolStream& s) { return s.audio ? s.channels * kAudioSymbols : kLzTableSize; }

void count(const SymbolStream& s, size_t begin, size_t end, Freq& f)
{
    for (size_t i = begin; i < end; ++i) {
        const CodedSymbol& c = s.symbols[i];
        if (s.audio) {
            ++f[c.channel * kAudioSymbols + c.symbol];
            continue;
        }
        ++f[c.symbol];
        if (c.subTable == SubTable::Distance)
            ++f[kMainSize + c.subSymbol];
        else if (c.subTable == SubTable::Repeat)
            ++f[kMainSize + kDistSize + c.subSymbol];
    }
}

// Where the table-switch symbol sits when the block ending before `end` is left.
unsigned switchIndex(const SymbolStream& s, size_t end, unsigned channelAtStart)
{
    if (!s.audio)
        return kSymNewTables;
    unsigned channel = channelAtStart;
    if (end < s.symbols.size())
        channel = s.symbols[end].channel;
    else if (end > 0)
        channel = (s.symbols[end - 1].channel + 1) % s.channels;
    return channel * kAudioSymbols + kAudioSymbols - 1;
}

uint64_t symbolBits(const Freq& f, const Lengths& l, unsigned size)
{
    return codedBits(std::span(f).first(size), std::span(l).first(size));
}

struct Block {
    size_t begin, end;
    Freq freq;
    uint64_t cost;
};

uint64_t blockCost(const SymbolStream& s, const Freq& f)
{
    static const CoderState kFresh{};
    const unsigned size = tableSizeOf(s);
    Lengths l{};
    lengthsForFrequencies(s.audio, s.channels, std::span(f).first(size), l);
    return symbolBits(f, l, size) + tableSetBits(kFresh, s.audio, s.channels, std::span(l).first(size));
}

// Bottom-up: start from small segments, merge the neighbours whose merge saves most, until no
// merge saves anything.
std::vector<Block> splitBlocks(const SymbolStream& s)
{
    const size_t n = s.symbols.size();
    const size_t segment = std::max<size_t>(1024, n / 64);
    std::vector<Block> blocks;
    for (size_t b = 0; b < n || blocks.empty(); b += segment) {
        Block blk{b, std::min(n, b + segment), {}, 0};
        count(s, blk.begin, blk.end, blk.freq);
        blk.cost = blockCost(s, blk.freq);
        blocks.push_back(blk);
        if (n == 0)
            break;
    }
    // Cost of each neighbour pair merged; only the pairs next to a merge change.
    struct Pair {
        Freq freq;
        uint64_t cost;
    };
    auto pairOf = [&](size_t i) {
        Pair p{blocks[i].freq, 0};
        for (size_t k = 0; k < p.freq.size(); ++k)
            p.freq[k] += blocks[i + 1].freq[k];
        p.cost = blockCost(s, p.freq);
        return p;
    };
    std::vector<Pair> pairs;
    for (size_t i = 0; i + 1 < blocks.size(); ++i)
        pairs.push_back(pairOf(i));
    while (!pairs.empty()) {
        int64_t bestSaving = 0;
        size_t bestAt = 0;
        for (size_t i = 0; i < pairs.size(); ++i) {
            const int64_t saving = static_cast<int64_t>(blocks[i].cost + blocks[i + 1].cost) - static_cast<int64_t>(pairs[i].cost);
            if (saving > bestSaving) {
                bestSaving = saving;
                bestAt = i;
            }
        }
        if (bestSaving <= 0)
            break;
        blocks[bestAt].end = blocks[bestAt + 1].end;
        blocks[bestAt].freq = pairs[bestAt].freq;
        blocks[bestAt].cost = pairs[bestAt].cost;
        blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(bestAt) + 1);
        pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(bestAt));
        if (bestAt > 0)
            pairs[bestAt - 1] = pairOf(bestAt - 1);
        if (bestAt < pairs.size())
            pairs[bestAt] = pairOf(bestAt);
    }
    return blocks;
}

void putCode(BitWriter& out, const CoderState& state, unsigned index)
{
    if (state.lengths[index] == 0)
        throw std::logic_error("symbol without a code");
    out.put(state.codes[index], state.lengths[index]);
}

void emitSwitch(BitWriter& out, const CoderState& state)
{
    putCode(out, state, state.audio ? state.channel * kAudioSymbols + kAudioSymbols - 1 : kSymNewTables);
}

void emitSymbol(BitWriter& out, CoderState& state, const SymbolStream& s, const CodedSymbol& c)
{
    if (s.audio) {
        putCode(out, state, state.channel * kAudioSymbols + c.symbol);
        state.channel = (state.channel + 1) % state.channels;
        return;
    }
    putCode(out, state, c.symbol);
    out.put(c.extra1, c.bits1);
    if (c.subTable == SubTable::Distance)
        putCode(out, state, kMainSize + c.subSymbol);
    else if (c.subTable == SubTable::Repeat)
        putCode(out, state, kMainSize + kDistSize + c.subSymbol);
    out.put(c.extra2, c.bits2);
}

// The cheapest non-switch symbol of the tables in force.
void emitGuard(BitWriter& out, const CoderState& state)
{
    const unsigned base = state.audio ? state.channel * kAudioSymbols : 0;
    unsigned best = 0;
    for (unsigned i = 0; i < 256; ++i) {
        const uint8_t l = state.lengths[base + i];
        if (l != 0 && (state.lengths[base + best] == 0 || l < state.lengths[base + best]))
            best = i;
    }
    putCode(out, state, base + best);
}

} // namespace

void codeBlocks(BitWriter& out, CoderState& state, const SymbolStream& s, const BlockOptions& options)
{
    const unsigned size = tableSizeOf(s);
    const unsigned channelAtStart = state.channel < s.channels ? state.channel : 0;
    const std::vector<Block> blocks = splitBlocks(s);
    for (size_t b = 0; b < blocks.size(); ++b) {
        const bool last = b + 1 == blocks.size();
        Freq f = blocks[b].freq;
        if (!last || options.switchAtEnd)
            ++f[switchIndex(s, blocks[b].end, channelAtStart)];
        if (last && options.guardSymbol) {
            // The guard is a literal (a delta in multimedia tables): make sure the last tables have one.
            const unsigned base = s.audio ? switchIndex(s, blocks[b].end, channelAtStart) - (kAudioSymbols - 1) : 0;
            if (std::all_of(f.begin() + base, f.begin() + base + 256, [](uint32_t x) { return x == 0; }))
                ++f[base];
        }
        Lengths l{};
        lengthsForFrequencies(s.audio, s.channels, std::span(f).first(size), l);
        const auto newLengths = std::span<const uint8_t>(l).first(size);

        if (b == 0 && (options.tablesAtStart || !state.tablesRead)) {
            writeTableSet(out, state, s.audio, s.channels, newLengths);
        } else {
            bool keep = false;
            if (b == 0 && state.audio == s.audio && (!s.audio || state.channels == s.channels)) {
                Lengths old{};
                std::copy_n(state.lengths.begin(), size, old.begin());
                const uint64_t withOld = symbolBits(f, old, size);
                const uint64_t withNew = symbolBits(f, l, size) + tableSetBits(state, s.audio, s.channels, newLengths);
                keep = withOld != UINT64_MAX && withOld <= withNew;
            }
            if (!keep) {
                emitSwitch(out, state);
                writeTableSet(out, state, s.audio, s.channels, newLengths);
            }
        }
        for (size_t i = blocks[b].begin; i < blocks[b].end; ++i)
            emitSymbol(out, state, s, s.symbols[i]);
    }
    if (options.guardSymbol) {
        emitGuard(out, state);
        // Some decoders fill their bit buffer several bytes past the guard and fail an entry whose
        // data ends sooner; zero bytes behind it keep every such read inside the entry.
        out.put(0, 16);
        out.put(0, 16);
    }
}

} // namespace vm::rarpack
