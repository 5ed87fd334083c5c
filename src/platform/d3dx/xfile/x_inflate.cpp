#include "platform/d3dx/xfile/x_inflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace vm::d3dx::detail {
namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kWindow = 32768;  // deflate's history: the dictionary never needs more

std::uint32_t load16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }

// One raw-deflate stream, primed with `dict`, that must produce exactly `size` bytes and end.
bool inflateBlock(const std::uint8_t* src, std::size_t srcSize, const std::uint8_t* dict, std::size_t dictSize,
                  std::uint8_t* dst, std::size_t size) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    bool ok = dictSize == 0 || inflateSetDictionary(&z, dict, static_cast<uInt>(dictSize)) == Z_OK;
    if (ok) {
        z.next_in = const_cast<Bytef*>(src);
        z.avail_in = static_cast<uInt>(srcSize);
        z.next_out = dst;
        z.avail_out = static_cast<uInt>(size);
        const int r = inflate(&z, Z_FINISH);
        ok = r == Z_STREAM_END && z.avail_out == 0;
    }
    inflateEnd(&z);
    return ok;
}

}  // namespace

XResult inflateXPayload(std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out) {
    if (payload.size() < 4) return XResult::BadCompression;
    const std::uint64_t declared = static_cast<std::uint64_t>(load16(payload.data())) |
                                   static_cast<std::uint64_t>(load16(payload.data() + 2)) << 16;
    if (declared < kHeaderBytes) return XResult::BadCompression;
    if (declared > kMaxXBytes) return XResult::TooLarge;
    const std::uint64_t expected = declared - kHeaderBytes;
    const std::size_t base = out.size();
    std::size_t pos = 4;
    std::size_t prevSize = 0;  // the previous block's output is the next block's dictionary
    try {
        while (pos < payload.size()) {
            if (payload.size() - pos < 6) return XResult::BadCompression;
            const std::size_t rawSize = load16(&payload[pos]);
            const std::size_t packed = load16(&payload[pos + 2]);
            pos += 4;
            if (packed < 2 || packed > payload.size() - pos) return XResult::BadCompression;
            if (payload[pos] != 'C' || payload[pos + 1] != 'K') return XResult::BadCompression;
            const std::size_t have = out.size() - base;
            if (rawSize > expected - have) return XResult::BadCompression;
            const std::size_t dictSize = std::min(prevSize, kWindow);
            if (out.capacity() < out.size() + rawSize)
                out.reserve(std::max(out.size() + rawSize, out.capacity() * 2));  // blocks arrive 32 KiB at a time
            out.resize(out.size() + rawSize);
            std::uint8_t* dst = out.data() + out.size() - rawSize;
            if (!inflateBlock(&payload[pos + 2], packed - 2, dst - dictSize, dictSize, dst, rawSize))
                return XResult::BadCompression;
            pos += packed;
            prevSize = rawSize;
        }
    } catch (const std::bad_alloc&) {
        return XResult::OutOfMemory;
    }
    if (out.size() - base != expected) return XResult::BadCompression;
    return XResult::Ok;
}

}  // namespace vm::d3dx::detail
