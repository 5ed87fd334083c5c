#pragma once
// Test-side writers: an MSB-first bit writer, RAR 2.0 table sets with flat code lengths (so every
// code is the symbol's own value in a fixed number of bits), and an archive builder for headers
// laid out by hand. Small on purpose: each test spells out the stream it feeds the decoder.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/crc32.h"

namespace vm::testing {

class BitWriter {
 public:
  void put(std::uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      acc_ = static_cast<std::uint8_t>(acc_ << 1 | ((value >> i) & 1));
      if (++fill_ == 8) {
        bytes_.push_back(acc_);
        acc_ = 0;
        fill_ = 0;
      }
    }
  }
  // Pads the last byte with zero bits.
  std::vector<std::uint8_t> finish() {
    std::vector<std::uint8_t> out = bytes_;
    if (fill_ > 0) out.push_back(static_cast<std::uint8_t>(acc_ << (8 - fill_)));
    return out;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint8_t acc_ = 0;
  unsigned fill_ = 0;
};

// Code lengths of the flat LZ set: 298 literal/length symbols of 9 bits, 48 distance slots of 6,
// 28 repeat-length slots of 5. With one length per alphabet the canonical code of a symbol is the
// symbol itself.
constexpr unsigned kLdBits = 9, kDdBits = 6, kRdBits = 5, kMdBits = 9;

// Table-set header and lengths. The bit-length alphabet is itself flat (19 symbols of 5 bits), so
// each length is sent as the 5-bit value (length - previous) & 15.
// relative: lengths are sent as changes to prev (the header's bit 14).
inline void putLengths(BitWriter& w, const std::vector<std::uint8_t>& lengths,
                       const std::vector<std::uint8_t>& prev) {
  for (int i = 0; i < 19; ++i) w.put(5, 4);
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const std::uint8_t p = i < prev.size() ? prev[i] : 0;
    w.put(static_cast<std::uint32_t>((lengths[i] - p) & 15), 5);
  }
}

inline std::vector<std::uint8_t> flatLzLengths() {
  std::vector<std::uint8_t> l(374);
  for (std::size_t i = 0; i < 374; ++i) l[i] = i < 298 ? kLdBits : i < 346 ? kDdBits : kRdBits;
  return l;
}

inline void putLzTables(BitWriter& w, bool relative = false,
                        const std::vector<std::uint8_t>& prev = {}) {
  w.put(0, 1);                 // not audio
  w.put(relative ? 1 : 0, 1);  // keep previous lengths as the base
  putLengths(w, flatLzLengths(), relative ? prev : std::vector<std::uint8_t>{});
}

inline void putAudioTables(BitWriter& w, unsigned channels) {
  w.put(1, 1);
  w.put(0, 1);
  w.put(channels - 1, 2);
  putLengths(w, std::vector<std::uint8_t>(channels * 257, kMdBits), {});
}

inline void putLiteral(BitWriter& w, std::uint8_t b) { w.put(b, kLdBits); }

// A match by length slot/extra and distance slot/extra (symbol 270 + lengthSlot).
inline void putMatch(BitWriter& w, unsigned lengthSlot, std::uint32_t lengthExtra,
                     unsigned lengthExtraBits, unsigned distSlot, std::uint32_t distExtra,
                     unsigned distExtraBits) {
  w.put(270 + lengthSlot, kLdBits);
  w.put(lengthExtra, lengthExtraBits);
  w.put(distSlot, kDdBits);
  w.put(distExtra, distExtraBits);
}

// Archive builder ---------------------------------------------------------------------------

inline void put16(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
inline void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}

struct Entry {
  std::string name;
  std::vector<std::uint8_t> packed;  // the data area as stored
  std::uint32_t unpackedSize = 0;
  std::uint32_t crc = 0;
  std::uint16_t flags = 0x8000;
  std::uint8_t method = 0x30;
  std::uint8_t unpackVersion = 20;
  std::vector<std::uint8_t> headerExtra;  // bytes after the name inside the header
  std::uint8_t type = 0x74;
  int headerSizeDelta = 0;  // added to the true header size, to lay out broken headers
};

inline Entry storedEntry(std::string name, const std::string& content) {
  Entry e;
  e.name = std::move(name);
  e.packed.assign(content.begin(), content.end());
  e.unpackedSize = static_cast<std::uint32_t>(content.size());
  e.crc = crc32(e.packed);
  return e;
}

inline Entry compressedEntry(std::string name, std::vector<std::uint8_t> packed,
                             const std::vector<std::uint8_t>& content, bool solid = false) {
  Entry e;
  e.name = std::move(name);
  e.packed = std::move(packed);
  e.unpackedSize = static_cast<std::uint32_t>(content.size());
  e.crc = crc32(content);
  e.method = 0x33;
  if (solid) e.flags |= 0x0010;
  return e;
}

inline std::vector<std::uint8_t> buildArchive(const std::vector<Entry>& entries,
                                              bool solid = false, unsigned mainHeaderSize = 13) {
  std::vector<std::uint8_t> out = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  std::vector<std::uint8_t> mh = {0x73};
  put16(mh, solid ? 0x0008 : 0);
  put16(mh, mainHeaderSize);
  put16(mh, 0);
  put32(mh, 0);
  put16(out, crc32(mh) & 0xFFFF);
  out.insert(out.end(), mh.begin(), mh.end());
  for (const Entry& e : entries) {
    std::vector<std::uint8_t> h;
    h.reserve(32 + e.name.size() + e.headerExtra.size());
    h.push_back(e.type);
    put16(h, e.flags);
    put16(h, static_cast<unsigned>(static_cast<int>(32 + e.name.size() + e.headerExtra.size()) +
                                   e.headerSizeDelta));
    put32(h, static_cast<std::uint32_t>(e.packed.size()));
    put32(h, e.unpackedSize);
    h.push_back(0);
    put32(h, e.crc);
    put32(h, 0x5A000000);
    h.push_back(e.unpackVersion);
    h.push_back(e.method);
    put16(h, static_cast<unsigned>(e.name.size()));
    put32(h, 0x20);
    h.insert(h.end(), e.name.begin(), e.name.end());
    h.insert(h.end(), e.headerExtra.begin(), e.headerExtra.end());
    put16(out, crc32(h) & 0xFFFF);
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), e.packed.begin(), e.packed.end());
  }
  // End-of-archive block (7 bytes): shorter than a file header, so the walk ends on it.
  const std::vector<std::uint8_t> end = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

}  // namespace vm::testing
