#include "platform/os/resources.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/os/embedded_resources.h"

namespace vm::os {
namespace {

bool sameType(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct Override {
    std::string type;
    int id;
    bool hidden;
    ResourceBytes bytes;
};

std::vector<Override>& overrides() {
    static std::vector<Override> list;
    return list;
}

void setOverride(std::string_view type, int id, bool hidden, ResourceBytes bytes) {
    auto& list = overrides();
    std::erase_if(list, [&](const Override& o) { return o.id == id && sameType(o.type, type); });
    list.push_back({std::string(type), id, hidden, bytes});
}

}  // namespace

ResourceBytes findResource(std::string_view type, int id) noexcept {
    for (const Override& o : overrides()) {
        if (o.id == id && sameType(o.type, type)) return o.hidden ? ResourceBytes{} : o.bytes;
    }
    for (const EmbeddedResource& r : embeddedResources()) {
        if (r.id == id && sameType(r.type, type)) {
            return {reinterpret_cast<const std::uint8_t*>(r.begin), static_cast<std::size_t>(r.end - r.begin)};
        }
    }
    return {};
}

void overrideResource(std::string_view type, int id, ResourceBytes bytes) { setOverride(type, id, false, bytes); }

void hideResource(std::string_view type, int id) { setOverride(type, id, true, {}); }

void clearResourceOverrides() noexcept { overrides().clear(); }

}  // namespace vm::os
