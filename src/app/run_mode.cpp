#include "app/run_mode.h"

#include <cctype>
#include <limits>

namespace vm {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::uint64_t readNumber(std::string_view text, std::size_t pos) {
    while (pos < text.size() && !isDigit(text[pos])) ++pos;
    std::uint64_t value = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        auto digit = static_cast<std::uint64_t>(text[pos] - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

ParsedCommandLine parseCommandLine(std::string_view text) {
    ParsedCommandLine result;
    std::size_t pos = 0;
    if (!text.empty() && text[0] == '"') {
        pos = text.find('"', 1);
        pos = pos == std::string_view::npos ? text.size() : pos + 1;
    } else {
        pos = text.find(' ');
        pos = pos == std::string_view::npos ? text.size() : pos + 1;
    }
    while (pos < text.size() && text[pos] != '/' && text[pos] != '-') ++pos;
    if (pos >= text.size()) return result;
    ++pos;
    char letter = pos < text.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos]))) : '\0';
    switch (letter) {
    case 'A': result.mode = RunMode::ChangePassword; break;
    case 'C': result.mode = RunMode::Config; break;
    case 'P': result.mode = RunMode::Preview; break;
    case 'T': result.mode = RunMode::Test; return result;
    default: result.mode = RunMode::Saver; return result;
    }
    result.parentWindow = readNumber(text, pos + 1);
    return result;
}

}  // namespace vm
