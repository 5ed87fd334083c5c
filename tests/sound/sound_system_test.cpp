#include "sound/sound_system.h"

#include "app/base/log_file.h"
#include "organ/ogg_writer.h"
#include "platform/audio/manual_output.h"
#include "platform/os/resources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace vm {
namespace {

constexpr int kOpeningFrames = 30000;
constexpr int kLoopFrames = 12000;

std::vector<std::uint8_t> toneOgg(int frames, double hz) {
    organ::Stereo s;
    s.resize(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        s.samples[i] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i / 2) / 44100.0));
    }
    return organ::encodeOggVorbis(s, 0.5f);
}

// The two music resources are replaced by short tones; the library plays on a pumped output.
class SoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        opening_ = toneOgg(kOpeningFrames, 440.0);
        loop_ = toneOgg(kLoopFrames, 330.0);
        os::overrideResource("SOUND", 472, opening_);
        os::overrideResource("SOUND", 470, loop_);
        logPath_ = (std::filesystem::temp_directory_path() /
                    ("vm_sound_log_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt")).string();
        log_.open(logPath_);
    }
    void TearDown() override {
        os::clearResourceOverrides();
        std::filesystem::remove(logPath_);
    }

    // A factory for the player. volumeFound: the library's volume before the player starts.
    SoundSystem::LibraryFactory factory(int volumeFound = 100, bool noDevice = false) {
        return [this, volumeFound, noDevice] {
            ++factoryCalls_;
            auto out = std::make_unique<audio::ManualOutput>(noDevice);
            output_ = out.get();
            auto lib = std::make_unique<audio::AudioLibrary>(std::move(out));
            if (!noDevice && volumeFound != 100) {
                lib->init(audio::kDefaultDevice, audio::kMusicRate);
                lib->setVolume(volumeFound);
                lib->free();
            }
            return lib;
        };
    }

    void pump(int frames) {
        std::vector<float> out;
        output_->pump(frames, out);
    }

    std::string logText() const {
        std::string text;
        if (std::FILE* f = std::fopen(logPath_.c_str(), "rb")) {
            char buf[4096];
            std::size_t n = 0;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
            std::fclose(f);
        }
        return text;
    }
    static constexpr const char* kLogHeader = "Log started\r\n\r\n";
    static constexpr const char* kInitLine = "SoundSys Init Comlete.\r\n";

    std::vector<std::uint8_t> opening_, loop_;
    std::string logPath_;
    LogFile log_;
    audio::ManualOutput* output_ = nullptr;
    int factoryCalls_ = 0;
};

TEST_F(SoundSystemTest, MusicOffTouchesNothing) {
    SoundSystem sound(factory());
    sound.start(MusicSettings{false, 75}, log_);
    sound.update();
    sound.stop();
    EXPECT_EQ(factoryCalls_, 0) << "no audio library may be made";
    EXPECT_EQ(sound.library(), nullptr);
    EXPECT_FALSE(sound.isRunning());
    EXPECT_EQ(logText(), kLogHeader);
}

TEST_F(SoundSystemTest, OpeningPlaysOnceThenTheLoopForEver) {
    SoundSystem sound(factory());
    sound.start(MusicSettings{true, 75}, log_);
    ASSERT_TRUE(sound.isRunning());
    EXPECT_EQ(logText(), std::string(kLogHeader) + kInitLine);
    EXPECT_TRUE(output_->isRunning());
    EXPECT_TRUE(sound.isPlayingOpening());
    EXPECT_FALSE(sound.isPlayingLoop());

    // Frames on the output thread and frames of the program interleave; the loop waits for the end.
    pump(kOpeningFrames - 1000);
    sound.update();
    EXPECT_TRUE(sound.isPlayingOpening());
    EXPECT_FALSE(sound.isPlayingLoop()) << "the loop must not start while the opening plays";
    pump(2000);
    EXPECT_FALSE(sound.isPlayingOpening());
    sound.update();
    EXPECT_TRUE(sound.isPlayingLoop());

    for (int pass = 0; pass < 5; ++pass) {
        pump(kLoopFrames);
        sound.update();
        EXPECT_TRUE(sound.isPlayingLoop());
        EXPECT_FALSE(sound.isPlayingOpening()) << "the opening plays only once";
    }
    sound.stop();
    EXPECT_FALSE(sound.isRunning());
    EXPECT_FALSE(output_->isOpen());
    EXPECT_EQ(logText(), std::string(kLogHeader) + kInitLine) << "the line is written once";
}

TEST_F(SoundSystemTest, VolumeFoundAtStartIsRestoredAtStop) {
    struct Case {
        const char* name;
        int found;
        int musicVolume;
        int whilePlaying;
    };
    const Case cases[] = {
        {"default volume", 100, 75, 75},
        {"quieter than the setting", 40, 90, 90},
        {"louder than the setting", 80, 1, 1},
        {"setting above range is clamped", 55, 250, 100},
        {"negative setting is clamped", 30, -5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoundSystem sound(factory(c.found));
        sound.start(MusicSettings{true, c.musicVolume}, log_);
        ASSERT_TRUE(sound.isRunning());
        EXPECT_EQ(sound.library()->getVolume(), c.whilePlaying);
        pump(500);
        sound.stop();
        EXPECT_EQ(sound.library()->getVolume(), c.found);
    }
}

TEST_F(SoundSystemTest, MissingOrBadMusicStillLogsAndRunsSilently) {
    const std::vector<std::uint8_t> garbage(5000, 0x4F);
    struct Case {
        const char* name;
        int hide;                            // resource id to hide, 0 = none
        const std::vector<std::uint8_t>* opening;  // replacement for 472, null = keep
        bool loopPlaysAfterUpdate;
    };
    const Case cases[] = {
        {"opening missing", 472, nullptr, false},
        {"loop missing", 470, nullptr, false},
        {"opening is not Ogg Vorbis", 0, &garbage, true},  // the loop takes over at once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        os::clearResourceOverrides();
        os::overrideResource("SOUND", 472, c.opening ? *c.opening : opening_);
        os::overrideResource("SOUND", 470, loop_);
        if (c.hide) os::hideResource("SOUND", c.hide);
        log_.open(logPath_);
        SoundSystem sound(factory(64));
        sound.start(MusicSettings{true, 90}, log_);
        EXPECT_TRUE(sound.isRunning());
        EXPECT_EQ(logText(), std::string(kLogHeader) + kInitLine);
        EXPECT_FALSE(sound.isPlayingOpening());
        pump(4000);
        sound.update();
        EXPECT_EQ(sound.isPlayingLoop(), c.loopPlaysAfterUpdate);
        // Regression: stop must run even without an opening stream, or the volume stays changed
        // and the device stays open.
        sound.stop();
        EXPECT_FALSE(output_->isOpen());
        EXPECT_EQ(sound.library()->getVolume(), 64);
    }
}

TEST_F(SoundSystemTest, NoSoundDeviceMeansNoMusicAndNoLogLine) {
    SoundSystem sound(factory(100, true));
    sound.start(MusicSettings{true, 75}, log_);
    EXPECT_FALSE(sound.isRunning());
    sound.update();
    sound.stop();
    EXPECT_EQ(factoryCalls_, 1);
    EXPECT_EQ(logText(), kLogHeader);
}

TEST_F(SoundSystemTest, StartAndStopAreSafeToRepeat) {
    SoundSystem sound(factory());
    sound.update();  // before start
    sound.stop();
    sound.start(MusicSettings{true, 75}, log_);
    sound.start(MusicSettings{true, 75}, log_);  // a second start changes nothing
    EXPECT_EQ(factoryCalls_, 1);
    EXPECT_EQ(logText(), std::string(kLogHeader) + kInitLine);
    sound.stop();
    sound.stop();
    sound.update();
    EXPECT_FALSE(sound.isPlayingLoop());
}

}  // namespace
}  // namespace vm
