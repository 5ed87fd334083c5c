#include "platform/os/termination.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

namespace vm::os {
namespace {

// Lock-free atomics only: they are touched from the signal handler.
std::atomic<bool> gRequested{false};
std::atomic<bool> gImmediate{false};
std::atomic<bool> gInstalled{false};

extern "C" void onTerminate(int) {
    if (gImmediate.load()) _exit(0);
    gRequested.store(true);
}

}  // namespace

void installTerminationHandler() noexcept {
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    gInstalled.store(true);
}

bool takeTerminationRequest() noexcept { return gRequested.exchange(false); }

bool terminationRequested() noexcept { return gRequested.load(); }

void setImmediateTermination(bool immediate) noexcept {
    // Without the handler (tests, tools) nothing may end the process.
    if (!gInstalled.load()) return;
    gImmediate.store(immediate);
    if (immediate && gRequested.load()) _exit(0);
}

void requestTermination() noexcept { onTerminate(SIGTERM); }

void clearTerminationRequest() noexcept { gRequested.store(false); }

}  // namespace vm::os
