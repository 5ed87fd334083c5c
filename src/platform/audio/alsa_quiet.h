#pragma once
// ALSA prints its configuration errors to stderr (a machine without a sound card gets a screenful on
// every start). The saver already treats a missing device as "no music"; this routes ALSA's messages
// to nowhere before the audio back end opens it.

namespace vm::audio {

// Installs a silent error handler in the process's ALSA library when that library can be loaded; does
// nothing otherwise. Safe to call more than once.
void silenceAlsaErrors() noexcept;

}  // namespace vm::audio
