#pragma once
// The settings record the shell holds, until the settings store's own header is on this branch. Field
// names, types and built-in values are those of the store, so switching is an include change.

#include <cstdint>

namespace vm {

struct SettingsRecord {
    bool ShowFPS = false;
    bool ExitOnMouseMove = true;
    bool ShowTime = true;
    bool Music = true;
    bool SFX = true;
    std::int32_t MusicVolume = 60;   // percent, 1..100
    std::int32_t Width = 800;        // pixels
    std::int32_t Height = 600;       // pixels
    std::int32_t BitCount = 32;      // 16 or 32
    std::int32_t FSAA = 0;           // multisample type: 0 none, 2..16 samples
    bool UseDesktopSettings = true;
    bool DigClock_24H = false;
    std::uint8_t GmCntrl = 100;      // gamma in percent, 10..200
};

struct SceneOptions {
    bool CLAqua = false;
    bool BL = false;
    bool Mirror = false;
};

}  // namespace vm
