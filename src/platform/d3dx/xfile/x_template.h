#pragma once
// Template declarations as the reader keeps them, and the standard set every file starts from.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vm::d3dx::detail {

enum class XPrim : std::uint8_t { Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Struct };

struct XDim {
    std::uint32_t fixed = 0;
    int member = -1;  // index of an earlier member of the same template holding the size, or -1 for fixed
};

struct XMember {
    XPrim prim = XPrim::Dword;
    std::string typeName;  // for Struct
    std::string name;
    bool isArray = false;
    std::vector<XDim> dims;
};

struct XTemplate {
    std::string name;
    std::vector<XMember> members;
};

using XTemplateMap = std::unordered_map<std::string, std::shared_ptr<const XTemplate>>;

// The standard retained-mode templates; built once, shared read-only.
const XTemplateMap& standardTemplates();

// The text of the standard set, also used by the writer's tests to see what a reader starts with.
std::string_view standardTemplateText();

}  // namespace vm::d3dx::detail
