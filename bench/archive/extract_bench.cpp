// Extraction throughput of the saver's archive reader on a solid archive of scene-like content
// made by rarpack, against zlib inflating the same bytes (packed at its default level) in the same
// run. Bytes processed are unpacked bytes; rates are per CPU second, which stays meaningful on a
// shared, loaded machine.
//
//   bench_archive_extract [--write-archive=PATH] [benchmark flags]
// writes the multimedia archive to PATH first (for bench/scripts/archive_vs_unar.sh).

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>

#include "archive/media_archive.h"
#include "bench_corpus.h"

namespace {

using vm::rarpack::ArchiveEntry;

const std::vector<ArchiveEntry>& corpus()
{
    static const std::vector<ArchiveEntry> c = vm::bench::sceneLikeCorpus();
    return c;
}

size_t corpusBytes()
{
    size_t n = 0;
    for (const auto& e : corpus())
        n += e.data.size();
    return n;
}

const std::vector<uint8_t>& archive(vm::rarpack::Multimedia mm)
{
    static std::vector<uint8_t> packed[3];
    auto& a = packed[static_cast<int>(mm)];
    if (a.empty()) {
        vm::rarpack::ArchiveOptions o;
        o.level = 3;
        o.solid = true;
        o.multimedia = mm;
        std::string error;
        if (vm::rarpack::writeArchive(corpus(), o, a, error) != 0)
            std::fprintf(stderr, "packing failed: %s\n", error.c_str());
    }
    return a;
}

// Requesting the last entry decodes the whole solid stream, as the saver's last request does.
void extractLast(benchmark::State& state, const std::vector<uint8_t>& a, const std::string& last, size_t bytes)
{
    for (auto _ : state) {
        vm::MediaBlob blob{a.data(), static_cast<uint32_t>(a.size()), 0};
        uint8_t* data = nullptr;
        uint32_t size = 0;
        if (!vm::MediaArchive::extractFile(last.c_str(), blob, nullptr, data, size)) {
            state.SkipWithError("extraction failed");
            break;
        }
        benchmark::DoNotOptimize(data);
        vm::MediaArchive::releaseFile(data);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["packed_MB"] = static_cast<double>(a.size()) / 1e6;
}

void extractLast(benchmark::State& state, vm::rarpack::Multimedia mm)
{
    extractLast(state, archive(mm), corpus().back().name, corpusBytes());
}

void BM_ReaderSolidLz(benchmark::State& state) { extractLast(state, vm::rarpack::Multimedia::Off); }
void BM_ReaderSolidMultimedia(benchmark::State& state) { extractLast(state, vm::rarpack::Multimedia::Auto); }

// Every entry in one pass, each checked against its CRC and handed out: what rarpack e does before
// writing files.
void BM_ReaderExtractAllMultimedia(benchmark::State& state)
{
    const auto& a = archive(vm::rarpack::Multimedia::Auto);
    for (auto _ : state) {
        vm::MediaBlob blob{a.data(), static_cast<uint32_t>(a.size()), 0};
        size_t bytes = 0;
        const int rc = vm::MediaArchive::extractAll(
            blob, nullptr, [&](const vm::MediaEntryInfo&, vm::MediaEntryStatus, std::span<const uint8_t> b) {
                bytes += b.size();
                return true;
            });
        if (rc != vm::MediaArchive::kOk || bytes != corpusBytes()) {
            state.SkipWithError("extraction failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpusBytes()));
}

void BM_ZlibInflateSameBytes(benchmark::State& state)
{
    std::vector<uint8_t> all;
    for (const auto& e : corpus())
        all.insert(all.end(), e.data.begin(), e.data.end());
    uLongf packedSize = compressBound(static_cast<uLong>(all.size()));
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, all.data(), static_cast<uLong>(all.size()), Z_DEFAULT_COMPRESSION);
    std::vector<uint8_t> out(all.size());
    for (auto _ : state) {
        uLongf outSize = static_cast<uLongf>(out.size());
        if (uncompress(out.data(), &outSize, packed.data(), packedSize) != Z_OK) {
            state.SkipWithError("inflate failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(all.size()));
    state.counters["packed_MB"] = static_cast<double>(packedSize) / 1e6;
}

BENCHMARK(BM_ReaderSolidLz)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderSolidMultimedia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderExtractAllMultimedia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflateSameBytes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        constexpr const char* kFlag = "--write-archive=";
        if (std::strncmp(argv[i], kFlag, std::strlen(kFlag)) != 0)
            continue;
        const auto& a = archive(vm::rarpack::Multimedia::Auto);
        std::FILE* f = std::fopen(argv[i] + std::strlen(kFlag), "wb");
        if (f == nullptr || std::fwrite(a.data(), 1, a.size(), f) != a.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", argv[i] + std::strlen(kFlag));
            return 1;
        }
        std::printf("%s\t%zu bytes packed, %zu unpacked, last entry %s\n", argv[i] + std::strlen(kFlag), a.size(),
                    corpusBytes(), corpus().back().name.c_str());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The multimedia decoder alone: the corpus' audio and picture entries (organ.raw, the .tga light
// maps), which rarpack codes in the multimedia mode, packed solid on their own; the last entry is
// requested, so the whole stream is decoded once per iteration. Bytes processed are those entries'.
namespace {

const std::vector<ArchiveEntry>& multimediaCorpus()
{
    static const std::vector<ArchiveEntry> c = [] {
        std::vector<ArchiveEntry> m;
        for (const auto& e : corpus()) {
            const auto dot = e.name.rfind('.');
            const std::string ext = dot == std::string::npos ? "" : e.name.substr(dot);
            if (ext == ".tga" || ext == ".raw")
                m.push_back(e);
        }
        return m;
    }();
    return c;
}

void BM_ReaderSolidMultimediaOnly(benchmark::State& state)
{
    static const std::vector<uint8_t> a = [] {
        vm::rarpack::ArchiveOptions o;
        o.level = 3;
        o.solid = true;
        o.multimedia = vm::rarpack::Multimedia::Auto;
        std::vector<uint8_t> packed;
        std::string error;
        if (vm::rarpack::writeArchive(multimediaCorpus(), o, packed, error) != 0)
            std::fprintf(stderr, "packing failed: %s\n", error.c_str());
        return packed;
    }();
    size_t bytes = 0;
    for (const auto& e : multimediaCorpus())
        bytes += e.data.size();
    extractLast(state, a, multimediaCorpus().back().name, bytes);
    state.counters["entries"] = static_cast<double>(multimediaCorpus().size());
}

BENCHMARK(BM_ReaderSolidMultimediaOnly)->Unit(benchmark::kMillisecond);

} // namespace
