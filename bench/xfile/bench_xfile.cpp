// Load time of X files: the fixtures (binary, compressed, text) and a generated 100,000-triangle compressed
// file, read and turned into renderer meshes. Where libassimp-dev was found at configure time, assimp's
// importer reads the same bytes from memory in the same run (no post-processing), and a table of
// ratios follows the results. `bench_xfile --write-big FILE` only writes the generated file
// (compare_assimp.sh uses it for the whole-process comparison); `--steady-heap` keeps freed memory in the
// process (see main).

#include <benchmark/benchmark.h>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#endif

#ifdef VM_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/x_writer.h"
#include "platform/d3dx/xfile/xfile.h"

namespace {

using namespace vm::d3dx;

// A 224 x 224 grid of quads on a wavy surface: 2 × 223² ≈ 99,458 triangles as quads, plus a lid of
// triangles to reach 100,000, two materials, normals and texture coordinates.
std::vector<std::uint8_t> bigFile() {
    constexpr std::uint32_t n = 224;
    XMeshData m;
    m.name = "Nave";
    for (std::uint32_t z = 0; z < n; ++z)
        for (std::uint32_t x = 0; x < n; ++x) {
            const float fx = static_cast<float>(x), fz = static_cast<float>(z);
            m.positions.push_back({fx, std::sin(fx * 0.1f) * std::cos(fz * 0.1f), fz});
            m.normals.push_back({0, 1, 0});
            m.texCoords.push_back({fx / n, fz / n});
        }
    std::uint32_t triangles = 0;
    for (std::uint32_t z = 0; z + 1 < n; ++z)
        for (std::uint32_t x = 0; x + 1 < n; ++x) {
            const std::uint32_t v = z * n + x;
            m.faceCorners.push_back(4);
            m.faceIndices.insert(m.faceIndices.end(), {v, v + 1, v + n + 1, v + n});
            m.faceMaterials.push_back((x / 16 + z / 16) % 2);
            triangles += 2;
        }
    for (std::uint32_t i = 0; triangles < 100000; ++i, ++triangles) {
        m.faceCorners.push_back(3);
        m.faceIndices.insert(m.faceIndices.end(), {i, i + 1, i + n});
        m.faceMaterials.push_back(0);
    }
    m.normalFaceIndices = m.faceIndices;
    XMaterial stone, wood;
    stone.diffuse = {0.6f, 0.6f, 0.6f, 1};
    stone.textureFilename = "stone_floor.jpg";
    wood.diffuse = {0.4f, 0.3f, 0.2f, 1};
    wood.textureFilename = "bench_wood.jpg";
    m.materials = {stone, wood};
    XFrameDesc root;
    root.name = "Church";
    root.meshes.push_back(std::move(m));
    std::vector<std::uint8_t> out;
    if (writeXFile({root}, true, out) != XResult::Ok) out.clear();
    return out;
}

std::vector<std::uint8_t> fixture(const char* name) {
    std::ifstream in(std::string(VM_FIXTURES_DIR "/x/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole load: parse, then every mesh into the renderer's layout.
bool load(const std::vector<std::uint8_t>& bytes) {
    XFile f;
    if (readXFile(bytes, f) != XResult::Ok) return false;
    std::vector<const XDataObject*> stack;
    for (const auto& o : f.objects) stack.push_back(o.get());
    while (!stack.empty()) {
        const XDataObject* o = stack.back();
        stack.pop_back();
        if (o->type == "Mesh") {
            XMeshData mesh;
            XRenderMesh render;
            if (readMeshData(*o, mesh) != XResult::Ok || buildRenderMesh(mesh, render) != XResult::Ok) return false;
            benchmark::DoNotOptimize(render.vertices.data());
        }
        for (const auto& c : o->children)
            if (c.object) stack.push_back(c.object.get());
    }
    return true;
}

void BM_Load(benchmark::State& state, std::vector<std::uint8_t> bytes) {
    if (bytes.empty() || !load(bytes)) {
        state.SkipWithError("input missing or unreadable");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(load(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

#ifdef VM_HAVE_ASSIMP
// The peer: assimp's whole import of the same bytes, without post-processing steps.
void BM_Assimp(benchmark::State& state, std::vector<std::uint8_t> bytes) {
    auto read = [&] {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "x");
        return scene != nullptr && scene->mNumMeshes > 0;
    };
    if (bytes.empty() || !read()) {
        state.SkipWithError("input missing or unreadable for assimp");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(read());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
#endif

// The console output, then per file: our time, assimp's and the ratio (CPU time per load).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations == 0 || r.run_type != Run::RT_Iteration) continue;
            const std::string name = r.benchmark_name();
            const std::size_t slash = name.find('/');
            if (slash == std::string::npos) continue;
            const double us = r.cpu_accumulated_time / static_cast<double>(r.iterations) * 1e6;
            auto& entry = perFile_[name.substr(slash + 1)];
            (name.compare(0, slash, "load") == 0 ? entry.first : entry.second) = us;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-36s %12s %12s %8s\n", "file", "ours us", "assimp us", "ratio");
        for (const auto& [file, t] : perFile_)
            if (t.first > 0 && t.second > 0)
                std::printf("%-36s %12.1f %12.1f %7.1fx\n", file.c_str(), t.first, t.second, t.second / t.first);
    }

private:
    std::map<std::string, std::pair<double, double>> perFile_;  // file -> (ours, assimp) in us
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-big") == 0) {
        const std::vector<std::uint8_t> bytes = bigFile();
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return bytes.empty() || !out ? 1 : 0;
    }
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> inputs = {
        {"generated_100k_triangles_bzip", bigFile()},
        {"fromtruespace_bin32.x", fixture("fromtruespace_bin32.x")},
        {"test_cube_binary.x", fixture("test_cube_binary.x")},
        {"test_cube_compressed.x", fixture("test_cube_compressed.x")},
        {"test_cube_text.x", fixture("test_cube_text.x")},
        {"kwxport_test_cubewithvcolors.x", fixture("kwxport_test_cubewithvcolors.x")},
        {"Testwuson.X", fixture("Testwuson.X")},
    };
    for (const auto& [name, bytes] : inputs) {
        benchmark::RegisterBenchmark(("load/" + name).c_str(), BM_Load, bytes)->Unit(benchmark::kMicrosecond);
#ifdef VM_HAVE_ASSIMP
        benchmark::RegisterBenchmark(("assimp/" + name).c_str(), BM_Assimp, bytes)->Unit(benchmark::kMicrosecond);
#endif
    }
    // --steady-heap: the allocator keeps and reuses what it frees, for both readers alike, so that
    // repeated loads measure the reading rather than the kernel handing out fresh pages each time.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--steady-heap") == 0) {
#if defined(__linux__) && defined(__GLIBC__)
            mallopt(M_MMAP_THRESHOLD, 32 << 20);
            mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            break;
        }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
