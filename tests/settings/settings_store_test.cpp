// SettingsStore: def_settings parsing quirks, defaults, registry encodings and crash-safe writes.

#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/registry.h"
#include "platform/os/registry_store_file.h"
#include "settings/text_encoding.h"

namespace vm {
namespace {

using os::RegHive;
using os::RegValue;
using os::RegValueType;

constexpr std::string_view kBadFormatUtf8 = "неправильный формат файла def_settings.txt";
constexpr std::string_view kMissingKeyUtf8 = "Не найден параметр в файле def_settings.txt";

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct Shown {
    std::string text;
    std::string caption;
    friend bool operator==(const Shown&, const Shown&) = default;
};

// A store whose message boxes are recorded instead of shown.
struct RecordingStore {
    RecordingStore() {
        store.setMessageBox([this](std::string_view text, std::string_view caption) {
            shown.push_back({std::string(text), std::string(caption)});
        });
    }
    SettingsStore store;
    std::vector<Shown> shown;
};

TEST(DefSettings, LineAndByteQuirks) {
    struct Case {
        const char* name;
        std::string text;
        std::string key;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"BlanksAndTrailingCommentIgnored", "Music = true;\r\n", "music", "true"},
        {"KeyIsCaseBlind", "music=true", "MUSIC", "true"},
        {"BlankInsideAWordRemoved", "MW = 8 0 0\r\n", "MW", "800"},
        {"TabsAndControlsRemoved", "K\t=\x01v\x1Fw\r\n", "k", "vw"},
        {"Cp1251LettersRemovedFromValues", "Mirror=tr\xF3ue ; \xEA\xEE\xEC\xEC\xE5\xED\xF2\r\n", "mirror", "true"},
        {"DelIsKept", "K=a\x7F" "b", "k", "a\x7F" "b"},
        {"ValueLowerCased", "Url=HTTP://Example/A\r\n", "url", "http://example/a"},
        {"FurtherEqualsStayInValue", "K=a=b", "k", "a=b"},
        {"FirstEntryWins", "K=1\r\nK=2\r\n", "k", "1"},
        {"LoneCrEndsALine", "A=1\rB=2", "b", "2"},
        {"CrLfIsOneLineEnd", "A=1\r\n\r\nB=2", "b", "2"},
        {"LfOnlyFileIsOneLine", "A=1\nB=2;x\nC=3\n", "a", "1b=2"},
        {"LfOnlyFileHidesLaterKeys", "A=1\nB=2;x\nC=3\n", "c", std::nullopt},
        {"CommentOnlyLineSkipped", "; nothing\r\nK=v", "k", "v"},
        {"EmptyValue", "K=\r\n", "k", ""},
        {"NulBytesRemoved", std::string("K=a\0b", 5), "k", "ab"},
    };
    for (const Case& c : cases) {
        DefSettingsTable table;
        table.parse(bytesOf(c.text), nullptr);
        EXPECT_EQ(table.find(c.key), c.expected) << c.name;
    }
}

TEST(DefSettings, LineWithoutEqualsIsReportedAndKept) {
    RecordingStore r;
    r.store.loadDefaults(bytesOf("NoEquals;comment\r\nBL=true\r\nAlso bad\r\n"));
    // The two bad lines first (while parsing), then every setting key but BL as missing.
    ASSERT_GE(r.shown.size(), 2u);
    EXPECT_EQ(r.shown[0], (Shown{std::string(kBadFormatUtf8), ""}));
    EXPECT_EQ(r.shown[1], (Shown{std::string(kBadFormatUtf8), ""}));
    EXPECT_EQ(r.store.table().entries()[0].key, "NoEquals");
    EXPECT_EQ(r.store.table().entries()[0].value, "NoEquals");
    EXPECT_EQ(r.store.lookup("alsobad"), "alsobad");
}

TEST(DefSettings, TableHoldsOneHundredPairs) {
    std::string text;
    for (int i = 0; i < 150; ++i) text += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    text += "no equals here\r\n";  // past the capacity: neither stored nor reported
    RecordingStore r;
    r.store.loadDefaults(bytesOf(text));
    EXPECT_EQ(r.store.table().entries().size(), DefSettingsTable::kCapacity);
    for (const Shown& s : r.shown) EXPECT_NE(s.text, kBadFormatUtf8);
    r.shown.clear();
    EXPECT_EQ(r.store.lookup("k99"), "99");
    EXPECT_TRUE(r.shown.empty());
    EXPECT_EQ(r.store.lookup("K100"), "");
    EXPECT_EQ(r.shown, (std::vector<Shown>{{std::string(kMissingKeyUtf8), "K100"}}));
}

TEST(DefSettings, TypedValues) {
    struct Case {
        const char* value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"true", 1},         {"false", 0},        {"75", 75},           {"12abc", 12},
        {"abc", 0},          {"", 0},             {"-5", -5},           {"+7", 7},
        {"99999999999", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", std::numeric_limits<std::int32_t>::min()},
    };
    for (const Case& c : cases) EXPECT_EQ(defSettingsNumber(c.value), c.expected) << c.value;
}

TEST(DefSettings, ShippedResourceGivesTheDefaults) {
    RecordingStore r;
    r.store.loadDefaults();
    EXPECT_TRUE(r.shown.empty()) << r.shown.front().caption;
    SettingsRecord expected;
    expected.ExitOnMouseMove = false;
    expected.MusicVolume = 75;
    EXPECT_EQ(r.store.defaults(), expected);
    EXPECT_EQ(r.store.sceneDefaults(), (SceneOptions{false, true, true}));
    EXPECT_EQ(r.store.lookup("main_web_site_url"), "http://www.brasswick-studio.example/");
}

TEST(DefSettings, MissingKeysKeepBuiltInsAfterAMessageEach) {
    RecordingStore r;
    r.store.loadDefaults(bytesOf("MusicVolume=33\r\nMirror=false"));
    EXPECT_EQ(r.store.defaults(), (SettingsRecord{.MusicVolume = 33}));
    EXPECT_EQ(r.store.sceneDefaults(), (SceneOptions{false, true, false}));
    std::vector<std::string> captions;
    for (const Shown& s : r.shown) {
        EXPECT_EQ(s.text, kMissingKeyUtf8);
        captions.push_back(s.caption);
    }
    const std::vector<std::string> order = {"BL", "CLAqua", "DigClock_24H", "ExitOnMouseMove", "FSAA", "GammControl",
                                            "MBitCount", "MH", "MW", "Music", "SFX", "ShowFPS", "ShowTime",
                                            "UseDktpSet"};
    EXPECT_EQ(captions, order);
}

TEST(DefSettings, ByteFieldsTakeTheLowByte) {
    struct Case {
        const char* name;
        std::string text;
        bool digClock;
        std::uint8_t gamma;
        bool showFps;
    };
    const Case cases[] = {
        {"Plain", "DigClock_24H=true\rGammControl=150\rShowFPS=true", true, 150, true},
        {"256IsAFalseByte", "DigClock_24H=256\rGammControl=256\rShowFPS=256", false, 0, true},
        {"257IsATrueByte", "DigClock_24H=257\rGammControl=300\rShowFPS=0", true, 44, false},
    };
    for (const Case& c : cases) {
        RecordingStore r;
        r.store.loadDefaults(bytesOf(c.text));
        EXPECT_EQ(r.store.defaults().DigClock_24H, c.digClock) << c.name;
        EXPECT_EQ(r.store.defaults().GmCntrl, c.gamma) << c.name;
        EXPECT_EQ(r.store.defaults().ShowFPS, c.showFps) << c.name;
    }
}

TEST(SettingsMessages, ShownAsReadableText) {
    EXPECT_EQ(cp1251ToUtf8(SettingsStore::kBadFormatText1251), kBadFormatUtf8);
    EXPECT_EQ(cp1251ToUtf8(SettingsStore::kMissingKeyText1251), kMissingKeyUtf8);
    EXPECT_EQ(cp1251ToUtf8("\xA8\xB8\x98\xB9"), "Ёё\xEF\xBF\xBD№");
    EXPECT_EQ(latin1ToUtf8("caf\xE9"), "café");
}

class SettingsRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { os::useInMemoryRegistry(); }
    void TearDown() override { os::useInMemoryRegistry(); }
    static void put(std::string_view name, std::uint32_t v) {
        ASSERT_EQ(os::seedRegistryValue(RegHive::CurrentUser, SettingsStore::kRegistryKey, name,
                                        RegValue{RegValueType::Dword, v, {}}),
                  os::kRegOk);
    }
    static std::optional<std::uint32_t> get(std::string_view name) {
        os::RegKey key;
        std::uint32_t v = 0;
        if (os::regOpenKey(RegHive::CurrentUser, SettingsStore::kRegistryKey, os::RegAccess::Read, key) != os::kRegOk ||
            os::regQueryDword(key, name, v) != os::kRegOk) {
            return std::nullopt;
        }
        return v;
    }
    SettingsStore store;
};

TEST_F(SettingsRegistryTest, ReadEncodings) {
    struct Case {
        const char* name;
        const char* value;
        std::uint32_t stored;
        void (*check)(const SettingsRecord&);
    };
    const Case cases[] = {
        {"BoolTwoIsTrue", "ShowFPS", 2, [](const SettingsRecord& r) { EXPECT_TRUE(r.ShowFPS); }},
        {"BoolOneIsFalse", "ShowTime", 1, [](const SettingsRecord& r) { EXPECT_FALSE(r.ShowTime); }},
        {"BoolZeroIgnored", "ShowFPS", 0, [](const SettingsRecord& r) { EXPECT_FALSE(r.ShowFPS); }},
        {"BoolThreeIgnored", "ShowTime", 3, [](const SettingsRecord& r) { EXPECT_TRUE(r.ShowTime); }},
        {"ByteBoolTwo", "DigClock_24H", 2, [](const SettingsRecord& r) { EXPECT_TRUE(r.DigClock_24H); }},
        {"NumberKept", "Width", 1024, [](const SettingsRecord& r) { EXPECT_EQ(r.Width, 1024); }},
        {"NumberZeroIgnored", "MusicVolume", 0, [](const SettingsRecord& r) { EXPECT_EQ(r.MusicVolume, 60); }},
        {"GammaLowByte", "GmCntrl", 0x12C, [](const SettingsRecord& r) { EXPECT_EQ(r.GmCntrl, 44); }},
        {"GammaHighOnlyGivesZero", "GmCntrl", 0x100, [](const SettingsRecord& r) { EXPECT_EQ(r.GmCntrl, 0); }},
        {"GammaZeroIgnored", "GmCntrl", 0, [](const SettingsRecord& r) { EXPECT_EQ(r.GmCntrl, 100); }},
        {"NegativeNumber", "Height", 0xFFFFFFFFu, [](const SettingsRecord& r) { EXPECT_EQ(r.Height, -1); }},
        // Regression: an edited volume of 500 reached the mixer as 500.
        {"VolumeAboveRangeHeldAt100", "MusicVolume", 500, [](const SettingsRecord& r) { EXPECT_EQ(r.MusicVolume, 100); }},
        {"VolumeNegativeHeldAt1", "MusicVolume", 0xFFFFFFF6u,
         [](const SettingsRecord& r) { EXPECT_EQ(r.MusicVolume, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        os::useInMemoryRegistry();
        put(c.value, c.stored);
        SettingsRecord record;  // built-in values
        EXPECT_EQ(store.readRegistry(record), os::kRegOk);
        c.check(record);
    }
}

TEST_F(SettingsRegistryTest, StringWhereANumberBelongsIsIgnored) {
    ASSERT_EQ(os::seedRegistryValue(RegHive::CurrentUser, SettingsStore::kRegistryKey, "ShowFPS",
                                    RegValue{RegValueType::String, 0, "2"}),
              os::kRegOk);
    SettingsRecord record;
    store.readRegistry(record);
    EXPECT_EQ(record, SettingsRecord{});
}

TEST_F(SettingsRegistryTest, WriteEncodingsAndRoundTrip) {
    SettingsRecord record{.ShowFPS = true, .ExitOnMouseMove = false, .ShowTime = false, .Music = true, .SFX = false,
                          .MusicVolume = 42, .Width = 1280, .Height = 1024, .BitCount = 16, .FSAA = 4,
                          .UseDesktopSettings = false, .DigClock_24H = true, .GmCntrl = 200};
    ASSERT_EQ(store.writeRegistry(record), os::kRegOk);
    struct Case {
        const char* name;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"ShowFPS", 2},    {"ExitOnMouseMove", 1}, {"ShowTime", 1},  {"Music", 2},     {"SFX", 1},
        {"MusicVolume", 42}, {"Width", 1280},      {"Height", 1024}, {"BitCount", 16}, {"FSAA", 4},
        {"UseDesktopSettings", 1}, {"DigClock_24H", 2}, {"GmCntrl", 200},
    };
    for (const Case& c : cases) EXPECT_EQ(get(c.name), c.expected) << c.name;

    SettingsRecord back;
    ASSERT_EQ(store.readRegistry(back), os::kRegOk);
    EXPECT_EQ(back, record);
}

TEST_F(SettingsRegistryTest, SceneOptions) {
    store.loadDefaults();
    SceneOptions live;  // the saver starts with all three off
    ASSERT_EQ(store.readSceneOptions(live), os::kRegOk);
    EXPECT_EQ(live, (SceneOptions{false, false, false}));

    // The configuration dialog restores the defaults, then the registry overrides what it holds.
    put("Mirror", 1);
    put("BL", 7);
    store.restoreSceneDefaults(live);
    store.readSceneOptions(live);
    EXPECT_EQ(live, (SceneOptions{false, true, false}));

    ASSERT_EQ(store.writeSceneOptions(SceneOptions{true, false, true}), os::kRegOk);
    EXPECT_EQ(get("CLAqua"), 2u);
    EXPECT_EQ(get("BL"), 1u);
    EXPECT_EQ(get("Mirror"), 2u);
}

TEST_F(SettingsRegistryTest, FirstRunUsesTheShippedDefaults) {
    store.loadDefaults();
    SettingsRecord live = store.defaults();
    SceneOptions scene;
    store.readRegistry(live);
    store.readSceneOptions(scene);
    EXPECT_TRUE(live.ShowTime);
    EXPECT_FALSE(live.ShowFPS);
    EXPECT_TRUE(live.Music);
    EXPECT_EQ(live.MusicVolume, 75);
    EXPECT_TRUE(live.UseDesktopSettings);
    EXPECT_EQ(live.GmCntrl, 100);
    EXPECT_FALSE(scene.Mirror);
}

// The settings file is damaged or cannot be written: reading changes nothing, writing reports the failure.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vm-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        file_ = (dir_ / "registry.ini").string();
        os::useRegistryFile(file_);
    }
    void TearDown() override {
        os::simulateRegistryWriteCrash(std::nullopt);
        os::useInMemoryRegistry();
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
    std::string file_;
    SettingsStore store;
};

TEST_F(SettingsFileTest, CorruptOrUnwritableFile) {
    const SettingsRecord changed{.ShowFPS = true, .MusicVolume = 10};
    {
        std::FILE* f = std::fopen(file_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("\x7f" "ELF garbage [[[\n\n=", f);
        std::fclose(f);
    }
    SettingsRecord record;
    EXPECT_EQ(store.readRegistry(record), os::kRegOk);
    EXPECT_EQ(record, SettingsRecord{});
    ASSERT_EQ(store.writeRegistry(changed), os::kRegOk);
    EXPECT_EQ(store.readRegistry(record), os::kRegOk);
    EXPECT_EQ(record, changed);

    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);  // a folder where the file belongs: unreadable and unwritable
    SettingsRecord untouched;
    store.readRegistry(untouched);
    EXPECT_EQ(untouched, SettingsRecord{});
    EXPECT_LT(store.writeRegistry(changed), 0);
    EXPECT_LT(store.writeSceneOptions(SceneOptions{true, true, true}), 0);
}

TEST_F(SettingsFileTest, WriteInterruptedAnywhereLeavesOldOrNewSettings) {
    const SettingsRecord oldRecord{.ShowFPS = true, .MusicVolume = 20, .Width = 640, .GmCntrl = 90};
    const SettingsRecord newRecord{.ShowFPS = false, .MusicVolume = 80, .Width = 1920, .GmCntrl = 150};
    ASSERT_EQ(store.writeRegistry(newRecord), os::kRegOk);
    const std::size_t size = std::filesystem::file_size(file_);

    std::vector<os::RegWriteCrash> crashes = {{os::RegWriteStep::CreateTemp, 0}, {os::RegWriteStep::SyncFile, 0},
                                              {os::RegWriteStep::Rename, 0}, {os::RegWriteStep::SyncFolder, 0}};
    for (std::size_t b = 0; b <= size; b += 1 + size / 30) crashes.push_back({os::RegWriteStep::Write, b});
    for (const os::RegWriteCrash& crash : crashes) {
        SCOPED_TRACE(::testing::Message() << "step " << static_cast<int>(crash.step) << " bytes "
                                          << crash.bytesWritten);
        os::simulateRegistryWriteCrash(std::nullopt);  // the next "process" starts
        ASSERT_EQ(store.writeRegistry(oldRecord), os::kRegOk);
        os::simulateRegistryWriteCrash(crash);
        store.writeRegistry(newRecord);
        SettingsRecord seen;
        store.readRegistry(seen);
        // Until the rename the old settings stand in full; after it the new ones do.
        EXPECT_EQ(seen, crash.step == os::RegWriteStep::SyncFolder ? newRecord : oldRecord);
    }
}

}  // namespace
}  // namespace vm
