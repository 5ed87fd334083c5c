// The one-pass requests: every entry decoded once and reported with its status, and the listing.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/media_archive.h"
#include "archive/rar20_cipher.h"
#include "rar_writer.h"

namespace vm {
namespace {

using testing::BitWriter;
using testing::Entry;

struct Reported {
  std::string name;
  MediaEntryStatus status;
  std::optional<std::string> bytes;  // nullopt when the entry was reported without bytes

  bool operator==(const Reported&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Reported& r) {
  return os << r.name << ":" << static_cast<int>(r.status) << ":" << (r.bytes ? *r.bytes : "<none>");
}

struct AllRun {
  int result;
  std::vector<Reported> entries;
};

AllRun extractAll(const std::vector<std::uint8_t>& archive, const char* password = nullptr) {
  // An exact-size copy, so a sanitizer build sees any read past the archive.
  const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[archive.size() + 1]);
  std::copy(archive.begin(), archive.end(), exact.get());
  MediaBlob blob{archive.empty() ? nullptr : exact.get(), static_cast<std::uint32_t>(archive.size()), 77};
  AllRun run;
  run.result = MediaArchive::extractAll(
      blob, password, [&](const MediaEntryInfo& info, MediaEntryStatus status, std::span<const std::uint8_t> b) {
        std::optional<std::string> bytes;
        if (status == MediaEntryStatus::Ok) bytes = std::string(b.begin(), b.end());
        else EXPECT_TRUE(b.empty()) << info.name;  // a failed entry hands out nothing
        run.entries.push_back({info.name, status, bytes});
        return true;
      });
  return run;
}

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> lzStream(const std::string& text) {
  BitWriter w;
  testing::putLzTables(w);
  for (char c : text) testing::putLiteral(w, static_cast<std::uint8_t>(c));
  return w.finish();
}

// A solid pair: "two" has no tables of its own and copies "hello" out of "one"'s window.
std::vector<Entry> solidPair() {
  BitWriter first;
  testing::putLzTables(first);
  for (char c : std::string("hello")) testing::putLiteral(first, static_cast<std::uint8_t>(c));
  BitWriter second;
  testing::putMatch(second, 2, 0, 0, 4, 0, 1);  // length 5, distance 5
  testing::putLiteral(second, '!');
  return {testing::compressedEntry("one", first.finish(), bytes("hello")),
          testing::storedEntry("between", "stored"),
          testing::compressedEntry("two", second.finish(), bytes("hello!"), true)};
}

constexpr auto kOk = MediaEntryStatus::Ok;

TEST(MediaArchiveAll, ReportsEveryEntryOnce) {
  Entry dir = testing::storedEntry("Digits", "");
  dir.flags = 0x80E0;
  Entry badCrc = testing::compressedEntry("bad", lzStream("garbage?"), bytes("garbage?"));
  badCrc.crc ^= 0x10;
  Entry oldVersion = testing::storedEntry("old", "x");
  oldVersion.unpackVersion = 12;
  Entry lyingSize = testing::storedEntry("lying", "abc");
  lyingSize.unpackedSize = 1000;  // a stored entry cannot grow
  Entry subBlock = testing::storedEntry("sub", "");
  subBlock.type = 0x77;
  const std::string secret = "sixteen byte txt and more";
  Entry encrypted = testing::storedEntry("enc", secret);
  encrypted.packed.resize(32, 0);
  {
    Rar20Cipher c;
    c.setPassword("pw");
    c.encrypt(encrypted.packed);
  }
  encrypted.flags |= 0x0004;

  struct Case {
    const char* name;
    std::vector<std::uint8_t> archive;
    const char* password;
    int result;
    std::vector<Reported> expected;
  };
  const std::vector<Case> cases = {
      {"non-solid, stored and compressed",
       testing::buildArchive({testing::storedEntry("a", "stored"),
                              testing::compressedEntry("b", lzStream("packed"), bytes("packed"))}),
       nullptr, MediaArchive::kOk, {{"a", kOk, "stored"}, {"b", kOk, "packed"}}},
      {"solid stream runs on across a stored entry", testing::buildArchive(solidPair(), true), nullptr,
       MediaArchive::kOk, {{"one", kOk, "hello"}, {"between", kOk, "stored"}, {"two", kOk, "hello!"}}},
      {"directory entry and a file inside it",
       testing::buildArchive({dir, testing::storedEntry("Digits\\digit_0.jpg", "zero")}), nullptr,
       MediaArchive::kOk, {{"Digits", kOk, ""}, {"Digits\\digit_0.jpg", kOk, "zero"}}},
      {"CRC mismatch fails that entry only",
       testing::buildArchive({testing::storedEntry("a", "1"), badCrc, testing::storedEntry("c", "3")}), nullptr,
       MediaArchive::kEntriesFailed,
       {{"a", kOk, "1"}, {"bad", MediaEntryStatus::CrcMismatch, std::nullopt}, {"c", kOk, "3"}}},
      {"unsupported unpack version", testing::buildArchive({oldVersion, testing::storedEntry("b", "2")}),
       nullptr, MediaArchive::kEntriesFailed,
       {{"old", MediaEntryStatus::Unsupported, std::nullopt}, {"b", kOk, "2"}}},
      {"size the data cannot hold", testing::buildArchive({lyingSize}), nullptr, MediaArchive::kEntriesFailed,
       {{"lying", MediaEntryStatus::Damaged, std::nullopt}}},
      {"sub-block ends the walk",
       testing::buildArchive({testing::storedEntry("a", "1"), subBlock, testing::storedEntry("c", "3")}),
       nullptr, MediaArchive::kBadBlock, {{"a", kOk, "1"}}},
      {"encrypted entry, right password", testing::buildArchive({encrypted}), "pw", MediaArchive::kOk,
       {{"enc", kOk, secret}}},
      {"encrypted entry, wrong password", testing::buildArchive({encrypted}), "px",
       MediaArchive::kEntriesFailed, {{"enc", MediaEntryStatus::CrcMismatch, std::nullopt}}},
      {"not an archive", bytes("RE~^ not a RAR archive at all"), nullptr, MediaArchive::kNotAnArchive, {}},
      {"empty blob", {}, nullptr, MediaArchive::kNotAnArchive, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AllRun run = extractAll(c.archive, c.password);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.entries, c.expected);
  }
}

// Regression: a CRC failure in the middle of a solid stream must not hand out the wrong bytes, and
// entries that still decode right after it are reported Ok.
TEST(MediaArchiveAll, SolidStreamWithOneDamagedEntry) {
  std::vector<Entry> entries = solidPair();
  // Bits 1948.. of "one" are its literals (9 bits each); bit 1968 turns the second 'l' into ','.
  entries[0].packed[246] ^= 0x80;
  const AllRun run = extractAll(testing::buildArchive(entries, true));
  EXPECT_EQ(run.result, MediaArchive::kEntriesFailed);
  ASSERT_EQ(run.entries.size(), 3u);
  EXPECT_EQ(run.entries[0].status, MediaEntryStatus::CrcMismatch);
  EXPECT_EQ(run.entries[1], (Reported{"between", kOk, "stored"}));
  // "two" copies the damaged bytes: its CRC tells.
  EXPECT_EQ(run.entries[2].status, MediaEntryStatus::CrcMismatch);
}

// Every prefix of an archive: no crash, no read past the prefix (sanitizer builds), every entry
// reported Ok has exactly its bytes, and a cut archive reports success only when the cut falls
// between blocks (the format needs no end block, so such a prefix is a smaller, whole archive).
TEST(MediaArchiveAll, TruncationAtEveryByte) {
  const std::string text = "some text, some text, some more";
  std::vector<Entry> entries = solidPair();
  entries.push_back(testing::compressedEntry("three", lzStream(text), bytes(text)));
  const std::vector<std::uint8_t> archive = testing::buildArchive(entries, true);
  const AllRun whole = extractAll(archive);
  ASSERT_EQ(whole.result, MediaArchive::kOk);
  ASSERT_EQ(whole.entries.size(), 4u);
  std::set<std::size_t> boundaries = {20, archive.size() - 7};  // after the main header; before the end block
  for (std::size_t i = 0, at = 20; i + 1 < entries.size(); ++i) {
    at += 32 + entries[i].name.size() + entries[i].packed.size();
    boundaries.insert(at);
  }
  for (std::size_t n = 0; n < archive.size(); ++n) {
    const AllRun cut = extractAll(std::vector<std::uint8_t>(archive.begin(), archive.begin() + static_cast<long>(n)));
    bool allOk = true;
    for (std::size_t i = 0; i < cut.entries.size(); ++i) {
      ASSERT_LT(i, whole.entries.size());
      if (cut.entries[i].status == kOk) {
        EXPECT_EQ(cut.entries[i], whole.entries[i]) << n;
      } else {
        allOk = false;
      }
    }
    if (cut.result == MediaArchive::kOk) {
      EXPECT_TRUE(allOk) << n;
      EXPECT_TRUE(boundaries.count(n)) << n;
    }
  }
}

TEST(MediaArchiveAll, CallbackStopsTheWalk) {
  const std::vector<std::uint8_t> archive = testing::buildArchive(
      {testing::storedEntry("a", "1"), testing::storedEntry("b", "2"), testing::storedEntry("c", "3")});
  MediaBlob blob{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
  std::vector<std::string> seen;
  const int rc = MediaArchive::extractAll(blob, nullptr,
                                          [&](const MediaEntryInfo& info, MediaEntryStatus, std::span<const std::uint8_t>) {
                                            seen.push_back(info.name);
                                            return seen.size() < 2;
                                          });
  EXPECT_EQ(rc, MediaArchive::kStopped);
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
}

// Records what streamAll hands over: the calls in order and each entry's pieces.
struct RecordingStream final : MediaArchive::EntryStream {
  bool begin(const MediaEntryInfo& info) override {
    calls.push_back("begin " + info.name);
    current.clear();
    pieces = 0;
    return true;
  }
  void write(std::span<const std::uint8_t> b) override {
    if (throwAt != 0 && ++writes == throwAt) throw std::bad_alloc();
    current.append(b.begin(), b.end());
    ++pieces;
  }
  bool end(const MediaEntryInfo& info, MediaEntryStatus status) override {
    calls.push_back("end " + info.name + " " + std::to_string(static_cast<int>(status)));
    if (status == MediaEntryStatus::Ok) whole.push_back(current);
    maxPieces = std::max(maxPieces, pieces);
    return true;
  }
  std::vector<std::string> calls, whole;
  std::string current;
  int pieces = 0, maxPieces = 0, writes = 0, throwAt = 0;
};

// A big entry arrives in several pieces that join to the bytes extractAll gives; a failed entry's
// status follows whatever it wrote; a stream that throws ends the walk as short of memory.
TEST(MediaArchiveAll, StreamHandsOverPiecesInOrder) {
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += "line " + std::to_string(i * 7919 % 1000) + "\n";
  std::vector<Entry> entries = solidPair();
  entries.push_back(testing::compressedEntry("big", lzStream(big), bytes(big)));
  entries.push_back(testing::storedEntry("tail", "stored tail"));
  entries[0].packed[246] ^= 0x80;  // "one" decodes to wrong bytes
  const std::vector<std::uint8_t> archive = testing::buildArchive(entries, true);

  const AllRun gathered = extractAll(archive);
  MediaBlob blob{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
  RecordingStream stream;
  EXPECT_EQ(MediaArchive::streamAll(blob, nullptr, stream), MediaArchive::kEntriesFailed);
  const std::string crc = std::to_string(static_cast<int>(MediaEntryStatus::CrcMismatch));
  EXPECT_EQ(stream.calls, (std::vector<std::string>{"begin one", "end one " + crc, "begin between",
                                                    "end between 0", "begin two", "end two " + crc,
                                                    "begin big", "end big 0", "begin tail", "end tail 0"}));
  std::vector<std::string> expected;
  for (const Reported& r : gathered.entries)
    if (r.bytes) expected.push_back(*r.bytes);
  EXPECT_EQ(stream.whole, expected);
  EXPECT_EQ(stream.whole[1], big);
  EXPECT_GT(stream.maxPieces, 1);

  RecordingStream throwing;
  throwing.throwAt = 3;
  blob.position = 0;
  EXPECT_EQ(MediaArchive::streamAll(blob, nullptr, throwing), MediaArchive::kOutOfMemory);
}

TEST(MediaArchiveAll, ListingReadsHeadersOnly) {
  Entry dir = testing::storedEntry("Digits", "");
  dir.flags = 0x80E0;
  std::vector<Entry> entries = solidPair();
  entries.insert(entries.begin(), dir);
  entries[1].packed.assign(entries[1].packed.size(), 0xEE);  // garbage data: listing never decodes
  const std::vector<std::uint8_t> archive = testing::buildArchive(entries, true);
  MediaBlob blob{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
  std::vector<MediaEntryInfo> listed;
  bool solid = false;
  ASSERT_EQ(MediaArchive::listEntries(blob, listed, &solid), MediaArchive::kOk);
  EXPECT_TRUE(solid);
  ASSERT_EQ(listed.size(), 4u);
  EXPECT_TRUE(listed[0].directory());
  EXPECT_EQ(listed[1].name, "one");
  EXPECT_EQ(listed[1].method, 0x33);
  EXPECT_EQ(listed[1].unpackedSize, 5u);
  EXPECT_EQ(listed[1].crc, entries[1].crc);
  EXPECT_EQ(listed[2].method, 0x30);
  EXPECT_TRUE(listed[3].solid());
  EXPECT_FALSE(listed[1].solid());

  // Cut inside the last header: the entries before it are kept and the walk reports the damage.
  const std::vector<std::uint8_t> cut(archive.begin(), archive.end() - 7 - static_cast<long>(entries[3].packed.size()) - 10);
  MediaBlob cutBlob{cut.data(), static_cast<std::uint32_t>(cut.size()), 0};
  EXPECT_EQ(MediaArchive::listEntries(cutBlob, listed), MediaArchive::kBadBlock);
  EXPECT_EQ(listed.size(), 3u);
}

}  // namespace
}  // namespace vm
