#include "organ/pipe_organ.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vm::organ {

namespace {

constexpr int kTableSize = 2048;
constexpr double kTopHz = 16000.0;  // no partial above this: keeps every table free of aliasing
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Relative partial amplitudes of each pipe family, fundamental first.
std::vector<double> partials(Voice voice) {
    switch (voice) {
    case Voice::Principal:  // open metal diapason: strong, steadily falling partials
        return {1.0, 0.42, 0.30, 0.17, 0.13, 0.08, 0.06, 0.045, 0.03, 0.022, 0.016, 0.012, 0.008, 0.006};
    case Voice::Gedackt:  // stopped pipe: odd partials, quint-like third partial
        return {1.0, 0.04, 0.28, 0.02, 0.09, 0.01, 0.035, 0.005, 0.012};
    case Voice::Flute:  // open wide flute: almost pure
        return {1.0, 0.18, 0.08, 0.04, 0.02, 0.01};
    case Voice::Mixture:  // small-scaled principals, a touch brighter
        return {1.0, 0.5, 0.33, 0.2, 0.14, 0.09, 0.06, 0.04};
    case Voice::Reed: {  // beating reed: rich, slowly falling series with a formant near 8
        std::vector<double> s;
        for (int h = 1; h <= 40; ++h) {
            const double formant = 1.0 + 0.8 * std::exp(-std::pow((h - 8.0) / 4.0, 2.0));
            s.push_back(formant / std::pow(h, 0.75));
        }
        return s;
    }
    }
    return {1.0};
}

// Speech of a pipe: bass pipes speak slowly, trebles fast; stopped and flute pipes a little slower.
double attackSeconds(Voice voice, double hz) {
    const double base = 0.010 + 0.045 * std::sqrt(110.0 / std::max(hz, 30.0));
    return voice == Voice::Reed ? base * 0.5 : voice == Voice::Principal ? base : base * 1.3;
}

class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_) * (2.0f / 4294967296.0f) - 1.0f;
    }

private:
    std::uint32_t state_;
};

// Two-pole resonator, unity gain at its centre.
class Resonator {
public:
    Resonator(double hz, double q) {
        const double w = kTwoPi * std::min(hz, 0.45 * kRate) / kRate;
        const double r = std::exp(-w / (2.0 * q));
        a1_ = static_cast<float>(2.0 * r * std::cos(w));
        a2_ = static_cast<float>(-r * r);
        g_ = static_cast<float>(1.0 - r);
    }
    float step(float x) {
        const float y = g_ * x + a1_ * y1_ + a2_ * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    float a1_ = 0, a2_ = 0, g_ = 0, y1_ = 0, y2_ = 0;
};

std::uint32_t hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

}  // namespace

PipeOrgan::PipeOrgan(std::size_t period, std::uint32_t seed) : seed_(seed) {
    // The wind: a few slow sines. With a period the frequencies are whole cycles per period.
    const std::size_t n = period ? period : static_cast<std::size_t>(kRate) * 60;
    wind_.resize(n);
    const double seconds = static_cast<double>(n) / kRate;
    const double hz[3] = {0.23, 0.61, 1.37};
    const double amp[3] = {0.6, 0.3, 0.15};
    for (int k = 0; k < 3; ++k) {
        const double cycles = std::max(1.0, std::round(hz[k] * seconds));
        for (std::size_t i = 0; i < n; ++i) {
            wind_[i] += static_cast<float>(amp[k] * std::sin(kTwoPi * cycles * static_cast<double>(i) / static_cast<double>(n) + k));
        }
    }
}

float PipeOrgan::windAt(std::size_t frame) const { return wind_[frame % wind_.size()]; }

const std::vector<float>& PipeOrgan::table(Voice voice, int harmonics) {
    const auto key = std::make_pair(static_cast<int>(voice), harmonics);
    auto it = tables_.find(key);
    if (it != tables_.end()) return it->second;
    const std::vector<double> amps = partials(voice);
    std::vector<double> wave(kTableSize, 0.0);
    const int count = std::min<int>(harmonics, static_cast<int>(amps.size()));
    for (int h = 1; h <= count; ++h) {
        // Fixed, spread phases keep the wave from piling its partials into one sharp peak.
        const double phase = kTwoPi * static_cast<double>(hash(static_cast<std::uint32_t>(h * 7919 + static_cast<int>(voice))) % 1000) / 1000.0;
        for (int i = 0; i < kTableSize; ++i) {
            wave[i] += amps[h - 1] * std::sin(kTwoPi * h * i / kTableSize + phase);
        }
    }
    double peak = 1e-9;
    for (double v : wave) peak = std::max(peak, std::abs(v));
    std::vector<float> t(kTableSize + 1);
    for (int i = 0; i < kTableSize; ++i) t[i] = static_cast<float>(wave[i] / peak);
    t[kTableSize] = t[0];  // guard sample for interpolation
    return tables_.emplace(key, std::move(t)).first->second;
}

void PipeOrgan::play(const Note& note, const Registration& reg, Stereo& out) {
    const double keyHz = 440.0 * std::pow(2.0, (note.midi - 69) / 12.0);
    const std::size_t first = static_cast<std::size_t>(std::llround(note.start * kRate));
    const std::size_t held = static_cast<std::size_t>(std::llround(note.length * kRate));
    const std::size_t total = std::min(held + static_cast<std::size_t>(releaseSeconds() * kRate),
                                       out.frames() > first ? out.frames() - first : 0);
    if (total == 0) return;

    // Placement: C side left, C# side right, wider for trebles; the pedal stands near the middle.
    const bool cSide = note.midi % 2 == 0;
    double spread = note.division == Division::Pedal ? 0.12 : 0.10 + 0.28 * std::clamp((note.midi - 36) / 60.0, 0.0, 1.0);
    if (note.division == Division::Swell) spread *= 0.6;
    const double pos = 0.5 + (cSide ? -spread : spread);
    const float panL = static_cast<float>(std::cos(pos * std::numbers::pi / 2));
    const float panR = static_cast<float>(std::sin(pos * std::numbers::pi / 2));
    // Trebles are voiced a little softer than basses.
    const double scaling = std::pow(262.0 / keyHz, 0.18);
    const std::uint32_t noteSeed = hash(seed_ ^ hash(static_cast<std::uint32_t>(first) * 31u + static_cast<std::uint32_t>(note.midi)));

    float* dst = out.samples.data() + first * 2;
    std::vector<float> mono(total, 0.0f);
    double lowestHz = 1e9;

    for (std::size_t r = 0; r < reg.ranks.size(); ++r) {
        const Rank& rank = reg.ranks[r];
        double ratio = rank.ratio;
        if (rank.breakHz > 0) {
            while (keyHz * ratio > rank.breakHz && ratio > 2.0) ratio /= 2.0;
        }
        // Each pipe is a hair off: the rank's own mistuning plus up to ±1.2 cents of its own.
        const double pipeCents = rank.cents + 2.4 * ((hash(noteSeed + static_cast<std::uint32_t>(r) * 977u) % 1000) / 1000.0 - 0.5);
        const double hz = keyHz * ratio * std::pow(2.0, pipeCents / 1200.0);
        if (hz > kTopHz) continue;
        lowestHz = std::min(lowestHz, hz);
        const std::vector<float>& tab = table(rank.voice, static_cast<int>(kTopHz / hz));
        const double inc = hz / kRate * kTableSize;
        double phase = static_cast<double>(hash(noteSeed + static_cast<std::uint32_t>(r)) % kTableSize);
        const double attack = attackSeconds(rank.voice, hz);
        const float up = static_cast<float>(1.0 - std::exp(-1.0 / (attack * kRate)));
        const float down = static_cast<float>(1.0 - std::exp(-1.0 / (0.045 * kRate)));
        const float gain = static_cast<float>(rank.gain * scaling);
        float env = 0.0f;
        for (std::size_t i = 0; i < total; ++i) {
            const float w = windAt(first + i);
            env += ((i < held ? 1.0f : 0.0f) - env) * (i < held ? up : down);
            // Wind sway: about ±0.4 cent of pitch and ±0.5 % of pressure, shared by all pipes.
            phase += inc * (1.0 + 0.00023 * static_cast<double>(w));
            if (phase >= kTableSize) phase -= kTableSize;
            const int k = static_cast<int>(phase);
            const float f = static_cast<float>(phase - k);
            const float v = tab[k] + f * (tab[k + 1] - tab[k]);
            mono[i] += v * env * gain * (1.0f + 0.005f * w);
        }
    }
    if (lowestHz > kTopHz) return;

    // Chiff: a breath of band-passed noise as the pipe speaks; wind noise while the key is down.
    Noise noise(noteSeed);
    Resonator chiff(std::min(lowestHz * 3.0, 6000.0), 5.0);
    Resonator breath(std::min(lowestHz * 2.0, 5000.0), 2.0);
    const double chiffLevel = 0.55 * reg.chiff * std::pow(262.0 / lowestHz, 0.1);
    const float chiffDecay = static_cast<float>(std::exp(-1.0 / (0.028 * kRate)));
    float chiffEnv = static_cast<float>(chiffLevel);
    const std::size_t chiffEnd = std::min(total, static_cast<std::size_t>(0.25 * kRate));
    float breathEnv = 0.0f;
    const float breathUp = static_cast<float>(1.0 - std::exp(-1.0 / (0.02 * kRate)));
    for (std::size_t i = 0; i < total; ++i) {
        const float n = noise.next();
        float add = 0.0f;
        if (i < chiffEnd) {
            add += chiff.step(n) * chiffEnv;
            chiffEnv *= chiffDecay;
        }
        breathEnv += ((i < held ? 1.0f : 0.0f) - breathEnv) * breathUp;
        add += breath.step(n) * breathEnv * 0.015f;  // about -32 dB under one rank
        mono[i] += add * static_cast<float>(scaling);
    }

    for (std::size_t i = 0; i < total; ++i) {
        dst[2 * i] += mono[i] * panL;
        dst[2 * i + 1] += mono[i] * panR;
    }
}

}  // namespace vm::organ
