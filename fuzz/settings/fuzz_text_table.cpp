// Localisation table: any bytes load within the 200-line capacity, and lookups of every stored key
// line stay in bounds.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "settings/text_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vm::TextTable table;
    table.load(std::span(data, size));
    if (table.lines().size() > vm::TextTable::kCapacity) std::abort();
    for (const std::u16string& line : table.lines()) {
        for (char16_t c : line) {
            if (c == 0 || c == u'\r' || c == u'\n') std::abort();
        }
        if (!line.empty() && line.front() == u'#') {
            table.lookup(std::u16string_view(line).substr(1));
            table.lookup(std::u16string_view(line).substr(1, line.size() > 2 ? line.size() - 2 : 0));
        }
    }
    table.lookup("ok");
    table.lookup("");
    return 0;
}
