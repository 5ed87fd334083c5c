// def_settings text: whatever the bytes, the table stays within its capacity and holds only the bytes
// the parser keeps.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "settings/def_settings_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vm::DefSettingsTable table;
    std::size_t badLines = 0;
    table.parse(std::span(data, size), [&](std::string_view) { ++badLines; });
    if (table.entries().size() > vm::DefSettingsTable::kCapacity || badLines > table.entries().size()) std::abort();
    for (const auto& e : table.entries()) {
        for (char c : e.key + e.value) {
            if (c <= 0x20 || c == ';') std::abort();  // 0x80.. are negative chars: also caught here
        }
        const auto value = table.find(e.key);  // every stored key, even an empty one from "=x", is found
        if (!value) std::abort();
        vm::defSettingsNumber(*value);
    }
    table.find("main_web_site_url");
    return 0;
}
