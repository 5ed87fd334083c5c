#pragma once
// Shared helpers of the media tests: reading generated files and extracting archive entries
// through the saver's own reader from the resources embedded in this test program.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vm::media_test {

std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path);

// The entry's bytes, or nothing when the reader fails (missing entry, CRC mismatch ...).
std::optional<std::vector<uint8_t>> extract(int resourceId, const char* name, const char* password);

// The church builder's list of scene files, empty when the church has not been built here.
std::vector<std::string> churchFiles();

std::string genDir();

}  // namespace vm::media_test
