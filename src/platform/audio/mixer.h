#pragma once
// The channels being played and their sum. Runs render() on the output's thread; every other
// operation runs on the program's thread while the output is locked. The decode buffer is sized
// once, so render() never allocates.

#include "platform/audio/audio_output.h"
#include "platform/audio/vorbis_memory_stream.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vm::audio {

using StreamHandle = std::uint32_t;  // 0 = none

class Mixer final : public AudioRenderer {
public:
    Mixer();

    StreamHandle add(std::unique_ptr<VorbisMemoryStream> stream);
    // flush: start over from the first sample; otherwise go on from where the stream stopped.
    int play(StreamHandle handle, bool flush, bool loop) noexcept;
    bool isActive(StreamHandle handle) const noexcept;
    int remove(StreamHandle handle) noexcept;
    void stopAll() noexcept;
    void removeAll() noexcept;
    // Linear amplitude applied to the sum, 0..1.
    void setGain(float gain) noexcept { gain_ = gain; }

    void render(float* interleavedStereo, int frames) noexcept override;

private:
    struct Channel {
        StreamHandle handle = 0;
        std::unique_ptr<VorbisMemoryStream> stream;
        bool playing = false;
        bool loop = false;
    };
    Channel* find(StreamHandle handle) noexcept;
    const Channel* find(StreamHandle handle) const noexcept;
    void mixChannel(Channel& channel, float* out, int frames) noexcept;

    std::vector<Channel> channels_;
    std::vector<float> scratch_;
    StreamHandle nextHandle_ = 1;
    float gain_ = 1.0f;
};

}  // namespace vm::audio
