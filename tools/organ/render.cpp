#include "organ/render.h"

#include "organ/stone_room.h"

#include <algorithm>
#include <cmath>

namespace vm::organ {

namespace {
constexpr double kTailSeconds = 7.0;  // the room's decay to about -70 dB
constexpr float kWetToDry = 1.0f;     // room as loud as the organ: a seat in the middle of the nave
}  // namespace

Levels measure(const Stereo& audio) {
    Levels l;
    double sum = 0;
    for (float v : audio.samples) {
        l.peak = std::max(l.peak, std::abs(v));
        sum += static_cast<double>(v) * static_cast<double>(v);
    }
    l.rms = audio.samples.empty() ? 0.0f : static_cast<float>(std::sqrt(sum / static_cast<double>(audio.samples.size())));
    return l;
}

void scale(Stereo& audio, float gain) {
    for (float& v : audio.samples) v *= gain;
}

Stereo renderPiece(const Piece& piece, std::uint32_t seed) {
    const std::size_t length = static_cast<std::size_t>(std::llround(piece.length * kRate));
    const std::size_t tail = static_cast<std::size_t>(kTailSeconds * kRate);
    Stereo dry;
    dry.resize(length + tail);
    PipeOrgan organ(piece.loops ? length : 0, seed);
    for (const Note& note : piece.notes) organ.play(note, piece.registrations[static_cast<std::size_t>(note.registration)], dry);

    Stereo wet = reverberate(dry, RoomShape{});
    const Levels d = measure(dry), w = measure(wet);
    const float wetGain = w.rms > 0 ? kWetToDry * d.rms / w.rms : 0.0f;
    Stereo mix;
    mix.resize(dry.frames());
    for (std::size_t i = 0; i < mix.samples.size(); ++i) mix.samples[i] = dry.samples[i] + wetGain * wet.samples[i];

    if (piece.loops) {
        // What rings past the end is heard again at the start of the next pass: fold it over.
        for (std::size_t i = 0; i < tail * 2; ++i) mix.samples[i] += mix.samples[length * 2 + i];
        mix.samples.resize(length * 2);
    } else {
        const std::size_t fade = static_cast<std::size_t>(0.5 * kRate);
        const std::size_t frames = mix.frames();
        for (std::size_t i = 0; i < fade && i < frames; ++i) {
            const float g = static_cast<float>(i) / static_cast<float>(fade);
            mix.samples[2 * (frames - 1 - i)] *= g;
            mix.samples[2 * (frames - 1 - i) + 1] *= g;
        }
    }
    return mix;
}

}  // namespace vm::organ
