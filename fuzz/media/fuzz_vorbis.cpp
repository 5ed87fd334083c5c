// Ogg Vorbis from memory on hostile bytes: open, decode a bounded amount, rewind and decode again. A
// damaged stream must end with a result, never read outside the buffer or loop forever.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/audio/vorbis_memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int error = 0;
    // The stream reads the caller's bytes in place: give it a copy of exactly that size so that ASan
    // sees any read past the end.
    std::vector<std::uint8_t> bytes(data, data + size);
    auto stream = vm::audio::VorbisMemoryStream::open(std::span<const std::uint8_t>(bytes), &error);
    if (!stream) return 0;
    if (stream->channels() < 1 || stream->channels() > 2) std::abort();
    std::vector<float> buffer(2 * 1024);
    for (int pass = 0; pass < 2; ++pass) {
        long total = 0;
        // Two seconds of 48 kHz at most: enough to walk every page a small input can hold.
        for (int calls = 0; calls < 100 && total < 96000; ++calls) {
            const long got = stream->read(buffer.data(), 1024);
            if (got <= 0) break;
            if (got > 1024) std::abort();
            total += got;
        }
        if (stream->rewind() != 0) break;
    }
    return 0;
}
