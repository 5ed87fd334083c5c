#include "platform/d3dx/xfile/x_lexer.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace vm::d3dx::detail {
namespace {

// Binary token ids, one little-endian WORD each.
enum : std::uint16_t {
    kName = 1, kString = 2, kInteger = 3, kGuid = 5, kIntegerList = 6, kFloatList = 7,
    kOBrace = 10, kCBrace, kOParen, kCParen, kOBracket, kCBracket, kOAngle, kCAngle, kDot, kComma,
    kSemicolon, kTemplate = 31, kWord = 40, kDword, kFloat, kDouble, kChar, kUchar, kSword, kSdword, kVoid,
    kLpstr, kUnicode, kCstring, kArray,
};

bool isSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Characters that end a name or number in text: white space, punctuation, quotes and NUL.
constexpr auto kDelimiters = [] {
    struct Table { bool is[256] = {}; } t;
    for (const char c : std::string_view(" \t\r\n\f\v{}[]()<>,;\"")) t.is[static_cast<std::uint8_t>(c)] = true;
    t.is[0] = true;
    return t;
}();
bool isDelimiter(std::uint8_t c) { return kDelimiters.is[c]; }

bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

Tok keyword(std::string_view w) {
    struct K { std::string_view word; Tok tok; };
    static constexpr K kWords[] = {
        {"template", Tok::Template}, {"array", Tok::Array}, {"WORD", Tok::Word}, {"DWORD", Tok::Dword},
        {"FLOAT", Tok::FloatKw}, {"DOUBLE", Tok::Double}, {"CHAR", Tok::Char}, {"UCHAR", Tok::Uchar},
        {"BYTE", Tok::Uchar}, {"SWORD", Tok::Sword}, {"SDWORD", Tok::Sdword}, {"STRING", Tok::Lpstr},
        {"LPSTR", Tok::Lpstr}, {"CSTRING", Tok::Cstring}, {"UNICODE", Tok::Unicode},
    };
    for (const K& k : kWords)
        if (k.word == w) return k.tok;
    return Tok::Name;
}

std::uint32_t load32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

Token Lexer::lexText() noexcept {
    for (;;) {
        while (p_ < end_ && isSpace(*p_)) ++p_;
        if (p_ == end_) return Token{};
        if (*p_ == '#' || (*p_ == '/' && p_ + 1 < end_ && p_[1] == '/')) {
            while (p_ < end_ && *p_ != '\n') ++p_;
            continue;
        }
        break;
    }
    Token t;
    const std::uint8_t c = *p_;
    switch (c) {
        case '{': ++p_; t.kind = Tok::OBrace; return t;
        case '}': ++p_; t.kind = Tok::CBrace; return t;
        case '[': ++p_; t.kind = Tok::OBracket; return t;
        case ']': ++p_; t.kind = Tok::CBracket; return t;
        case '(': ++p_; t.kind = Tok::OParen; return t;
        case ')': ++p_; t.kind = Tok::CParen; return t;
        case ',': ++p_; t.kind = Tok::Comma; return t;
        case ';': ++p_; t.kind = Tok::Semicolon; return t;
        case '>':
        case 0: return error();  // would otherwise lex as an empty name and never advance
        case '"': {
            const std::uint8_t* s = ++p_;
            while (p_ < end_ && *p_ != '"') ++p_;
            if (p_ == end_) return error();
            t.kind = Tok::String;
            t.text = std::string_view(reinterpret_cast<const char*>(s), static_cast<std::size_t>(p_ - s));
            ++p_;
            return t;
        }
        case '<': {
            // <xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx>; only its presence matters to the reader.
            const std::uint8_t* s = ++p_;
            while (p_ < end_ && *p_ != '>' && p_ - s < 64) ++p_;
            if (p_ == end_ || *p_ != '>') return error();
            t.kind = Tok::Guid;
            t.text = std::string_view(reinterpret_cast<const char*>(s), static_cast<std::size_t>(p_ - s));
            ++p_;
            return t;
        }
        default: break;
    }
    if (c == '.' && !(p_ + 1 < end_ && isDigit(p_[1]))) {
        ++p_;
        t.kind = Tok::Dot;
        return t;
    }
    const std::uint8_t* s = p_;
    bool isFloat = false;  // a '.', 'e' or 'E' anywhere in the word
    for (; p_ < end_ && !isDelimiter(*p_); ++p_)
        if (*p_ == '.' || *p_ == 'e' || *p_ == 'E') isFloat = true;
    const char* b = reinterpret_cast<const char*>(s);
    const char* e = reinterpret_cast<const char*>(p_);
    const bool numeric = isDigit(c) || ((c == '-' || c == '+' || c == '.') && s + 1 < p_ &&
                                        (isDigit(s[1]) || (s[1] == '.' && s + 2 < p_ && isDigit(s[2]))));
    if (numeric) {
        const char* nb = (c == '+') ? b + 1 : b;
        if (!isFloat) {
            std::int64_t v = 0;
            auto r = std::from_chars(nb, e, v);
            if (r.ec == std::errc() && r.ptr == e) {
                t.kind = Tok::Integer;
                t.ival = v;
                t.fval = static_cast<double>(v);
                return t;
            }
        } else {
            double v = 0;
            auto r = std::from_chars(nb, e, v);
            if (r.ec == std::errc() && r.ptr == e) {
                t.kind = Tok::Float;
                t.fval = v;
                return t;
            }
        }
        // Not a clean number ("01_Bone"): a name that starts with digits.
    }
    t.text = std::string_view(b, static_cast<std::size_t>(e - b));
    t.kind = keyword(t.text);
    return t;
}

std::size_t Lexer::appendFloats(std::vector<std::uint8_t>& out, std::size_t max) {
    if (hasPeek_ || listLeft_ == 0 || !listFloat_) return 0;
    const std::size_t n = listLeft_ < max ? listLeft_ : max;
    if (floatBytes_ == 4) {
        out.insert(out.end(), p_, p_ + n * 4);
    } else {
        const std::size_t at = out.size();
        out.resize(at + n * 4);
        for (std::size_t i = 0; i < n; ++i) {
            double d;
            std::memcpy(&d, p_ + i * 8, 8);
            const float f = static_cast<float>(d);
            std::memcpy(out.data() + at + i * 4, &f, 4);
        }
    }
    p_ += n * floatBytes_;
    listLeft_ -= n;
    consumed_ += n;
    return n;
}

std::size_t Lexer::appendDwords(std::vector<std::uint8_t>& out, std::size_t max) {
    if (hasPeek_ || listLeft_ == 0 || listFloat_) return 0;
    const std::size_t n = listLeft_ < max ? listLeft_ : max;
    out.insert(out.end(), p_, p_ + n * 4);  // little-endian host, as the file
    p_ += n * 4;
    listLeft_ -= n;
    consumed_ += n;
    return n;
}

Token Lexer::listElement() noexcept {
    Token t;
    --listLeft_;
    if (listFloat_) {
        t.kind = Tok::Float;
        if (floatBytes_ == 8) {
            double d;
            std::memcpy(&d, p_, 8);
            t.fval = d;
        } else {
            float f;
            std::memcpy(&f, p_, 4);
            t.fval = static_cast<double>(f);
        }
        p_ += floatBytes_;
    } else {
        t.kind = Tok::Integer;
        t.ival = load32(p_);
        t.fval = static_cast<double>(t.ival);
        p_ += 4;
    }
    return t;
}

Token Lexer::lexBinary() noexcept {
    Token t;
    for (;;) {
        if (listLeft_ > 0) return listElement();
        if (p_ == end_) return t;
        if (end_ - p_ < 2) return error();
        const std::uint16_t id = static_cast<std::uint16_t>(p_[0] | p_[1] << 8);
        p_ += 2;
        const std::size_t left = static_cast<std::size_t>(end_ - p_);
        switch (id) {
            case kName:
            case kString: {
                if (left < 4) return error();
                const std::size_t n = load32(p_);
                // A string is followed by its own ; or , token, which the parser skips as a separator.
                if (n > left - 4) return error();
                t.kind = id == kName ? Tok::Name : Tok::String;
                t.text = std::string_view(reinterpret_cast<const char*>(p_ + 4), n);
                p_ += 4 + n;
                return t;
            }
            case kInteger:
                if (left < 4) return error();
                t.kind = Tok::Integer;
                t.ival = load32(p_);
                t.fval = static_cast<double>(t.ival);
                p_ += 4;
                return t;
            case kGuid:
                if (left < 16) return error();
                t.kind = Tok::Guid;
                t.text = std::string_view(reinterpret_cast<const char*>(p_), 16);
                p_ += 16;
                return t;
            case kIntegerList:
            case kFloatList: {
                if (left < 4) return error();
                const std::size_t n = load32(p_);
                const std::size_t each = id == kFloatList ? floatBytes_ : 4;
                if (n > (left - 4) / each) return error();
                p_ += 4;
                listLeft_ = n;
                listFloat_ = id == kFloatList;
                continue;  // an empty list yields nothing
            }
            case kOBrace: t.kind = Tok::OBrace; return t;
            case kCBrace: t.kind = Tok::CBrace; return t;
            case kOParen: t.kind = Tok::OParen; return t;
            case kCParen: t.kind = Tok::CParen; return t;
            case kOBracket: t.kind = Tok::OBracket; return t;
            case kCBracket: t.kind = Tok::CBracket; return t;
            case kOAngle: t.kind = Tok::OAngle; return t;
            case kCAngle: t.kind = Tok::CAngle; return t;
            case kDot: t.kind = Tok::Dot; return t;
            case kComma: t.kind = Tok::Comma; return t;
            case kSemicolon: t.kind = Tok::Semicolon; return t;
            case kTemplate: t.kind = Tok::Template; return t;
            case kWord: t.kind = Tok::Word; return t;
            case kDword: t.kind = Tok::Dword; return t;
            case kFloat: t.kind = Tok::FloatKw; return t;
            case kDouble: t.kind = Tok::Double; return t;
            case kChar: t.kind = Tok::Char; return t;
            case kUchar: t.kind = Tok::Uchar; return t;
            case kSword: t.kind = Tok::Sword; return t;
            case kSdword: t.kind = Tok::Sdword; return t;
            case kVoid: t.kind = Tok::Void; return t;
            case kLpstr: t.kind = Tok::Lpstr; return t;
            case kUnicode: t.kind = Tok::Unicode; return t;
            case kCstring: t.kind = Tok::Cstring; return t;
            case kArray: t.kind = Tok::Array; return t;
            default: return error();
        }
    }
}

}  // namespace vm::d3dx::detail
