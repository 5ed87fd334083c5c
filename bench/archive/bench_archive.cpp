// Decoder throughput in bytes of output per second, ours beside zlib's inflate on the same input
// text, in one run. The RAR 2.0 stream comes from a small greedy LZ coder below that writes the flat
// table set of the tests (9-bit literals, 6-bit distance slots), so it measures the match and
// literal paths rather than a tuned packer's ratio.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/media_archive.h"
#include "archive/rar20_unpacker.h"
#include "rar_writer.h"

namespace {

using vm::testing::BitWriter;

// Text-like input: words from a small vocabulary, so matches of all lengths and distances occur.
std::vector<std::uint8_t> sampleText(std::size_t size) {
  static const char* const kWords[] = {
      "the ",    "candle ", "light ", "falls ",  "on ",     "stone ",   "columns ", "and ",
      "benches ", "while ", "organ ", "music ",  "fills ",  "nave ",    "of ",      "church ",
      "at ",     "night. ", "glass ", "windows ", "glow, ",  "shadows ", "move ",    "slowly\n"};
  std::vector<std::uint8_t> out;
  std::uint32_t x = 2463534242u;
  while (out.size() < size) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    const std::string_view w = kWords[x % std::size(kWords)];
    out.insert(out.end(), w.begin(), w.end());
    if (x % 7 == 0) out.push_back(static_cast<std::uint8_t>('0' + (x >> 8) % 10));
  }
  out.resize(size);
  return out;
}

constexpr std::array<std::uint32_t, 28> kLDecode = {0,  1,  2,  3,  4,  5,   6,   7,   8,   10,
                                                    12, 14, 16, 20, 24, 28,  32,  40,  48,  56,
                                                    64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::array<std::uint8_t, 28> kLBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

void putMatch(BitWriter& w, std::uint32_t length, std::uint32_t distance) {
  std::uint32_t base = length;
  if (distance >= 0x2000) --base;
  if (distance >= 0x40000) --base;
  unsigned n = 27;
  while (kLDecode[n] > base - 3) --n;
  const std::uint32_t d = distance - 1;
  unsigned slot = 0, bits = 0;
  std::uint32_t start = 0;
  for (unsigned s = 0; s < 48; ++s) {
    const unsigned b = s < 4 ? 0 : s < 34 ? (s - 2) / 2 : 16;
    std::uint32_t st = 0;
    {  // slot base, as the decoder's table
      static const std::uint32_t kD[48] = {
          0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
          32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
          1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
          32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
          524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
      st = kD[s];
    }
    if (d >= st && d - st < (1u << b)) {
      slot = s;
      bits = b;
      start = st;
      break;
    }
  }
  vm::testing::putMatch(w, n, base - 3 - kLDecode[n], kLBits[n], slot, d - start, bits);
}

// Greedy LZ over hash chains (16 candidates); lengths 3..258, distances below 1 MiB less a margin.
std::vector<std::uint8_t> rarCompress(const std::vector<std::uint8_t>& in) {
  BitWriter w;
  vm::testing::putLzTables(w);
  constexpr std::size_t kWindow = 0xF0000;
  std::vector<std::int64_t> head(1 << 16, -1);
  std::vector<std::int64_t> prev(in.size(), -1);
  auto hash = [&](std::size_t i) {
    return ((std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8 | in[i + 2]) *
            2654435761u) >> 16;
  };
  auto insert = [&](std::size_t i) {
    if (i + 3 > in.size()) return;
    const std::uint32_t h = hash(i);
    prev[i] = head[h];
    head[h] = static_cast<std::int64_t>(i);
  };
  std::size_t i = 0;
  while (i < in.size()) {
    std::uint32_t bestLen = 0, bestDist = 0;
    if (i + 3 <= in.size()) {
      std::int64_t cand = head[hash(i)];
      for (int depth = 0; depth < 16 && cand >= 0; ++depth) {
        const auto c = static_cast<std::size_t>(cand);
        if (i - c >= kWindow) break;
        std::uint32_t len = 0;
        while (len < 255 && i + len < in.size() && in[c + len] == in[i + len]) ++len;
        const auto dist = static_cast<std::uint32_t>(i - c);
        const std::uint32_t need = dist >= 0x40000 ? 5 : dist >= 0x2000 ? 4 : 3;
        if (len >= need && len > bestLen) {
          bestLen = len;
          bestDist = dist;
        }
        cand = prev[c];
      }
    }
    const std::size_t step = bestLen ? bestLen : 1;
    if (bestLen)
      putMatch(w, bestLen, bestDist);
    else
      vm::testing::putLiteral(w, in[i]);
    for (std::size_t k = 0; k < step; ++k) insert(i + k);
    i += step;
  }
  return w.finish();
}

struct Data {
  std::vector<std::uint8_t> text = sampleText(8 << 20);
  std::vector<std::uint8_t> rar = rarCompress(text);
  std::vector<std::uint8_t> zlib = [this] {
    uLongf n = compressBound(static_cast<uLong>(text.size()));
    std::vector<std::uint8_t> z(n);
    compress2(z.data(), &n, text.data(), static_cast<uLong>(text.size()), 6);
    z.resize(n);
    return z;
  }();
};

const Data& data() {
  static const Data d;
  return d;
}

void BM_Rar20Lz(benchmark::State& state) {
  const Data& d = data();
  std::vector<std::uint8_t> out(d.text.size());
  vm::Rar20Unpacker u;
  if (!u.init()) state.SkipWithError("no window");
  for (auto _ : state) {
    const std::uint32_t n =
        u.unpack(d.rar, static_cast<std::uint32_t>(out.size()), false, out.data());
    benchmark::DoNotOptimize(n);
  }
  if (out != d.text) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
  state.counters["ratio"] = static_cast<double>(d.rar.size()) / static_cast<double>(d.text.size());
}
BENCHMARK(BM_Rar20Lz)->Unit(benchmark::kMillisecond);

void BM_ZlibInflate(benchmark::State& state) {
  const Data& d = data();
  std::vector<std::uint8_t> out(d.text.size());
  for (auto _ : state) {
    uLongf n = static_cast<uLongf>(out.size());
    uncompress(out.data(), &n, d.zlib.data(), static_cast<uLong>(d.zlib.size()));
    benchmark::DoNotOptimize(n);
  }
  if (out != d.text) state.SkipWithError("inflated bytes differ");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
  state.counters["ratio"] = static_cast<double>(d.zlib.size()) / static_cast<double>(d.text.size());
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

void BM_Crc32(benchmark::State& state) {
  const Data& d = data();
  for (auto _ : state) benchmark::DoNotOptimize(vm::crc32(d.text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
}
BENCHMARK(BM_Crc32)->Unit(benchmark::kMillisecond);

void BM_ZlibCrc32(benchmark::State& state) {
  const Data& d = data();
  for (auto _ : state)
    benchmark::DoNotOptimize(::crc32(0, d.text.data(), static_cast<uInt>(d.text.size())));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
}
BENCHMARK(BM_ZlibCrc32)->Unit(benchmark::kMillisecond);

// A whole request on a real archive entry: window set-up, table reads, decoding and the CRC.
void BM_ExtractRealEntry(benchmark::State& state, const char* name) {
  const auto path = std::filesystem::path(VM_FIXTURES_DIR) / "rar" / "test_v2.rar";
  std::ifstream f(path, std::ios::binary);
  const std::vector<std::uint8_t> archive{std::istreambuf_iterator<char>(f),
                                          std::istreambuf_iterator<char>()};
  if (archive.empty()) {
    state.SkipWithError("fixture test_v2.rar missing");
    return;
  }
  vm::MediaBlob blob{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
  std::uint32_t total = 0;
  for (auto _ : state) {
    std::uint8_t* out = nullptr;
    std::uint32_t size = 0;
    if (!vm::MediaArchive::extractFile(name, blob, nullptr, out, size)) {
      state.SkipWithError("extract failed");
      break;
    }
    total += size;
    vm::MediaArchive::releaseFile(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 16384);
}
BENCHMARK_CAPTURE(BM_ExtractRealEntry, lz_best, "p5.bin")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ExtractRealEntry, multimedia, "pMM.bin")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
