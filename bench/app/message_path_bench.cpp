// The saver loop takes one message per iteration: post → peek → dispatch to the window procedure.
// Measured against its peer, the least any queue could do: a std::deque push/pop and a direct call.
// The loop's 2 ms sleep per iteration dwarfs both; this shows the queue stays far below it.

#include <benchmark/benchmark.h>

#include <deque>

#include "platform/os/fake/fake_platform.h"
#include "platform/os/windows.h"

namespace {

std::intptr_t gSink = 0;

std::intptr_t countingProc(vm::os::WindowHandle, std::uint32_t, std::uintptr_t wParam, std::intptr_t) {
    gSink += static_cast<std::intptr_t>(wParam);
    return 0;
}

void BM_ShellMessagePath(benchmark::State& state) {
    vm::os::FakePlatform fake;
    vm::os::ScopedPlatform installed(fake);
    vm::os::registerClass({"bench", countingProc, 0});
    vm::os::WindowDesc desc;
    desc.className = "bench";
    vm::os::WindowHandle window = vm::os::createWindow(desc);
    vm::os::setTimer(window, 7, 1000);  // a live timer, as in the saver loop
    vm::os::Message message;
    for (auto _ : state) {
        vm::os::postMessage(window, vm::os::msg::MouseMove, 1, 0);
        vm::os::peekMessage(message);
        vm::os::translateMessage(message);
        vm::os::dispatchMessage(message);
    }
    benchmark::DoNotOptimize(gSink);
}
BENCHMARK(BM_ShellMessagePath);

void BM_PeerDequeAndCall(benchmark::State& state) {
    std::deque<vm::os::Message> queue;
    auto proc = &countingProc;
    benchmark::DoNotOptimize(proc);
    for (auto _ : state) {
        queue.push_back({vm::os::WindowHandle{1}, vm::os::msg::MouseMove, 1, 0});
        vm::os::Message message = queue.front();
        queue.pop_front();
        proc(message.window, message.message, message.wParam, message.lParam);
    }
    benchmark::DoNotOptimize(gSink);
}
BENCHMARK(BM_PeerDequeAndCall);

}  // namespace
