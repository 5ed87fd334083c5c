// Archives written by the original archiver, read from the shared fixtures folder by path.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/media_archive.h"

namespace vm {
namespace {

const std::filesystem::path kRarDir = std::filesystem::path(VM_FIXTURES_DIR) / "rar";

std::vector<std::uint8_t> readFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

#define REQUIRE_FIXTURE(file)                                                         \
  if (!std::filesystem::exists(kRarDir / (file)))                                     \
  GTEST_SKIP() << "fixture " << (kRarDir / (file)).string() << " is missing; these " \
               << "tests need the shared fixtures folder beside the repository"

std::vector<std::uint8_t> extract(const std::vector<std::uint8_t>& archive, const char* name,
                                  bool& ok) {
  MediaBlob blob{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  ok = MediaArchive::extractFile(name, blob, nullptr, data, size);
  MediaFile own(data);
  if (!ok) {
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    return {};
  }
  return {data, data + size};
}

// Stored, the five compression levels and the multimedia mode all give back the original.
TEST(RealArchives, EveryEntryOfTheLevelsArchiveExtractsToTheOriginal) {
  REQUIRE_FIXTURE("test_v2.rar");
  REQUIRE_FIXTURE("etalon.bin");
  const std::vector<std::uint8_t> archive = readFile(kRarDir / "test_v2.rar");
  const std::vector<std::uint8_t> original = readFile(kRarDir / "etalon.bin");
  ASSERT_EQ(original.size(), 16384u);
  for (const char* name : {"p0.bin", "p1.bin", "p2.bin", "p3.bin", "p4.bin", "p5.bin", "pMM.bin"}) {
    bool ok = false;
    const std::vector<std::uint8_t> got = extract(archive, name, ok);
    EXPECT_TRUE(ok) << name;
    EXPECT_EQ(got, original) << name;
  }
}

TEST(RealArchives, SmallArchivesWithCommentsAndUnixOwner) {
  REQUIRE_FIXTURE("rar202-comment-nopsw.rar");
  REQUIRE_FIXTURE("rar2-unix-owner.rar");
  struct Case {
    const char* archive;
    const char* name;
    std::string expected;
  };
  const Case cases[] = {
      // File headers that carry a comment after the name: data start at the header's end.
      {"rar202-comment-nopsw.rar", "FILE1.TXT", "file1\r\n"},
      {"rar202-comment-nopsw.rar", "file2.txt", "file2\r\n"},
      {"rar2-unix-owner.rar", "file.txt", "foo\n"},
  };
  for (const Case& c : cases) {
    bool ok = false;
    const std::vector<std::uint8_t> got = extract(readFile(kRarDir / c.archive), c.name, ok);
    EXPECT_TRUE(ok) << c.archive << ' ' << c.name;
    EXPECT_EQ(std::string(got.begin(), got.end()), c.expected) << c.archive << ' ' << c.name;
  }
}

}  // namespace
}  // namespace vm
