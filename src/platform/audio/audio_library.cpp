#include "platform/audio/audio_library.h"

#include "platform/audio/result.h"

#include <new>

namespace vm::audio {

namespace {
// Holds the output lock for a scope, so the callback never sees a half-changed mixer.
class OutputLock {
public:
    explicit OutputLock(AudioOutput& output) : output_(output) { output_.lock(); }
    ~OutputLock() { output_.unlock(); }
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

private:
    AudioOutput& output_;
};
}  // namespace

AudioLibrary::AudioLibrary(std::unique_ptr<AudioOutput> output) : output_(std::move(output)) {}

AudioLibrary::~AudioLibrary() { free(); }

int AudioLibrary::init(int device, int frequency) noexcept {
    if (initialised_) return kErrAlready;
    if (device != kDefaultDevice || frequency < 8000 || frequency > 192000) return kErrArgument;
    if (!output_) return kErrDevice;
    mixer_.setGain(static_cast<float>(volume_) / 100.0f);
    const int rc = output_->open(frequency, mixer_);
    if (rc != kOk) return rc;
    frequency_ = frequency;
    initialised_ = true;
    return kOk;
}

int AudioLibrary::start() noexcept {
    if (!initialised_) return kErrNotInitialised;
    output_->resume();
    return kOk;
}

int AudioLibrary::setVolume(int volume) noexcept {
    if (!initialised_) return kErrNotInitialised;
    if (volume < 0 || volume > 100) return kErrArgument;
    volume_ = volume;
    OutputLock lock(*output_);
    mixer_.setGain(static_cast<float>(volume) / 100.0f);
    return kOk;
}

StreamHandle AudioLibrary::streamCreate(std::span<const std::uint8_t> oggVorbis) noexcept {
    if (!initialised_) return 0;
    int error = kOk;
    // Headers are parsed here, on the caller's thread; the output thread only decodes audio packets.
    std::unique_ptr<VorbisMemoryStream> stream = VorbisMemoryStream::open(oggVorbis, &error);
    if (!stream || stream->rate() != frequency_) return 0;
    try {
        OutputLock lock(*output_);
        return mixer_.add(std::move(stream));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int AudioLibrary::streamPlay(StreamHandle stream, bool flush, bool loop) noexcept {
    if (!initialised_) return kErrNotInitialised;
    OutputLock lock(*output_);
    return mixer_.play(stream, flush, loop);
}

bool AudioLibrary::channelIsActive(StreamHandle stream) const noexcept {
    if (!initialised_) return false;
    OutputLock lock(*output_);
    return mixer_.isActive(stream);
}

int AudioLibrary::streamFree(StreamHandle stream) noexcept {
    if (!initialised_) return kErrNotInitialised;
    OutputLock lock(*output_);
    return mixer_.remove(stream);
}

int AudioLibrary::stop() noexcept {
    if (!initialised_) return kErrNotInitialised;
    output_->pause();
    OutputLock lock(*output_);
    mixer_.stopAll();
    return kOk;
}

int AudioLibrary::free() noexcept {
    if (!initialised_) return kErrNotInitialised;
    output_->close();  // no callback runs after this
    mixer_.removeAll();
    initialised_ = false;
    frequency_ = 0;
    return kOk;
}

}  // namespace vm::audio
