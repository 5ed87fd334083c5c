// The SDL backend with SDL's own stand-in drivers: no sound hardware is needed.
#include "platform/audio/sdl_audio.h"

#include "test_streams.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

namespace vm::audio {
namespace {

class SdlDriver {
public:
    explicit SdlDriver(const char* name) { setenv("SDL_AUDIODRIVER", name, 1); }
    ~SdlDriver() { unsetenv("SDL_AUDIODRIVER"); }
};

TEST(SdlAudio, PlaysOnTheDummyDriverWithoutBlockingTheCaller) {
    SdlDriver driver("dummy");
    const std::vector<std::uint8_t> ogg = testing::sineOgg(44100 * 5);  // 5 s
    auto lib = makeSdlAudioLibrary();
    ASSERT_EQ(lib->init(kDefaultDevice, kMusicRate), kOk) << SDL_GetError();
    ASSERT_EQ(lib->start(), kOk);
    const StreamHandle h = lib->streamCreate(ogg);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(lib->streamPlay(h, true, true), kOk);
    // play returned while a 5-second stream is still playing: the caller was not held.
    EXPECT_TRUE(lib->channelIsActive(h));
    EXPECT_EQ(lib->setVolume(30), kOk);
    EXPECT_EQ(lib->streamFree(h), kOk);
    EXPECT_EQ(lib->stop(), kOk);
    EXPECT_EQ(lib->free(), kOk);
}

TEST(SdlAudio, NoUsableDriverMeansQuietFailure) {
    SdlDriver driver("no-such-driver");
    auto lib = makeSdlAudioLibrary();
    EXPECT_EQ(lib->init(kDefaultDevice, kMusicRate), kErrDevice);
    EXPECT_EQ(lib->streamCreate(testing::sineOgg(441)), 0u);
    EXPECT_EQ(lib->free(), kErrNotInitialised);
}

}  // namespace
}  // namespace vm::audio
