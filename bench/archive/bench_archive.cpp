// Decoder throughput in bytes of output per second, ours beside zlib's inflate on the same input
// text, in one run. The RAR 2.0 stream comes from a small greedy LZ coder below (hash chains, one
// Huffman table set from the symbol counts), so codes have realistic lengths; its ratio is a
// simple packer's, not a tuned one's.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "archive/rar20_tables.h"

#include "archive/crc32.h"
#include "archive/crc32_kernels.h"
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

using vm::rar20::kDistanceBase;
using vm::rar20::kDistanceBits;
using vm::rar20::kLengthBase;
using vm::rar20::kLengthBits;

// One coded item: a symbol of the literal/length alphabet, and for matches its extra bits and
// distance slot.
struct Item {
  std::uint16_t symbol;
  std::uint16_t lengthExtra;
  std::uint8_t lengthBits;
  std::uint8_t distSlot;
  std::uint32_t distExtra;
};

Item matchItem(std::uint32_t length, std::uint32_t distance) {
  std::uint32_t base = length;
  if (distance >= 0x2000) --base;
  if (distance >= 0x40000) --base;
  unsigned n = 27;
  while (kLengthBase[n] > base - 3) --n;
  unsigned slot = 47;
  while (kDistanceBase[slot] > distance - 1) --slot;
  return {static_cast<std::uint16_t>(270 + n), static_cast<std::uint16_t>(base - 3 - kLengthBase[n]),
          kLengthBits[n], static_cast<std::uint8_t>(slot), distance - 1 - kDistanceBase[slot]};
}

// Huffman code lengths limited to 15 bits: halve the counts until the tree is shallow enough.
std::vector<std::uint8_t> codeLengths(std::vector<std::uint64_t> freq) {
  const std::size_t n = freq.size();
  for (;;) {
    std::vector<std::uint8_t> len(n, 0);
    std::vector<std::pair<std::uint64_t, std::vector<std::size_t>>> nodes;
    for (std::size_t i = 0; i < n; ++i)
      if (freq[i]) nodes.push_back({freq[i], {i}});
    if (nodes.size() == 1) nodes.push_back({1, {n == 1 ? 0 : (nodes[0].second[0] + 1) % n}});
    while (nodes.size() > 1) {
      std::sort(nodes.begin(), nodes.end(),
                [](const auto& a, const auto& b) { return a.first > b.first; });
      auto a = std::move(nodes.back());
      nodes.pop_back();
      auto b = std::move(nodes.back());
      nodes.pop_back();
      for (std::size_t s : a.second) ++len[s];
      for (std::size_t s : b.second) ++len[s];
      a.second.insert(a.second.end(), b.second.begin(), b.second.end());
      nodes.push_back({a.first + b.first, std::move(a.second)});
    }
    if (*std::max_element(len.begin(), len.end()) <= 15) return len;
    for (auto& f : freq)
      if (f) f = (f + 1) / 2;
  }
}

// Canonical codes in the decoder's order: by length, then by symbol.
std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& len) {
  std::uint32_t count[16] = {}, next[16] = {};
  for (std::uint8_t l : len) ++count[l];
  count[0] = 0;
  std::uint32_t code = 0;
  for (unsigned i = 1; i < 16; ++i) {
    code = (code + count[i - 1]) << 1;
    next[i] = code;
  }
  std::vector<std::uint32_t> codes(len.size());
  for (std::size_t s = 0; s < len.size(); ++s)
    if (len[s]) codes[s] = next[len[s]]++;
  return codes;
}

// Greedy LZ over hash chains (16 candidates); lengths 3..258, distances below 1 MiB less a margin.
// Then one table set with Huffman code lengths from the symbol counts, and the coded items.
std::vector<std::uint8_t> rarCompress(const std::vector<std::uint8_t>& in) {
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
  std::vector<Item> items;
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
    items.push_back(bestLen ? matchItem(bestLen, bestDist) : Item{in[i], 0, 0, 0, 0});
    for (std::size_t k = 0; k < step; ++k) insert(i + k);
    i += step;
  }

  std::vector<std::uint64_t> ldFreq(298), ddFreq(48);
  for (const Item& it : items) {
    ++ldFreq[it.symbol];
    if (it.symbol >= 270) ++ddFreq[it.distSlot];
  }
  ldFreq[269] = 1;  // keep every alphabet non-trivial
  const std::vector<std::uint8_t> ldLen = codeLengths(ldFreq);
  const std::vector<std::uint8_t> ddLen = codeLengths(ddFreq);
  const std::vector<std::uint8_t> rdLen = codeLengths(std::vector<std::uint64_t>(28, 1));
  const std::vector<std::uint32_t> ldCode = canonicalCodes(ldLen), ddCode = canonicalCodes(ddLen);

  BitWriter w;
  w.put(0, 2);  // LZ set, fresh lengths
  std::vector<std::uint8_t> all = ldLen;
  all.insert(all.end(), ddLen.begin(), ddLen.end());
  all.insert(all.end(), rdLen.begin(), rdLen.end());
  vm::testing::putLengths(w, all, {});
  for (const Item& it : items) {
    w.put(ldCode[it.symbol], ldLen[it.symbol]);
    if (it.symbol < 270) continue;
    w.put(it.lengthExtra, it.lengthBits);
    w.put(ddCode[it.distSlot], ddLen[it.distSlot]);
    w.put(it.distExtra, kDistanceBits[it.distSlot]);
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

// CRC-32 over one buffer of random bytes, by size: 256 B to 64 KiB (the decoder hands its output
// over in flushes of about 64 KiB), 1 MiB (within L2) and 8 MiB (L3). Every kernel this CPU has,
// the dispatched entry point, and zlib's crc32 as the peer on the same bytes:
//   build/bench/archive/bench_archive --benchmark_filter=Crc32
const std::vector<std::uint8_t>& crcInput() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> v(8 << 20);
    std::uint32_t x = 2463534242u;
    for (auto& b : v) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<std::uint8_t>(x);
    }
    return v;
  }();
  return bytes;
}

void crcSizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t size : {256, 4 << 10, 64 << 10, 1 << 20, 8 << 20}) b->Arg(size);
}

template <typename Fn>
void runCrc(benchmark::State& state, Fn crc) {
  const std::span<const std::uint8_t> bytes(crcInput().data(),
                                            static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(crc(bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Crc32(benchmark::State& state) {
  runCrc(state, [](std::span<const std::uint8_t> s) { return vm::crc32(s); });
  state.SetLabel(vm::crc32impl::kernelName(
      vm::crc32impl::selectKernel(vm::crc32impl::detectCpu())));
}
BENCHMARK(BM_Crc32)->Apply(crcSizes);

void BM_Crc32Kernel(benchmark::State& state, vm::crc32impl::Kernel kernel) {
  if (!vm::crc32impl::available(kernel, vm::crc32impl::detectCpu())) {
    state.SkipWithError("this CPU lacks the kernel's instructions");
    return;
  }
  const vm::crc32impl::UpdateFn update = vm::crc32impl::kernelFunction(kernel);
  runCrc(state, [update](std::span<const std::uint8_t> s) { return ~update(0xFFFFFFFFu, s); });
}
BENCHMARK_CAPTURE(BM_Crc32Kernel, slicing, vm::crc32impl::Kernel::Slicing)->Apply(crcSizes);
BENCHMARK_CAPTURE(BM_Crc32Kernel, pclmul, vm::crc32impl::Kernel::Pclmul)->Apply(crcSizes);
BENCHMARK_CAPTURE(BM_Crc32Kernel, vpclmul256, vm::crc32impl::Kernel::Vpclmul256)
    ->Apply(crcSizes);
BENCHMARK_CAPTURE(BM_Crc32Kernel, vpclmul512, vm::crc32impl::Kernel::Vpclmul512)
    ->Apply(crcSizes);

void BM_ZlibCrc32(benchmark::State& state) {
  runCrc(state, [](std::span<const std::uint8_t> s) {
    return ::crc32(0, s.data(), static_cast<uInt>(s.size()));
  });
}
BENCHMARK(BM_ZlibCrc32)->Apply(crcSizes);

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
