#include "app/launch_options.h"

#include <charconv>

namespace vm {
namespace {

template <typename T>
std::optional<T> parseUnsigned(std::string_view text, int base) {
    if (text.empty()) return std::nullopt;
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool isFlag(std::string_view arg, std::string_view name) {
    // Both the single-dash XScreenSaver spelling and the double-dash one.
    return arg == name || (arg.size() == name.size() + 1 && arg[0] == '-' && arg.substr(1) == name);
}

}  // namespace

std::optional<os::ForeignWindowId> parseWindowId(std::string_view text) {
    std::optional<os::ForeignWindowId> id;
    if (text.starts_with("0x") || text.starts_with("0X")) id = parseUnsigned<os::ForeignWindowId>(text.substr(2), 16);
    else id = parseUnsigned<os::ForeignWindowId>(text, 10);
    if (id && *id == 0) return std::nullopt;
    return id;
}

LaunchOptions parseLaunchOptions(std::span<const std::string> args, const char* xscreensaverWindow) {
    LaunchOptions options;
    options.commandLine = args.empty() ? std::string("vaultmere") : args[0];
    bool screenSaverSwitch = false;
    bool headless = false;
    auto fail = [&](std::string text) {
        if (options.error.empty()) options.error = std::move(text);
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (isFlag(arg, "-frames") || isFlag(arg, "-snapshot") || isFlag(arg, "-seed")) {
            std::string_view name = arg.substr(arg.find_first_not_of('-'));
            if (!hasValue) {
                fail("--" + std::string(name) + " needs a value");
                continue;
            }
            std::string_view value = args[++i];
            headless = true;
            if (name == "frames") {
                auto frames = parseUnsigned<unsigned long>(value, 10);
                if (!frames || *frames == 0 || *frames > 1'000'000'000) fail("--frames takes a whole number from 1 to 1000000000");
                else options.frames = static_cast<long>(*frames);
            } else if (name == "snapshot") {
                options.snapshot = value;
            } else {
                auto seed = parseUnsigned<std::uint32_t>(value, 10);
                if (!seed) fail("--seed takes a whole number from 0 to 4294967295");
                else options.seed = *seed;
            }
            continue;
        }
        if (isFlag(arg, "-benchmark")) {
            options.benchmark = true;
            headless = true;
            continue;
        }
        if (isFlag(arg, "-window-id")) {
            if (!hasValue) {
                fail("-window-id needs a window number");
            } else {
                auto id = parseWindowId(args[i + 1]);
                if (!id) fail("-window-id: not a window number: " + args[i + 1]);
                options.windowId = id;
            }
        } else if (isFlag(arg, "-root")) {
            options.root = true;
        }
        if (!arg.empty() && (arg[0] == '/' || arg[0] == '-')) screenSaverSwitch = true;
        options.commandLine += ' ';
        options.commandLine += arg;
    }
    if (xscreensaverWindow && *xscreensaverWindow) options.environmentWindow = parseWindowId(xscreensaverWindow);
    if (options.benchmark && options.frames == 0) options.frames = kBenchmarkFrames;
    options.impliedSaver = !screenSaverSwitch && (headless || options.environmentWindow.has_value());
    return options;
}

os::ForeignWindowId saverTarget(const LaunchOptions& options, os::ForeignWindowId rootWindow) {
    if (options.windowId) return *options.windowId;
    if (options.root) return options.environmentWindow ? *options.environmentWindow : rootWindow;
    if (options.environmentWindow) return *options.environmentWindow;
    return 0;
}

}  // namespace vm
