#pragma once
// An Ogg Vorbis decoder reading from bytes in memory through libvorbisfile. The bytes belong to the
// caller and must outlive the stream. Every read is bounded by the buffer; bad data ends the stream
// with a failure result instead of reading past the end or looping forever.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace vm::audio {

class VorbisMemoryStream {
public:
    // nullptr with *error set (kErrFormat, kErrMemory) when the bytes are not a Vorbis stream of one
    // or two channels.
    static std::unique_ptr<VorbisMemoryStream> open(std::span<const std::uint8_t> bytes, int* error) noexcept;
    ~VorbisMemoryStream();
    VorbisMemoryStream(const VorbisMemoryStream&) = delete;
    VorbisMemoryStream& operator=(const VorbisMemoryStream&) = delete;

    int channels() const noexcept { return channels_; }
    long rate() const noexcept { return rate_; }
    // Length in frames as the stream declares it, -1 when unknown.
    std::int64_t lengthFrames() const noexcept;

    // Decodes up to frames frames as interleaved stereo (mono is doubled). Returns the frames written,
    // 0 at the end, a negative result when the data is damaged beyond what the decoder can skip.
    long read(float* interleavedStereo, long frames) noexcept;
    // Back to the first sample. 0 or negative.
    int rewind() noexcept;

    struct Source;  // read cursor over the caller's bytes

private:
    VorbisMemoryStream();
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int channels_ = 0;
    long rate_ = 0;
};

}  // namespace vm::audio
