#include "rarpack/rar20_encoder.h"

#include <algorithm>

#include "rarpack/block_coder.h"
#include "rarpack/huffman_builder.h"
#include "rarpack/lz_parser.h"

namespace vm::rarpack {
namespace {

ParseSettings settingsFor(unsigned level)
{
    ParseSettings s;
    switch (level) {
    case 1: s.chainDepth = 4; s.niceLength = 32; break;
    case 2: s.chainDepth = 12; s.niceLength = 64; break;
    case 3: s.chainDepth = 48; break;
    case 4: s.chainDepth = 64; s.optimal = true; s.iterations = 1; break;
    default: s.chainDepth = 512; s.optimal = true; s.iterations = 3; s.niceLength = 258; break;
    }
    return s;
}

SymbolStream lzSymbols(const std::vector<Op>& ops)
{
    SymbolStream s;
    s.symbols.reserve(ops.size());
    for (const Op& op : ops) {
        s.symbols.push_back(codeOp(op));
    }
    return s;
}

SymbolStream audioSymbols(std::span<const uint8_t> data, unsigned channels, CoderState& state)
{
    SymbolStream s;
    s.audio = true;
    s.channels = channels;
    s.symbols.reserve(data.size());
    unsigned channel = state.channel < channels ? state.channel : 0;
    for (uint8_t b : data) {
        CodedSymbol c;
        c.channel = static_cast<uint8_t>(channel);
        c.symbol = state.audioModel.encode(channel, b);
        s.symbols.push_back(c);
        channel = (channel + 1) % channels;
    }
    return s;
}

// Channel count whose delta statistics code smallest, by entropy of the per-channel tables.
unsigned chooseChannels(std::span<const uint8_t> data, const CoderState& state)
{
    unsigned best = 1;
    uint64_t bestBits = UINT64_MAX;
    for (unsigned channels = 1; channels <= 4; ++channels) {
        CoderState trial = state;
        const SymbolStream s = audioSymbols(data, channels, trial);
        uint64_t bits = 0;
        for (unsigned c = 0; c < channels; ++c) {
            uint32_t freq[kAudioSymbols] = {};
            uint8_t len[kAudioSymbols] = {};
            for (const CodedSymbol& sym : s.symbols)
                if (sym.channel == c)
                    ++freq[sym.symbol];
            buildCodeLengths(freq, kMaxCodeLength, len);
            bits += codedBits(freq, len) + 400; // about one channel's table
        }
        if (bits < bestBits) {
            bestBits = bits;
            best = channels;
        }
    }
    return best;
}

} // namespace

Rar20Encoder::Rar20Encoder(const EncoderOptions& options) : options_(options) { reset(); }

Rar20Encoder::~Rar20Encoder() = default;

void Rar20Encoder::reset()
{
    history_.clear();
    finder_ = std::make_unique<MatchFinder>(history_);
    state_ = CoderState{};
    started_ = false;
}

std::vector<uint8_t> Rar20Encoder::encode(std::span<const uint8_t> data, bool guardSymbol)
{
    if (!continuesStream())
        reset();
    const auto begin = static_cast<uint32_t>(history_.size());
    history_.insert(history_.end(), data.begin(), data.end());
    const auto end = static_cast<uint32_t>(history_.size());

    BlockOptions blockOptions;
    blockOptions.tablesAtStart = !started_;
    blockOptions.switchAtEnd = options_.solid;
    blockOptions.guardSymbol = guardSymbol;

    struct Candidate {
        BitWriter out;
        CoderState state;
    };
    std::vector<Candidate> candidates;
    if (options_.multimedia != Multimedia::Force) {
        Candidate c{BitWriter{}, state_};
        const std::vector<Op> ops = parseLz(*finder_, history_, begin, end, c.state.match, settingsFor(options_.level));
        codeBlocks(c.out, c.state, lzSymbols(ops), blockOptions);
        candidates.push_back(std::move(c));
    } else {
        finder_->insertUpTo(end);
    }
    if (options_.multimedia != Multimedia::Off) {
        Candidate c{BitWriter{}, state_};
        const unsigned channels = chooseChannels(data, c.state);
        const SymbolStream s = audioSymbols(data, channels, c.state);
        codeBlocks(c.out, c.state, s, blockOptions);
        candidates.push_back(std::move(c));
    }
    auto best = std::min_element(candidates.begin(), candidates.end(),
                                 [](const Candidate& a, const Candidate& b) { return a.out.bitCount() < b.out.bitCount(); });
    state_ = best->state;
    started_ = true;
    return best->out.finish();
}

} // namespace vm::rarpack
