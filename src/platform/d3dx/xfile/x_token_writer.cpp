#include "platform/d3dx/xfile/x_token_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace vm::d3dx {

XTokenWriter::XTokenWriter(std::string_view header) {
    out_.assign(header.begin(), header.end());
}

void XTokenWriter::u16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void XTokenWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void XTokenWriter::raw(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

void XTokenWriter::token(Token t) { u16(t); }

void XTokenWriter::name(std::string_view s) {
    token(Name);
    u32(static_cast<std::uint32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
}

void XTokenWriter::string(std::string_view s) {
    token(String);
    u32(static_cast<std::uint32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
    token(Semicolon);
}

void XTokenWriter::integers(std::span<const std::uint32_t> values) {
    token(IntegerList);
    u32(static_cast<std::uint32_t>(values.size()));
    for (std::uint32_t v : values) u32(v);
}

void XTokenWriter::floats(std::span<const float> values) {
    token(FloatList);
    u32(static_cast<std::uint32_t>(values.size()));
    const std::size_t at = out_.size();
    out_.resize(at + values.size() * 4);
    if (!values.empty()) std::memcpy(out_.data() + at, values.data(), values.size() * 4);  // little-endian host
}

void XTokenWriter::open(std::string_view type, std::string_view objectName) {
    name(type);
    if (!objectName.empty()) name(objectName);
    token(OBrace);
}

XResult compressXFile(std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& out) {
    constexpr std::size_t kHeader = 16;
    constexpr std::size_t kBlock = 32768;
    if (plain.size() < kHeader || std::memcmp(plain.data(), "xof ", 4) != 0) return XResult::BadFileType;
    const bool text = std::memcmp(plain.data() + 8, "txt ", 4) == 0;
    if (!text && std::memcmp(plain.data() + 8, "bin ", 4) != 0) return XResult::BadFileType;
    if (plain.size() > 0xFFFFFFFFu) return XResult::TooLarge;
    out.assign(plain.begin(), plain.begin() + kHeader);
    std::memcpy(out.data() + 8, text ? "tzip" : "bzip", 4);
    const auto total = static_cast<std::uint32_t>(plain.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(total >> (8 * i)));
    const std::uint8_t* dict = nullptr;
    std::size_t dictSize = 0;
    std::vector<std::uint8_t> packed;
    for (std::size_t at = kHeader; at < plain.size(); at += kBlock) {
        const std::size_t n = std::min(kBlock, plain.size() - at);
        z_stream z{};
        if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return XResult::OutOfMemory;
        if (dictSize) deflateSetDictionary(&z, dict, static_cast<uInt>(dictSize));
        packed.resize(deflateBound(&z, n));
        z.next_in = const_cast<Bytef*>(plain.data() + at);
        z.avail_in = static_cast<uInt>(n);
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        const int r = deflate(&z, Z_FINISH);
        const std::size_t size = packed.size() - z.avail_out;
        deflateEnd(&z);
        if (r != Z_STREAM_END || size + 2 > 0xFFFF) return XResult::BadCompression;
        const auto put16 = [&](std::size_t v) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        put16(n);
        put16(size + 2);
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
        dict = plain.data() + at;
        dictSize = n;
    }
    return XResult::Ok;
}

}  // namespace vm::d3dx
