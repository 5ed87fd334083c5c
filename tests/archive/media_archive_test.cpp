// The archive container: name matching, the block walk, stored/compressed/solid entries, CRC and
// password handling, and the mended faults, on archives laid out by hand.
#include "archive/media_archive.h"
#include "archive/resource/media_resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/rar20_cipher.h"
#include "platform/os/resources.h"
#include "rar_writer.h"

namespace vm {
namespace {

using testing::BitWriter;
using testing::Entry;

// The extracted bytes, or nullopt on failure (after checking the failure contract).
std::optional<std::string> extract(const std::vector<std::uint8_t>& archive, const char* name,
                                   const char* password = nullptr) {
  // An exact-size copy, so a sanitizer build sees any read past the archive.
  const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[archive.size() + 1]);
  std::copy(archive.begin(), archive.end(), exact.get());
  MediaBlob blob{archive.empty() ? nullptr : exact.get(),
                 static_cast<std::uint32_t>(archive.size()), 1234};
  std::uint8_t* data = reinterpret_cast<std::uint8_t*>(1);
  std::uint32_t size = 99;
  const bool ok = MediaArchive::extractFile(name, blob, password, data, size);
  const MediaFile own(data);
  if (!ok) {
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    return std::nullopt;
  }
  return std::string(data, data + size);
}

std::vector<std::uint8_t> lzStream(const std::string& text) {
  BitWriter w;
  testing::putLzTables(w);
  for (char c : text) testing::putLiteral(w, static_cast<std::uint8_t>(c));
  return w.finish();
}

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(MediaArchive, NameMatchingIsCaseAndSeparatorBlind) {
  Entry dir = testing::storedEntry("Digits", "");
  dir.flags = 0x80E0;
  const std::vector<std::uint8_t> archive = testing::buildArchive(
      {dir, testing::storedEntry("Digits\\digit_0.jpg", "zero"),
       testing::storedEntry("lights.x", "L")});
  struct Case {
    const char* request;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"Digits\\digit_0.JPG", "zero"},
      {"Digits/digit_0.jpg", "zero"},
      {"DIGITS_DIGIT_0.JPG", "zero"},
      {"lights.X", "L"},
      {"Digits", ""},  // the directory entry: zero bytes, CRC 0
      {"Digits\\digit_1.jpg", std::nullopt},
      {"Digits\\digit_0.jpgx", std::nullopt},
      {"Digits\\digit_0.jp", std::nullopt},
      {"", std::nullopt},
      {nullptr, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(extract(archive, c.request), c.expected) << c.request;
}

TEST(MediaArchive, ContainerCases) {
  const std::string text = "compressed text";
  Entry badCrc = testing::storedEntry("f", "abc");
  badCrc.crc ^= 1;
  Entry corrupt = testing::storedEntry("f", "abc");
  corrupt.packed[1] ^= 0x20;
  auto version = [](std::uint8_t v) {
    Entry e = testing::storedEntry("f", "abc");
    e.unpackVersion = v;
    return e;
  };
  Entry subBlock = testing::storedEntry("x", "");
  subBlock.type = 0x77;
  Entry otherBlock = testing::storedEntry("f", "wrong");
  otherBlock.type = 0x7A;
  Entry withComment = testing::storedEntry("f", "after comment");
  withComment.headerExtra = {0x12, 0x34, 0x75, 0, 0, 9, 0, 'n', 'o', 't', 'e', 0xAA, 0xBB};
  Entry storedTooShort = testing::storedEntry("f", "abc");
  storedTooShort.unpackedSize = 10;  // its data hold 3 bytes
  Entry nameOutsideHeader = testing::storedEntry("f", "abc");
  nameOutsideHeader.headerSizeDelta = -1;  // the name's last byte lies past the header
  Entry lyingSize = testing::compressedEntry("f", lzStream("abc"), bytes("abc"));
  lyingSize.unpackedSize = 0xFFFFFFF0u;
  const Entry unsupported = version(99);
  Entry compressedBadCrc = testing::compressedEntry("f", lzStream(text), bytes(text));
  compressedBadCrc.crc ^= 0x100;

  struct Case {
    const char* name;
    std::vector<std::uint8_t> archive;
    std::optional<std::string> expected;  // of a request for "f"
  };
  const std::vector<Case> cases = {
      {"stored", testing::buildArchive({testing::storedEntry("f", "abc")}), "abc"},
      {"compressed", testing::buildArchive({testing::compressedEntry("f", lzStream(text), bytes(text))}),
       text},
      {"CRC mismatch", testing::buildArchive({badCrc}), std::nullopt},
      {"CRC mismatch of a compressed entry", testing::buildArchive({compressedBadCrc}), std::nullopt},
      {"corrupted stored byte", testing::buildArchive({corrupt}), std::nullopt},
      {"unpack version 12", testing::buildArchive({version(12)}), std::nullopt},
      {"unpack version 13", testing::buildArchive({version(13)}), "abc"},
      {"unpack version 20", testing::buildArchive({version(20)}), "abc"},
      {"unpack version 21", testing::buildArchive({version(21)}), std::nullopt},
      {"sub-block 0x77 ends the search",
       testing::buildArchive({subBlock, testing::storedEntry("f", "abc")}), std::nullopt},
      {"other block types are passed over",
       testing::buildArchive({otherBlock, testing::storedEntry("f", "abc")}), "abc"},
      {"non-solid archive skips entries it cannot decode",
       testing::buildArchive({[&] { Entry e = unsupported; e.name = "g"; return e; }(),
                              testing::storedEntry("f", "abc")}),
       "abc"},
      {"solid archive decodes every entry before the request",
       testing::buildArchive({[&] { Entry e = unsupported; e.name = "g"; return e; }(),
                              testing::storedEntry("f", "abc")},
                             true),
       std::nullopt},
      {"header with a comment after the name", testing::buildArchive({withComment}),
       "after comment"},
      {"stored size larger than its data", testing::buildArchive({storedTooShort}), std::nullopt},
      {"header too short for its name", testing::buildArchive({nameOutsideHeader}), std::nullopt},
      {"main header shorter than 13 bytes",
       testing::buildArchive({testing::storedEntry("f", "abc")}, false, 12), std::nullopt},
      {"main header with extra bytes",
       [] {
         auto a = testing::buildArchive({testing::storedEntry("f", "abc")}, false, 13 + 4);
         a.insert(a.begin() + 20, {0xAA, 0xBB, 0xCC, 0xDD});
         return a;
       }(),
       "abc"},
      {"compressed size the data cannot encode", testing::buildArchive({lyingSize}), std::nullopt},
      {"other marker accepted",
       [] {
         auto a = testing::buildArchive({testing::storedEntry("f", "abc")});
         std::copy_n("Qorvex!", 7, a.begin());
         return a;
       }(),
       "abc"},
      {"older format marker rejected",
       [] {
         auto a = testing::buildArchive({testing::storedEntry("f", "abc")});
         std::copy_n("RE~^\0\0\0", 7, a.begin());
         return a;
       }(),
       std::nullopt},
      {"missing resource", {}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(extract(c.archive, "f"), c.expected) << c.name;
}

// Solid stream: the second entry has no table set of its own and then sends a set coded as
// changes to the first entry's lengths; a stored entry in between is passed over.
TEST(MediaArchive, SolidEntriesCarryTablesAndWindow) {
  BitWriter first;
  testing::putLzTables(first);
  for (char c : std::string("hello")) testing::putLiteral(first, static_cast<std::uint8_t>(c));

  BitWriter second;  // continues with the first entry's tables and window
  testing::putMatch(second, 2, 0, 0, 4, 0, 1);  // length 5, distance 4+1: "hello" again
  second.put(269, testing::kLdBits);
  testing::putLzTables(second, true, testing::flatLzLengths());  // all changes 0
  testing::putLiteral(second, '!');

  const std::vector<std::uint8_t> archive = testing::buildArchive(
      {testing::compressedEntry("one", first.finish(), bytes("hello")),
       testing::storedEntry("between", "stored"),
       testing::compressedEntry("two", second.finish(), bytes("hello!"), true)},
      true);
  EXPECT_EQ(extract(archive, "two"), "hello!");
  EXPECT_EQ(extract(archive, "one"), "hello");
  EXPECT_EQ(extract(archive, "between"), "stored");
  EXPECT_EQ(extract(archive, "three"), std::nullopt);  // walks and decodes everything
}

// Encrypted entries: the cipher applies only with a password, the flag and unpack version 20.
// The 37-byte stored entry ends inside its last, padded cipher block.
TEST(MediaArchive, EncryptedVersusPlain) {
  const std::string secret = "Encrypted hello from a stored entry!!";
  auto encrypt = [](std::vector<std::uint8_t> data, const char* password) {
    data.resize((data.size() + 15) / 16 * 16, 0);
    Rar20Cipher c;
    c.setPassword(password);
    c.encrypt(data);
    return data;
  };
  Entry stored = testing::storedEntry("f", secret);
  stored.packed = encrypt(stored.packed, "Secret123");
  stored.flags |= 0x0004;
  Entry compressed = testing::compressedEntry("f", encrypt(lzStream(secret), "pw"), bytes(secret));
  compressed.flags |= 0x0004;
  Entry oldVersion = testing::storedEntry("f", secret);  // plain data, flag set, version 15
  oldVersion.flags |= 0x0004;
  oldVersion.unpackVersion = 15;

  struct Case {
    const char* name;
    Entry entry;
    const char* password;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"stored, right password", stored, "Secret123", secret},
      {"stored, wrong password", stored, "Secret124", std::nullopt},
      {"stored, no password", stored, nullptr, std::nullopt},
      {"stored, empty password", stored, "", std::nullopt},
      {"compressed, right password", compressed, "pw", secret},
      {"plain entry, password given", testing::storedEntry("f", secret), "pw", secret},
      {"flagged entry below version 20 is read as is", oldVersion, "pw", secret},
  };
  for (const Case& c : cases)
    EXPECT_EQ(extract(testing::buildArchive({c.entry}), "f", c.password), c.expected) << c.name;
}

// Every prefix of a small archive: the requests fail cleanly until the requested entry's data are
// complete, and never read outside the prefix.
TEST(MediaArchive, TruncationAtEveryByteFailsCleanly) {
  const std::string text = "some text, some text, some more";
  const std::vector<std::uint8_t> archive =
      testing::buildArchive({testing::storedEntry("a", "stored bytes"),
                             testing::compressedEntry("b", lzStream(text), bytes(text))});
  const std::size_t aEnd = 20 + 33 + 12;            // marker + main header, header, data
  const std::size_t bEnd = archive.size() - 7;      // all but the end block
  for (std::size_t n = 0; n < archive.size(); ++n) {
    const std::vector<std::uint8_t> cut(archive.begin(), archive.begin() + static_cast<long>(n));
    EXPECT_EQ(extract(cut, "a").has_value(), n >= aEnd) << n;
    EXPECT_EQ(extract(cut, "b").has_value(), n >= bEnd) << n;
  }
}

// A blob loaded from a missing resource fails every request; the cursor restarts at 0 each time.
TEST(MediaArchive, BlobFromResources) {
  os::hideResource("MediaData", 4242);
  MediaBlob missing = loadMediaBlob(4242);
  EXPECT_EQ(missing.data, nullptr);
  EXPECT_EQ(missing.size, 0u);
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  EXPECT_FALSE(MediaArchive::extractFile("f", missing, nullptr, data, size));

  const std::vector<std::uint8_t> archive =
      testing::buildArchive({testing::storedEntry("f", "abc")});
  os::overrideResource("MediaData", 4243, archive);
  MediaBlob blob = loadMediaBlob(4243);
  ASSERT_EQ(blob.size, archive.size());
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(MediaArchive::extractFile("F", blob, nullptr, data, size)) << i;
    EXPECT_EQ(std::string(data, data + size), "abc");
    MediaArchive::releaseFile(data);
  }
  os::clearResourceOverrides();
}

}  // namespace
}  // namespace vm
