#pragma once
// The written music: notes in seconds on one of the organ's divisions, and the four-part
// harmoniser that fills alto and tenor between a given soprano and bass.

#include <string_view>
#include <vector>

namespace vm::organ {

enum class Division { Great, Swell, Pedal };

struct Note {
    double start = 0;  // seconds
    double length = 0; // seconds the key is held
    int midi = 60;     // key number, 60 = middle C
    Division division = Division::Great;
    int registration = 0;  // index into the piece's registrations
};

// A chord given by name: "G", "Em", "D7", "F#dim", "Bb", "Am7", "Cmaj7".
struct Chord {
    int root = 0;             // pitch class, C = 0
    std::vector<int> tones;   // pitch classes, root first
    bool isMajor = false;     // the third is major (its doubling is avoided)
    bool hasSeventh = false;  // every tone must sound
};
Chord parseChord(std::string_view name);
// "C4" = 60, "F#2" = 42, "Bb3" = 58.
int parsePitch(std::string_view name);

struct Voicing {
    int soprano = 0, alto = 0, tenor = 0, bass = 0;  // key numbers
};

// Chooses alto and tenor (and the soprano, when soprano < 0) for the chord over the given bass,
// with smooth motion from the previous voicing, complete chords, no parallel fifths or octaves,
// no crossing, at most an octave between neighbouring upper voices.
Voicing harmonise(const Chord& chord, int soprano, int bass, const Voicing* previous);

}  // namespace vm::organ
