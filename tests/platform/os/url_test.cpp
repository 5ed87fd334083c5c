#include "platform/os/url.h"

#include <gtest/gtest.h>

#include <string>

namespace vm::os {
namespace {

TEST(IsOpenableUrl, OnlyPlainWebAddresses) {
    struct Case {
        const char* name;
        std::string input;
        bool expected;
    };
    const Case cases[] = {
        {"https", "https://example.invalid/saver", true},
        {"http", "http://example.invalid", true},
        {"scheme only", "https://", false},
        {"local file", "file:///etc/passwd", false},
        {"option for the opener", "--help", false},
        {"no scheme", "example.invalid", false},
        {"upper-case scheme is not recognised", "HTTP://example.invalid", false},
        {"line feed inside", "https://example.invalid/\nrm", false},
        {"delete character", std::string("https://a/\x7F"), false},
        {"empty", "", false},
        {"longest accepted", "https://" + std::string(2040, 'a'), true},
        {"too long", "https://" + std::string(2041, 'a'), false},
    };
    for (const Case& c : cases) EXPECT_EQ(isOpenableUrl(c.input), c.expected) << c.name;
}

}  // namespace
}  // namespace vm::os
