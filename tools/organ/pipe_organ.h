#pragma once
// The pipe-organ model. A stop is a rank of pipes: a series of partials at a footage (pitch ratio to
// the 8' unison), its own slight mistuning, a speech (attack) time and chiff. A note sounds every
// rank of its registration: band-limited wavetables, wind noise while the pallet is open, a chiff
// burst at the start, a short release. Pipes stand on C and C# chests, so keys alternate sides.

#include "organ/score.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace vm::organ {

inline constexpr int kRate = 44100;  // Hz

enum class Voice { Principal, Gedackt, Flute, Mixture, Reed };

struct Rank {
    Voice voice = Voice::Principal;
    double ratio = 1.0;    // pitch ratio to 8': 16' = 0.5, 4' = 2, 2 2/3' = 3, 2' = 4
    double gain = 1.0;
    double cents = 0.0;    // the rank's own mistuning
    double breakHz = 0.0;  // mixtures: ranks above this pitch repeat an octave lower; 0 = none
};

struct Registration {
    std::vector<Rank> ranks;
    double chiff = 1.0;  // scale of the attack noise
};

// A stereo float buffer, frames × 2 interleaved.
struct Stereo {
    std::vector<float> samples;
    std::size_t frames() const { return samples.size() / 2; }
    void resize(std::size_t frames) { samples.assign(frames * 2, 0.0f); }
};

class PipeOrgan {
public:
    // period: when non-zero, the wind's slow sway repeats with this many frames, so a looped piece
    // sways the same across its seam.
    explicit PipeOrgan(std::size_t period, std::uint32_t seed);

    // Adds the note into out (which must be long enough for the note and its release).
    void play(const Note& note, const Registration& registration, Stereo& out);
    static double releaseSeconds() { return 0.35; }

private:
    const std::vector<float>& table(Voice voice, int harmonics);
    float windAt(std::size_t frame) const;

    std::map<std::pair<int, int>, std::vector<float>> tables_;
    std::vector<float> wind_;  // slow relative sway of the wind pressure, about ±1
    std::uint32_t seed_;
};

}  // namespace vm::organ
