#pragma once
// Small helpers shared by the X-file tests.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3dx/xfile/xfile.h"

namespace vm::d3dx::test {

inline std::string fixturePath(std::string_view name) { return std::string(VM_FIXTURES_DIR "/x/") + std::string(name); }

// Empty when the file is missing.
inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::span<const std::uint8_t> bytesOf(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

inline XResult readText(std::string_view text, XFile& out) { return readXFile(bytesOf(text), out); }

// First object of `type` in pre-order, or null.
inline const XDataObject* findType(const XDataObject& o, std::string_view type) {
    if (o.type == type) return &o;
    for (const auto& c : o.children)
        if (c.object)
            if (const XDataObject* f = findType(*c.object, type)) return f;
    return nullptr;
}
inline const XDataObject* findType(const XFile& f, std::string_view type) {
    for (const auto& o : f.objects)
        if (const XDataObject* r = findType(*o, type)) return r;
    return nullptr;
}

}  // namespace vm::d3dx::test
