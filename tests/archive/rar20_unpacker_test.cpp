// Hand-built bitstreams fed straight to the decoder. Every stream starts with the flat table set of
// rar_writer.h, so a literal is its byte in 9 bits and a distance slot its number in 6 bits.
#include "archive/rar20_unpacker.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/audio_predictor.h"
#include "rar_writer.h"

namespace vm {
namespace {

using testing::BitWriter;

std::string decode(const std::vector<std::uint8_t>& packed, std::uint32_t unpackedSize,
                   std::uint32_t* produced = nullptr) {
  Rar20Unpacker u;
  EXPECT_TRUE(u.init());
  std::vector<std::uint8_t> out(unpackedSize, 0xCD);
  const std::uint32_t n = u.unpack(packed, unpackedSize, false, out.data());
  if (produced) *produced = n;
  return std::string(out.begin(), out.begin() + n);
}

std::string literals(BitWriter& w, const std::string& s) {
  for (char c : s) testing::putLiteral(w, static_cast<std::uint8_t>(c));
  return s;
}

// One window of bytes in a pattern that does not repeat within a match's length.
const std::string& wholeWindow() {
  static const std::string bytes = [] {
    std::string b(Rar20Unpacker::kWindowSize, '\0');
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>(i * 7 % 251);
    return b;
  }();
  return bytes;
}

TEST(Rar20Unpacker, LzStreams) {
  struct Case {
    const char* name;
    std::function<void(BitWriter&)> body;  // codes after the table set
    std::string expected;
  };
  const std::string z(1, '\0');
  const Case cases[] = {
      {"literals", [](BitWriter& w) { literals(w, "abc"); }, "abc"},
      {"overlapping match repeats the byte",
       [](BitWriter& w) {
         literals(w, "x");
         testing::putMatch(w, 7, 0, 0, 0, 0, 0);  // length 7+3, distance slot 0 = 1
       },
       std::string(11, 'x')},
      {"match beyond the data so far reads the cleared window",
       [](BitWriter& w) {
         literals(w, "a");
         testing::putMatch(w, 1, 0, 0, 13, 3, 5);  // length 4, distance 96+1+3 = 100
       },
       "a" + std::string(4, '\0')},
      {"distance 0x1FFF gets no length bonus",
       [](BitWriter& w) {
         literals(w, "q");
         testing::putMatch(w, 0, 0, 0, 25, 2046, 11);  // 6144+1+2046 = 0x1FFF
       },
       "q" + std::string(3, '\0')},
      {"distance 0x2000 adds one to the length",
       [](BitWriter& w) {
         literals(w, "q");
         testing::putMatch(w, 0, 0, 0, 25, 2047, 11);  // 0x2000
       },
       "q" + std::string(4, '\0')},
      {"distance 0x40000 adds two",
       [](BitWriter& w) {
         literals(w, "q");
         testing::putMatch(w, 0, 0, 0, 36, 0, 16);  // 262144+1 = 0x40001
       },
       "q" + std::string(5, '\0')},
      {"repeat of the last match pushes its distance again",
       [](BitWriter& w) {
         literals(w, "abcdefgh");
         w.put(261, testing::kLdBits);  // short slot 0: distance 1+2 = 3, length 2 -> "fg"
         w.put(2, 2);
         testing::putMatch(w, 0, 0, 0, 5, 0, 1);  // length 3, distance 6+1 = 7 -> "def"
         w.put(256, testing::kLdBits);            // again length 3, distance 7 -> "ghf"
         w.put(259, testing::kLdBits);  // 3 back in the ring: 3 if 256 pushed, else 0
         w.put(0, testing::kRdBits);    // length slot 0: 2 -> "gh"
       },
       "abcdefghfgdefghfgh"},
      {"repeat distance 0x101 adds one to the length",
       [](BitWriter& w) {
         literals(w, "z");
         testing::putMatch(w, 0, 0, 0, 16, 0, 7);  // length 3, distance 257
         w.put(257, testing::kLdBits);
         w.put(0, testing::kRdBits);  // 2 + 1
       },
       "z" + std::string(6, '\0')},
      {"bytes just past a match are untouched for a far match to read",
       [](BitWriter& w) {
         literals(w, "abcdefghij");
         testing::putMatch(w, 6, 0, 0, 5, 1, 1);  // length 9, distance 6+1+1 = 8
         // Distance 983040+1+65534 = 0xFFFFF reads the window just ahead: still cleared.
         testing::putMatch(w, 0, 0, 0, 47, 65534, 16);  // length 3+2
       },
       "abcdefghij" "cdefghijc" + std::string(5, '\0')},
      {"repeat distance 0 reads a whole window back, cleared at the start",
       [](BitWriter& w) {
         literals(w, "ab");
         w.put(257, testing::kLdBits);  // the newest old distance: 0 before any match
         w.put(0, testing::kRdBits);    // length 2
       },
       "ab" + std::string(2, '\0')},
      {"distance 0x100000 reads the byte written a whole window earlier",
       [](BitWriter& w) {
         literals(w, wholeWindow());
         testing::putMatch(w, 0, 0, 0, 47, 65535, 16);  // 983040+1+65535, length 3+2
       },
       wholeWindow() + wholeWindow().substr(0, 5)},
      {"codes past the entry's size are left unread, however many follow",
       [](BitWriter& w) {
         literals(w, "abcd");
         literals(w, std::string(40, 'z'));  // enough data that the fast path reads it
       },
       "abcd"},
      {"table switch to audio and back",
       [](BitWriter& w) {
         literals(w, "A");
         w.put(269, testing::kLdBits);
         testing::putAudioTables(w, 1);
         w.put(0, testing::kMdBits);  // delta 0 from prediction 0 (the predictor starts at 0)
         w.put(256, testing::kMdBits);
         testing::putLzTables(w);
         literals(w, "B");
       },
       "A" + z + "B"},
  };
  for (const Case& c : cases) {
    BitWriter w;
    testing::putLzTables(w);
    c.body(w);
    std::uint32_t produced = 0;
    const std::string got =
        decode(w.finish(), static_cast<std::uint32_t>(c.expected.size()), &produced);
    EXPECT_EQ(produced, c.expected.size()) << c.name;
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

// Audio blocks of 1 to 4 channels: bytes belong to the channels in rotation, each channel with its
// own predictor and all sharing the last delta. The coded deltas come from an encoder running the
// same predictors, so any slip in the rotation or the shared delta shows up as wrong bytes.
TEST(Rar20Unpacker, AudioChannelsRotate) {
  for (unsigned channels = 1; channels <= 4; ++channels) {
    std::vector<std::uint8_t> signal;
    for (int i = 0; i < 600; ++i)
      signal.push_back(static_cast<std::uint8_t>((i * (7 + 5 * (i % channels))) ^ (i >> 3)));
    BitWriter w;
    testing::putAudioTables(w, channels);
    std::array<AudioPredictor, 4> enc{};
    std::int32_t delta = 0;
    for (std::size_t i = 0; i < signal.size(); ++i)
      w.put(enc[i % channels].encode(signal[i], delta), testing::kMdBits);
    const std::string got = decode(w.finish(), static_cast<std::uint32_t>(signal.size()));
    EXPECT_EQ(got, std::string(signal.begin(), signal.end())) << channels << " channels";
  }
}

// Packed data that stop early must not keep the decoder producing padding forever: it stops soon
// after the data end and reports fewer bytes than asked for.
TEST(Rar20Unpacker, RunningOutOfDataStopsShort) {
  BitWriter w;
  testing::putLzTables(w);
  literals(w, "abc");
  std::uint32_t produced = 0;
  decode(w.finish(), 5'000'000, &produced);
  EXPECT_LT(produced, 100u);
}

// A stream that writes past the entry's size: the overrun is refused, not written.
TEST(Rar20Unpacker, OverrunOfTheUnpackedSizeIsRefused) {
  BitWriter w;
  testing::putLzTables(w);
  literals(w, "a");
  testing::putMatch(w, 20, 0, 4, 0, 0, 0);  // 64+3 bytes into a 5-byte entry
  std::vector<std::uint8_t> out(5 + 16, 0xCD);
  Rar20Unpacker u;
  ASSERT_TRUE(u.init());
  EXPECT_NE(u.unpack(w.finish(), 5, false, out.data()), 5u);
  for (std::size_t i = 5; i < out.size(); ++i) EXPECT_EQ(out[i], 0xCD) << i;
}

}  // namespace
}  // namespace vm
