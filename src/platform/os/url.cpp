#include "platform/os/url.h"

#include <algorithm>

namespace vm::os {

bool isOpenableUrl(std::string_view url) noexcept {
    constexpr std::size_t kMaxBytes = 2048;
    bool web = (url.starts_with("http://") && url.size() > 7) || (url.starts_with("https://") && url.size() > 8);
    bool clean = std::none_of(url.begin(), url.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    return web && clean && url.size() <= kMaxBytes;
}

}  // namespace vm::os
