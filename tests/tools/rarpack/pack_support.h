#pragma once
// Shared helpers of the packer tests: deterministic inputs, extraction through the saver's reader
// and through the independent `unar` decoder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "rarpack/archive_writer.h"

namespace vm::rarpack::test {

// xorshift32: fixed sequences, no dependence on the platform's generators.
class Random {
public:
    explicit Random(uint32_t seed) : s_(seed ? seed : 1) {}
    uint32_t next()
    {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }

private:
    uint32_t s_;
};

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed);
std::vector<uint8_t> textBytes(size_t n, uint32_t seed);     // words from a small vocabulary
std::vector<uint8_t> sampleBytes(size_t frames, unsigned channels); // 16-bit PCM, interleaved
std::vector<uint8_t> bytesOf(const std::string& s);

// The entry through MediaArchive::extractFile; nullopt when the request fails.
std::optional<std::vector<uint8_t>> readerExtract(const std::vector<uint8_t>& archive, const std::string& name,
                                                  const char* password);

// Path of the `unar` program, empty when it is not installed.
std::string unarPath();

// A fresh, empty directory under the test temporary directory.
std::filesystem::path freshDirectory(const std::string& tag);

// Extracts with unar into `dir`; true when unar reports success.
bool unarExtract(const std::vector<uint8_t>& archive, const std::filesystem::path& dir, const std::string& password);

std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path);

std::vector<uint8_t> pack(const std::vector<ArchiveEntry>& entries, const ArchiveOptions& options);

} // namespace vm::rarpack::test
