#pragma once
// The common end of the carry-less-multiply kernels: one folded 128-bit lane, plus fewer than a
// wide block of input still to read.

#include <cstddef>
#include <cstdint>

#include "archive/crc32_kernels.h"

#if VM_CRC32_X86
#include <immintrin.h>

namespace vm::crc32impl {

// Folds the remaining whole 16-byte blocks into acc, reduces it to the 32-bit register and runs
// the last n % 16 bytes through the tables. acc holds the lane ending just before p; the register
// it stands for is (acc * x^32) mod P. Needs PCLMULQDQ and SSE4.1.
std::uint32_t finishClmul(__m128i acc, const std::uint8_t* p, std::size_t n) noexcept;

}  // namespace vm::crc32impl
#endif
