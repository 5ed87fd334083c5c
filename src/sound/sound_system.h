#pragma once
// Background music: the opening piece ("SOUND" 472) once, then the looping piece ("SOUND" 470)
// for ever. The shell calls start from initSound, update once per frame, stop from freeSound.
//
// Contract:
// - With Music off nothing happens at all: no audio library, no device, no log line.
// - Every failure is silent; the saver then runs without music. A missing or damaged music
//   resource still gives the log line "SoundSys Init Comlete.", a missing sound device does not.
// - MusicVolume (clamped to 0..100) is applied once at start; the volume found at start is put
//   back at stop.
// - No call waits for playback: the library plays on its own thread.

#include "platform/audio/audio_library.h"

#include <functional>
#include <memory>

namespace vm {

class LogFile;

struct MusicSettings {
    bool music = true;     // the "Music" setting
    int musicVolume = 60;  // the "MusicVolume" setting, 0..100
};

class SoundSystem {
public:
    using LibraryFactory = std::function<std::unique_ptr<audio::AudioLibrary>()>;

    SoundSystem();  // plays on the default sound device
    explicit SoundSystem(LibraryFactory factory);
    ~SoundSystem();  // stops, as stop() does
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    void start(const MusicSettings& settings, LogFile& log);
    void update();
    void stop();

    // Observers for the shell and tests.
    bool isPlayingOpening() const;
    bool isPlayingLoop() const;
    bool isRunning() const { return running_; }
    // The library, kept after stop so its volume can be read; null until a start with Music on.
    audio::AudioLibrary* library() const { return library_.get(); }

private:
    LibraryFactory factory_;
    std::unique_ptr<audio::AudioLibrary> library_;  // made on the first start with Music on
    bool running_ = false;                          // the library is initialised
    audio::StreamHandle opening_ = 0;
    audio::StreamHandle loop_ = 0;
    int savedVolume_ = 100;
};

}  // namespace vm
