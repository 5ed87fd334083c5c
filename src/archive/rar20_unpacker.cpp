#include "archive/rar20_unpacker.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "archive/audio_run.h"
#include "archive/crc32.h"
#include "archive/rar20_tables.h"

namespace vm {
namespace {

using rar20::kDistanceBase;
using rar20::kDistanceBits;
using rar20::kLengthBase;
using rar20::kLengthBits;
using rar20::kShortDistanceBase;
using rar20::kShortDistanceBits;

// Alphabets of one LZ table set, in transmission order.
constexpr std::size_t kLdSize = 298, kDdSize = 48, kRdSize = 28, kBdSize = 19;
constexpr std::size_t kLzTableSize = kLdSize + kDdSize + kRdSize;  // 374
constexpr std::size_t kAudioTableSize = 257;                        // 256 deltas + table switch

// A flush is due once fewer than this many window bytes separate the decoder from bytes not yet
// handed out; one step writes at most 260.
constexpr std::uint32_t kFlushMargin = 270;
// Bytes pending in the window at which a flush is due: the format's point, where fewer than
// kFlushMargin bytes are left before unflushed bytes would be overwritten...
constexpr std::uint32_t kFlushDue = Rar20Unpacker::kRingSize - kFlushMargin + 1;
// ...or, when there is a sink, much earlier: the sink (and the CRC) then reads bytes still in the
// cache. Earlier flushes hand out the same bytes in smaller pieces.
constexpr std::uint32_t kEagerFlushDue = 1u << 16;

}  // namespace

Rar20Unpacker::Rar20Unpacker() noexcept {
  const std::array<std::uint8_t, kLdSize> none{};
  ld_.build(none);
  dd_.build(std::span(none).first(kDdSize));
  rd_.build(std::span(none).first(kRdSize));
  bd_.build(std::span(none).first(kBdSize));
  for (auto& t : md_) t.build(std::span(none).first(kAudioTableSize));
}

bool Rar20Unpacker::init() noexcept {
  writtenSinceClear_ = 0;
  return ring_.allocate(kRingSize + kRingSlack);
}

void Rar20Unpacker::reset() noexcept {
  audio_ = false;
  curChannel_ = 0;
  channelDelta_ = 0;
  for (auto& p : predictors_) p.reset();
  history_ = LzHistory{};
  // Far matches of a fresh entry read zeros. Output fills the window from 0 upward, so only the
  // bytes written since the last clear need clearing.
  std::memset(ring_.data(), 0, std::min<std::uint64_t>(writtenSinceClear_, kRingSize));
  writtenSinceClear_ = 0;
  prevLengths_.fill(0);
  unpackPos_ = 0;
  writePos_ = 0;
}

BitReader Rar20Unpacker::readTables(BitReader in) noexcept {
  in.refill();
  const std::uint32_t head = in.peek16();
  audio_ = (head & 0x8000) != 0;
  if ((head & 0x4000) == 0) prevLengths_.fill(0);  // fresh set; else lengths are deltas
  in.skip(2);

  std::size_t size = kLzTableSize;
  if (audio_) {
    channels_ = ((head >> 12) & 3) + 1;
    if (curChannel_ >= channels_) curChannel_ = 0;
    in.skip(2);
    size = channels_ * kAudioTableSize;
  }

  std::array<std::uint8_t, kBdSize> bitLengths{};
  for (auto& l : bitLengths) {
    in.refill();
    l = static_cast<std::uint8_t>(in.take(4));
  }
  bd_.build(bitLengths);

  std::array<std::uint8_t, 4 * kAudioTableSize> lengths{};
  for (std::size_t i = 0; i < size;) {
    in.refill();
    const HuffmanTable::Result r = bd_.decode(in.peek16());
    in.skip(r.length);
    if (r.symbol < 16) {
      lengths[i] = static_cast<std::uint8_t>((r.symbol + prevLengths_[i]) & 0xF);
      ++i;
    } else if (r.symbol == 16) {
      // Repeat of the previous length; at the very start there is none, and 0 is repeated.
      const std::size_t n = in.take(2) + 3;
      const std::uint8_t v = i > 0 ? lengths[i - 1] : 0;
      for (std::size_t k = 0; k < n && i < size; ++k) lengths[i++] = v;
    } else {
      const std::size_t n = r.symbol == 17 ? in.take(3) + 3 : in.take(7) + 11;
      for (std::size_t k = 0; k < n && i < size; ++k) lengths[i++] = 0;
    }
  }

  const std::span<const std::uint8_t> all(lengths);
  if (audio_) {
    for (std::size_t c = 0; c < channels_; ++c) {
      md_[c].build(all.subspan(c * kAudioTableSize, kAudioTableSize));
      audioCodes_[c].build(md_[c]);
    }
  } else {
    ld_.build(all.subspan(0, kLdSize));
    dd_.build(all.subspan(kLdSize, kDdSize));
    rd_.build(all.subspan(kLdSize + kDdSize, kRdSize));
  }
  // Entries beyond this set keep their earlier values.
  std::copy_n(lengths.begin(), size, prevLengths_.begin());
  return in;
}

bool Rar20Unpacker::flush(std::uint32_t upTo) noexcept {
  if (sink_ == nullptr) return true;
  const std::uint32_t n = (upTo - writePos_) & kRingMask;
  if (std::uint64_t{produced_} + n > outputSize_) return false;
  const std::uint8_t* w = ring_.data();
  const auto hand = [&](std::span<const std::uint8_t> piece) {
    if (piece.empty()) return;
    crc_ = crc32Update(crc_, piece);
    sink_->take(piece);
  };
  const std::uint32_t first = std::min(n, kRingSize - writePos_);
  hand({w + writePos_, first});
  hand({w, n - first});
  produced_ += n;
  return true;
}

std::uint32_t Rar20Unpacker::unpack(std::span<const std::uint8_t> packed,
                                    std::uint32_t unpackedSize, bool solid,
                                    std::uint8_t* output) noexcept {
  if (output == nullptr)
    return unpack(packed, unpackedSize, solid, static_cast<UnpackSink*>(nullptr));
  BufferSink sink(output);
  return unpack(packed, unpackedSize, solid, &sink);
}

inline std::uint32_t Rar20Unpacker::copyMatch(std::uint8_t* w, std::uint32_t pos,
                                              std::uint32_t length,
                                              std::uint32_t distance) noexcept {
  // 1..kWindowSize: distance 0 reads the byte a whole window back, as the format's window does.
  distance = ((distance - 1) & (kWindowSize - 1)) + 1;
  const std::uint32_t src = (pos - distance) & kRingMask;
  if (pos + length <= kRingSize && src + length <= kRingSize) {
    std::uint8_t* d = w + pos;
    const std::uint8_t* s = w + src;
    if (distance >= 16) {
      // Each 16-byte chunk is loaded before it is stored and never reads bytes this copy has yet
      // to write. The last chunk may run up to 15 bytes past the match: those bytes lie ahead of
      // the decoder, in the half of the ring no match reads, or in the slack.
      for (std::uint32_t i = 0; i < length; i += 16) std::memcpy(d + i, s + i, 16);
    } else if (distance == 1) {
      std::memset(d, *s, length);  // a run of one byte
    } else {
      for (std::uint32_t i = 0; i < length; ++i) d[i] = s[i];  // short period repeats its pattern
    }
    return pos + length;
  }
  for (std::uint32_t i = 0; i < length; ++i) {
    w[pos] = w[(pos - distance) & kRingMask];
    pos = (pos + 1) & kRingMask;
  }
  return pos;
}

template <unsigned C>
BitReader Rar20Unpacker::audioRun(BitReader in, std::uint32_t& pos, std::int64_t& remaining,
                                  bool& progress) noexcept {
  // Byte t of the run is written at pos + t with pos + t - writePos_ pending and remaining - t
  // left, so it is one the generic loop would also write without wrapping or flushing first.
  const std::uint32_t pending = (pos - writePos_) & kRingMask;
  const std::uint32_t flushDue = sink_ != nullptr ? kEagerFlushDue : kFlushDue;
  const std::size_t limit = std::min<std::size_t>(
      {kRingSize - pos, flushDue - pending, static_cast<std::size_t>(remaining) + 1});
  const AudioRun got = decodeAudioRun<C>(in, audioCodes_, md_, predictors_, channelDelta_,
                                         curChannel_, limit, ring_.data() + pos);
  pos += static_cast<std::uint32_t>(got.count);
  remaining -= static_cast<std::int64_t>(got.count);
  curChannel_ = static_cast<std::uint32_t>((curChannel_ + got.count) % C);
  progress = got.count > 0 || got.tableSwitch;
  if (got.tableSwitch) in = readTables(in);
  return in;
}

[[gnu::always_inline]] inline Rar20Unpacker::Match Rar20Unpacker::decodeMatch(
    BitReader& in, std::uint32_t symbol, LzHistory& h) noexcept {
  Match m;
  if (symbol >= 270) {
    const std::uint32_t n = symbol - 270;
    m.length = kLengthBase[n] + 3 + in.take(kLengthBits[n]);
    const std::uint32_t d = dd_.decodeEntry(in.bits());
    in.skipEntry(d);
    const std::uint32_t slot = HuffmanTable::entrySymbol(d);
    m.distance = kDistanceBase[slot] + 1 + in.take(kDistanceBits[slot]);
    m.length += (m.distance >= 0x2000) + (m.distance >= 0x40000);
  } else if (symbol == 256) {
    m = {h.lastLength, h.lastDist};
  } else if (symbol < 261) {
    m.distance = h.oldDist[(h.oldDistIndex - (symbol - 256)) & 3];
    const std::uint32_t l = rd_.decodeEntry(in.bits());
    in.skipEntry(l);
    const std::uint32_t slot = HuffmanTable::entrySymbol(l);
    m.length = kLengthBase[slot] + 2 + in.take(kLengthBits[slot]);
    m.length += (m.distance >= 0x101) + (m.distance >= 0x2000) + (m.distance >= 0x40000);
  } else {
    const std::uint32_t n = symbol - 261;
    m = {2, kShortDistanceBase[n] + 1 + in.take(kShortDistanceBits[n])};
  }
  h.lastDist = m.distance;
  h.oldDist[h.oldDistIndex++ & 3] = m.distance;
  h.lastLength = m.length;
  return m;
}

[[gnu::always_inline]] inline BitReader Rar20Unpacker::lzRun(BitReader in, std::uint32_t& posRef,
                                                             std::uint32_t end,
                                                             LzHistory& history) noexcept {
  std::uint8_t* const w = ring_.data();
  std::uint32_t pos = posRef;
  // Entries below this are literals.
  constexpr std::uint32_t kFirstNonLiteral = 256u << 6;
  while (pos < end && in.refillFast()) {
    std::uint32_t e = ld_.decodeEntry(in.bits());
    if (e < kFirstNonLiteral) {
      // A refill leaves 56 bits and a code takes at most 15: room for three literals, but not
      // for a match after one.
      in.skipEntry(e);
      w[pos++] = static_cast<std::uint8_t>(HuffmanTable::entrySymbol(e));
      e = ld_.decodeEntry(in.bits());
      if (e >= kFirstNonLiteral) continue;
      in.skipEntry(e);
      w[pos++] = static_cast<std::uint8_t>(HuffmanTable::entrySymbol(e));
      e = ld_.decodeEntry(in.bits());
      if (e >= kFirstNonLiteral) continue;
      in.skipEntry(e);
      w[pos++] = static_cast<std::uint8_t>(HuffmanTable::entrySymbol(e));
      continue;
    }
    const std::uint32_t symbol = HuffmanTable::entrySymbol(e);
    if (symbol == 269) break;  // the tables change: left to the caller
    in.skipEntry(e);
    const Match m = decodeMatch(in, symbol, history);
    pos = copyMatch(w, pos, m.length, m.distance);
  }
  posRef = pos;
  return in;
}

std::uint32_t Rar20Unpacker::unpack(std::span<const std::uint8_t> packed,
                                    std::uint32_t unpackedSize, bool solid,
                                    UnpackSink* sink) noexcept {
  if (ring_.data() == nullptr) return 0;
  if (!solid) reset();
  sink_ = sink;
  outputSize_ = unpackedSize;
  produced_ = 0;
  crc_ = 0xFFFFFFFFu;

  BitReader in(packed);
  const std::uint64_t bitBudget = (std::uint64_t{packed.size()} + kOverreadBytes) * 8;
  in.refill();
  if (!solid) in = readTables(in);

  std::uint8_t* const w = ring_.data();
  std::uint32_t pos = unpackPos_;
  std::int64_t remaining = std::int64_t{unpackedSize} - 1;
  const std::uint32_t flushDue = sink != nullptr ? kEagerFlushDue : kFlushDue;
  // The match history in a local: ring stores are byte stores, which may alias any member.
  LzHistory history = history_;

  while (remaining >= 0) {
    pos &= kRingMask;
    std::uint32_t pending = (pos - writePos_) & kRingMask;
    if (pending >= flushDue) {
      const bool fits = flush(pos);
      writePos_ = pos;
      pending = 0;
      if (!fits) break;  // output overrun: stop decoding
    }
    if (!in.refillFast()) {
      if (in.consumedBits() > bitBudget) break;  // the data ran out long ago
      in.refillSlow();
    }

    if (audio_) {
      bool progress = false;
      switch (channels_) {
        case 1: in = audioRun<1>(in, pos, remaining, progress); break;
        case 2: in = audioRun<2>(in, pos, remaining, progress); break;
        case 3: in = audioRun<3>(in, pos, remaining, progress); break;
        default: in = audioRun<4>(in, pos, remaining, progress); break;
      }
      // Without progress nothing changed, and the one-byte step below may run on the checks
      // made at the top of this iteration.
      if (progress) continue;
      const HuffmanTable::Result r = md_[curChannel_].decode(in.peek16());
      in.skip(r.length);
      if (r.symbol == 256) {
        in = readTables(in);
        continue;
      }
      w[pos++] = predictors_[curChannel_].decode(static_cast<std::uint8_t>(r.symbol), channelDelta_);
      if (++curChannel_ == channels_) curChannel_ = 0;
      --remaining;
      continue;
    }

    // A run of steps free of these checks, while no step can reach the ring's end or the next
    // flush, and every step starts before the end of the entry (as this loop's check demands: an
    // iteration of the run may take three literals, so it starts two bytes before). The bytes it
    // wrote come off remaining at once.
    const std::int64_t runEnd = std::min<std::int64_t>(
        {kRingSize - kMaxStep, std::int64_t{pos} + (flushDue - pending), pos + remaining - 1});
    if (pos < runEnd) {
      const std::uint32_t start = pos;
      in = lzRun(in, pos, static_cast<std::uint32_t>(runEnd), history);
      remaining -= pos - start;
      if (pos != start) continue;
      // Nothing decoded (a table switch comes next): the one step below runs on this iteration's
      // checks.
    }

    const HuffmanTable::Result r = ld_.decode(in.peek16());
    in.skip(r.length);
    if (r.symbol < 256) {
      w[pos++] = static_cast<std::uint8_t>(r.symbol);
      --remaining;
    } else if (r.symbol == 269) {
      in = readTables(in);
    } else {
      const Match m = decodeMatch(in, r.symbol, history);
      remaining -= m.length;
      pos = copyMatch(w, pos, m.length, m.distance);
    }
  }
  pos &= kRingMask;
  history_ = history;
  // remaining fell by exactly the bytes written to the window.
  writtenSinceClear_ += static_cast<std::uint64_t>(std::int64_t{unpackedSize} - 1 - remaining);

  // Read ahead the table switch that ends this entry, so the next solid entry starts on the right
  // tables.
  if (packed.size() >= in.consumedBits() / 8 + 5) {
    in.refill();
    const HuffmanTable::Result r =
        audio_ ? md_[curChannel_].decode(in.peek16()) : ld_.decode(in.peek16());
    in.skip(r.length);
    if (r.symbol == (audio_ ? 256u : 269u)) in = readTables(in);
  }

  flush(pos);
  writePos_ = pos;
  unpackPos_ = pos;
  sink_ = nullptr;
  return produced_;
}

}  // namespace vm
