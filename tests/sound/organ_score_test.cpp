// The harmoniser that voices the music's chorales: the rules a church musician would check.
#include "organ/score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace vm::organ {
namespace {

TEST(OrganScore, ParsesPitchesAndChords) {
    struct PitchCase {
        const char* name;
        int midi;
    };
    const PitchCase pitches[] = {{"C4", 60}, {"A4", 69}, {"F#2", 42}, {"Bb3", 58}, {"G2", 43}, {"Eb2", 39}};
    for (const PitchCase& c : pitches) EXPECT_EQ(parsePitch(c.name), c.midi) << c.name;

    struct ChordCase {
        const char* name;
        std::vector<int> tones;
        bool major, seventh;
    };
    const ChordCase chords[] = {
        {"G", {7, 11, 2}, true, false},   {"Em", {4, 7, 11}, false, false}, {"D7", {2, 6, 9, 0}, true, true},
        {"F#dim", {6, 9, 0}, false, false}, {"Am7", {9, 0, 4, 7}, false, true}, {"Eb", {3, 7, 10}, true, false},
    };
    for (const ChordCase& c : chords) {
        const Chord k = parseChord(c.name);
        EXPECT_EQ(k.tones, c.tones) << c.name;
        EXPECT_EQ(k.isMajor, c.major) << c.name;
        EXPECT_EQ(k.hasSeventh, c.seventh) << c.name;
    }
    for (const char* bad : {"", "H", "Gsus", "X7"}) EXPECT_THROW(parseChord(bad), std::invalid_argument) << bad;
}

TEST(OrganScore, VoicingFollowsTheRulesOfFourPartWriting) {
    struct Step {
        int soprano;  // -1: free
        const char* bass;
        const char* chord;
    };
    // Cadences and the chromatic chords the pieces use, with a given and a free soprano.
    const std::vector<Step> progression = {
        {71, "G2", "G"},   {69, "F#2", "D"},  {67, "E2", "Em"},  {74, "B2", "G"},  {72, "C3", "C"},
        {71, "D3", "G"},   {69, "D2", "D7"},  {71, "G2", "G"},   {72, "A2", "Am"}, {71, "B2", "B7"},
        {71, "E2", "Em"},  {-1, "G2", "A7"},  {-1, "F2", "Dm"},  {-1, "Eb2", "Cm"}, {-1, "G#2", "E7"},
        {-1, "A2", "Am"},  {-1, "D2", "D7"},  {-1, "G2", "G"},
    };
    auto pc = [](int m) { return ((m % 12) + 12) % 12; };
    Voicing previous{};
    for (std::size_t i = 0; i < progression.size(); ++i) {
        const Step& s = progression[i];
        SCOPED_TRACE(std::string("step ") + std::to_string(i) + " " + s.chord);
        const Chord chord = parseChord(s.chord);
        const Voicing v = harmonise(chord, s.soprano, parsePitch(s.bass), i ? &previous : nullptr);
        const int keys[4] = {v.soprano, v.alto, v.tenor, v.bass};
        if (s.soprano >= 0) {
            EXPECT_EQ(v.soprano, s.soprano);
        }
        EXPECT_EQ(v.bass, parsePitch(s.bass));
        EXPECT_GT(v.soprano, v.alto);
        EXPECT_GT(v.alto, v.tenor);
        EXPECT_GT(v.tenor, v.bass);
        EXPECT_LE(v.soprano - v.alto, 12);
        EXPECT_LE(v.alto - v.tenor, 12);
        int count[12] = {};
        for (int k : keys) {
            EXPECT_NE(std::find(chord.tones.begin(), chord.tones.end(), pc(k)), chord.tones.end()) << "non-chord tone " << k;
            ++count[pc(k)];
        }
        EXPECT_GT(count[chord.tones[0]], 0) << "root";
        EXPECT_GT(count[chord.tones[1]], 0) << "third";
        if (chord.hasSeventh) {
            EXPECT_GT(count[chord.tones[3]], 0) << "seventh";
        }
        if (i > 0) {
            const int before[4] = {previous.soprano, previous.alto, previous.tenor, previous.bass};
            for (int x = 0; x < 4; ++x) {
                for (int y = x + 1; y < 4; ++y) {
                    const int a = before[x] - before[y], b = keys[x] - keys[y];
                    const bool bothMove = keys[x] != before[x] && keys[y] != before[y];
                    const bool perfect = a % 12 == 0 || a % 12 == 7;
                    EXPECT_FALSE(bothMove && perfect && a % 12 == b % 12) << "parallel fifths or octaves, voices " << x << " and " << y;
                }
            }
        }
        previous = v;
    }
}

}  // namespace
}  // namespace vm::organ
