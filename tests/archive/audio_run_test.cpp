// The decoder's multimedia mode against a plain reference written straight from the format's rule:
// one symbol, one byte, one predictor step at a time, 32-bit error sums, no buffering, no fast path.
// Streams are built with the flat tables of rar_writer.h (every audio code is its symbol in 9 bits)
// or are random bytes, and cover what the decoder's bulk path has to carry across its run borders:
// channel counts, table switches mid-frame, LZ in between, solid entries, window and flush borders.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/huffman_table.h"
#include "archive/rar20_tables.h"
#include "archive/rar20_unpacker.h"
#include "plain_audio_predictor.h"
#include "rar_writer.h"

namespace vm {
namespace {

using testing::BitWriter;

using PlainChannel = testing::PlainPredictor;

// The whole decoder, one step at a time. The Huffman rule itself is HuffmanTable's (tested on its
// own); bits are read straight from the packed bytes, zeros past their end.
class PlainDecoder {
 public:
  PlainDecoder() : window_(kWindow, 0) {
    const std::vector<std::uint8_t> none(298, 0);
    ld_.build(none);
    dd_.build(std::span(none).first(48));
    rd_.build(std::span(none).first(28));
    for (auto& t : md_) t.build(std::span(none).first(257));
  }

  // The bytes of one entry, as many as the data give before the decoder would stop.
  std::vector<std::uint8_t> entry(const std::vector<std::uint8_t>& packed, std::uint32_t size,
                                  bool solid) {
    data_ = &packed;
    bit_ = 0;
    out_.clear();
    if (!solid) {
      *this = PlainDecoder();
      data_ = &packed;
      readTables();
    }
    const std::uint64_t budget = (std::uint64_t{packed.size()} + Rar20Unpacker::kOverreadBytes) * 8;
    remaining_ = std::int64_t{size} - 1;
    while (remaining_ >= 0 && bit_ <= budget) {
      if (audio_) {
        const std::uint32_t s = symbol(md_[cur_]);
        if (s == 256) {
          readTables();
          continue;
        }
        put(plain_[cur_].decode(s, channelDelta_));
        if (++cur_ == channels_) cur_ = 0;
        continue;
      }
      const std::uint32_t s = symbol(ld_);
      if (s < 256) {
        put(static_cast<std::uint8_t>(s));
      } else if (s >= 270) {
        const std::uint32_t n = s - 270;
        std::uint32_t length = rar20::kLengthBase[n] + 3 + take(rar20::kLengthBits[n]);
        const std::uint32_t d = symbol(dd_);
        const std::uint32_t distance = rar20::kDistanceBase[d] + 1 + take(rar20::kDistanceBits[d]);
        if (distance >= 0x2000) ++length;
        if (distance >= 0x40000) ++length;
        match(length, distance);
      } else if (s == 269) {
        readTables();
      } else if (s == 256) {
        match(lastLength_, lastDist_);
      } else if (s < 261) {
        const std::uint32_t distance = oldDist_[(oldIndex_ - (s - 256)) & 3];
        const std::uint32_t l = symbol(rd_);
        std::uint32_t length = rar20::kLengthBase[l] + 2 + take(rar20::kLengthBits[l]);
        if (distance >= 0x101) ++length;
        if (distance >= 0x2000) ++length;
        if (distance >= 0x40000) ++length;
        match(length, distance);
      } else {
        const std::uint32_t n = s - 261;
        match(2, rar20::kShortDistanceBase[n] + 1 + take(rar20::kShortDistanceBits[n]));
      }
    }
    // The table switch that ends an entry is read ahead when at least 5 bytes are left.
    if (packed.size() >= bit_ / 8 + 5) {
      const std::uint32_t s = audio_ ? symbol(md_[cur_]) : symbol(ld_);
      if (s == (audio_ ? 256u : 269u)) readTables();
    }
    return out_;
  }

 private:
  static constexpr std::uint32_t kWindow = 0x100000;

  std::uint32_t peek() const {
    std::uint32_t v = 0;
    for (std::uint64_t i = bit_ / 8; i < bit_ / 8 + 3; ++i)
      v = v << 8 | (i < data_->size() ? (*data_)[i] : 0);
    return (v >> (8 - bit_ % 8)) & 0xFFFF;
  }
  std::uint32_t take(unsigned n) {
    if (n == 0) return 0;
    const std::uint32_t v = peek() >> (16 - n);
    bit_ += n;
    return v;
  }
  std::uint32_t symbol(const HuffmanTable& t) {
    const HuffmanTable::Result r = t.decode(peek());
    bit_ += r.length;
    return r.symbol;
  }
  void put(std::uint8_t b) {
    window_[pos_] = b;
    pos_ = (pos_ + 1) & (kWindow - 1);
    out_.push_back(b);
    --remaining_;
  }
  void match(std::uint32_t length, std::uint32_t distance) {
    lastDist_ = distance;
    oldDist_[oldIndex_++ & 3] = distance;
    lastLength_ = length;
    for (std::uint32_t i = 0; i < length; ++i) put(window_[(pos_ - distance) & (kWindow - 1)]);
  }
  void readTables() {
    const std::uint32_t head = peek();
    audio_ = (head & 0x8000) != 0;
    if ((head & 0x4000) == 0) prev_.fill(0);
    bit_ += 2;
    std::size_t size = 374;
    if (audio_) {
      channels_ = ((head >> 12) & 3) + 1;
      if (cur_ >= channels_) cur_ = 0;
      bit_ += 2;
      size = channels_ * 257;
    }
    std::array<std::uint8_t, 19> bits{};
    for (auto& b : bits) b = static_cast<std::uint8_t>(take(4));
    HuffmanTable bd;
    bd.build(bits);
    std::array<std::uint8_t, 1028> lengths{};
    for (std::size_t i = 0; i < size;) {
      const std::uint32_t s = symbol(bd);
      if (s < 16) {
        lengths[i] = static_cast<std::uint8_t>((s + prev_[i]) & 15);
        ++i;
      } else if (s == 16) {
        const std::size_t n = take(2) + 3;
        const std::uint8_t v = i > 0 ? lengths[i - 1] : 0;
        for (std::size_t k = 0; k < n && i < size; ++k) lengths[i++] = v;
      } else {
        const std::size_t n = s == 17 ? take(3) + 3 : take(7) + 11;
        for (std::size_t k = 0; k < n && i < size; ++k) lengths[i++] = 0;
      }
    }
    const std::span<const std::uint8_t> all(lengths);
    if (audio_) {
      for (std::size_t c = 0; c < channels_; ++c) md_[c].build(all.subspan(c * 257, 257));
    } else {
      ld_.build(all.subspan(0, 298));
      dd_.build(all.subspan(298, 48));
      rd_.build(all.subspan(346, 28));
    }
    std::copy_n(lengths.begin(), size, prev_.begin());
  }

  std::vector<std::uint8_t> window_;
  std::uint32_t pos_ = 0;
  const std::vector<std::uint8_t>* data_ = nullptr;
  std::uint64_t bit_ = 0;
  std::int64_t remaining_ = 0;
  std::vector<std::uint8_t> out_;
  HuffmanTable ld_, dd_, rd_;
  std::array<HuffmanTable, 4> md_;
  std::array<std::uint8_t, 1028> prev_{};
  bool audio_ = false;
  std::uint32_t channels_ = 1, cur_ = 0;
  std::int32_t channelDelta_ = 0;
  std::array<PlainChannel, 4> plain_{};
  std::array<std::uint32_t, 4> oldDist_{};
  std::uint32_t oldIndex_ = 0, lastDist_ = 0, lastLength_ = 0;
};

struct Random {
  std::uint32_t x;
  std::uint32_t next() {
    x = x * 1664525u + 1013904223u;
    return x >> 8;
  }
};

// Coded deltas for n audio bytes. Smooth: small deltas, the predictors settle. Extreme: only
// 0x7F and 0x80, so every error term is near 1024 + 255 and the sums near their bound.
enum class Deltas { kSmooth, kExtreme };
void putDeltas(BitWriter& w, Random& r, std::size_t n, Deltas kind) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t v = r.next();
    const std::uint32_t coded = kind == Deltas::kSmooth ? (v % 7 + 253) & 0xFF : (v & 1 ? 0x7F : 0x80);
    w.put(coded, testing::kMdBits);
  }
}
void putSwitch(BitWriter& w) { w.put(256, testing::kMdBits); }

struct Entry {
  std::vector<std::uint8_t> packed;
  std::uint32_t size;
  bool skipOutput = false;  // decoded only to carry the solid stream (no output buffer)
};

struct Case {
  const char* name;
  std::vector<Entry> entries;  // the first non-solid, the rest solid
  bool mayStopShort = false;   // garbage: the data may run out before the size is reached
};

// Compares the decoder with the plain rule, entry by entry of one solid stream. Returns the number
// of bytes compared.
std::size_t expectSameAsPlain(const Case& c) {
  std::size_t compared = 0;
  Rar20Unpacker real;
  EXPECT_TRUE(real.init());
  PlainDecoder plain;
  for (std::size_t e = 0; e < c.entries.size(); ++e) {
    const Entry& entry = c.entries[e];
    const std::vector<std::uint8_t> want = plain.entry(entry.packed, entry.size, e > 0);
    std::vector<std::uint8_t> got(entry.size, 0xCD);
    const std::uint32_t n =
        real.unpack(entry.packed, entry.size, e > 0, entry.skipOutput ? nullptr : got.data());
    if (entry.skipOutput) continue;
    if (!c.mayStopShort) {
      EXPECT_EQ(n, entry.size) << c.name << ", entry " << e;
      EXPECT_EQ(want.size(), entry.size) << c.name << ", entry " << e;
    }
    EXPECT_LE(n, want.size()) << c.name << ", entry " << e;
    for (std::uint32_t i = 0; i < n && i < want.size(); ++i) {
      if (got[i] != want[i]) {
        ADD_FAILURE() << c.name << ", entry " << e << ", byte " << i << ": " << int{got[i]}
                      << " instead of " << int{want[i]};
        return compared;
      }
    }
    compared += n;
  }
  return compared;
}

Case oneBlock(const char* name, unsigned channels, std::size_t n, Deltas kind, std::uint32_t seed) {
  BitWriter w;
  Random r{seed};
  testing::putAudioTables(w, channels);
  putDeltas(w, r, n, kind);
  return {name, {{w.finish(), static_cast<std::uint32_t>(n)}}};
}

TEST(AudioRun, OneBlockOfOneToFourChannels) {
  const Case cases[] = {
      oneBlock("1 channel, smooth", 1, 5000, Deltas::kSmooth, 1),
      oneBlock("2 channels, smooth", 2, 5000, Deltas::kSmooth, 2),
      oneBlock("3 channels, smooth", 3, 5001, Deltas::kSmooth, 3),
      oneBlock("4 channels, smooth", 4, 5002, Deltas::kSmooth, 4),
      oneBlock("1 channel, extreme", 1, 5000, Deltas::kExtreme, 5),
      oneBlock("2 channels, extreme", 2, 4999, Deltas::kExtreme, 6),
      oneBlock("3 channels, extreme", 3, 5000, Deltas::kExtreme, 7),
      oneBlock("4 channels, extreme", 4, 5003, Deltas::kExtreme, 8),
  };
  for (const Case& c : cases) expectSameAsPlain(c);
}

// A table switch anywhere in a frame keeps the channel of the next byte (reset to 0 only when the
// new set has fewer channels), so the predictors' periods drift apart from each other.
TEST(AudioRun, TableSwitchesInsideFrames) {
  BitWriter w;
  Random r{11};
  std::size_t n = 0;
  const unsigned sequence[] = {3, 2, 4, 4, 1, 3, 2, 1, 4};
  for (std::size_t i = 0; i < std::size(sequence); ++i) {
    testing::putAudioTables(w, sequence[i]);
    const std::size_t run = 97 + 31 * i;  // leaves the frame at varying channels
    putDeltas(w, r, run, i % 2 ? Deltas::kExtreme : Deltas::kSmooth);
    n += run;
    if (i + 1 < std::size(sequence)) putSwitch(w);
  }
  expectSameAsPlain({"switches inside frames", {{w.finish(), static_cast<std::uint32_t>(n)}}});
}

// Audio, then LZ (literals and a match over the audio bytes), then audio again: the predictors and
// the channel carry over the LZ stretch.
TEST(AudioRun, SwitchToLzAndBack) {
  BitWriter w;
  Random r{21};
  testing::putAudioTables(w, 3);
  putDeltas(w, r, 301, Deltas::kSmooth);
  putSwitch(w);
  testing::putLzTables(w);
  for (int i = 0; i < 10; ++i) testing::putLiteral(w, static_cast<std::uint8_t>(i * 37));
  testing::putMatch(w, 10, 1, 1, 9, 3, 3);  // 16 bytes from 28 back
  w.put(269, testing::kLdBits);
  testing::putAudioTables(w, 2);
  putDeltas(w, r, 400, Deltas::kExtreme);
  expectSameAsPlain({"audio, LZ, audio", {{w.finish(), 301 + 10 + 16 + 400}}});
}

// Solid entries continue the predictors, the channel and the tables; entry sizes end mid-frame and
// mid-period. One entry is decoded without an output buffer (it only carries the stream on).
TEST(AudioRun, SolidEntriesEndingMidFrame) {
  for (unsigned channels = 1; channels <= 4; ++channels) {
    Random r{30 + channels};
    std::vector<Entry> entries;
    const std::uint32_t sizes[] = {1001, 37, 2, 1500, 777};
    for (std::size_t e = 0; e < std::size(sizes); ++e) {
      BitWriter w;
      if (e == 0) testing::putAudioTables(w, channels);
      putDeltas(w, r, sizes[e], e % 2 ? Deltas::kExtreme : Deltas::kSmooth);
      entries.push_back({w.finish(), sizes[e], e == 3});
    }
    const std::string name = "solid, " + std::to_string(channels) + " channels";
    expectSameAsPlain({name.c_str(), entries});
  }
}

// Longer than the decoder's ring of bytes: runs stop at the ring's end and at every flush point,
// with and without an output buffer (the flush points differ).
TEST(AudioRun, AcrossTheRingEndAndFlushPoints) {
  constexpr std::size_t kRing = Rar20Unpacker::kRingSize;
  expectSameAsPlain(oneBlock("2 channels over the ring end", 2, kRing + 70001, Deltas::kSmooth, 41));
  Case skipped = oneBlock("3 channels, no output buffer, then 1", 3, kRing + 12345, Deltas::kSmooth, 42);
  skipped.entries[0].skipOutput = true;
  BitWriter w;
  Random r{43};
  putDeltas(w, r, 5000, Deltas::kSmooth);
  skipped.entries.push_back({w.finish(), 5000});
  expectSameAsPlain(skipped);
}

// Random bits after an audio table header, and wholly random packed data: whatever they decode to
// (table switches, LZ sets, matches, data running out), the decoder matches the plain rule.
TEST(AudioRun, GarbageBits) {
  std::size_t compared = 0;
  for (std::uint32_t seed = 1; seed <= 24; ++seed) {
    Random r{seed * 7919};
    BitWriter w;
    if (seed % 3 != 0) testing::putAudioTables(w, seed % 4 + 1);
    std::vector<std::uint8_t> packed = w.finish();
    for (int i = 0; i < 3000; ++i) packed.push_back(static_cast<std::uint8_t>(r.next()));
    const std::string name = "garbage, seed " + std::to_string(seed);
    Case c{name.c_str(), {{packed, 20000}}, true};
    // A second, solid entry of garbage continues whatever state the first left.
    std::vector<std::uint8_t> more;
    for (int i = 0; i < 500; ++i) more.push_back(static_cast<std::uint8_t>(r.next()));
    c.entries.push_back({more, 3000});
    compared += expectSameAsPlain(c);
  }
  EXPECT_GT(compared, std::size_t{24 * 2000}) << "the garbage decoded to too few bytes to say much";
}

}  // namespace
}  // namespace vm
