#include "archive/crc32.h"

#include "archive/crc32_kernels.h"

namespace vm {
namespace crc32impl {

Kernel selectKernel(const CpuFeatures& cpu) noexcept {
  if (!VM_CRC32_X86) return Kernel::Slicing;
  if (cpu.vpclmul && cpu.avx512 && cpu.pclmul) return Kernel::Vpclmul512;
  if (cpu.vpclmul && cpu.avx2 && cpu.pclmul) return Kernel::Vpclmul256;
  if (cpu.pclmul) return Kernel::Pclmul;
  return Kernel::Slicing;
}

CpuFeatures detectCpu() noexcept {
  CpuFeatures cpu;
#if VM_CRC32_X86
  // libgcc's probe also checks that the OS saves the AVX and AVX-512 register state.
  __builtin_cpu_init();
  cpu.pclmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  cpu.avx2 = __builtin_cpu_supports("avx2");
  cpu.avx512 = __builtin_cpu_supports("avx512f");
  cpu.vpclmul = __builtin_cpu_supports("vpclmulqdq");
#endif
  return cpu;
}

bool available(Kernel k, const CpuFeatures& cpu) noexcept {
  switch (k) {
    case Kernel::Slicing: return true;
    case Kernel::Pclmul: return VM_CRC32_X86 && cpu.pclmul;
    case Kernel::Vpclmul256: return VM_CRC32_X86 && cpu.pclmul && cpu.avx2 && cpu.vpclmul;
    case Kernel::Vpclmul512: return VM_CRC32_X86 && cpu.pclmul && cpu.avx512 && cpu.vpclmul;
  }
  return false;
}

UpdateFn kernelFunction(Kernel k) noexcept {
  switch (k) {
#if VM_CRC32_X86
    case Kernel::Pclmul: return &updatePclmul;
    case Kernel::Vpclmul256: return &updateVpclmul256;
    case Kernel::Vpclmul512: return &updateVpclmul512;
#endif
    default: return &updateSlicing;
  }
}

const char* kernelName(Kernel k) noexcept {
  switch (k) {
    case Kernel::Slicing: return "slicing-by-16";
    case Kernel::Pclmul: return "pclmul";
    case Kernel::Vpclmul256: return "vpclmul-256";
    case Kernel::Vpclmul512: return "vpclmul-512";
  }
  return "?";
}

}  // namespace crc32impl

std::uint32_t crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept {
  // Below one 64-byte block the vector kernels would only hand over to the tables.
  if (bytes.size() < 64) return crc32impl::updateSlicing(reg, bytes);
  static const crc32impl::UpdateFn update =
      crc32impl::kernelFunction(crc32impl::selectKernel(crc32impl::detectCpu()));
  return update(reg, bytes);
}

}  // namespace vm
