#pragma once
// The audio library the music player talks to: one output device, Ogg Vorbis streams decoded from
// memory, a master volume. Shaped after the operations the saver needs: init, start, volume, stream
// create / play / is-active / free, stop, free. All calls come from the program's thread; sound is
// made on the output's own thread (the SDL callback), so no call waits for playback.
//
// Guarantees:
// - init opens the device; when there is none every later call fails with a negative result or
//   does nothing, quietly. Nothing is printed or shown.
// - Streams read the caller's bytes while they play: the bytes must outlive the stream.
// - A stream must be stereo or mono at the device rate; anything else (or damaged headers) fails at
//   creation with 0. Damage found while playing ends that stream; the others play on.
// - A looping stream wraps from its last sample to its first within one buffer: no gap, no click.
// - The volume (0..100, linear gain on our own output, 100 at first) survives free and a new init,
//   like a device setting, so a caller can restore what it found.

#include "platform/audio/audio_output.h"
#include "platform/audio/mixer.h"
#include "platform/audio/result.h"

#include <cstdint>
#include <memory>
#include <span>

namespace vm::audio {

inline constexpr int kDefaultDevice = 1;
inline constexpr int kMusicRate = 44100;  // Hz

class AudioLibrary {
public:
    explicit AudioLibrary(std::unique_ptr<AudioOutput> output);
    ~AudioLibrary();  // frees everything
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // device: kDefaultDevice (the system's default output); frequency in Hz. The output starts paused.
    int init(int device, int frequency) noexcept;
    int start() noexcept;
    // 0..100. A setting of the library, so it can be read before init and after free.
    int getVolume() const noexcept { return volume_; }
    int setVolume(int volume) noexcept;  // kErrArgument outside 0..100
    // 0 on failure.
    StreamHandle streamCreate(std::span<const std::uint8_t> oggVorbis) noexcept;
    int streamPlay(StreamHandle stream, bool flush, bool loop) noexcept;
    bool channelIsActive(StreamHandle stream) const noexcept;
    int streamFree(StreamHandle stream) noexcept;
    // Pauses the output and halts every stream (they stay allocated).
    int stop() noexcept;
    // Frees every stream and closes the device.
    int free() noexcept;

    bool isInitialised() const noexcept { return initialised_; }

private:
    std::unique_ptr<AudioOutput> output_;
    Mixer mixer_;
    int frequency_ = 0;
    int volume_ = 100;
    bool initialised_ = false;
};

}  // namespace vm::audio
