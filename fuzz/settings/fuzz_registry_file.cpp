// Registry file: any bytes parse or are refused without harm, and whatever was accepted survives a
// save and a reload unchanged.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/os/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vm::os::RegistryDocument doc;
    if (!doc.parse(std::string_view(reinterpret_cast<const char*>(data), size))) {
        if (!doc.empty()) std::abort();
        return 0;
    }
    vm::os::RegistryDocument again;
    if (!again.parse(doc.serialize())) std::abort();
    if (again.keys().size() != doc.keys().size()) std::abort();
    for (const auto& key : doc.keys()) {
        for (const auto& [name, value] : key.values) {
            const vm::os::RegValue* v = again.find(key.path, name);
            if (!v || !(*v == value)) std::abort();
        }
    }
    return 0;
}
