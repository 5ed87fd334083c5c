// Texture from a 1024 x 1024 JPEG held in memory, full mip chain, against the JPEG decode alone, in
// one run so the ratio holds on any machine (compare CPU times; the machine may be shared):
//   ninja -C build bench_d3dx_texture &&
//   ./build/bench/d3dx/bench_d3dx_texture --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// The picture is synthetic (gradients and noise, quality 90), encoded once at start-up.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "pictures/image.h"
#include "platform/d3d/d3d.h"
#include "platform/d3dx/image.h"
#include "platform/d3dx/texture_from_memory.h"
#include "platform/d3dx/texture_image.h"

namespace {

std::vector<std::uint8_t> makeJpeg(unsigned side) {
    std::vector<std::uint8_t> rgb(std::size_t{side} * side * 3);
    std::mt19937 noise(1);
    for (unsigned y = 0; y < side; ++y)
        for (unsigned x = 0; x < side; ++x) {
            std::uint8_t* p = &rgb[(std::size_t{y} * side + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 255 / side);
            p[1] = static_cast<std::uint8_t>(y * 255 / side);
            p[2] = static_cast<std::uint8_t>(noise() & 0x3F);
        }
    const int n = static_cast<int>(side);
    return vm::pictures::encodeJpegRgb(rgb.data(), n, n, 90);
}

const std::vector<std::uint8_t>& jpeg1024() {
    static const std::vector<std::uint8_t> bytes = makeJpeg(1024);
    return bytes;
}

void DecodeOnly(benchmark::State& state) {
    const auto& jpeg = jpeg1024();
    for (auto _ : state) {
        vm::d3dx::Image image;
        if (vm::d3dx::decodeImage(jpeg.data(), jpeg.size(), image) != vm::d3dx::kOk) state.SkipWithError("decode");
        benchmark::DoNotOptimize(image.pixels.data());
    }
}

// Everything a texture load does on the CPU: decode, the 11 levels down to 1 x 1, conversion to the
// texture format (the file's own, X8R8G8B8, or the 16-bit fallback).
void TextureFullChain(benchmark::State& state) {
    const auto& jpeg = jpeg1024();
    vm::d3dx::TextureRequest request;
    request.format = static_cast<vm::d3dx::PixelFormat>(state.range(0));
    for (auto _ : state) {
        vm::d3dx::TextureImage texture;
        if (vm::d3dx::prepareTextureImage(jpeg.data(), jpeg.size(), request, texture) != vm::d3dx::kOk)
            state.SkipWithError("texture");
        benchmark::DoNotOptimize(texture.levels.data());
    }
}

// The fallback path of the texture table: scaled to 256 x 256, 16-bit.
void TextureScaled256(benchmark::State& state) {
    const auto& jpeg = jpeg1024();
    vm::d3dx::TextureRequest request;
    request.width = request.height = 256;
    request.format = vm::d3dx::PixelFormat::R5G6B5;
    for (auto _ : state) {
        vm::d3dx::TextureImage texture;
        if (vm::d3dx::prepareTextureImage(jpeg.data(), jpeg.size(), request, texture) != vm::d3dx::kOk)
            state.SkipWithError("texture");
        benchmark::DoNotOptimize(texture.levels.data());
    }
}

// The whole load as the texture table does it: the CPU work above plus the upload of every level into
// a managed texture of the headless (Mesa) device.
void TextureOnDevice(benchmark::State& state) {
    static std::unique_ptr<vm::d3d::Direct3D> d3d;
    static std::unique_ptr<vm::d3d::Device> device;
    if (!d3d) {
        vm::d3d::ObjectOptions o;
        o.headless = true;
        d3d = vm::d3d::Direct3D::Create(vm::d3d::kSdkVersion, o);
        vm::d3d::PresentParameters pp;
        pp.BackBufferWidth = pp.BackBufferHeight = 64;
        pp.BackBufferFormat = vm::d3d::Format::X8R8G8B8;
        pp.Windowed = true;
        if (d3d)
            d3d->CreateDevice(0, vm::d3d::DevType::Hal, vm::d3d::PresentTarget::Headless(64, 64),
                              vm::d3d::create::kHardwareVertexProcessing, &pp, &device);
    }
    if (!device) {
        state.SkipWithError("no headless OpenGL device");
        return;
    }
    const auto& jpeg = jpeg1024();
    for (auto _ : state) {
        std::unique_ptr<vm::d3d::Texture> texture;
        if (vm::d3dx::CreateTextureFromFileInMemory(device.get(), jpeg.data(), jpeg.size(), &texture) != vm::d3dx::kOk)
            state.SkipWithError("texture");
        benchmark::DoNotOptimize(texture.get());
    }
}

}  // namespace

BENCHMARK(DecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(TextureFullChain)
    ->Arg(static_cast<int>(vm::d3dx::PixelFormat::Unknown))
    ->Arg(static_cast<int>(vm::d3dx::PixelFormat::R5G6B5))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TextureScaled256)->Unit(benchmark::kMillisecond);
BENCHMARK(TextureOnDevice)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) {
    // glibc serves large blocks with fresh mappings until the first few are freed, then from the heap:
    // without this the first case alone would pay the page faults and the ratios would depend on order.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);  // and keep freed heap instead of returning it each iteration
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
