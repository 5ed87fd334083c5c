#pragma once
// Checksum and cipher as the archive writer uses them.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vm::rarpack {

// CRC-32 of the archive format (zip family).
uint32_t checksum(std::span<const uint8_t> bytes);

// Pads packed data with zeros to whole cipher blocks and encrypts them with a fresh key schedule.
void encryptPacked(const std::string& password, std::vector<uint8_t>& packed);

} // namespace vm::rarpack
