#include "archive/crc32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#if __has_include(<sys/mman.h>) && __has_include(<unistd.h>)
#include <sys/mman.h>
#include <unistd.h>
#define VM_HAVE_GUARD_PAGES 1
#endif

#include "archive/crc32_fold_constants.h"
#include "archive/crc32_kernels.h"

namespace vm {
namespace crc32impl {
// Names the kernel in test output.
void PrintTo(Kernel k, std::ostream* os) { *os << kernelName(k); }
}  // namespace crc32impl

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Bit-at-a-time reference, independent of the table and vector code.
std::uint32_t referenceStep(std::uint32_t reg, std::uint8_t b) {
  reg ^= b;
  for (int k = 0; k < 8; ++k) reg = (reg & 1u) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
  return reg;
}

std::uint32_t referenceUpdate(std::uint32_t reg, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) reg = referenceStep(reg, b);
  return reg;
}

std::uint32_t referenceCrc(std::span<const std::uint8_t> bytes) {
  return ~referenceUpdate(0xFFFFFFFFu, bytes);
}

std::vector<std::uint8_t> randomBytes(std::size_t n, std::mt19937& rng) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

struct KnownCase {
  const char* name;
  std::string_view input;
  std::uint32_t expected;
};
const KnownCase kKnown[] = {
    {"empty", "", 0x00000000u},
    {"check string", "123456789", 0xCBF43926u},
    {"one byte", "a", 0xE8B7BE43u},
    {"pangram", "The quick brown fox jumps over the lazy dog", 0x414FA339u},
};

TEST(Crc32, KnownValues) {
  for (const KnownCase& c : kKnown) EXPECT_EQ(crc32(bytesOf(c.input)), c.expected) << c.name;
  EXPECT_EQ(crc32Table()[1], 0x77073096u);
  EXPECT_EQ(crc32Table()[255], 0x2D02EF8Du);
}

// The sixteen-byte fast loop and the byte tail must agree with the reference for every length and
// alignment, and a checksum continued across split points must equal the one-shot value.
TEST(Crc32, SlicedLoopMatchesReferenceAtEveryLengthAndOffset) {
  std::vector<std::uint8_t> data(300);
  std::uint32_t x = 12345;
  for (auto& b : data) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  for (std::size_t off = 0; off < 16; ++off) {
    for (std::size_t len = 0; len + off <= 64; ++len) {
      const std::span<const std::uint8_t> s(data.data() + off, len);
      ASSERT_EQ(crc32(s), referenceCrc(s)) << "off " << off << " len " << len;
    }
  }
  const std::span<const std::uint8_t> all(data);
  for (std::size_t split : {0u, 1u, 7u, 8u, 9u, 150u, 299u, 300u}) {
    const std::uint32_t reg = crc32Update(0xFFFFFFFFu, all.first(split));
    EXPECT_EQ(~crc32Update(reg, all.subspan(split)), referenceCrc(all)) << "split " << split;
  }
}

// Long inputs through the public entry point, whichever kernel it picked.
TEST(Crc32, DispatchedUpdateMatchesReferenceOnLongInputs) {
  std::mt19937 rng(7);
  const std::vector<std::uint8_t> data = randomBytes(1 << 20, rng);
  for (std::size_t len : {63u, 64u, 65u, 255u, 256u, 1000u, 4096u + 3u, 1u << 20}) {
    const std::span<const std::uint8_t> s(data.data(), len);
    EXPECT_EQ(crc32(s), referenceCrc(s)) << "len " << len;
  }
}

// ---- The folding constants, checked against the bitwise CRC rather than trusted.

// A message of one set bit followed by zeros is the polynomial x^d, and its CRC register (zero
// start, no complement) is x^(d+32) mod P: byte 0x80 alone gives x^32, each zero byte after it
// eight more powers.
TEST(Crc32Constants, PowersOfXAreCrcsOfAnImpulse) {
  for (unsigned k = 0; k < 32; ++k)
    ASSERT_EQ(crc32impl::xPowModP(k), 0x80000000u >> k) << "k " << k;
  std::uint32_t impulse = referenceStep(0, 0x80);
  for (unsigned k = 32; k <= 4096; k += 8) {
    ASSERT_EQ(crc32impl::xPowModP(k), impulse) << "k " << k;
    ASSERT_EQ(crc32impl::foldConstant(k), std::uint64_t{impulse} << 1) << "k " << k;
    impulse = referenceStep(impulse, 0);
  }
}

// Carry-less product of two polynomials of degree below 64 in the usual bit order (bit d is x^d).
struct Product {
  std::uint64_t lo = 0, hi = 0;
};
Product clmul(std::uint64_t a, std::uint64_t b) {
  Product r;
  for (unsigned i = 0; i < 64; ++i) {
    if (((a >> i) & 1u) == 0) continue;
    r.lo ^= b << i;
    if (i) r.hi ^= b >> (64 - i);
  }
  return r;
}

TEST(Crc32Constants, BarrettPairIsThePolynomialAndItsQuotient) {
  const std::uint64_t p = crc32impl::polyNormal();
  EXPECT_EQ(p, 0x104C11DB7u);  // the polynomial's usual written form
  EXPECT_EQ(crc32impl::kBarrettPoly, std::uint64_t{crc32impl::kPolyReflected} << 1 | 1u);
  // mu = floor(x^64 / P) exactly when mu * P differs from x^64 only below x^32.
  const std::uint64_t mu = crc32impl::reflect33(crc32impl::kBarrettMu);
  const Product muP = clmul(mu, p);
  EXPECT_EQ(muP.hi, 1u);         // x^64
  EXPECT_EQ(muP.lo >> 32, 0u);   // and nothing else from x^32 up
  EXPECT_EQ(mu >> 32, 1u);  // degree 32
}

// ---- Dispatch: the widest kernel whose every instruction set is there.

TEST(Crc32Dispatch, SelectsTheWidestKernelTheCpuAllows) {
  using crc32impl::Kernel;
  struct Case {
    const char* name;
    crc32impl::CpuFeatures cpu;
    Kernel expected;
  };
  const bool x86 = VM_CRC32_X86;
  const Case cases[] = {
      {"bare", {}, Kernel::Slicing},
      {"pclmul only", {.pclmul = true}, x86 ? Kernel::Pclmul : Kernel::Slicing},
      {"avx2 + vpclmul", {.pclmul = true, .avx2 = true, .vpclmul = true},
       x86 ? Kernel::Vpclmul256 : Kernel::Slicing},
      {"avx-512 + vpclmul", {.pclmul = true, .avx2 = true, .avx512 = true, .vpclmul = true},
       x86 ? Kernel::Vpclmul512 : Kernel::Slicing},
      {"avx-512 without vpclmul", {.pclmul = true, .avx2 = true, .avx512 = true},
       x86 ? Kernel::Pclmul : Kernel::Slicing},
      {"vpclmul without pclmul", {.avx2 = true, .avx512 = true, .vpclmul = true}, Kernel::Slicing},
  };
  for (const Case& c : cases) {
    const Kernel k = crc32impl::selectKernel(c.cpu);
    EXPECT_EQ(k, c.expected) << c.name;
    EXPECT_TRUE(crc32impl::available(k, c.cpu)) << c.name;
  }
}

// ---- Every kernel, called directly, on every CPU that has its instructions.

class Crc32Kernel : public ::testing::TestWithParam<crc32impl::Kernel> {
 protected:
  void SetUp() override {
    if (!crc32impl::available(GetParam(), crc32impl::detectCpu()))
      GTEST_SKIP() << crc32impl::kernelName(GetParam())
                   << ": this CPU or build lacks its instructions";
  }
  std::uint32_t update(std::uint32_t reg, std::span<const std::uint8_t> bytes) const {
    return crc32impl::kernelFunction(GetParam())(reg, bytes);
  }
};

TEST_P(Crc32Kernel, KnownValues) {
  for (const KnownCase& c : kKnown)
    EXPECT_EQ(~update(0xFFFFFFFFu, bytesOf(c.input)), c.expected) << c.name;
}

// Lengths 0..1024 cross every block size (16 to 256 bytes) and tail length; starts 0..63 cross
// every alignment of a 64-byte line. The register going in varies, so its fold into the first
// block is checked too.
TEST_P(Crc32Kernel, EveryLengthAtEveryAlignmentMatchesReference) {
  std::mt19937 rng(1);
  std::vector<std::uint8_t> storage = randomBytes(64 + 64 + 1024, rng);
  const std::size_t skew = (64 - reinterpret_cast<std::uintptr_t>(storage.data()) % 64) % 64;
  const std::uint8_t* base = storage.data() + skew;
  for (std::size_t off = 0; off < 64; ++off) {
    const std::uint32_t start = off % 2 ? static_cast<std::uint32_t>(rng()) : 0xFFFFFFFFu;
    std::uint32_t expected = start;
    for (std::size_t len = 0; len <= 1024; ++len) {
      ASSERT_EQ(update(start, {base + off, len}), expected) << "off " << off << " len " << len;
      expected = referenceStep(expected, base[off + len]);
    }
  }
}

TEST_P(Crc32Kernel, RandomBuffersUpToMegabytesMatchReference) {
  std::mt19937 rng(2);
  for (std::size_t len : {4096u + 1u, 65536u + 17u, 1u << 20, (3u << 20) + 5u}) {
    const std::vector<std::uint8_t> data = randomBytes(len + 64, rng);
    const std::size_t off = rng() % 64;
    const std::span<const std::uint8_t> s(data.data() + off, len);
    EXPECT_EQ(~update(0xFFFFFFFFu, s), referenceCrc(s)) << "len " << len << " off " << off;
  }
}

// The archive reader feeds a decoder's output window by window: any split of the input must give
// the one-shot value.
TEST_P(Crc32Kernel, UpdatesSplitAtRandomPointsEqualOneShot) {
  std::mt19937 rng(3);
  const std::vector<std::uint8_t> data = randomBytes(200000, rng);
  const std::span<const std::uint8_t> all(data);
  const std::uint32_t expected = referenceCrc(all);
  ASSERT_EQ(~update(0xFFFFFFFFu, all), expected);
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<std::size_t> cuts(1 + rng() % 8);
    // Half the cuts land near each other, so short pieces between long ones occur too.
    for (std::size_t& c : cuts) c = trial % 2 ? rng() % data.size() : 1000 + rng() % 600;
    cuts.push_back(0);
    cuts.push_back(data.size());
    std::sort(cuts.begin(), cuts.end());
    std::uint32_t reg = 0xFFFFFFFFu;
    std::string pieces;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
      reg = update(reg, all.subspan(cuts[i], cuts[i + 1] - cuts[i]));
      pieces += std::to_string(cuts[i + 1] - cuts[i]) + " ";
    }
    ASSERT_EQ(~reg, expected) << "pieces " << pieces;
  }
}

#ifdef VM_HAVE_GUARD_PAGES
// Inputs that end (or start) right at an unmapped page: a kernel that loads a whole vector past
// the last byte, or before the first, faults here instead of passing by luck.
// Three pages: the middle one readable, the outer two not.
struct GuardedPage {
  std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* map = mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  bool ok = map != MAP_FAILED && mprotect(map, page, PROT_NONE) == 0 &&
            mprotect(static_cast<std::uint8_t*>(map) + 2 * page, page, PROT_NONE) == 0;
  ~GuardedPage() {
    if (map != MAP_FAILED) munmap(map, 3 * page);
  }
  std::uint8_t* begin() const { return static_cast<std::uint8_t*>(map) + page; }
  std::uint8_t* end() const { return begin() + page; }
};

TEST_P(Crc32Kernel, ReadsNothingOutsideTheInput) {
  const GuardedPage mem;
  ASSERT_TRUE(mem.ok);
  for (std::size_t i = 0; i < mem.page; ++i)
    mem.begin()[i] = static_cast<std::uint8_t>(i * 131 + 7);
  for (std::size_t len = 0; len <= std::min<std::size_t>(mem.page, 1024); ++len) {
    const std::span<const std::uint8_t> atEnd(mem.end() - len, len), atStart(mem.begin(), len);
    ASSERT_EQ(~update(0xFFFFFFFFu, atEnd), referenceCrc(atEnd)) << "len " << len;
    ASSERT_EQ(~update(0xFFFFFFFFu, atStart), referenceCrc(atStart)) << "len " << len;
  }
}
#endif

std::string kernelTestName(const ::testing::TestParamInfo<crc32impl::Kernel>& info) {
  switch (info.param) {
    case crc32impl::Kernel::Slicing: return "Slicing";
    case crc32impl::Kernel::Pclmul: return "Pclmul";
    case crc32impl::Kernel::Vpclmul256: return "Vpclmul256";
    case crc32impl::Kernel::Vpclmul512: return "Vpclmul512";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(AllKernels, Crc32Kernel,
                         ::testing::Values(crc32impl::Kernel::Slicing, crc32impl::Kernel::Pclmul,
                                           crc32impl::Kernel::Vpclmul256,
                                           crc32impl::Kernel::Vpclmul512),
                         kernelTestName);

}  // namespace
}  // namespace vm
