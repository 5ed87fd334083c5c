#pragma once
// CRC-32 of the zip family: reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF, result
// complemented. Archive entries carry it as their file checksum and the entry cipher uses the same
// 256-entry table in its key schedule.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vm {

// The classic byte-at-a-time table: crcTable()[b] is the CRC register after shifting byte b through
// eight rounds. Built once, at compile time.
const std::array<std::uint32_t, 256>& crc32Table() noexcept;

// Continues a running register (not complemented) over bytes. Start with 0xFFFFFFFF and complement
// the final value, or use crc32() below. Uses carry-less multiplication where the CPU has it
// (crc32_kernels.h); safe to call from any thread.
std::uint32_t crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes) noexcept;

// Complete checksum of bytes.
inline std::uint32_t crc32(std::span<const std::uint8_t> bytes) noexcept {
  return ~crc32Update(0xFFFFFFFFu, bytes);
}

}  // namespace vm
