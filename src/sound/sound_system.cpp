#include "sound/sound_system.h"

#include "app/base/log_file.h"
#include "platform/audio/sdl_audio.h"
#include "platform/os/resources.h"

#include <algorithm>

namespace vm {

namespace {
constexpr const char* kSoundType = "SOUND";
constexpr int kOpeningId = 472;
constexpr int kLoopId = 470;
}  // namespace

SoundSystem::SoundSystem() : SoundSystem(LibraryFactory(&audio::makeSdlAudioLibrary)) {}

SoundSystem::SoundSystem(LibraryFactory factory) : factory_(std::move(factory)) {}

SoundSystem::~SoundSystem() { stop(); }

void SoundSystem::start(const MusicSettings& settings, LogFile& log) {
    if (!settings.music || running_) return;
    if (!library_ && factory_) library_ = factory_();
    if (!library_ || library_->init(audio::kDefaultDevice, audio::kMusicRate) != audio::kOk) return;
    running_ = true;

    library_->start();
    const int found = library_->getVolume();
    savedVolume_ = found >= 0 ? found : 100;
    // The setting comes from a user-editable store; out-of-range values are clamped, not refused.
    library_->setVolume(std::clamp(settings.musicVolume, 0, 100));

    // Both pieces or none: the loop alone would start at once with no opening.
    const os::ResourceBytes opening = os::findResource(kSoundType, kOpeningId);
    const os::ResourceBytes loop = os::findResource(kSoundType, kLoopId);
    if (!opening.empty() && !loop.empty()) {
        // The embedded bytes live as long as the process, longer than the streams.
        opening_ = library_->streamCreate(opening);
        loop_ = library_->streamCreate(loop);
        if (opening_ != 0) library_->streamPlay(opening_, true, false);
    }
    log.writeLine("SoundSys Init Comlete.");
}

void SoundSystem::update() {
    if (!running_ || loop_ == 0) return;
    if (!library_->channelIsActive(opening_) && !library_->channelIsActive(loop_)) {
        library_->streamPlay(loop_, true, true);
    }
}

void SoundSystem::stop() {
    // Runs whenever the library was initialised, streams or not, so the volume is always restored.
    if (!running_) return;
    if (opening_ != 0) library_->streamFree(opening_);
    if (loop_ != 0) library_->streamFree(loop_);
    library_->setVolume(savedVolume_);
    library_->stop();
    library_->free();
    opening_ = 0;
    loop_ = 0;
    running_ = false;
}

bool SoundSystem::isPlayingOpening() const {
    return running_ && opening_ != 0 && library_->channelIsActive(opening_);
}

bool SoundSystem::isPlayingLoop() const {
    return running_ && loop_ != 0 && library_->channelIsActive(loop_);
}

}  // namespace vm
