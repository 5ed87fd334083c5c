#pragma once
// Ogg Vorbis encoding (libvorbisenc, VBR) of a stereo float buffer.

#include "organ/pipe_organ.h"

#include <cstdint>
#include <vector>

namespace vm::organ {

// quality: libvorbisenc's VBR scale, -0.1..1. The serial number is fixed, so equal input gives equal
// bytes. Empty on failure.
// channels 1 mixes the two sides down; rate only labels the stream (Hz).
std::vector<std::uint8_t> encodeOggVorbis(const Stereo& audio, float quality, int channels = 2, int rate = kRate);

}  // namespace vm::organ
