#pragma once
// RAR 2.0 compressor for one stream of entries. In a solid stream the window, the match
// history, the tables and the multimedia predictor run on from one entry into the next, exactly
// as the decoder keeps them; otherwise every entry starts from a reset decoder.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "rarpack/coder_state.h"
#include "rarpack/match_finder.h"

namespace vm::rarpack {

enum class Multimedia {
    Off,    // LZ only
    Auto,   // per entry, whichever of LZ and multimedia coding is smaller
    Force,  // every entry in multimedia coding
};

struct EncoderOptions {
    unsigned level = 3;  // 1 (fastest) .. 5 (best)
    bool solid = false;
    Multimedia multimedia = Multimedia::Off;
};

class Rar20Encoder {
public:
    explicit Rar20Encoder(const EncoderOptions& options);
    ~Rar20Encoder();
    Rar20Encoder(const Rar20Encoder&) = delete;
    Rar20Encoder& operator=(const Rar20Encoder&) = delete;

    // Packed data of the next entry (not empty). guardSymbol: see BlockOptions.
    std::vector<uint8_t> encode(std::span<const uint8_t> data, bool guardSymbol = false);

    // Whether the next encode() continues a stream (the entry must carry the solid flag).
    bool continuesStream() const { return options_.solid && started_; }

private:
    void reset();

    EncoderOptions options_;
    std::vector<uint8_t> history_;
    std::unique_ptr<MatchFinder> finder_;
    CoderState state_;
    bool started_ = false;
};

} // namespace vm::rarpack
