#include "platform/d3dx/xfile/x_parser.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/d3dx/xfile/x_inflate.h"
#include "platform/d3dx/xfile/x_lexer.h"

namespace vm::d3dx::detail {
namespace {

constexpr std::size_t kHeaderBytes = 16;
// Array sizes may name earlier members; only the first members of a template can be named that way.
constexpr std::size_t kMaxSizeMembers = 32;
constexpr std::size_t kScratchReserveCap = std::size_t{64} << 20;

class Parser {
public:
    Parser(const std::uint8_t* data, std::size_t size, bool binary, int floatBits, XTemplateMap& templates)
        : lx_(data, size, binary, floatBits), templates_(templates) {}

    XResult run(std::vector<std::unique_ptr<XDataObject>>& objects) {
        // No object's data is much larger than the input left (a binary value takes at least as many bytes
        // as it gives; text at least half). Reserving that once spares the copies of growing the largest
        // object; pages never written are never touched. Capped, and only a hint: without it the buffer
        // grows as it must.
        try {
            scratch_.reserve(std::min<std::size_t>(lx_.remaining(), kScratchReserveCap));
        } catch (const std::bad_alloc&) {
        }
        for (;;) {
            const Tok k = lx_.peek().kind;
            if (k == Tok::End) return XResult::Ok;
            if (k == Tok::Template) {
                if (XResult r = parseTemplate(); r != XResult::Ok) return r;
            } else if (k == Tok::Name) {
                std::unique_ptr<XDataObject> obj;
                if (XResult r = parseObject(0, obj); r != XResult::Ok) return r;
                if (obj) objects.push_back(std::move(obj));
            } else if (k == Tok::Comma || k == Tok::Semicolon) {
                lx_.next();
            } else {
                return fail(XResult::BadSyntax, "expected a template or a data object");
            }
        }
    }

    XReadError error;

private:
    XResult fail(XResult r, const char* message) {
        if (error.result == XResult::Ok) {
            error.result = r;
            error.offset = lx_.offset();
            error.message = message;
        }
        return r;
    }
    XResult syntax(const char* message) {
        return lx_.peek().kind == Tok::Error ? fail(XResult::BadSyntax, "malformed or truncated token")
                                             : fail(XResult::BadSyntax, message);
    }
    bool accept(Tok k) {
        if (lx_.peek().kind != k) return false;
        lx_.next();
        return true;
    }
    void skipSeparators() {
        while (lx_.peek().kind == Tok::Comma || lx_.peek().kind == Tok::Semicolon) lx_.next();
    }

    static bool primitiveOf(Tok k, XPrim& p) {
        switch (k) {
            case Tok::Word: p = XPrim::Word; return true;
            case Tok::Dword: p = XPrim::Dword; return true;
            case Tok::FloatKw: p = XPrim::Float; return true;
            case Tok::Double: p = XPrim::Double; return true;
            case Tok::Char: p = XPrim::Char; return true;
            case Tok::Uchar: p = XPrim::Uchar; return true;
            case Tok::Sword: p = XPrim::Sword; return true;
            case Tok::Sdword: p = XPrim::Sdword; return true;
            case Tok::Lpstr: case Tok::Cstring: case Tok::Unicode: p = XPrim::String; return true;
            default: return false;
        }
    }

    // template Name { [<guid>] members [restriction] }
    XResult parseTemplate() {
        lx_.next();
        Token nameTok = lx_.next();
        if (nameTok.kind != Tok::Name) return syntax("template without a name");
        if (!accept(Tok::OBrace)) return syntax("expected { after the template name");
        accept(Tok::Guid);
        auto t = std::make_shared<XTemplate>();
        t->name = std::string(nameTok.text);
        for (;;) {
            const Token& tok = lx_.peek();
            if (tok.kind == Tok::CBrace) {
                lx_.next();
                break;
            }
            if (tok.kind == Tok::OBracket) {
                // Restrictions ([...], [Material], [BINARY]): children of any template are accepted.
                while (lx_.peek().kind != Tok::CBracket) {
                    const Tok k = lx_.next().kind;
                    if (k == Tok::End || k == Tok::Error || k == Tok::CBrace)
                        return syntax("unterminated template restriction");
                }
                lx_.next();
                continue;
            }
            XMember m;
            if (accept(Tok::Array)) m.isArray = true;
            Token typeTok = lx_.next();
            if (typeTok.kind == Tok::Name) {
                m.prim = XPrim::Struct;
                m.typeName = std::string(typeTok.text);
            } else if (!primitiveOf(typeTok.kind, m.prim)) {
                return syntax("expected a member type");
            }
            if (lx_.peek().kind == Tok::Name) m.name = std::string(lx_.next().text);
            if (m.isArray) {
                if (m.name.empty()) return syntax("array member without a name");
                while (accept(Tok::OBracket)) {
                    XDim d;
                    Token dt = lx_.next();
                    if (dt.kind == Tok::Integer) {
                        if (dt.ival < 0 || dt.ival > 0xFFFFFFFF) return fail(XResult::BadArraySize, "bad array size");
                        d.fixed = static_cast<std::uint32_t>(dt.ival);
                    } else if (dt.kind == Tok::Name) {
                        for (std::size_t i = 0; i < t->members.size(); ++i)
                            if (!t->members[i].isArray && t->members[i].name == dt.text) d.member = static_cast<int>(i);
                        if (d.member < 0 || static_cast<std::size_t>(d.member) >= kMaxSizeMembers ||
                            !isInteger(t->members[static_cast<std::size_t>(d.member)].prim))
                            return fail(XResult::BadArraySize, "array size names no earlier integer member");
                    } else {
                        return syntax("expected an array size");
                    }
                    if (!accept(Tok::CBracket)) return syntax("expected ] after the array size");
                    m.dims.push_back(d);
                }
                if (m.dims.empty()) return syntax("array member without a size");
            }
            if (!accept(Tok::Semicolon)) return syntax("expected ; after a template member");
            t->members.push_back(std::move(m));
        }
        templates_[t->name] = std::move(t);
        return XResult::Ok;
    }

    static bool isInteger(XPrim p) {
        return p == XPrim::Word || p == XPrim::Dword || p == XPrim::Sword || p == XPrim::Sdword ||
               p == XPrim::Char || p == XPrim::Uchar;
    }

    const XTemplate* findTemplate(const std::string& name) const {
        auto it = templates_.find(name);
        return it == templates_.end() ? nullptr : it->second.get();
    }

    // Type [Name] [<guid>] { [<guid>] members children }
    XResult parseObject(int depth, std::unique_ptr<XDataObject>& out) {
        if (depth >= kMaxXNesting) return fail(XResult::TooDeep, "data objects nested too deeply");
        Token typeTok = lx_.next();
        if (typeTok.kind != Tok::Name) return syntax("expected a template name");
        std::string_view name;
        if (lx_.peek().kind == Tok::Name) name = lx_.next().text;
        accept(Tok::Guid);
        if (!accept(Tok::OBrace)) return syntax("expected { after the data object's name");
        accept(Tok::Guid);
        const XTemplate* t = findTemplate(std::string(typeTok.text));
        if (!t) return skipObjectBody();
        auto obj = std::make_unique<XDataObject>();
        obj->type = t->name;
        obj->name = std::string(name);
        // Members land in the reused scratch buffer and are copied once at their exact size: growing each
        // object's own vector would copy its data several times over and leave spare capacity behind.
        scratch_.clear();
        if (XResult r = parseMembers(*t, *obj, depth); r != XResult::Ok) return r;
        obj->data.assign(scratch_.begin(), scratch_.end());
        for (;;) {
            skipSeparators();
            const Tok k = lx_.peek().kind;
            if (k == Tok::CBrace) {
                lx_.next();
                break;
            }
            if (k == Tok::OBrace) {
                lx_.next();
                XChild ref;
                if (lx_.peek().kind == Tok::Name) ref.referenceName = std::string(lx_.next().text);
                accept(Tok::Guid);
                if (!accept(Tok::CBrace)) return syntax("expected } after a reference");
                obj->children.push_back(std::move(ref));
            } else if (k == Tok::Name) {
                XChild child;
                if (XResult r = parseObject(depth + 1, child.object); r != XResult::Ok) return r;
                if (child.object) obj->children.push_back(std::move(child));
            } else {
                return syntax("expected a child object, a reference or }");
            }
        }
        out = std::move(obj);
        return XResult::Ok;
    }

    // An object of an unknown template: skipped with everything nested in it.
    XResult skipObjectBody() {
        std::size_t open = 1;
        while (open > 0) {
            const Tok k = lx_.next().kind;
            if (k == Tok::OBrace) ++open;
            else if (k == Tok::CBrace) --open;
            else if (k == Tok::End || k == Tok::Error) return syntax("unterminated data object");
        }
        return XResult::Ok;
    }

    XResult parseMembers(const XTemplate& t, XDataObject& obj, int depth) {
        if (depth >= kMaxXNesting) return fail(XResult::TooDeep, "templates nested too deeply");
        // Only entries of earlier non-array members are read, and each is written before that.
        std::uint64_t sizes[kMaxSizeMembers];
        for (std::size_t i = 0; i < t.members.size(); ++i) {
            const XMember& m = t.members[i];
            const XTemplate* sub = nullptr;
            if (m.prim == XPrim::Struct) {
                sub = findTemplate(m.typeName);
                if (!sub) return fail(XResult::UnknownTemplate, "member of an undeclared template");
            }
            if (!m.isArray) {
                std::uint64_t v = 0;
                if (XResult r = parseValue(m.prim, sub, obj, depth, v); r != XResult::Ok) return r;
                if (i < kMaxSizeMembers) sizes[i] = v;
                continue;
            }
            if (i < kMaxSizeMembers) sizes[i] = 0;
            std::uint64_t count = 1;
            for (const XDim& d : m.dims) {
                const std::uint64_t n = d.member < 0 ? d.fixed : sizes[d.member];
                count *= n;
                // Every element takes at least one byte of input, so a larger count cannot be honest.
                if (count > lx_.remaining() + 1) return fail(XResult::BadArraySize, "array larger than the data");
            }
            if (XPrim flat; flatElements(m, sub, flat) > 0) {
                const std::uint64_t values = count * flatElements(m, sub, flat);
                if (XResult r = parseFlat(flat, values, obj); r != XResult::Ok) return r;
                continue;
            }
            for (std::uint64_t e = 0; e < count; ++e) {
                const std::uint64_t before = lx_.consumed();
                std::uint64_t unused = 0;
                if (XResult r = parseValue(m.prim, sub, obj, depth, unused); r != XResult::Ok) return r;
                if (lx_.consumed() == before)
                    return fail(XResult::BadArraySize, "array of elements without data");
            }
        }
        return XResult::Ok;
    }

    // Arrays of FLOAT or DWORD, or of templates made only of FLOATs (Vector, Coords2d, ColorRGBA ...), are
    // runs of plain values: a binary list can be copied in bulk. Returns values per element, 0 otherwise.
    static std::uint64_t flatElements(const XMember& m, const XTemplate* sub, XPrim& prim) {
        if (m.prim == XPrim::Float || m.prim == XPrim::Dword) {
            prim = m.prim;
            return 1;
        }
        if (m.prim != XPrim::Struct || !sub || sub->members.empty()) return 0;
        for (const XMember& e : sub->members)
            if (e.isArray || e.prim != XPrim::Float) return 0;
        prim = XPrim::Float;
        return sub->members.size();
    }

    XResult parseFlat(XPrim prim, std::uint64_t values, XDataObject& obj) {
        if (values > lx_.remaining() + 1) return fail(XResult::BadArraySize, "array larger than the data");
        while (values > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(values, 1u << 20));
            std::size_t got = prim == XPrim::Float ? lx_.appendFloats(scratch_, want)
                                                   : lx_.appendDwords(scratch_, want);
            if (got == 0) {
                // Text, a list boundary or separators: one value the careful way.
                std::uint64_t unused = 0;
                if (XResult r = parseValue(prim, nullptr, obj, 0, unused); r != XResult::Ok) return r;
                got = 1;
            }
            values -= got;
        }
        return XResult::Ok;
    }

    template <typename T>
    void put(T v) {
        std::uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &v, sizeof(T));
        scratch_.insert(scratch_.end(), bytes, bytes + sizeof(T));
    }

    XResult parseValue(XPrim p, const XTemplate* sub, XDataObject& obj, int depth, std::uint64_t& asSize) {
        if (p == XPrim::Struct) return parseMembers(*sub, obj, depth + 1);
        Token tok;
        // Inside a binary list the next value needs no token: a separator cannot sit between elements.
        if (!lx_.takeListElement(tok)) tok = lx_.nextValue();
        switch (p) {
            case XPrim::Float:
            case XPrim::Double:
                if (tok.kind != Tok::Float && tok.kind != Tok::Integer) return badValue(tok, "expected a number");
                if (p == XPrim::Float) put(static_cast<float>(tok.fval));
                else put(tok.fval);
                return XResult::Ok;
            case XPrim::String:
                if (tok.kind != Tok::String) return badValue(tok, "expected a string");
                put(static_cast<std::uint32_t>(obj.strings.size()));
                obj.strings.emplace_back(tok.text);
                return XResult::Ok;
            default: break;
        }
        if (tok.kind != Tok::Integer) return badValue(tok, "expected an integer");
        const std::int64_t v = tok.ival;
        switch (p) {
            case XPrim::Word:
            case XPrim::Sword:
                if (v < -32768 || v > 65535) return fail(XResult::BadValue, "integer out of range for WORD");
                put(static_cast<std::uint16_t>(v));
                break;
            case XPrim::Char:
            case XPrim::Uchar:
                if (v < -128 || v > 255) return fail(XResult::BadValue, "integer out of range for CHAR");
                put(static_cast<std::uint8_t>(v));
                break;
            default:
                if (v < -2147483648LL || v > 0xFFFFFFFFLL) return fail(XResult::BadValue, "integer out of range");
                put(static_cast<std::uint32_t>(v));
                break;
        }
        asSize = v < 0 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(v);
        return XResult::Ok;
    }

    XResult badValue(const Token& tok, const char* message) {
        if (tok.kind == Tok::Error || tok.kind == Tok::End) return fail(XResult::BadSyntax, "truncated data");
        return fail(XResult::BadValue, message);
    }

    Lexer lx_;
    XTemplateMap& templates_;
    std::vector<std::uint8_t> scratch_;  // data of the object being read
};

bool same4(const std::uint8_t* p, const char* s) { return std::memcmp(p, s, 4) == 0; }

void collectNames(const XDataObject& o, std::unordered_map<std::string_view, const XDataObject*>& names) {
    if (!o.name.empty()) names.emplace(o.name, &o);
    for (const XChild& c : o.children)
        if (c.object) collectNames(*c.object, names);
}

void resolve(XDataObject& o, const std::unordered_map<std::string_view, const XDataObject*>& names) {
    for (XChild& c : o.children) {
        if (c.object) {
            resolve(*c.object, names);
        } else if (!c.referenceName.empty()) {
            auto it = names.find(c.referenceName);
            if (it != names.end()) c.target = it->second;
        }
    }
}

}  // namespace

XResult parseXFile(std::span<const std::uint8_t> bytes, const XTemplateMap& initial, XTemplateMap& declared,
                   XFile& out, XReadError* error) {
    out = XFile{};
    auto failWith = [&](XResult r, std::size_t offset, const char* message) {
        if (error) {
            error->result = r;
            error->offset = offset;
            error->message = message;
        }
        return r;
    };
    if (bytes.size() < kHeaderBytes || !same4(bytes.data(), "xof "))
        return failWith(XResult::BadFileType, 0, "not an X file");
    if (bytes.size() > kMaxXBytes) return failWith(XResult::TooLarge, 0, "file too large");
    const std::uint8_t* h = bytes.data();
    if (!same4(h + 4, "0302") && !same4(h + 4, "0303"))
        return failWith(XResult::BadFileVersion, 4, "unsupported version");
    XFile file;
    file.versionMajor = (h[4] - '0') * 10 + (h[5] - '0');
    file.versionMinor = (h[6] - '0') * 10 + (h[7] - '0');
    if (same4(h + 8, "txt ")) file.encoding = XEncoding::Text;
    else if (same4(h + 8, "bin ")) file.encoding = XEncoding::Binary;
    else if (same4(h + 8, "tzip")) file.encoding = XEncoding::CompressedText;
    else if (same4(h + 8, "bzip")) file.encoding = XEncoding::CompressedBinary;
    else return failWith(XResult::BadFileType, 8, "unknown encoding");
    if (same4(h + 12, "0032")) file.floatBits = 32;
    else if (same4(h + 12, "0064")) file.floatBits = 64;
    else return failWith(XResult::BadFloatSize, 12, "unsupported float size");

    try {
        std::vector<std::uint8_t> inflated;
        std::span<const std::uint8_t> body = bytes.subspan(kHeaderBytes);
        if (file.encoding == XEncoding::CompressedText || file.encoding == XEncoding::CompressedBinary) {
            if (XResult r = inflateXPayload(body, inflated); r != XResult::Ok)
                return failWith(r, kHeaderBytes, "compressed data does not inflate");
            body = inflated;
        }
        const bool binary = file.encoding == XEncoding::Binary || file.encoding == XEncoding::CompressedBinary;
        declared = initial;
        Parser parser(body.data(), body.size(), binary, file.floatBits, declared);
        if (XResult r = parser.run(file.objects); r != XResult::Ok) {
            if (error) *error = parser.error;
            return r;
        }
        std::unordered_map<std::string_view, const XDataObject*> names;
        for (const auto& o : file.objects) collectNames(*o, names);
        for (auto& o : file.objects) resolve(*o, names);
    } catch (const std::bad_alloc&) {
        return failWith(XResult::OutOfMemory, 0, "out of memory");
    }
    out = std::move(file);
    if (error) *error = XReadError{};
    return XResult::Ok;
}

}  // namespace vm::d3dx::detail

namespace vm::d3dx {

using detail::XTemplateMap;

XResult readXFile(std::span<const std::uint8_t> bytes, XFile& out, XReadError* error) noexcept {
    try {
        XTemplateMap declared;
        return detail::parseXFile(bytes, detail::standardTemplates(), declared, out, error);
    } catch (...) {
        out = XFile{};
        if (error) {
            error->result = XResult::OutOfMemory;
            error->message = "out of memory";
        }
        return XResult::OutOfMemory;
    }
}

const char* describe(XResult r) noexcept {
    switch (r) {
        case XResult::Ok: return "ok";
        case XResult::BadFileType: return "not an X file";
        case XResult::BadFileVersion: return "unsupported X file version";
        case XResult::BadFloatSize: return "unsupported float size";
        case XResult::BadCompression: return "bad compressed data";
        case XResult::BadSyntax: return "malformed or truncated data";
        case XResult::BadValue: return "value of the wrong kind";
        case XResult::BadArraySize: return "array size does not fit the data";
        case XResult::UnknownTemplate: return "undeclared template";
        case XResult::TooDeep: return "nesting too deep";
        case XResult::OutOfMemory: return "out of memory";
        case XResult::TooLarge: return "file too large";
    }
    return "unknown error";
}

const char* describe(XEncoding e) noexcept {
    switch (e) {
        case XEncoding::Text: return "text";
        case XEncoding::Binary: return "binary";
        case XEncoding::CompressedText: return "compressed text";
        case XEncoding::CompressedBinary: return "compressed binary";
    }
    return "unknown";
}

// --- XDataCursor ---

const std::uint8_t* XDataCursor::take(std::size_t n) noexcept {
    if (failed_ || n > object_->data.size() - pos_) {
        failed_ = true;
        return nullptr;
    }
    const std::uint8_t* p = object_->data.data() + pos_;
    pos_ += n;
    return p;
}

std::uint16_t XDataCursor::u16() noexcept {
    std::uint16_t v = 0;
    if (const auto* p = take(2)) std::memcpy(&v, p, 2);
    return v;
}
std::uint32_t XDataCursor::u32() noexcept {
    std::uint32_t v = 0;
    if (const auto* p = take(4)) std::memcpy(&v, p, 4);
    return v;
}
float XDataCursor::f32() noexcept {
    float v = 0;
    if (const auto* p = take(4)) std::memcpy(&v, p, 4);
    return v;
}
double XDataCursor::f64() noexcept {
    double v = 0;
    if (const auto* p = take(8)) std::memcpy(&v, p, 8);
    return v;
}
std::uint8_t XDataCursor::u8() noexcept {
    const auto* p = take(1);
    return p ? *p : 0;
}
std::string_view XDataCursor::string() noexcept {
    const std::uint32_t i = u32();
    if (failed_ || i >= object_->strings.size()) {
        failed_ = true;
        return {};
    }
    return object_->strings[i];
}
void XDataCursor::skip(std::size_t bytes) noexcept { take(bytes); }
bool XDataCursor::copy(void* dst, std::size_t n) noexcept {
    const auto* p = take(n);
    if (p && n) std::memcpy(dst, p, n);
    return p != nullptr;
}

}  // namespace vm::d3dx
