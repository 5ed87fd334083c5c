#include "platform/audio/vorbis_memory_stream.h"

#include "platform/audio/result.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace vm::audio {

struct VorbisMemoryStream::Source {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};

struct VorbisMemoryStream::Impl {
    OggVorbis_File file{};
    Source source;
    bool opened = false;
};

namespace {

using Source = VorbisMemoryStream::Source;

std::size_t readFn(void* ptr, std::size_t size, std::size_t count, void* datasource) {
    auto* src = static_cast<Source*>(datasource);
    if (size == 0 || count == 0) return 0;
    const std::size_t left = src->size - src->pos;
    const std::size_t items = std::min(count, left / size);
    std::memcpy(ptr, src->data + src->pos, items * size);
    src->pos += items * size;
    return items;
}

int seekFn(void* datasource, ogg_int64_t offset, int whence) {
    auto* src = static_cast<Source*>(datasource);
    ogg_int64_t base = 0;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<ogg_int64_t>(src->pos); break;
    case SEEK_END: base = static_cast<ogg_int64_t>(src->size); break;
    default: return -1;
    }
    // Checked against the size before adding, so a hostile offset cannot overflow.
    const auto size = static_cast<ogg_int64_t>(src->size);
    if (offset < -base || offset > size - base) return -1;
    src->pos = static_cast<std::size_t>(base + offset);
    return 0;
}

long tellFn(void* datasource) {
    return static_cast<long>(static_cast<Source*>(datasource)->pos);
}

// Holes (lost pages) are skipped; this many in a row without audio counts as damage, so a
// stream made only of holes ends instead of spinning.
constexpr int kMaxHolesInARow = 64;

}  // namespace

VorbisMemoryStream::VorbisMemoryStream() = default;

VorbisMemoryStream::~VorbisMemoryStream() {
    if (impl_ && impl_->opened) ov_clear(&impl_->file);
}

std::unique_ptr<VorbisMemoryStream> VorbisMemoryStream::open(std::span<const std::uint8_t> bytes,
                                                             int* error) noexcept {
    int dummy = 0;
    if (error == nullptr) error = &dummy;
    *error = kErrFormat;
    if (bytes.empty() || bytes.data() == nullptr) return nullptr;

    std::unique_ptr<VorbisMemoryStream> stream(new (std::nothrow) VorbisMemoryStream);
    if (!stream) return *error = kErrMemory, nullptr;
    stream->impl_.reset(new (std::nothrow) Impl);
    if (!stream->impl_) return *error = kErrMemory, nullptr;

    Impl& impl = *stream->impl_;
    impl.source = Source{bytes.data(), bytes.size(), 0};
    const ov_callbacks callbacks{readFn, seekFn, nullptr, tellFn};
    // On failure libvorbisfile has already released what it built.
    if (ov_open_callbacks(&impl.source, &impl.file, nullptr, 0, callbacks) != 0) return nullptr;
    impl.opened = true;

    const vorbis_info* info = ov_info(&impl.file, -1);
    if (info == nullptr || info->channels < 1 || info->channels > 2 || info->rate <= 0) return nullptr;
    stream->channels_ = info->channels;
    stream->rate_ = info->rate;
    *error = kOk;
    return stream;
}

std::int64_t VorbisMemoryStream::lengthFrames() const noexcept {
    const ogg_int64_t total = ov_pcm_total(&impl_->file, -1);
    return total < 0 ? -1 : static_cast<std::int64_t>(total);
}

long VorbisMemoryStream::read(float* out, long frames) noexcept {
    long written = 0;
    int holes = 0;
    while (written < frames) {
        float** pcm = nullptr;
        int section = 0;
        const long want = std::min<long>(frames - written, 4096);
        const long got = ov_read_float(&impl_->file, &pcm, static_cast<int>(want), &section);
        if (got == 0) break;  // end of stream
        if (got == OV_HOLE) {
            if (++holes > kMaxHolesInARow) return written > 0 ? written : kErrFormat;
            continue;
        }
        if (got < 0) return written > 0 ? written : kErrFormat;
        holes = 0;
        // A chained stream may change its layout; we play only what matches the first link.
        const vorbis_info* info = ov_info(&impl_->file, section);
        if (info == nullptr || info->channels != channels_ || info->rate != rate_) {
            return written > 0 ? written : kErrFormat;
        }
        const long n = std::min(got, frames - written);
        float* dst = out + written * 2;
        const float* left = pcm[0];
        const float* right = channels_ == 2 ? pcm[1] : pcm[0];
        for (long i = 0; i < n; ++i) {
            dst[2 * i] = left[i];
            dst[2 * i + 1] = right[i];
        }
        written += n;
    }
    return written;
}

int VorbisMemoryStream::rewind() noexcept {
    // A raw seek to byte 0 restarts decoding at the first sample, without the bisection a PCM seek does.
    return ov_raw_seek(&impl_->file, 0) == 0 ? kOk : kErrFormat;
}

}  // namespace vm::audio
