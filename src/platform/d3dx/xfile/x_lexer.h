#pragma once
// Tokens of the text and binary encodings, behind one interface. Binary integer and float lists are handed
// out one element at a time, as if each were a separate number token, so the parser is the same for both.
// Every read is bounded by the buffer; a malformed token gives Kind::Error and the lexer stays there.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vm::d3dx::detail {

enum class Tok : std::uint8_t {
    End, Error,
    Name, String, Integer, Float, Guid,
    OBrace, CBrace, OParen, CParen, OBracket, CBracket, OAngle, CAngle, Dot, Comma, Semicolon,
    Template, Word, Dword, FloatKw, Double, Char, Uchar, Sword, Sdword, Void, Lpstr, Unicode, Cstring, Array,
};

struct Token {
    Tok kind = Tok::End;
    std::int64_t ival = 0;    // Integer
    double fval = 0;          // Float (and Integer, converted)
    std::string_view text;    // Name, String
};

class Lexer {
public:
    // floatBits is 32 or 64 (binary float lists); text ignores it.
    Lexer(const std::uint8_t* data, std::size_t size, bool binary, int floatBits) noexcept
        : p_(data), begin_(data), end_(data + size), binary_(binary), floatBytes_(floatBits == 64 ? 8 : 4) {}

    const Token& peek() noexcept {
        if (!hasPeek_) {
            peeked_ = binary_ ? lexBinary() : lexText();
            hasPeek_ = true;
        }
        return peeked_;
    }
    Token next() noexcept {
        peek();
        hasPeek_ = false;
        ++consumed_;
        return peeked_;
    }
    // The next token that is not a Comma or Semicolon, as skipping those with next() and then calling
    // next() would give it (every token counts as consumed).
    Token nextValue() noexcept {
        if (!hasPeek_ && !binary_) {
            for (;;) {
                const Token t = lexText();
                ++consumed_;
                if (t.kind != Tok::Comma && t.kind != Tok::Semicolon) return t;
            }
        }
        while (peek().kind == Tok::Comma || peek().kind == Tok::Semicolon) next();
        return next();
    }
    // Bulk reads from the binary list in progress (none after a peek): up to max elements appended to `out`
    // as 4-byte little-endian FLOATs (64-bit floats narrowed) or DWORDs, the number taken returned. 0 when
    // no list of that kind is open.
    std::size_t appendFloats(std::vector<std::uint8_t>& out, std::size_t max);
    std::size_t appendDwords(std::vector<std::uint8_t>& out, std::size_t max);
    // The next element of the binary list in progress as the Integer or Float token lexBinary would give,
    // without a peek; false when no list is open (or a token is peeked), and nothing is taken.
    bool takeListElement(Token& t) noexcept {
        if (hasPeek_ || listLeft_ == 0) return false;
        t = listElement();
        ++consumed_;
        return true;
    }

    std::size_t offset() const noexcept { return static_cast<std::size_t>(p_ - begin_); }
    std::size_t remaining() const noexcept { return static_cast<std::size_t>(end_ - p_); }
    // Counts tokens taken; the parser uses it to see that an array element consumed something.
    std::uint64_t consumed() const noexcept { return consumed_; }

private:
    Token lexText() noexcept;
    Token lexBinary() noexcept;
    Token listElement() noexcept;
    Token error() noexcept {
        p_ = end_;
        listLeft_ = 0;
        Token t;
        t.kind = Tok::Error;
        return t;
    }

    const std::uint8_t* p_;
    const std::uint8_t* begin_;
    const std::uint8_t* end_;
    bool binary_;
    std::size_t floatBytes_;
    Token peeked_;
    bool hasPeek_ = false;
    std::uint64_t consumed_ = 0;
    // Binary lists in progress: elements left and whether they are floats.
    std::size_t listLeft_ = 0;
    bool listFloat_ = false;
};

}  // namespace vm::d3dx::detail
