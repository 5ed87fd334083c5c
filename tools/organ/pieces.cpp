#include "organ/pieces.h"

#include <algorithm>
#include <cstdlib>

namespace vm::organ {

namespace {

// Registrations, as an organist would draw them.
Rank rank(Voice v, double ratio, double gain, double cents, double breakHz = 0) {
    return Rank{v, ratio, gain, cents, breakHz};
}

Registration greatPlenum() {  // Principal 8', Octave 4', Fifteenth 2', Mixture IV, Trumpet 8'
    return {{rank(Voice::Principal, 1, 1.0, 0.0), rank(Voice::Principal, 2, 0.55, 1.1),
             rank(Voice::Principal, 4, 0.32, -0.9), rank(Voice::Mixture, 6, 0.18, 1.6, 2600),
             rank(Voice::Mixture, 8, 0.16, -1.4, 3200), rank(Voice::Reed, 1, 0.22, 0.6)},
            0.8};
}

Registration greatMezzo() {  // Principal 8', Gedackt 8', Octave 4'
    return {{rank(Voice::Principal, 1, 1.0, 0.0), rank(Voice::Gedackt, 1, 0.6, -1.3),
             rank(Voice::Principal, 2, 0.45, 0.9)},
            0.8};
}

Registration swellFlutes() {  // Gedackt 8', Flute 4', Principal 2' (for the figuration)
    return {{rank(Voice::Gedackt, 1, 1.0, 0.0), rank(Voice::Flute, 2, 0.55, 1.2),
             rank(Voice::Principal, 4, 0.14, -1.0)},
            1.6};
}

Registration pedalSoft() {  // Subbass 16', Octavbass 8'
    return {{rank(Voice::Gedackt, 0.5, 1.0, 0.0), rank(Voice::Principal, 1, 0.5, 0.8)}, 0.6};
}

Registration pedalFull() {  // Principal 16', Subbass 16', Octave 8', Choralbass 4', Trombone 16'
    return {{rank(Voice::Principal, 0.5, 0.7, 0.0), rank(Voice::Gedackt, 0.5, 0.7, -1.1),
             rank(Voice::Principal, 1, 0.5, 0.7), rank(Voice::Principal, 2, 0.25, -0.6),
             rank(Voice::Reed, 0.5, 0.25, 0.5)},
            0.5};
}

void addNote(std::vector<Note>& out, double start, double length, int midi, Division d, int reg) {
    out.push_back(Note{start, length, midi, d, reg});
}

}  // namespace

namespace {

bool inG(int midi) {  // the home key's scale, G major
    const int pc = midi % 12;
    return pc == 7 || pc == 9 || pc == 11 || pc == 0 || pc == 2 || pc == 4 || pc == 6;
}

// The scale step between two keys a third apart, or -1.
int passingTone(int from, int to) {
    const int gap = to - from;
    if (std::abs(gap) != 3 && std::abs(gap) != 4) return -1;
    const int dir = gap > 0 ? 1 : -1;
    for (int k = from + dir; k != to; k += dir) {
        if (inG(k) && std::abs(k - from) <= 2 && std::abs(to - k) <= 2) return k;
    }
    return -1;
}

}  // namespace

double writeChorale(const std::vector<ChoraleStep>& steps, double start, double bpm,
                    const ChoraleVoices& voices, std::vector<Note>& out, Voicing* last) {
    const double beat = 60.0 / bpm;
    const double breath = 0.28 * beat;  // the pause an organist takes at a fermata
    const double detach = 0.05;         // seconds between repeated keys

    std::vector<Voicing> chords;
    for (const ChoraleStep& step : steps) {
        const Chord chord = parseChord(step.chord);
        const int soprano = step.soprano ? parsePitch(step.soprano) : -1;
        chords.push_back(harmonise(chord, soprano, parsePitch(step.bass), chords.empty() ? nullptr : &chords.back()));
    }

    // Open note per voice (index into out), for holding common tones in alto and tenor.
    long open[4] = {-1, -1, -1, -1};
    auto strike = [&](int k, double at, double length, int key) {
        Note* held = open[k] >= 0 ? &out[static_cast<std::size_t>(open[k])] : nullptr;
        // Shorten the previous key of this voice a little, so repeated notes are heard as such.
        if (held && held->start + held->length >= at - 1e-9 && held->midi == key) {
            held->length = std::max(0.05, held->length - detach);
        }
        const Division d = k == 3 ? Division::Pedal : voices.manual;
        out.push_back(Note{at, length, key, d, k == 3 ? voices.pedalRegistration : voices.manualRegistration});
        open[k] = static_cast<long>(out.size()) - 1;
    };

    double t = start;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ChoraleStep& step = steps[i];
        const Voicing& v = chords[i];
        const double span = (step.beats + step.fermata) * beat;
        const double sound = step.fermata > 0 ? span - breath : span;
        const int keys[4] = {v.soprano, v.alto, v.tenor, v.bass};
        // One lower voice a beat may walk through a passing tone to the next chord: bass first,
        // then tenor, then alto. Never out of a fermata or a longer note.
        int walker = -1, passing = -1;
        if (i + 1 < steps.size() && step.beats == 1 && step.fermata == 0) {
            const Voicing& n = chords[i + 1];
            const int next[4] = {n.soprano, n.alto, n.tenor, n.bass};
            for (int k : {3, 2, 1}) {
                const int p = passingTone(keys[k], next[k]);
                if (p >= 0) {
                    walker = k;
                    passing = p;
                    break;
                }
            }
        }
        for (int k = 0; k < 4; ++k) {
            // Inner voices hold common tones; the pedal holds a long note that stays (a pedal point).
            const bool inner = k == 1 || k == 2 || (k == 3 && i > 0 && steps[i - 1].beats >= 2 && step.beats >= 2);
            Note* held = open[k] >= 0 ? &out[static_cast<std::size_t>(open[k])] : nullptr;
            if (k == walker) {
                strike(k, t, span / 2, keys[k]);
                strike(k, t + span / 2, span / 2, passing);
                continue;
            }
            if (inner && held && held->midi == keys[k] && held->start + held->length >= t - 1e-9) {
                held->length = t + sound - held->start;  // tie
                continue;
            }
            strike(k, t, sound, keys[k]);
        }
        if (step.fermata > 0) std::fill(std::begin(open), std::end(open), -1);
        t += span;
    }
    if (last && !chords.empty()) *last = chords.back();
    return t;
}

Piece openingPiece() {
    Piece p;
    p.registrations = {greatPlenum(), pedalFull()};
    const ChoraleVoices full{Division::Great, 0, 1};
    // Over a tonic pedal the soprano climbs D E F# G; then a descending answer and the cadence.
    const std::vector<ChoraleStep> steps = {
        {"D5", "G2", "G", 2},    {"E5", "G2", "C", 2},    {"F#5", "G2", "D7", 2},  {"G5", "G2", "G", 2, 1},
        {"E5", "C3", "C", 1},    {"D5", "B2", "G", 1},    {"C5", "A2", "Am", 1},   {"B4", "G2", "Em", 1},
        {"C5", "C3", "C", 1},    {"D5", "D3", "G", 1},    {"C5", "D3", "D7", 1},   {"B4", "G2", "G", 4, 1},
    };
    const double end = writeChorale(steps, 0.0, 50.0, full, p.notes);
    p.length = end;
    p.loops = false;
    return p;
}

Piece loopingPiece() {
    Piece p;
    p.registrations = {greatMezzo(), pedalSoft(), swellFlutes(), greatPlenum(), pedalFull()};
    p.loops = true;

    // The hymn: four phrases, cadences on D, G, E minor and G.
    const std::vector<ChoraleStep> hymn = {
        {"G4", "G2", "G", 1},  {"A4", "F#2", "D", 1}, {"B4", "E2", "Em", 1}, {"D5", "B2", "G", 1},
        {"C5", "C3", "C", 1},  {"B4", "D3", "G", 1},  {"A4", "D2", "D", 2, 1},
        {"B4", "G2", "G", 1},  {"C5", "A2", "Am", 1}, {"D5", "B2", "G", 1},  {"E5", "C3", "C", 1},
        {"D5", "D3", "G", 1},  {"C5", "D3", "D7", 1}, {"B4", "G2", "G", 2, 1},
        {"D5", "B2", "Bm", 1}, {"E5", "E2", "Em", 1}, {"D5", "B2", "Bm", 1}, {"B4", "G2", "Em", 1},
        {"C5", "A2", "Am", 1}, {"B4", "B2", "B7", 1}, {"B4", "E2", "Em", 2, 1},
        {"G4", "E3", "Em", 1}, {"A4", "F#3", "D", 1}, {"B4", "G3", "G", 1},  {"C5", "C3", "C", 1},
        {"B4", "D3", "G", 1},  {"A4", "D3", "D7", 1}, {"G4", "G2", "G", 2, 1},
    };
    double t = writeChorale(hymn, 0.0, 60.0, ChoraleVoices{Division::Great, 0, 1}, p.notes);

    // Prelude: one chord a bar, broken in sixteenths on the flutes over the pedal line.
    struct Bar {
        const char* bass;
        const char* chord;
    };
    const std::vector<Bar> bars = {
        {"G2", "G"},   {"G2", "C"},   {"G2", "D7"},  {"G2", "G"},   {"G2", "Em"},  {"G2", "A7"},
        {"F#2", "D"},  {"F2", "Dm"},  {"E2", "C"},   {"Eb2", "Cm"}, {"D2", "G"},   {"D2", "D7"},
        {"G2", "G"},   {"F2", "G7"},  {"E2", "C"},   {"E2", "Am"},  {"C3", "Am7"}, {"D3", "D7"},
        {"B2", "Bm"},  {"G#2", "E7"}, {"A2", "Am"},  {"D2", "D7"},  {"D2", "G"},   {"D2", "D7"},
    };
    const double bpm = 66.0;
    const double sixteenth = 60.0 / bpm / 4.0;
    Voicing v{};
    bool have = false;
    for (std::size_t bar = 0; bar < bars.size(); ++bar) {
        const Chord chord = parseChord(bars[bar].chord);
        const int bass = parsePitch(bars[bar].bass);
        v = harmonise(chord, -1, bass, have ? &v : nullptr);
        have = true;
        // The next chord tone above the soprano crowns each figure.
        int crown = v.soprano + 1;
        while (std::find(chord.tones.begin(), chord.tones.end(), crown % 12) == chord.tones.end()) ++crown;
        addNote(p.notes, t, 16 * sixteenth - 0.04, bass, Division::Pedal, 1);
        for (int half = 0; half < 2; ++half) {
            const double h = t + half * 8 * sixteenth;
            addNote(p.notes, h, 8 * sixteenth - 0.03, v.tenor, Division::Swell, 2);  // held tenor
            // The first half of the prelude rises to its crown; the second half falls from it.
            const int rising[7] = {v.alto, v.soprano, crown, v.soprano, v.alto, v.soprano, v.alto};
            const int falling[7] = {crown, v.soprano, v.alto, v.soprano, crown, v.soprano, v.alto};
            const int* figure = bar < bars.size() / 2 ? rising : falling;
            for (int k = 0; k < 7; ++k) {
                addNote(p.notes, h + (k + 1) * sixteenth, sixteenth * 0.92, figure[k], Division::Swell, 2);
            }
        }
        t += 16 * sixteenth;
    }

    // The hymn again on full organ; its last phrase stops on the dominant seventh, which the
    // hymn's first chord resolves when the piece starts over.
    std::vector<ChoraleStep> reprise = hymn;
    reprise.resize(hymn.size() - 7);  // all but the last phrase
    const std::vector<ChoraleStep> turn = {
        {"G4", "E3", "Em", 1}, {"A4", "F#3", "D", 1}, {"B4", "G3", "G", 1}, {"C5", "C3", "C", 1},
        {"B4", "D3", "G", 1},  {"C5", "D3", "D7", 1}, {"A4", "D2", "D7", 3},
    };
    reprise.insert(reprise.end(), turn.begin(), turn.end());
    t = writeChorale(reprise, t, 56.0, ChoraleVoices{Division::Great, 3, 4}, p.notes);
    p.length = t;
    // Keys still down at the end lift just before the start, so common tones are struck anew.
    for (Note& n : p.notes) {
        if (n.start + n.length > t - 1e-6) n.length -= 0.05;
    }
    return p;
}

}  // namespace vm::organ
