#pragma once
// Reading X files held in memory: text ("txt "), binary ("bin ") and compressed ("tzip", "bzip") encodings,
// versions 0302 and 0303, 32- or 64-bit floats. The standard template set is known before the file is read;
// templates declared by the file are added as they are read, and a declaration replaces a known template of
// the same name for the rest of that file.
//
// Contract:
// - The input is untrusted. Every read is bounded; any malformed input (truncated, wrong counts, arrays
//   larger than the data, bad compression, nesting deeper than kMaxXNesting) makes readXFile return a
//   negative XResult and leaves `out` empty. It never crashes, hangs or reads out of bounds.
// - Data objects are handed out in file order with their template name, object name, data and children.
//   Objects of a template that is not known are skipped whole (they nest correctly, so the rest is read).
// - Data layout of an object, packed little-endian in member order: WORD/SWORD 2 bytes, DWORD/SDWORD 4,
//   FLOAT 4 (64-bit floats of the file are narrowed), DOUBLE 8, CHAR/UCHAR 1, a STRING 4 bytes holding its
//   index in XDataObject::strings. Use XDataCursor to read it.
// - References (`{ Name }`) are resolved after the whole file is read, by exact name, to the first data
//   object of that name in file order (at any depth); an unknown name leaves `target` null.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vm::d3dx {

enum class XResult : int {
    Ok = 0,
    BadFileType = -1,         // not an X file header
    BadFileVersion = -2,      // major/minor other than 0302 or 0303
    BadFloatSize = -3,        // float size other than 0032 or 0064
    BadCompression = -4,      // compressed blocks that do not inflate to what they declare
    BadSyntax = -5,           // unexpected token, truncated token, unbalanced braces
    BadValue = -6,            // a value of the wrong kind for its member (a float for a DWORD, ...)
    BadArraySize = -7,        // array count larger than the data, or of an unknown member
    UnknownTemplate = -8,     // a member of a template nobody declared
    TooDeep = -9,             // nesting beyond kMaxXNesting
    OutOfMemory = -10,
    TooLarge = -11,           // input or inflated data beyond kMaxXBytes
};

const char* describe(XResult r) noexcept;

inline constexpr int kMaxXNesting = 64;
inline constexpr std::size_t kMaxXBytes = std::size_t{1} << 30;

enum class XEncoding { Text, Binary, CompressedText, CompressedBinary };
const char* describe(XEncoding e) noexcept;

struct XDataObject;

// A child of a data object: either an object nested in it or a reference to an object by name.
struct XChild {
    std::unique_ptr<XDataObject> object;  // null for a reference
    std::string referenceName;            // for a reference; may be empty when only a GUID was given
    const XDataObject* target = nullptr;  // resolved reference, null when unresolved

    bool isReference() const noexcept { return object == nullptr; }
};

struct XDataObject {
    std::string type;  // template name, as declared
    std::string name;  // empty when the object has no name
    std::vector<std::uint8_t> data;
    std::vector<std::string> strings;
    std::vector<XChild> children;
};

struct XFile {
    XEncoding encoding = XEncoding::Text;
    int versionMajor = 0, versionMinor = 0;
    int floatBits = 32;
    std::vector<std::unique_ptr<XDataObject>> objects;  // top-level data objects in file order
};

struct XReadError {
    XResult result = XResult::Ok;
    std::size_t offset = 0;  // byte offset into the (inflated) stream where reading stopped
    std::string message;
};

// Reads a whole file. On failure `out` is left empty and `error` (when given) says why.
XResult readXFile(std::span<const std::uint8_t> bytes, XFile& out, XReadError* error = nullptr) noexcept;

// Bounded reader over XDataObject::data. A read past the end, or of a string index that does not exist,
// sets failed() and returns zero / empty; callers check failed() once after a group of reads.
class XDataCursor {
public:
    explicit XDataCursor(const XDataObject& object) noexcept : object_(&object) {}

    std::uint16_t u16() noexcept;
    std::uint32_t u32() noexcept;
    float f32() noexcept;
    double f64() noexcept;
    std::uint8_t u8() noexcept;
    std::string_view string() noexcept;
    void skip(std::size_t bytes) noexcept;
    // n bytes copied as they are (count values of one kind at once); false, and nothing copied, past the end.
    bool copy(void* dst, std::size_t n) noexcept;
    // The bytes not read yet, to scan ahead without reading.
    std::span<const std::uint8_t> rest() const noexcept {
        return failed_ ? std::span<const std::uint8_t>{} : std::span(object_->data).subspan(pos_);
    }

    std::size_t remaining() const noexcept { return object_->data.size() - pos_; }
    bool failed() const noexcept { return failed_; }
    bool atEnd() const noexcept { return pos_ == object_->data.size(); }

private:
    const std::uint8_t* take(std::size_t n) noexcept;

    const XDataObject* object_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace vm::d3dx
