// What playing the music costs. Each figure is per second of music, so "core_percent" is the share
// of one core that playback takes. Peers in the same run:
// - BM_RawVorbisDecode: libvorbisfile alone on the same bytes (the floor for any player);
// - BM_IdleDevice: the SDL device open and running with nothing to play.
#include "platform/audio/audio_library.h"
#include "platform/audio/manual_output.h"
#include "platform/audio/sdl_audio.h"
#include "platform/os/resources.h"

#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChunk = 2048;  // frames per device callback, as the SDL output asks for

// Each iteration handles one second of music, so CPU seconds per iteration × 100 is the share of a core.
// CPU time, not wall time: the build machine is shared and wall time there says little.
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
class CorePercent {
public:
    explicit CorePercent(benchmark::State& state) : state_(state), start_(threadCpuSeconds()) {}
    ~CorePercent() {
        const double iterations = static_cast<double>(state_.iterations());
        if (iterations > 0) state_.counters["core_percent"] = 100.0 * (threadCpuSeconds() - start_) / iterations;
    }
    CorePercent(const CorePercent&) = delete;
    CorePercent& operator=(const CorePercent&) = delete;

private:
    benchmark::State& state_;
    double start_;
};

vm::os::ResourceBytes loopPiece() { return vm::os::findResource("SOUND", 470); }

struct Memory {
    const unsigned char* data;
    std::size_t size, pos;
};
std::size_t readMem(void* p, std::size_t s, std::size_t n, void* src) {
    auto* m = static_cast<Memory*>(src);
    const std::size_t items = s ? std::min(n, (m->size - m->pos) / s) : 0;
    std::memcpy(p, m->data + m->pos, items * s);
    m->pos += items * s;
    return items;
}
int seekMem(void* src, ogg_int64_t off, int whence) {
    auto* m = static_cast<Memory*>(src);
    const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(m->pos) : static_cast<ogg_int64_t>(m->size);
    if (base + off < 0 || base + off > static_cast<ogg_int64_t>(m->size)) return -1;
    m->pos = static_cast<std::size_t>(base + off);
    return 0;
}
long tellMem(void* src) { return static_cast<long>(static_cast<Memory*>(src)->pos); }

void BM_RawVorbisDecode(benchmark::State& state) {
    const auto bytes = loopPiece();
    if (bytes.empty()) return state.SkipWithError("music not embedded");
    Memory m{bytes.data(), bytes.size(), 0};
    OggVorbis_File vf;
    if (ov_open_callbacks(&m, &vf, nullptr, 0, ov_callbacks{readMem, seekMem, nullptr, tellMem}) != 0) {
        return state.SkipWithError("cannot open");
    }
    {
    CorePercent meter(state);
    for (auto _ : state) {
        long frames = 0;
        while (frames < kRate) {
            float** pcm = nullptr;
            int section = 0;
            const long got = ov_read_float(&vf, &pcm, kChunk, &section);
            if (got <= 0) {
                ov_raw_seek(&vf, 0);
                continue;
            }
            benchmark::DoNotOptimize(pcm[0][0]);
            frames += got;
        }
    }
    }
    ov_clear(&vf);
}
BENCHMARK(BM_RawVorbisDecode)->Unit(benchmark::kMillisecond);

// The library's own path: decode, interleave, mix, volume, clamp, in device-sized chunks.
void BM_LibraryRender(benchmark::State& state) {
    const auto bytes = loopPiece();
    if (bytes.empty()) return state.SkipWithError("music not embedded");
    auto out = std::make_unique<vm::audio::ManualOutput>();
    vm::audio::ManualOutput* output = out.get();
    vm::audio::AudioLibrary lib(std::move(out));
    lib.init(vm::audio::kDefaultDevice, kRate);
    lib.start();
    lib.setVolume(75);
    const auto h = lib.streamCreate(bytes);
    lib.streamPlay(h, true, true);
    std::vector<float> buf;
    CorePercent meter(state);
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kChunk) {
            output->pump(kChunk, buf);
            benchmark::DoNotOptimize(buf.data());
        }
    }
}
BENCHMARK(BM_LibraryRender)->Unit(benchmark::kMillisecond);

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Whole process on SDL's dummy driver, which pulls at the real rate: CPU time over wall time.
void deviceRun(benchmark::State& state, bool play) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto bytes = loopPiece();
    if (bytes.empty()) return state.SkipWithError("music not embedded");
    for (auto _ : state) {
        auto lib = vm::audio::makeSdlAudioLibrary();
        if (lib->init(vm::audio::kDefaultDevice, kRate) != vm::audio::kOk) return state.SkipWithError("no dummy device");
        lib->start();
        if (play) lib->streamPlay(lib->streamCreate(bytes), true, true);
        const double cpu0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(4));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = cpuSeconds() - cpu0;
        state.SetIterationTime(wall);
        state.counters["core_percent"] = 100.0 * cpu / wall;
        lib->free();
    }
}
void BM_IdleDevice(benchmark::State& state) { deviceRun(state, false); }
void BM_PlayingDevice(benchmark::State& state) { deviceRun(state, true); }
BENCHMARK(BM_IdleDevice)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayingDevice)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
