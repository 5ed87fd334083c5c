#pragma once
// The scene's time step: a high-resolution clock read once per frame. Uses the platform's counter when it
// has one, else the millisecond clock in seconds. Time comes from the installed os backend, so tests
// drive it with the fake clock.

#include <cstdint>
#include <string>

namespace vm {

class FrameTimer {
public:
    // Starts, or resumes after a stop; the next elapsed() measures from here.
    void start();
    // Seconds since the previous elapsed() (or since start() for the first call). While stopped, the
    // stop time stands in for now, so the reading is 0.
    double elapsed();
    void stop();

private:
    void init();
    double nowSeconds();
    std::int64_t nowTicks();

    bool initialised_ = false;
    bool usesCounter_ = false;
    std::int64_t ticksPerSecond_ = 0;
    // Counter ticks with usesCounter_, seconds (as double) without.
    std::int64_t baseTicks_ = 0, stopTicks_ = 0, lastTicks_ = 0;
    double baseSeconds_ = 0, stopSeconds_ = 0, lastSeconds_ = 0;
};

// The one timer the scene reads.
FrameTimer& frameTimer();

// Resolves a media file name: the name itself when it can be opened for reading in the current
// directory, else the developer media folder (see media_file.cpp) followed by the name, else the name
// with kResultFail. kResultInvalidArg when name or path is null.
int findMediaFile(const char* name, std::string* path);

}  // namespace vm
