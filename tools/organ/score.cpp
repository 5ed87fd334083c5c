#include "organ/score.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

namespace vm::organ {

namespace {

int letterClass(char c) {
    switch (c) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: throw std::invalid_argument(std::string("bad note letter ") + c);
    }
}

int pc(int midi) { return ((midi % 12) + 12) % 12; }

bool isPerfect(int interval) {
    const int i = std::abs(interval) % 12;
    return i == 0 || i == 7;
}

}  // namespace

int parsePitch(std::string_view name) {
    if (name.size() < 2) throw std::invalid_argument("bad pitch");
    int cls = letterClass(name[0]);
    std::size_t i = 1;
    if (name[i] == '#') ++cls, ++i;
    else if (name[i] == 'b') --cls, ++i;
    const int octave = std::stoi(std::string(name.substr(i)));
    return 12 * (octave + 1) + cls;
}

Chord parseChord(std::string_view name) {
    Chord c;
    if (name.empty()) throw std::invalid_argument("empty chord");
    int root = letterClass(name[0]);
    std::size_t i = 1;
    if (i < name.size() && name[i] == '#') ++root, ++i;
    else if (i < name.size() && name[i] == 'b') --root, ++i;
    root = pc(root);
    const std::string_view kind = name.substr(i);
    std::vector<int> steps;
    if (kind.empty()) steps = {0, 4, 7};
    else if (kind == "m") steps = {0, 3, 7};
    else if (kind == "7") steps = {0, 4, 7, 10};
    else if (kind == "m7") steps = {0, 3, 7, 10};
    else if (kind == "maj7") steps = {0, 4, 7, 11};
    else if (kind == "dim") steps = {0, 3, 6};
    else if (kind == "dim7") steps = {0, 3, 6, 9};
    else throw std::invalid_argument("bad chord " + std::string(name));
    c.root = root;
    for (int s : steps) c.tones.push_back(pc(root + s));
    c.isMajor = steps[1] == 4;
    c.hasSeventh = steps.size() == 4;
    return c;
}

Voicing harmonise(const Chord& chord, int soprano, int bass, const Voicing* previous) {
    auto inChord = [&](int midi) {
        return std::find(chord.tones.begin(), chord.tones.end(), pc(midi)) != chord.tones.end();
    };
    const int third = chord.tones[1];
    Voicing best{};
    int bestCost = std::numeric_limits<int>::max();

    const int sLow = soprano >= 0 ? soprano : 64;   // E4..E5 when the soprano is free
    const int sHigh = soprano >= 0 ? soprano : 76;
    for (int s = sLow; s <= sHigh; ++s) {
        if (!inChord(s)) continue;
        for (int a = std::max(s - 12, 55); a < s && a <= 74; ++a) {
            if (!inChord(a)) continue;
            for (int t = std::max({a - 12, 48, bass + 1}); t < a && t <= 67; ++t) {
                if (!inChord(t)) continue;
                const int v[4] = {s, a, t, bass};
                int cost = 0;
                // Completeness: root and third always; a seventh chord sounds all four tones;
                // a triad may drop its fifth at a price.
                int count[12] = {};
                for (int x : v) ++count[pc(x)];
                if (count[chord.root] == 0 || count[third] == 0) continue;
                for (std::size_t k = 2; k < chord.tones.size(); ++k) {
                    if (count[chord.tones[k]] == 0) cost += chord.hasSeventh && k == 3 ? 1000 : 6;
                }
                if (chord.isMajor && count[third] > 1) cost += 8;
                if (chord.hasSeventh && count[chord.tones[3]] > 1) cost += 12;
                if (previous != nullptr) {
                    const int p[4] = {previous->soprano, previous->alto, previous->tenor, previous->bass};
                    for (int k = 0; k < 4; ++k) {
                        const int step = std::abs(v[k] - p[k]);
                        cost += step + (step > 4 ? 2 * (step - 4) : 0);
                    }
                    // Parallel fifths and octaves between any two voices moving the same way.
                    for (int x = 0; x < 4; ++x) {
                        for (int y = x + 1; y < 4; ++y) {
                            const int before = p[x] - p[y];
                            const int now = v[x] - v[y];
                            const bool moved = v[x] != p[x] && v[y] != p[y];
                            if (moved && isPerfect(before) && isPerfect(now) && pc(before) == pc(now)) {
                                cost += 40;
                            }
                        }
                    }
                    // Overlap: a voice passing where its neighbour just was.
                    if (a < previous->tenor || t > previous->alto || s < previous->alto) cost += 4;
                } else {
                    cost += std::abs(a - 65) + std::abs(t - 57);
                }
                cost += (s - a > 9 ? 1 : 0) + (a - t > 9 ? 1 : 0);
                if (cost < bestCost) {
                    bestCost = cost;
                    best = Voicing{s, a, t, bass};
                }
            }
        }
    }
    if (bestCost == std::numeric_limits<int>::max()) throw std::runtime_error("chord cannot be voiced");
    return best;
}

}  // namespace vm::organ
