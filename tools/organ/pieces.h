#pragma once
// The two pieces the saver plays: a short festive opening in G major, played once, and a looping
// piece (chorale, prelude over a pedal line, chorale on full organ) whose last dominant chord
// resolves into its own first chord.

#include "organ/pipe_organ.h"
#include "organ/score.h"

#include <vector>

namespace vm::organ {

struct Piece {
    std::vector<Note> notes;
    std::vector<Registration> registrations;
    double length = 0;   // seconds; for a loop, the period
    bool loops = false;
};

Piece openingPiece();
Piece loopingPiece();

// One beat of a chorale: the soprano and bass as written, the chord they belong to.
struct ChoraleStep {
    const char* soprano;  // "B4"; nullptr lets the harmoniser choose (used for figuration)
    const char* bass;     // "G2"
    const char* chord;    // "G", "D7"
    double beats;
    double fermata = 0;   // extra beats of hold, followed by a breath
};

struct ChoraleVoices {
    Division manual = Division::Great;
    int manualRegistration = 0;
    int pedalRegistration = 0;
};

// Appends the four voices of the steps from start (seconds) at the tempo (beats per minute);
// returns the end time. Inner voices hold common tones; soprano and bass are struck again.
double writeChorale(const std::vector<ChoraleStep>& steps, double start, double bpm,
                    const ChoraleVoices& voices, std::vector<Note>& out, Voicing* last = nullptr);

}  // namespace vm::organ
