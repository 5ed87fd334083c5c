// TextTable: UTF-8 decoding narrowed to 8 bits, key matching, the About lines, and the shipped table.

#include "settings/text_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/resources.h"
#include "settings/text_encoding.h"

namespace vm {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(TextTable, DecodesAndNarrowsValues) {
    struct Case {
        const char* name;
        std::string value;  // raw bytes of the value line, after "#k#\r\n"
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"TwoByteLatin", "caf\xC3\xA9", "caf\xE9"},
        {"AboveLatin1KeepsLowByte", "\xC5\x81x", "\x41x"},                 // U+0141
        {"ThreeByte", "\xE2\x82\xAC", "\xAC"},                            // U+20AC
        {"ByteOrderMarkInsideDropped", "A\xEF\xBB\xBF" "B", "AB"},
        {"LoneCrDropped", "A\rB\r", "AB"},
        {"NulDropped", std::string("A\0B", 3), "AB"},
        {"StrayFollowByteSkipped", "A\x80\xBF" "B", "AB"},
        {"FourByteSequenceSkipped", "A\xF0\x9F\x98\x80" "B", "AB"},
        {"FollowBytesNotChecked", "\xC3\x41", "\xC1"},
        {"CutOffSequenceAtEnd", "A\xE2\x82", "A"},
        {"CutOffTwoByteAtEnd", "A\xC3", "A"},
    };
    for (const Case& c : cases) {
        const std::string text = "#k#\r\n" + c.value;
        TextTable table;
        table.load(bytesOf(text));
        EXPECT_EQ(table.lookup("k"), c.expected) << c.name;
    }
}

TEST(TextTable, KeyMatchingEdgeCases) {
    struct Case {
        const char* name;
        std::string text;
        std::string key;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"CapitalKeyLineLowerKey", "#OK#\r\nOK\r\n", "ok", "OK"},
        {"CapitalKeyLineCapitalKey", "#OK#\r\nOK\r\n", "OK", "OK"},
        {"ShortKeyFindsItsOwnLine", "#about_window_text#\r\nlong\r\n#about#\r\nAbout\r\n", "about", "About"},
        {"LongKeyNotFoundInShortLine", "#about#\r\nAbout\r\n", "about_window_text", ""},
        {"KeyOnLastLineHasNoValue", "#a#\r\nx\r\n#last#", "last", ""},
        {"KeyOnLastLineBeforeTrailingLf", "#last#\r\n", "last", ""},
        {"FirstMatchWins", "#k#\r\none\r\n#k#\r\ntwo\r\n", "k", "one"},
        {"NoClosingHash", "#abc\r\nv\r\n", "abc", "v"},
        {"TwoLongerStillMatches", "#abcd\r\nv\r\n", "abc", "v"},
        {"ThreeLongerDoesNot", "#abcde\r\nv\r\n", "abc", ""},
        {"LastCharacterOfKeyLineNotFolded", "#abC\r\nv\r\n", "abc", ""},
        {"ValueLineIsNotAKey", "#a#\r\n#b#\r\nv\r\n", "b", "v"},
        {"LfOnlyLineEnds", "#k#\nv\n", "k", "v"},
        {"UnknownKey", "#k#\r\nv\r\n", "other", ""},
        {"EmptyResource", "", "k", ""},
    };
    for (const Case& c : cases) {
        TextTable table;
        table.load(bytesOf(c.text));
        EXPECT_EQ(table.lookup(c.key), c.expected) << c.name;
    }
}

TEST(TextTable, AboutLinesSplitAtPercent) {
    struct Case {
        const char* name;
        std::string value;
        std::array<std::string, 7> expected;
    };
    const std::vector<Case> cases = {
        {"SevenLines", "a%b%c%d%e%f%g", {"a", "b", "c", "d", "e", "f", "g"}},
        {"DoublePercentLeavesEmptyLine", "a%%b", {"a", "", "b", "", "", "", ""}},
        {"ExtraLinesIgnored", "1%2%3%4%5%6%7%8%9", {"1", "2", "3", "4", "5", "6", "7"}},
        {"NarrowedLikeLookups", "\xC3\xA9%x", {"\xE9", "x", "", "", "", "", ""}},
        // U+0125 narrows to '%' but is a letter, not a separator.
        {"WideCharacterIsNoSeparator", "a\xC4\xA5" "b", {"a%b", "", "", "", "", "", ""}},
    };
    for (const Case& c : cases) {
        const std::string text = "#about_window_text#\r\n" + c.value + "\r\n";
        TextTable table;
        table.load(bytesOf(text));
        EXPECT_EQ(table.aboutLines(), c.expected) << c.name;
    }
    TextTable none;
    none.load(bytesOf("#other#\r\nx\r\n"));
    EXPECT_EQ(none.aboutLines(), (std::array<std::string, 7>{}));
}

TEST(TextTable, KeepsTwoHundredLines) {
    auto withKeyAt = [](std::size_t keyLine) {
        std::string text;
        for (std::size_t i = 0; i < keyLine; ++i) text += "filler\r\n";
        return text + "#k#\r\nvalue\r\nafter\r\n";
    };
    TextTable table;
    const std::string fits = withKeyAt(TextTable::kCapacity - 2);  // value is line 200
    table.load(bytesOf(fits));
    EXPECT_EQ(table.lines().size(), TextTable::kCapacity);
    EXPECT_EQ(table.lookup("k"), "value");

    const std::string cut = withKeyAt(TextTable::kCapacity - 1);  // value would be line 201
    table.load(bytesOf(cut));
    EXPECT_EQ(table.lines().size(), TextTable::kCapacity);
    EXPECT_EQ(table.lookup("k"), "");
}

TEST(TextTable, ShippedTableAnswersEveryKey) {
    const auto raw = os::findResource(TextTable::kResourceType, TextTable::kResourceId);
    ASSERT_GE(raw.size(), 3u);
    EXPECT_TRUE(raw[0] == 0xEF && raw[1] == 0xBB && raw[2] == 0xBF) << "byte-order mark";
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const bool bareLf = raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r');
        ASSERT_FALSE(bareLf) << "bare LF at byte " << i;
    }

    TextTable table;
    table.load();
    struct Case {
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"screensaver_configuration", "Vaultmere 3D Screensaver Configuration"},
        {"about", "About"},
        {"ok", "OK"},
        {"cancel", "Cancel"},
        {"video_mode_selection", "Video Mode"},
        {"use_desktop_settings", "Use Desktop Settings"},
        {"sound_control", "Sound Control"},
        {"master_volume:", "Volume"},
        {"enable_music", "Enable Music"},
        {"enable_sfx", "Enable SFX"},
        {"graphics", "Graphics"},
        {"gamma_control:", "Gamma Control:"},
        {"fullscreen_antialiasing", "Fullscreen Antialiasing"},
        {"none", "None"},
        {"samples", "samples"},
        {"misc_options", "Misc Options"},
        {"show_fps", "Show FPS"},
        {"show_time", "Show Time"},
        {"24h_style", "24h format"},
        {"12h_style", "12h format"},
        {"exit_on_mouse_move", "Exit on Mouse Move"},
        {"products", "Products"},
        {"visit_our_official_web-site_for_more_great_3d_screensavers",
         "Visit our official web-site for more great 3D screensavers"},
        {"visit...", "Visit..."},
        {"restore_defaults", "Restore Defaults"},
    };
    for (const Case& c : cases) EXPECT_EQ(table.lookup(c.key), c.text) << c.key;

    const auto& about = table.aboutLines();
    EXPECT_EQ(about[0], "Vaultmere 3D Screensaver");
    EXPECT_EQ(about[4], "");  // the empty line between the credits and the closing lines
    for (std::size_t i : {1u, 2u, 3u, 5u, 6u}) EXPECT_FALSE(about[i].empty()) << "About line " << i;
    EXPECT_EQ(latin1ToUtf8(about[5]).substr(0, 2), "\xC2\xA9");  // the copyright sign survives narrowing
}

}  // namespace
}  // namespace vm
