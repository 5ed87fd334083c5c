#pragma once
// From score to finished audio: every note through the organ, the room added, and for a looping
// piece the sound that rings past the end folded onto the start, so the loop is seamless.

#include "organ/pieces.h"

namespace vm::organ {

struct Levels {
    float peak = 0;  // largest |sample|, full scale 1
    float rms = 0;   // over both channels
};

// Dry organ and room, not yet scaled. A loop is exactly length frames long; a piece that plays once
// keeps its room tail and fades in its last half second.
Stereo renderPiece(const Piece& piece, std::uint32_t seed);

Levels measure(const Stereo& audio);
void scale(Stereo& audio, float gain);

}  // namespace vm::organ
