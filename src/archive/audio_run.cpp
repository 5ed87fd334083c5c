#include "archive/audio_run.h"

#include <algorithm>

namespace vm {

// The run works on the predictors' period records directly.
struct AudioRunAccess {
  static constexpr unsigned kPeriod = AudioPredictor::kPeriod;
  static constexpr std::ptrdiff_t kToChannelDelta =
      AudioPredictor::kChannelDeltas - AudioPredictor::kHistory;
  static constexpr std::ptrdiff_t kToCoded = AudioPredictor::kCoded - AudioPredictor::kHistory;

  // One channel within a stretch of constant weights. Its delta is (int8)(x >> 3) with
  //   x = a1*l1 + a2*l2 + a3*l3 + a4*l4 + k5*channelDelta - 8*coded
  // over its last deltas l1..l4: K1*D1 + K2*D2 + K3*D3 + K4*D4 regrouped by delta.
  struct Lane {
    std::int32_t a1, a2, a3, a4, k5;
    // The same four products in one multiply: with x = 2^16, history = l1 + l2 x + l3 x^2 + l4 x^3
    // and weights = a4 + a3 x + a2 x^2 + a1 x^3 (both modulo 2^64), the x^3 coefficient of their
    // product is a1*l1 + ... + a4*l4. It fits 16 signed bits (|a| <= 34, |l| <= 128), and the lower
    // coefficients sum to less than 2^46 in magnitude, so adding 2^47 and shifting right by 48
    // yields it exactly. Higher coefficients fall off the top.
    std::uint64_t history, weights;
    std::int32_t last;   // last byte, reduced modulo 256 only when stored back
    std::int16_t* next;  // record slot of the next delta; next[-4..-1] are l4..l1
    const AudioCodeTable* codes;
    const HuffmanTable* table;  // for codes longer than the code table answers
  };

  static std::uint64_t packed(std::int32_t c0, std::int32_t c1, std::int32_t c2,
                              std::int32_t c3) noexcept {
    const auto u = [](std::int32_t v) { return static_cast<std::uint64_t>(std::int64_t{v}); };
    return u(c0) + (u(c1) << 16) + (u(c2) << 32) + (u(c3) << 48);
  }

  static Lane open(AudioPredictor& p, const AudioCodeTable& codes,
                   const HuffmanTable& table) noexcept {
    const auto& k = p.k_;
    std::int16_t* next = p.record_.data() + AudioPredictor::kHistory + p.fill_;
    const std::int32_t a1 = k[0] + k[1], a2 = k[2] - k[1], a3 = k[3] - k[2], a4 = -k[3];
    return {a1, a2, a3, a4, k[4],
            packed(next[-1], next[-2], next[-3], next[-4]), packed(a4, a3, a2, a1),
            p.lastByte_, next, &codes, &table};
  }

  static void close(const Lane& lane, AudioPredictor& p) noexcept {
    p.fill_ = static_cast<std::uint32_t>(lane.next - (p.record_.data() + AudioPredictor::kHistory));
    p.lastByte_ = lane.last & 0xFF;
  }

  // Records one sample and returns its byte.
  [[gnu::always_inline]] static inline std::uint8_t put(Lane& s, std::int32_t delta,
                                                         std::uint32_t coded,
                                                         std::int32_t channelDelta) noexcept {
    s.next[0] = static_cast<std::int16_t>(delta);
    s.next[kToChannelDelta] = static_cast<std::int16_t>(channelDelta);
    s.next[kToCoded] = static_cast<std::int16_t>(coded);
    ++s.next;
    s.last += delta;
    return static_cast<std::uint8_t>(s.last);
  }

  // Out of line, so the hot path's table index is one shift of the bit buffer. The reader goes
  // by value, so the hot path's reader never has its address taken and stays in registers.
  [[gnu::noinline]] static BitReader longCode(BitReader in, const HuffmanTable& table,
                                              std::uint32_t& symbol) noexcept {
    const HuffmanTable::Result r = table.decode(in.peek16());
    in.skip(r.length);
    symbol = r.symbol;
    return in;
  }

  // The next code of lane s: its symbol, 0..256, or kNoCode when the data are nearly used up
  // (nothing consumed).
  static constexpr std::uint32_t kNoCode = 0x10000;
  [[gnu::always_inline]] static inline std::uint32_t code(BitReader& in, const Lane& s,
                                                          bool refill) noexcept {
    if (refill && !in.refillFast()) return kNoCode;
    const std::uint32_t e = s.codes->entry(in.peek16());
    if (AudioCodeTable::length(e) == 0) [[unlikely]] {
      std::uint32_t symbol;
      in = longCode(in, *s.table, symbol);
      return symbol;
    }
    in.skipEntry(e);
    return AudioCodeTable::symbol(e);
  }

  // One byte of a multi-channel stretch; false when the code is not a delta (nothing written).
  [[gnu::always_inline]] static inline bool byte(BitReader& in, Lane& s, bool refill,
                                                 std::int32_t& cd, std::uint8_t& out,
                                                 bool& tableSwitch) noexcept {
    const std::uint32_t coded = code(in, s, refill);
    if (coded >= 256) [[unlikely]] {
      tableSwitch = coded == 256;
      return false;
    }
    // The channel's own deltas are at least two bytes old, off the channel-delta chain.
    const auto dot = static_cast<std::int32_t>(
        static_cast<std::int64_t>(s.history * s.weights + (std::uint64_t{1} << 47)) >> 48);
    const std::int32_t r = dot - 8 * static_cast<std::int32_t>(coded);
    // One sign extension serves the history, the record and the channel delta.
    const std::int64_t delta = static_cast<std::int8_t>((s.k5 * cd + r) >> 3);
    s.history = (s.history << 16) + static_cast<std::uint64_t>(delta);
    out = put(s, static_cast<std::int32_t>(delta), coded, cd);
    cd = static_cast<std::int32_t>(delta);
    return true;
  }

  // Up to n bytes of a C-channel block (C >= 2) from channel first on, during which no channel
  // needs weights adapted after the stretch began (a channel may end its period, and record its
  // 32nd sample, but not start the next). Returns the bytes decoded.
  template <unsigned C>
  static std::size_t stretch(BitReader& reader, const std::array<AudioCodeTable, 4>& codes,
                             const std::array<HuffmanTable, 4>& md,
                             std::array<AudioPredictor, 4>& p, std::int32_t& channelDelta,
                             unsigned first, std::size_t n, std::uint8_t* out,
                             bool& switched) noexcept {
    bool tableSwitch = false;
    BitReader in = reader;  // locals the compiler can keep in registers across the byte stores
    std::int32_t cd = channelDelta;
    std::array<Lane, C> lanes;  // lanes[j]: channel (first + j) % C
#pragma GCC unroll 4
    for (unsigned j = 0; j < C; ++j)
      lanes[j] = open(p[(first + j) % C], codes[(first + j) % C], md[(first + j) % C]);
    // Whole frames, then the bytes left of a last one. A refill leaves at least 56 bits and a code
    // takes at most 15: refill before every third code (every second for four channels, so each
    // frame refills at the same places).
    std::uint8_t* o = out;
    std::uint8_t* const framesEnd = out + (n - n % C);
    bool more = true;
    while (more && o != framesEnd) {
#pragma GCC unroll 4
      for (unsigned j = 0; j < C; ++j) {
        if (!byte(in, lanes[j], j % (C == 4 ? 2 : 3) == 0, cd, *o, tableSwitch)) {
          more = false;
          break;
        }
        ++o;
      }
    }
    if (more) {
#pragma GCC unroll 4
      for (unsigned j = 0; j < C; ++j) {
        if (o == out + n || !byte(in, lanes[j], j % (C == 4 ? 2 : 3) == 0, cd, *o, tableSwitch))
          break;
        ++o;
      }
    }
    const auto i = static_cast<std::size_t>(o - out);
#pragma GCC unroll 4
    for (unsigned j = 0; j < C; ++j) close(lanes[j], p[(first + j) % C]);
    channelDelta = cd;
    reader = in;
    switched = tableSwitch;
    return i;
  }

  // The same for one channel. After its first byte the channel delta is the channel's own last
  // delta l1, so the weights of both merge and l1..l4 stay in registers.
  static std::size_t stretch1(BitReader& reader, const AudioCodeTable& codes,
                              const HuffmanTable& table, AudioPredictor& p,
                              std::int32_t& channelDelta, std::size_t n, std::uint8_t* out,
                              bool& switched) noexcept {
    bool tableSwitch = false;
    BitReader in = reader;
    Lane s = open(p, codes, table);
    std::int32_t cd = channelDelta;
    std::int32_t l1 = s.next[-1], l2 = s.next[-2], l3 = s.next[-3], l4 = s.next[-4];
    std::size_t i = 0;
    bool more = true;
    if (cd != l1 && n > 0) {
      // The delta of another channel (before a switch to one channel) may still be in force.
      const std::uint32_t coded = code(in, s, true);
      if (coded < 256) {
        const std::int32_t delta = static_cast<std::int8_t>(
            (s.a1 * l1 + s.a2 * l2 + s.a3 * l3 + s.a4 * l4 + s.k5 * cd -
             8 * static_cast<std::int32_t>(coded)) >> 3);
        out[i++] = put(s, delta, coded, cd);
        l4 = l3;
        l3 = l2;
        l2 = l1;
        l1 = cd = delta;
      } else {
        tableSwitch = coded == 256;
        more = false;
      }
    }
    const std::int32_t a = s.a1 + s.k5;
    while (more) {
#pragma GCC unroll 3
      for (unsigned j = 0; j < 3; ++j) {
        if (i == n) {
          more = false;
          break;
        }
        const std::uint32_t coded = code(in, s, j == 0);
        if (coded >= 256) {
          tableSwitch = coded == 256;
          more = false;
          break;
        }
        const std::int32_t r = s.a2 * l2 + s.a3 * l3 + s.a4 * l4 - 8 * static_cast<std::int32_t>(coded);
        const std::int32_t delta = static_cast<std::int8_t>((a * l1 + r) >> 3);
        out[i++] = put(s, delta, coded, l1);
        l4 = l3;
        l3 = l2;
        l2 = l1;
        l1 = delta;
      }
    }
    close(s, p);
    channelDelta = i > 0 ? l1 : cd;
    reader = in;
    switched = tableSwitch;
    return i;
  }

  static std::uint32_t fill(const AudioPredictor& p) noexcept { return p.fill_; }
  static void endPeriod(AudioPredictor& p) noexcept { p.endPeriod(); }
};

template <unsigned C>
AudioRun decodeAudioRun(BitReader& in, const std::array<AudioCodeTable, 4>& codes,
                        const std::array<HuffmanTable, 4>& md,
                        std::array<AudioPredictor, 4>& predictors, std::int32_t& channelDelta,
                        unsigned first, std::size_t limit, std::uint8_t* out) noexcept {
  using A = AudioRunAccess;
  AudioRun run;
  while (run.count < limit) {
    // Up to the first byte that needs new weights: channel (first + j) % C ends its period with
    // its sample at offset j + (31 - fill) * C, and predicts with the adapted weights C bytes
    // later. Channels whose periods end meanwhile adapt together after the stretch.
    std::size_t len = limit - run.count;
    for (unsigned j = 0; j < C; ++j) {
      const std::uint32_t fill = A::fill(predictors[(first + j) % C]);
      len = std::min(len, j + std::size_t{A::kPeriod - fill} * C);
    }
    std::size_t done;
    if constexpr (C == 1) {
      done = A::stretch1(in, codes[0], md[0], predictors[0], channelDelta, len, out + run.count,
                         run.tableSwitch);
    } else {
      done = A::stretch<C>(in, codes, md, predictors, channelDelta, first, len, out + run.count,
                           run.tableSwitch);
    }
    run.count += done;
    for (unsigned c = 0; c < C; ++c)
      if (A::fill(predictors[c]) == A::kPeriod) A::endPeriod(predictors[c]);
    first = static_cast<unsigned>((first + done) % C);
    if (done < len || run.tableSwitch) break;
  }
  return run;
}

#define VM_AUDIO_RUN(C)                                                                      \
  template AudioRun decodeAudioRun<C>(BitReader&, const std::array<AudioCodeTable, 4>&,      \
                                      const std::array<HuffmanTable, 4>&,                    \
                                      std::array<AudioPredictor, 4>&, std::int32_t&, unsigned, \
                                      std::size_t, std::uint8_t*) noexcept;
VM_AUDIO_RUN(1)
VM_AUDIO_RUN(2)
VM_AUDIO_RUN(3)
VM_AUDIO_RUN(4)
#undef VM_AUDIO_RUN

}  // namespace vm
