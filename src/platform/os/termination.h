#pragma once
// SIGTERM (how screen-saver daemons end a running hack) as a close request.
//
// In the default, deferred state the handler only sets a flag; the message layer turns it into one Quit
// message, so the loop ends as if its window were closed. While the program is inside a long step that
// pumps no messages (loading), it arms immediate exit: a SIGTERM then ends the process at once with
// status 0, which loses nothing because the log is flushed line by line and nothing else is written.

namespace vm::os {

// Installs the handler for SIGTERM and SIGINT. Safe to call more than once.
void installTerminationHandler() noexcept;

// True once after a request arrived; clears the request.
bool takeTerminationRequest() noexcept;
bool terminationRequested() noexcept;

// Arms or disarms immediate exit. Arming with a request already pending exits at once.
void setImmediateTermination(bool immediate) noexcept;

// Test seam: what the handler does, without a signal.
void requestTermination() noexcept;
void clearTerminationRequest() noexcept;

class ImmediateTerminationScope {
public:
    ImmediateTerminationScope() noexcept { setImmediateTermination(true); }
    ~ImmediateTerminationScope() { setImmediateTermination(false); }
    ImmediateTerminationScope(const ImmediateTerminationScope&) = delete;
    ImmediateTerminationScope& operator=(const ImmediateTerminationScope&) = delete;
};

}  // namespace vm::os
