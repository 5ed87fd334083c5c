#include "platform/audio/audio_library.h"

#include "platform/audio/manual_output.h"
#include "platform/audio/vorbis_memory_stream.h"
#include "test_streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace vm::audio {
namespace {

using testing::sineOgg;

// A library on a pumped output; the test keeps a view of the output to drive playback.
struct Rig {
    ManualOutput* output = nullptr;
    std::unique_ptr<AudioLibrary> library;
    explicit Rig(bool noDevice = false) {
        auto out = std::make_unique<ManualOutput>(noDevice);
        output = out.get();
        library = std::make_unique<AudioLibrary>(std::move(out));
    }
    std::vector<float> pump(int frames) {
        std::vector<float> out;
        output->pump(frames, out);
        return out;
    }
};

std::vector<float> decodeAll(const std::vector<std::uint8_t>& ogg) {
    auto s = VorbisMemoryStream::open(ogg, nullptr);
    std::vector<float> pcm, buf(8192);
    long got = 0;
    while (s && (got = s->read(buf.data(), 4096)) > 0) pcm.insert(pcm.end(), buf.begin(), buf.begin() + 2 * got);
    return pcm;
}

TEST(AudioLibrary, WithoutADeviceEveryCallFailsQuietly) {
    const std::vector<std::uint8_t> ogg = sineOgg(4410);
    struct Case {
        const char* name;
        bool noDevice;
        int device;
        int initResult;
    };
    const Case cases[] = {
        {"no sound device", true, kDefaultDevice, kErrDevice},
        {"unknown device", false, 7, kErrArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.noDevice);
        AudioLibrary& lib = *rig.library;
        EXPECT_EQ(lib.init(c.device, kMusicRate), c.initResult);
        EXPECT_FALSE(lib.isInitialised());
        EXPECT_EQ(lib.start(), kErrNotInitialised);
        EXPECT_EQ(lib.setVolume(50), kErrNotInitialised);
        const StreamHandle h = lib.streamCreate(ogg);
        EXPECT_EQ(h, 0u);
        EXPECT_EQ(lib.streamPlay(h, true, false), kErrNotInitialised);
        EXPECT_FALSE(lib.channelIsActive(h));
        EXPECT_EQ(lib.streamFree(h), kErrNotInitialised);
        EXPECT_EQ(lib.stop(), kErrNotInitialised);
        EXPECT_EQ(lib.free(), kErrNotInitialised);
        EXPECT_FALSE(rig.output->isOpen());
    }
}

TEST(AudioLibrary, PlaysAStreamOnceThenGoesQuiet) {
    const int frames = 22050;
    const std::vector<std::uint8_t> ogg = sineOgg(frames);
    const std::vector<float> expected = decodeAll(ogg);
    Rig rig;
    AudioLibrary& lib = *rig.library;
    ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
    EXPECT_EQ(lib.init(kDefaultDevice, kMusicRate), kErrAlready);
    ASSERT_EQ(lib.start(), kOk);
    const StreamHandle h = lib.streamCreate(ogg);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(lib.channelIsActive(h)) << "created streams wait for play";
    ASSERT_EQ(lib.streamPlay(h, true, false), kOk);
    EXPECT_TRUE(lib.channelIsActive(h));

    // Odd pump sizes cross the decoder's packet edges at arbitrary places.
    std::vector<float> heard;
    while (heard.size() < expected.size()) {
        const std::vector<float> part = rig.pump(1023);
        heard.insert(heard.end(), part.begin(), part.end());
    }
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_FLOAT_EQ(heard[i], expected[i]) << i;
    for (std::size_t i = expected.size(); i < heard.size(); ++i) ASSERT_EQ(heard[i], 0.0f);
    EXPECT_FALSE(lib.channelIsActive(h));

    // Play with flush starts over from the first sample.
    ASSERT_EQ(lib.streamPlay(h, true, false), kOk);
    const std::vector<float> again = rig.pump(100);
    for (std::size_t i = 0; i < again.size(); ++i) ASSERT_FLOAT_EQ(again[i], expected[i]);
    EXPECT_EQ(lib.free(), kOk);
}

TEST(AudioLibrary, LoopWrapsFromLastSampleToFirstWithoutAGap) {
    const int frames = 10000;  // not a multiple of any buffer size used here
    const std::vector<std::uint8_t> ogg = sineOgg(frames);
    const std::vector<float> once = decodeAll(ogg);
    ASSERT_EQ(once.size(), 2u * frames);
    Rig rig;
    AudioLibrary& lib = *rig.library;
    ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
    lib.start();
    const StreamHandle h = lib.streamCreate(ogg);
    ASSERT_EQ(lib.streamPlay(h, true, true), kOk);
    std::vector<float> heard;
    for (int i = 0; i < 9; ++i) {
        const std::vector<float> part = rig.pump(4096);
        heard.insert(heard.end(), part.begin(), part.end());
    }
    ASSERT_GT(heard.size(), 3u * once.size());
    for (std::size_t i = 0; i < heard.size(); ++i) ASSERT_FLOAT_EQ(heard[i], once[i % once.size()]) << "frame " << i / 2;
    EXPECT_TRUE(lib.channelIsActive(h));
    // The step across each seam is no larger than the steps of the wave itself.
    double maxStep = 0;
    for (std::size_t i = 2; i < once.size(); ++i) maxStep = std::max(maxStep, std::abs(static_cast<double>(once[i] - once[i - 2])));
    EXPECT_LE(std::abs(static_cast<double>(heard[once.size()] - heard[once.size() - 2])), maxStep);
}

TEST(AudioLibrary, VolumeScalesOurOutputAndOutlivesFree) {
    const std::vector<std::uint8_t> ogg = sineOgg(8000);
    const std::vector<float> full = decodeAll(ogg);
    struct Case {
        const char* name;
        int volume;
        int result;
        float gain;  // applied to the stream
    };
    const Case cases[] = {
        {"full", 100, kOk, 1.0f},
        {"half", 50, kOk, 0.5f},
        {"silent", 0, kOk, 0.0f},
        {"above range is refused", 101, kErrArgument, 1.0f},
        {"negative is refused", -1, kErrArgument, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        AudioLibrary& lib = *rig.library;
        EXPECT_EQ(lib.getVolume(), 100);
        ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
        lib.start();
        EXPECT_EQ(lib.setVolume(c.volume), c.result);
        const StreamHandle h = lib.streamCreate(ogg);
        lib.streamPlay(h, true, false);
        const std::vector<float> heard = rig.pump(4000);
        for (std::size_t i = 0; i < heard.size(); ++i) ASSERT_NEAR(heard[i], full[i] * c.gain, 1e-6f);
        const int kept = lib.getVolume();
        lib.free();
        EXPECT_EQ(lib.getVolume(), kept);
        ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
        EXPECT_EQ(lib.getVolume(), kept);
    }
}

TEST(AudioLibrary, StreamsAndHandles) {
    const std::vector<std::uint8_t> ogg = sineOgg(4410);
    const std::vector<std::uint8_t> otherRate = sineOgg(4410, 2, 22050);
    Rig rig;
    AudioLibrary& lib = *rig.library;
    ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
    lib.start();

    EXPECT_EQ(lib.streamCreate(otherRate), 0u) << "a stream must run at the device rate";
    EXPECT_EQ(lib.streamCreate({}), 0u);
    EXPECT_EQ(lib.streamPlay(0, true, false), kErrHandle);

    const StreamHandle a = lib.streamCreate(ogg);
    ASSERT_NE(a, 0u);
    ASSERT_EQ(lib.streamFree(a), kOk);
    EXPECT_EQ(lib.streamFree(a), kErrHandle);
    const StreamHandle b = lib.streamCreate(ogg);
    EXPECT_NE(b, a) << "a freed handle is never handed out again";
    EXPECT_EQ(lib.streamPlay(a, true, false), kErrHandle);
    EXPECT_FALSE(lib.channelIsActive(a));

    // stop halts every stream and the output; the streams stay usable.
    ASSERT_EQ(lib.streamPlay(b, true, true), kOk);
    ASSERT_EQ(lib.stop(), kOk);
    EXPECT_FALSE(lib.channelIsActive(b));
    EXPECT_FALSE(rig.output->isRunning());
    lib.start();
    EXPECT_EQ(lib.streamPlay(b, false, true), kOk);
    // free releases everything; handles from before are dead after a new init.
    ASSERT_EQ(lib.free(), kOk);
    ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
    EXPECT_EQ(lib.streamPlay(b, true, false), kErrHandle);
}

TEST(AudioLibrary, DamagedOrEmptyLoopsNeverHangAndNeverSilenceTheOthers) {
    std::vector<std::uint8_t> damaged = sineOgg(44100);
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 200; ++i) damaged[i] = static_cast<std::uint8_t>(i * 57);
    const std::vector<std::uint8_t> empty = organ::encodeOggVorbis(organ::Stereo{}, 0.5f);
    const std::vector<std::uint8_t> good = sineOgg(44100);
    Rig rig;
    AudioLibrary& lib = *rig.library;
    ASSERT_EQ(lib.init(kDefaultDevice, kMusicRate), kOk);
    lib.start();
    const StreamHandle fine = lib.streamCreate(good);
    const StreamHandle broken = lib.streamCreate(damaged);
    const StreamHandle nothing = lib.streamCreate(empty);
    ASSERT_NE(fine, 0u);
    ASSERT_NE(broken, 0u) << "damage after the headers shows only while playing";
    ASSERT_NE(nothing, 0u);
    // Lost pages are skipped; a loop over no audio at all must not spin in the output thread.
    for (StreamHandle h : {broken, nothing}) EXPECT_EQ(lib.streamPlay(h, true, true), kOk);
    lib.streamPlay(fine, true, true);
    for (int i = 0; i < 40; ++i) {
        const std::vector<float> out = rig.pump(4096);
        for (float v : out) ASSERT_TRUE(std::isfinite(v) && v >= -1.0f && v <= 1.0f);
    }
    EXPECT_TRUE(lib.channelIsActive(fine));
    EXPECT_FALSE(lib.channelIsActive(nothing)) << "a loop with no audio ends";
}

}  // namespace
}  // namespace vm::audio
