#pragma once
// The user's choices as the saver uses them. Plain data: the application object holds a live copy and a
// defaults copy; SettingsStore fills them from the def_settings resource and the registry.

#include <cstdint>

namespace vm {

// Base settings, in the order they are stored and shown. Member initialisers are the built-in values,
// used when the def_settings resource lacks a key.
struct SettingsRecord {
    bool ShowFPS = false;
    bool ExitOnMouseMove = true;
    bool ShowTime = true;
    bool Music = true;
    bool SFX = true;                  // this saver has no effects; the dialog forces it off
    std::int32_t MusicVolume = 60;    // percent, 1..100
    std::int32_t Width = 800;         // pixels
    std::int32_t Height = 600;        // pixels
    std::int32_t BitCount = 32;       // 16 or 32
    std::int32_t FSAA = 0;            // multisample type: 0 none, 2..16 samples
    bool UseDesktopSettings = true;   // run in the desktop's own mode instead of Width x Height
    bool DigClock_24H = false;        // true: 24-hour clock
    std::uint8_t GmCntrl = 100;       // gamma in percent, 10..200

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

// Options of the church scene. A default-constructed value is all false: that is what the saver runs
// with until the options are found in the registry or restored from the defaults.
struct SceneOptions {
    bool CLAqua = false;   // persisted only
    bool BL = false;       // persisted only
    bool Mirror = false;   // the polished floor mirrors the hall

    friend bool operator==(const SceneOptions&, const SceneOptions&) = default;
};

// Built-in scene-option values, used when the def_settings resource lacks a key.
inline constexpr SceneOptions kBuiltInSceneDefaults{false, true, true};

}  // namespace vm
