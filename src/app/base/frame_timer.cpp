#include "app/base/frame_timer.h"

#include "platform/os/system.h"

namespace vm {

void FrameTimer::init() {
    if (initialised_) return;
    initialised_ = true;
    std::int64_t frequency = 0;
    usesCounter_ = os::counterFrequency(frequency) && frequency > 0;
    ticksPerSecond_ = usesCounter_ ? frequency : 0;
}

std::int64_t FrameTimer::nowTicks() {
    if (stopTicks_ != 0) return stopTicks_;
    std::int64_t ticks = 0;
    os::counter(ticks);
    return ticks;
}

double FrameTimer::nowSeconds() {
    if (stopSeconds_ != 0) return stopSeconds_;
    return os::timeMs() * 0.001;
}

void FrameTimer::start() {
    init();
    if (usesCounter_) {
        std::int64_t ticks = 0;
        os::counter(ticks);
        if (stopTicks_ != 0) baseTicks_ += ticks - stopTicks_;
        stopTicks_ = 0;
        lastTicks_ = ticks;
    } else {
        double seconds = os::timeMs() * 0.001;
        if (stopSeconds_ != 0) baseSeconds_ += seconds - stopSeconds_;
        stopSeconds_ = 0;
        lastSeconds_ = seconds;
    }
}

double FrameTimer::elapsed() {
    init();
    if (usesCounter_) {
        std::int64_t now = nowTicks();
        double result = static_cast<double>(now - lastTicks_) / static_cast<double>(ticksPerSecond_);
        lastTicks_ = now;
        return result;
    }
    double now = nowSeconds();
    double result = now - lastSeconds_;
    lastSeconds_ = now;
    return result;
}

void FrameTimer::stop() {
    init();
    if (usesCounter_) {
        if (stopTicks_ == 0) stopTicks_ = nowTicks();
    } else if (stopSeconds_ == 0) {
        stopSeconds_ = nowSeconds();
    }
}

FrameTimer& frameTimer() {
    static FrameTimer timer;
    return timer;
}

}  // namespace vm
