#include "organ/stone_room.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace vm::organ {

namespace {

constexpr int kLines = 16;

class DelayLine {
public:
    explicit DelayLine(std::size_t length) : buffer_(length, 0.0f) {}
    float read() const { return buffer_[pos_]; }
    void write(float v) {
        buffer_[pos_] = v;
        if (++pos_ == buffer_.size()) pos_ = 0;
    }
    // The sample written d writes ago (d < length).
    float tap(std::size_t d) const {
        const std::size_t back = d + 1;
        return buffer_[pos_ >= back ? pos_ - back : pos_ + buffer_.size() - back];
    }

private:
    std::vector<float> buffer_;
    std::size_t pos_ = 0;
};

class Allpass {
public:
    Allpass(std::size_t length, float g) : line_(length), g_(g) {}
    float step(float x) {
        const float delayed = line_.read();
        const float v = x + g_ * delayed;
        line_.write(v);
        return delayed - g_ * v;
    }

private:
    DelayLine line_;
    float g_;
};

// In-place 16-point Walsh-Hadamard transform, scaled to stay energy-preserving.
void hadamard(std::array<float, kLines>& v) {
    for (int len = 1; len < kLines; len <<= 1) {
        for (int i = 0; i < kLines; i += 2 * len) {
            for (int j = i; j < i + len; ++j) {
                const float a = v[j], b = v[j + len];
                v[j] = a + b;
                v[j + len] = a - b;
            }
        }
    }
    for (float& x : v) x *= 0.25f;  // 1 / sqrt(16)
}

}  // namespace

Stereo reverberate(const Stereo& dry, const RoomShape& room) {
    const std::size_t frames = dry.frames();
    Stereo wet;
    wet.resize(frames);

    // Mutually prime lengths between 53 and 163 ms: a large nave, no audible flutter.
    const double ms[kLines] = {53, 59, 67, 71, 79, 89, 97, 101, 109, 113, 127, 131, 139, 149, 157, 163};
    std::vector<DelayLine> lines;
    std::array<float, kLines> gain{}, damp{}, state{};
    for (int i = 0; i < kLines; ++i) {
        const double len = std::round(ms[i] * kRate / 1000.0);
        lines.emplace_back(static_cast<std::size_t>(len));
        // Loss per pass for the mid and treble decay times; a one-pole low-pass sets the balance.
        const double gMid = std::pow(10.0, -3.0 * len / (room.rt60 * kRate));
        const double gHigh = std::pow(10.0, -3.0 * len / (room.trebleRt60 * kRate));
        gain[i] = static_cast<float>(gMid);
        damp[i] = static_cast<float>(std::clamp(1.0 - gHigh / gMid, 0.0, 0.9));
    }
    Allpass diffusers[4] = {Allpass(211, 0.6f), Allpass(337, 0.6f), Allpass(449, 0.55f), Allpass(587, 0.5f)};
    const std::size_t preDelay = static_cast<std::size_t>(room.preDelay * kRate);
    DelayLine pre(preDelay + static_cast<std::size_t>(0.08 * kRate));
    // Early reflections: (delay after the pre-delay in ms, gain), different for each ear.
    struct Tap {
        double ms;
        float gain;
    };
    const Tap earlyL[] = {{7, 0.42f}, {17, 0.33f}, {29, 0.27f}, {43, 0.2f}, {61, 0.14f}};
    const Tap earlyR[] = {{11, 0.4f}, {21, 0.32f}, {33, 0.25f}, {47, 0.19f}, {67, 0.13f}};
    std::size_t tapL[5], tapR[5];
    for (int k = 0; k < 5; ++k) {
        tapL[k] = preDelay + static_cast<std::size_t>(earlyL[k].ms * kRate / 1000.0);
        tapR[k] = preDelay + static_cast<std::size_t>(earlyR[k].ms * kRate / 1000.0);
    }
    // Air absorption before the room: a gentle one-pole low-pass around 7 kHz.
    const float inLp = static_cast<float>(std::exp(-2.0 * std::numbers::pi * 7000.0 / kRate));
    float inState = 0.0f;

    std::array<float, kLines> v{};
    for (std::size_t i = 0; i < frames; ++i) {
        float x = 0.5f * (dry.samples[2 * i] + dry.samples[2 * i + 1]);
        inState = x + inLp * (inState - x);
        pre.write(inState);
        const float delayed = pre.tap(preDelay);
        float el = 0.0f, er = 0.0f;
        for (int k = 0; k < 5; ++k) {
            el += earlyL[k].gain * pre.tap(tapL[k]);
            er += earlyR[k].gain * pre.tap(tapR[k]);
        }

        float d = delayed;
        for (Allpass& a : diffusers) d = a.step(d);

        for (int k = 0; k < kLines; ++k) {
            const float out = lines[k].read();
            state[k] = out + damp[k] * (state[k] - out);  // one-pole low-pass in the loop
            v[k] = state[k] * gain[k];
        }
        float l = 0.0f, r = 0.0f;
        for (int k = 0; k < kLines; ++k) {
            // Orthogonal sign patterns: the two ears hear uncorrelated tails.
            l += (k & 1) ? -v[k] : v[k];
            r += (k & 2) ? -v[k] : v[k];
        }
        hadamard(v);
        for (int k = 0; k < kLines; ++k) lines[k].write(v[k] + ((k & 4) ? -d : d) * 0.35f);

        wet.samples[2 * i] = l + 0.3f * el;
        wet.samples[2 * i + 1] = r + 0.3f * er;
    }
    return wet;
}

}  // namespace vm::organ
