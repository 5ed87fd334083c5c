#pragma once
// Binary X token stream writer, and the compressor for the "bzip" encoding. Used by the X writer and by
// tests that build binary inputs token by token.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/d3dx/xfile/xfile.h"

namespace vm::d3dx {

class XTokenWriter {
public:
    // Binary token ids (little-endian WORDs).
    enum Token : std::uint16_t {
        Name = 1, String = 2, Integer = 3, Guid = 5, IntegerList = 6, FloatList = 7,
        OBrace = 10, CBrace = 11, OParen = 12, CParen = 13, OBracket = 14, CBracket = 15, OAngle = 16,
        CAngle = 17, Dot = 18, Comma = 19, Semicolon = 20, Template = 31, Word = 40, Dword = 41,
        Float = 42, Double = 43, Char = 44, Uchar = 45, Sword = 46, Sdword = 47, Void = 48, Lpstr = 49,
        Unicode = 50, Cstring = 51, Array = 52,
    };

    // Starts with the 16-byte header "xof 0303bin 0032" (or the given one).
    explicit XTokenWriter(std::string_view header = "xof 0303bin 0032");

    void token(Token t);
    void name(std::string_view s);
    void string(std::string_view s);  // followed by its ; token, as readers expect
    void integers(std::span<const std::uint32_t> values);
    void floats(std::span<const float> values);
    void u16(std::uint16_t v);  // raw, for hand-built malformed input
    void u32(std::uint32_t v);
    void raw(std::span<const std::uint8_t> bytes);

    // { type name { ... } } helpers.
    void open(std::string_view type, std::string_view objectName = {});
    void close() { token(CBrace); }

    std::vector<std::uint8_t>& bytes() { return out_; }

private:
    std::vector<std::uint8_t> out_;
};

// Turns a binary or text X file (16-byte header, then tokens) into its compressed form: "bin " becomes
// "bzip" and "txt " "tzip", the body goes out in MSZIP blocks of at most 32 KiB, each deflated with the
// previous block as dictionary. Fails with BadFileType when `plain` is not an uncompressed X file.
XResult compressXFile(std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& out);

}  // namespace vm::d3dx
