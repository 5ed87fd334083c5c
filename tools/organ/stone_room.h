#pragma once
// The reverberation of a large stone church: pre-delay, early reflections off the nearby walls,
// a diffuse tail from a 16-line feedback delay network with frequency-dependent decay (stone keeps
// the bass longest, air eats the treble).

#include "organ/pipe_organ.h"

namespace vm::organ {

struct RoomShape {
    double rt60 = 4.2;        // seconds, mid frequencies
    double trebleRt60 = 2.4;  // seconds, around 6 kHz
    double preDelay = 0.022;  // seconds
};

// The wet signal only, as long as dry.
Stereo reverberate(const Stereo& dry, const RoomShape& room);

}  // namespace vm::organ
