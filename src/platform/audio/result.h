#pragma once
// Result codes of the audio stand-in: 0 success, negative failure, as at every module border.

namespace vm::audio {

inline constexpr int kOk = 0;
inline constexpr int kErrNotInitialised = -1;  // init has not succeeded (or free ran since)
inline constexpr int kErrAlready = -2;         // init while already initialised
inline constexpr int kErrDevice = -3;          // no output device could be opened
inline constexpr int kErrHandle = -4;          // unknown or freed stream handle
inline constexpr int kErrFormat = -5;          // not a playable Ogg Vorbis stream
inline constexpr int kErrArgument = -6;        // value out of range
inline constexpr int kErrMemory = -7;

}  // namespace vm::audio
