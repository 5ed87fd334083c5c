#pragma once
// SettingsStore: the defaults from the def_settings resource and the user's settings in the registry.
//
// Registry key "Software\BRASSWICK Studio\Vaultmere 3D Screensaver" of the current user; every value is
// a 32-bit number:
// - booleans: 2 = true, 1 = false; on reading anything else (0 when absent) leaves the field alone;
// - MusicVolume, Width, Height, BitCount, FSAA: the number itself; on reading 0 leaves the field alone;
//   MusicVolume is held to 1..100, the only range the music and the dialog can use;
// - GmCntrl: the byte widened; on reading a non-zero value sets the field to its low byte.
// Registry failures are silent for the user; the operations still report them to the caller.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/def_settings_table.h"
#include "settings/settings.h"

namespace vm {

class SettingsStore {
public:
    static constexpr int kResourceId = 486;  // type "CustomData"
    static constexpr std::string_view kResourceType = "CustomData";
    static constexpr std::string_view kRegistryKey = "Software\\BRASSWICK Studio\\Vaultmere 3D Screensaver";

    // The two messages in the 8-bit code page 1251 the product was written for; they are shown through
    // cp1251ToUtf8, because Linux message boxes take UTF-8.
    static constexpr std::string_view kBadFormatText1251 =
        "\xED\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 \xF4\xE0\xE9\xEB\xE0 def_settings.txt";
    static constexpr std::string_view kMissingKeyText1251 =
        "\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE2 \xF4\xE0\xE9\xEB\xE5 def_settings.txt";

    // Shows a message box; text and caption are UTF-8. By default the platform's message box (no owner
    // window); tests record instead.
    using MessageBoxFn = std::function<void(std::string_view text, std::string_view caption)>;

    SettingsStore();
    void setMessageBox(MessageBoxFn show);

    // Parses the embedded resource (a missing one gives an empty table) and fills the defaults.
    void loadDefaults();
    // Same from given bytes. Keys missing from the text keep their built-in values, after a message box
    // each; lines without '=' show their message box while parsing.
    void loadDefaults(std::span<const std::uint8_t> bytes);

    const SettingsRecord& defaults() const noexcept { return defaults_; }
    const SceneOptions& sceneDefaults() const noexcept { return sceneDefaults_; }
    const DefSettingsTable& table() const noexcept { return table_; }

    // The def_settings value of key (case-blind), lower-cased; "" after a message box when missing.
    std::string lookup(std::string_view key) const;

    // 0 on success; a negative registry code when the key cannot be opened (record unchanged) or the
    // values cannot be saved.
    int readRegistry(SettingsRecord& record) const;
    int writeRegistry(const SettingsRecord& record) const;
    int readSceneOptions(SceneOptions& options) const;
    int writeSceneOptions(const SceneOptions& options) const;
    void restoreSceneDefaults(SceneOptions& options) const { options = sceneDefaults_; }

private:
    std::optional<std::int32_t> lookupNumber(std::string_view key) const;

    MessageBoxFn show_;
    DefSettingsTable table_;
    SettingsRecord defaults_;
    SceneOptions sceneDefaults_ = kBuiltInSceneDefaults;
};

}  // namespace vm
