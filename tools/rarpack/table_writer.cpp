#include "rarpack/table_writer.h"

#include <array>
#include <vector>

#include "rarpack/huffman_builder.h"

namespace vm::rarpack {
namespace {

// Bit-length alphabet: 0..15 a length (added mod 16 to the previous one), 16 repeat the entry
// before 3..6 times, 17 zeros 3..10 times, 18 zeros 11..138 times.
struct RunSymbol {
    uint8_t symbol;
    uint8_t extraBits;
    uint8_t extra;
};

std::vector<RunSymbol> runLengthCode(std::span<const uint8_t> lengths, std::span<const uint8_t> previous)
{
    std::vector<RunSymbol> out;
    const size_t n = lengths.size();
    for (size_t i = 0; i < n;) {
        const uint8_t v = lengths[i];
        size_t run = 1;
        if (v == 0) {
            while (i + run < n && lengths[i + run] == 0 && run < 138)
                ++run;
            if (run >= 11) {
                out.push_back({18, 7, static_cast<uint8_t>(run - 11)});
                i += run;
                continue;
            }
            if (run >= 3) {
                out.push_back({17, 3, static_cast<uint8_t>(run - 3)});
                i += run;
                continue;
            }
        } else if (i > 0 && lengths[i - 1] == v) {
            run = 0;
            while (i + run < n && lengths[i + run] == v && run < 6)
                ++run;
            // A repeat beats delta symbols only where those are not already nearly free.
            if (run >= 3 && !(previous[i] == v && previous[i + run - 1] == v)) {
                out.push_back({16, 2, static_cast<uint8_t>(run - 3)});
                i += run;
                continue;
            }
        }
        out.push_back({static_cast<uint8_t>((v - previous[i]) & 15), 0, 0});
        ++i;
    }
    return out;
}

struct EncodedSet {
    std::vector<RunSymbol> runs;
    std::array<uint8_t, kBitLengthSize> bitLengths{};
    uint64_t bits = 0;
};

EncodedSet encodeSet(bool audio, std::span<const uint8_t> lengths, std::span<const uint8_t> previous)
{
    EncodedSet e;
    e.runs = runLengthCode(lengths, previous);
    std::array<uint32_t, kBitLengthSize> freq{};
    for (const RunSymbol& r : e.runs)
        ++freq[r.symbol];
    buildCodeLengths(freq, 15, e.bitLengths);
    e.bits = 2 + (audio ? 2 : 0) + 4 * kBitLengthSize;
    for (const RunSymbol& r : e.runs)
        e.bits += e.bitLengths[r.symbol] + r.extraBits;
    return e;
}

struct Choice {
    EncodedSet set;
    bool delta;
};

Choice choose(const CoderState& state, bool audio, std::span<const uint8_t> lengths)
{
    static constexpr std::array<uint8_t, kMaxTableSize> kZeros{};
    Choice best{encodeSet(audio, lengths, std::span(kZeros).first(lengths.size())), false};
    if (lengths.size() <= state.knownPrevious) {
        EncodedSet d = encodeSet(audio, lengths, std::span(state.lengths).first(lengths.size()));
        if (d.bits < best.set.bits)
            best = {std::move(d), true};
    }
    return best;
}

void buildCodes(CoderState& state)
{
    auto slice = [&](unsigned from, unsigned count) {
        buildCanonicalCodes(std::span(state.lengths).subspan(from, count), std::span(state.codes).subspan(from, count));
    };
    if (state.audio) {
        for (unsigned c = 0; c < state.channels; ++c)
            slice(c * kAudioSymbols, kAudioSymbols);
    } else {
        slice(0, kMainSize);
        slice(kMainSize, kDistSize);
        slice(kMainSize + kDistSize, kRepSize);
    }
}

} // namespace

void writeTableSet(BitWriter& out, CoderState& state, bool audio, unsigned channels, std::span<const uint8_t> lengths)
{
    const Choice c = choose(state, audio, lengths);
    out.put((audio ? 2u : 0u) | (c.delta ? 1u : 0u), 2);
    if (audio)
        out.put(channels - 1, 2);
    for (uint8_t l : c.set.bitLengths)
        out.put(l, 4);
    std::array<uint16_t, kBitLengthSize> codes{};
    buildCanonicalCodes(c.set.bitLengths, codes);
    for (const RunSymbol& r : c.set.runs) {
        out.put(codes[r.symbol], c.set.bitLengths[r.symbol]);
        out.put(r.extra, r.extraBits);
    }

    bool clearBeyond = !c.delta;
    if (!clearBeyond) {
        clearBeyond = true;
        for (size_t i = lengths.size(); i < kMaxTableSize; ++i)
            clearBeyond = clearBeyond && state.lengths[i] == 0;
    }
    if (!c.delta)
        state.lengths.fill(0);
    std::copy(lengths.begin(), lengths.end(), state.lengths.begin());
    state.knownPrevious = clearBeyond ? kMaxTableSize : static_cast<unsigned>(lengths.size());
    state.tableSize = static_cast<unsigned>(lengths.size());
    state.tablesRead = true;
    state.audio = audio;
    if (audio) {
        state.channels = channels;
        if (state.channel >= channels)
            state.channel = 0;
    }
    buildCodes(state);
}

uint64_t tableSetBits(const CoderState& state, bool audio, unsigned channels, std::span<const uint8_t> lengths)
{
    (void)channels;
    return choose(state, audio, lengths).set.bits;
}

void lengthsForFrequencies(bool audio, unsigned channels, std::span<const uint32_t> freq, std::span<uint8_t> lengths)
{
    auto slice = [&](unsigned from, unsigned count) {
        buildCodeLengths(freq.subspan(from, count), kMaxCodeLength, lengths.subspan(from, count));
    };
    if (audio) {
        for (unsigned c = 0; c < channels; ++c)
            slice(c * kAudioSymbols, kAudioSymbols);
    } else {
        slice(0, kMainSize);
        slice(kMainSize, kDistSize);
        slice(kMainSize + kDistSize, kRepSize);
    }
}

} // namespace vm::rarpack
