#include "platform/d3dx/xfile/x_inflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace vm::d3dx::detail {
namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kWindow = 32768;  // deflate's history: the dictionary never needs more

std::uint32_t load16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }

// Raw-deflate blocks, each primed with the output before it; one stream state reused for all of them.
class BlockInflater {
public:
    BlockInflater() { ok_ = inflateInit2(&z_, -15) == Z_OK; }
    ~BlockInflater() {
        if (ok_) inflateEnd(&z_);
    }
    BlockInflater(const BlockInflater&) = delete;
    BlockInflater& operator=(const BlockInflater&) = delete;

    // One block that must produce exactly `size` bytes and end.
    bool block(const std::uint8_t* src, std::size_t srcSize, const std::uint8_t* dict, std::size_t dictSize,
               std::uint8_t* dst, std::size_t size) {
        if (!ok_ || inflateReset(&z_) != Z_OK) return false;
        if (dictSize != 0 && inflateSetDictionary(&z_, dict, static_cast<uInt>(dictSize)) != Z_OK) return false;
        z_.next_in = const_cast<Bytef*>(src);
        z_.avail_in = static_cast<uInt>(srcSize);
        z_.next_out = dst;
        z_.avail_out = static_cast<uInt>(size);
        return inflate(&z_, Z_FINISH) == Z_STREAM_END && z_.avail_out == 0;
    }

private:
    z_stream z_{};
    bool ok_ = false;
};

}  // namespace

XResult inflateXPayload(std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out) {
    if (payload.size() < 4) return XResult::BadCompression;
    const std::uint64_t declared = static_cast<std::uint64_t>(load16(payload.data())) |
                                   static_cast<std::uint64_t>(load16(payload.data() + 2)) << 16;
    if (declared < kHeaderBytes) return XResult::BadCompression;
    if (declared > kMaxXBytes) return XResult::TooLarge;
    const std::uint64_t expected = declared - kHeaderBytes;
    // Walk the block headers first: every block whole and marked, and the sizes adding up to the declared
    // total. Then the output is sized once, exactly, and no block's output moves after it is written.
    std::size_t pos = 4;
    std::uint64_t total = 0;
    while (pos < payload.size()) {
        if (payload.size() - pos < 6) return XResult::BadCompression;
        const std::size_t rawSize = load16(&payload[pos]);
        const std::size_t packed = load16(&payload[pos + 2]);
        pos += 4;
        if (packed < 2 || packed > payload.size() - pos) return XResult::BadCompression;
        if (payload[pos] != 'C' || payload[pos + 1] != 'K') return XResult::BadCompression;
        if (rawSize > expected - total) return XResult::BadCompression;
        total += rawSize;
        pos += packed;
    }
    if (total != expected) return XResult::BadCompression;
    const std::size_t base = out.size();
    try {
        out.resize(base + static_cast<std::size_t>(expected));
        BlockInflater inflater;
        std::uint8_t* dst = out.data() + base;
        std::size_t prevSize = 0;  // the previous block's output is the next block's dictionary
        for (pos = 4; pos < payload.size();) {
            const std::size_t rawSize = load16(&payload[pos]);
            const std::size_t packed = load16(&payload[pos + 2]);
            const std::size_t dictSize = std::min(prevSize, kWindow);
            if (!inflater.block(&payload[pos + 6], packed - 2, dst - dictSize, dictSize, dst, rawSize)) {
                out.resize(base);
                return XResult::BadCompression;
            }
            pos += 4 + packed;
            dst += rawSize;
            prevSize = rawSize;
        }
    } catch (const std::bad_alloc&) {
        return XResult::OutOfMemory;
    }
    return XResult::Ok;
}

}  // namespace vm::d3dx::detail
