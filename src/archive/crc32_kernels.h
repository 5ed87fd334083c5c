#pragma once
// The CRC-32 implementations behind crc32Update(), each callable directly so that tests and
// benchmarks can check every one the CPU has, not only the one the dispatcher picks.
//
// Every kernel has crc32Update()'s contract: it continues a running register (not complemented)
// over any number of bytes at any alignment. The vector kernels fall back to a narrower kernel for
// inputs too short to fill their first block and finish the last few bytes with the tables.
// Calling a vector kernel on a CPU without its instructions is undefined: check available() first.

#include <cstdint>
#include <span>

#if defined(__x86_64__) || defined(__i386__)
#define VM_CRC32_X86 1
#else
#define VM_CRC32_X86 0
#endif

namespace vm::crc32impl {

using UpdateFn = std::uint32_t (*)(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept;

// Slicing-by-16 over 256-entry tables: portable, about 2 GB/s.
std::uint32_t updateSlicing(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept;

enum class Kernel { Slicing, Pclmul, Vpclmul256, Vpclmul512 };

// What the CPU (and the OS, for the wide register state) offers.
struct CpuFeatures {
  bool pclmul = false;   // PCLMULQDQ and SSE4.1
  bool avx2 = false;
  bool avx512 = false;   // AVX-512 F, enabled by the OS
  bool vpclmul = false;  // VPCLMULQDQ
};

// The widest kernel the features allow; Slicing on other architectures.
Kernel selectKernel(const CpuFeatures& cpu) noexcept;

// This machine's features (all false off x86).
CpuFeatures detectCpu() noexcept;

bool available(Kernel k, const CpuFeatures& cpu) noexcept;
UpdateFn kernelFunction(Kernel k) noexcept;
const char* kernelName(Kernel k) noexcept;

#if VM_CRC32_X86
// Four 128-bit lanes folded 512 bits per step; 64 bytes and more.
std::uint32_t updatePclmul(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept;
// Four 256-bit registers folded 1024 bits per step (AVX2 + VPCLMULQDQ); 128 bytes and more.
std::uint32_t updateVpclmul256(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept;
// Four 512-bit registers folded 2048 bits per step (AVX-512 + VPCLMULQDQ); 256 bytes and more.
std::uint32_t updateVpclmul512(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept;
#endif

}  // namespace vm::crc32impl
