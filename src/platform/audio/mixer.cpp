#include "platform/audio/mixer.h"

#include "platform/audio/result.h"

#include <algorithm>

namespace vm::audio {

namespace {
constexpr int kScratchFrames = 4096;
}

Mixer::Mixer() : scratch_(static_cast<std::size_t>(kScratchFrames) * 2) {}

StreamHandle Mixer::add(std::unique_ptr<VorbisMemoryStream> stream) {
    if (!stream) return 0;
    const StreamHandle handle = nextHandle_;
    // Handles are never reused while the library lives, so a stale one cannot reach a new stream.
    nextHandle_ = nextHandle_ == UINT32_MAX ? 1 : nextHandle_ + 1;
    channels_.push_back(Channel{handle, std::move(stream), false, false});
    return handle;
}

Mixer::Channel* Mixer::find(StreamHandle handle) noexcept {
    for (Channel& c : channels_) {
        if (c.handle == handle && handle != 0) return &c;
    }
    return nullptr;
}

const Mixer::Channel* Mixer::find(StreamHandle handle) const noexcept {
    return const_cast<Mixer*>(this)->find(handle);
}

int Mixer::play(StreamHandle handle, bool flush, bool loop) noexcept {
    Channel* c = find(handle);
    if (c == nullptr) return kErrHandle;
    if (flush && c->stream->rewind() != kOk) return kErrFormat;
    c->playing = true;
    c->loop = loop;
    return kOk;
}

bool Mixer::isActive(StreamHandle handle) const noexcept {
    const Channel* c = find(handle);
    return c != nullptr && c->playing;
}

int Mixer::remove(StreamHandle handle) noexcept {
    auto it = std::find_if(channels_.begin(), channels_.end(),
                           [&](const Channel& c) { return c.handle == handle && handle != 0; });
    if (it == channels_.end()) return kErrHandle;
    channels_.erase(it);
    return kOk;
}

void Mixer::stopAll() noexcept {
    for (Channel& c : channels_) c.playing = false;
}

void Mixer::removeAll() noexcept { channels_.clear(); }

void Mixer::mixChannel(Channel& channel, float* out, int frames) noexcept {
    int done = 0;
    bool producedSinceRewind = true;
    while (done < frames && channel.playing) {
        const long want = std::min(frames - done, kScratchFrames);
        const long got = channel.stream->read(scratch_.data(), want);
        if (got > 0) {
            const float* src = scratch_.data();
            float* dst = out + static_cast<std::ptrdiff_t>(done) * 2;
            for (long i = 0; i < got * 2; ++i) dst[i] += src[i];
            done += static_cast<int>(got);
            producedSinceRewind = true;
            continue;
        }
        // End of the data (or damage). A loop goes on with the first sample in the same buffer, so
        // the wrap has no gap; a loop that gives nothing after a wrap would spin, so it ends.
        if (got < 0 || !channel.loop || !producedSinceRewind || channel.stream->rewind() != kOk) {
            channel.playing = false;
            break;
        }
        producedSinceRewind = false;
    }
}

void Mixer::render(float* out, int frames) noexcept {
    std::fill(out, out + static_cast<std::ptrdiff_t>(frames) * 2, 0.0f);
    for (Channel& c : channels_) {
        if (c.playing) mixChannel(c, out, frames);
    }
    const float gain = gain_;
    for (int i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i] * gain, -1.0f, 1.0f);
}

}  // namespace vm::audio
