#pragma once
// Where mixed sound goes. The library hands the output a renderer; the output pulls interleaved
// stereo float frames from it, on whatever thread the backend plays on. Mutations of what the
// renderer reads happen between lock() and unlock(), which exclude a render in progress.

namespace vm::audio {

class AudioRenderer {
public:
    virtual ~AudioRenderer() = default;
    // Fills frames × 2 floats (left, right) in -1..1. Must not block or allocate.
    virtual void render(float* interleavedStereo, int frames) noexcept = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Opens the device paused at the given rate, stereo. 0 or a negative result; on failure the
    // output stays closed and the renderer is never called.
    virtual int open(int frequency, AudioRenderer& renderer) noexcept = 0;
    virtual void resume() noexcept = 0;
    virtual void pause() noexcept = 0;
    // Stops calling the renderer before it returns. Safe when not open.
    virtual void close() noexcept = 0;
    virtual void lock() noexcept = 0;
    virtual void unlock() noexcept = 0;
};

}  // namespace vm::audio
