#include "platform/audio/vorbis_memory_stream.h"

#include "platform/audio/result.h"
#include "test_streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vm::audio {
namespace {

using testing::sineOgg;

// Reads a whole stream in odd-sized pieces; returns the frames, or the failure result.
long readAll(VorbisMemoryStream& s, std::vector<float>* out = nullptr) {
    std::vector<float> buf(2 * 1000);
    long total = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        const long got = s.read(buf.data(), 999);
        if (got <= 0) return got < 0 && total == 0 ? got : total;
        if (out) out->insert(out->end(), buf.begin(), buf.begin() + 2 * got);
        total += got;
    }
    ADD_FAILURE() << "stream never ended";
    return total;
}

TEST(VorbisMemoryStream, DecodesExactlyTheEncodedLength) {
    struct Case {
        const char* name;
        int frames;
        int channels;
    };
    const Case cases[] = {{"stereo", 44100, 2}, {"mono is doubled", 12345, 1}, {"shorter than a block", 100, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> ogg = sineOgg(c.frames, c.channels);
        int error = 1;
        auto s = VorbisMemoryStream::open(ogg, &error);
        ASSERT_TRUE(s);
        EXPECT_EQ(error, kOk);
        EXPECT_EQ(s->channels(), c.channels);
        EXPECT_EQ(s->rate(), 44100);
        EXPECT_EQ(s->lengthFrames(), c.frames);
        std::vector<float> pcm;
        EXPECT_EQ(readAll(*s, &pcm), c.frames);
        if (c.channels == 1) {
            for (std::size_t i = 0; i < pcm.size(); i += 2) ASSERT_EQ(pcm[i], pcm[i + 1]);
        }
        // Rewinding gives the very same samples again.
        ASSERT_EQ(s->rewind(), kOk);
        std::vector<float> again;
        EXPECT_EQ(readAll(*s, &again), c.frames);
        EXPECT_EQ(again, pcm);
    }
}

TEST(VorbisMemoryStream, RejectsWhatIsNotVorbis) {
    const std::vector<std::uint8_t> good = sineOgg(4410);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"text", std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}},
        {"ogg capture pattern only", std::vector<std::uint8_t>{'O', 'g', 'g', 'S', 0, 2, 0, 0}},
        {"first page only", std::vector<std::uint8_t>(good.begin(), good.begin() + 58)},
        {"headers cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 300)},
    };
    std::vector<std::uint8_t> zeros(good.size(), 0);
    cases.push_back({"zeros", zeros});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int error = 0;
        EXPECT_FALSE(VorbisMemoryStream::open(c.bytes, &error));
        EXPECT_LT(error, 0);
    }
}

TEST(VorbisMemoryStream, DamagedAudioFailsCleanlyWithoutReadingPastTheBytes) {
    const int frames = 44100 * 2;
    const std::vector<std::uint8_t> good = sineOgg(frames);
    struct Case {
        const char* name;
        std::size_t keep;        // bytes kept from the start
        std::size_t scrambleAt;  // overwrite from here ...
        std::size_t scrambleTo;  // ... to here with a pattern
    };
    const std::size_t n = good.size();
    const Case cases[] = {
        {"cut in the middle of the audio", n / 2, 0, 0},
        {"cut one byte short", n - 1, 0, 0},
        {"middle pages scrambled", n, n / 3, n / 2},
        {"everything after the headers scrambled", n, n / 3, n},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A heap copy of exactly the kept size: AddressSanitizer sees any read past it.
        std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.keep));
        for (std::size_t i = c.scrambleAt; i < c.scrambleTo; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
        int error = 0;
        auto s = VorbisMemoryStream::open(bytes, &error);
        if (!s) {
            // Refusing at open is a clean failure too (the decoder checks the stream's end there).
            EXPECT_LT(error, 0);
            continue;
        }
        EXPECT_LE(readAll(*s), frames);
    }
}

}  // namespace
}  // namespace vm::audio
