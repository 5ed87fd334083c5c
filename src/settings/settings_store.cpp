#include "settings/settings_store.h"

#include <algorithm>
#include <string>

#include "platform/os/registry.h"
#include "platform/os/resources.h"
#include "platform/os/system.h"
#include "settings/text_encoding.h"

namespace vm {
namespace {

using os::RegAccess;
using os::RegHive;
using os::RegKey;

constexpr std::uint32_t kRegTrue = 2;
constexpr std::uint32_t kRegFalse = 1;

void showOnPlatform(std::string_view text, std::string_view caption) {
    os::messageBox(os::WindowHandle::None, text, caption);
}

// An absent or unreadable value reads as 0, which every encoding treats as "leave the field alone".
std::uint32_t queryOrZero(const RegKey& key, std::string_view name) {
    std::uint32_t v = 0;
    os::regQueryDword(key, name, v);
    return v;
}

void readBool(const RegKey& key, std::string_view name, bool& field) {
    const std::uint32_t v = queryOrZero(key, name);
    if (v == kRegTrue) field = true;
    if (v == kRegFalse) field = false;
}

void readNumber(const RegKey& key, std::string_view name, std::int32_t& field) {
    if (const std::uint32_t v = queryOrZero(key, name); v != 0) field = static_cast<std::int32_t>(v);
}

std::uint32_t encodeBool(bool b) { return b ? kRegTrue : kRegFalse; }

// The first failure wins, so a caller learns that something was not saved.
void keepFirstError(int& result, int r) {
    if (result == os::kRegOk) result = r;
}

}  // namespace

SettingsStore::SettingsStore() : show_(showOnPlatform) {}

void SettingsStore::setMessageBox(MessageBoxFn show) { show_ = show ? std::move(show) : MessageBoxFn(showOnPlatform); }

void SettingsStore::loadDefaults() { loadDefaults(os::findResource(kResourceType, kResourceId)); }

void SettingsStore::loadDefaults(std::span<const std::uint8_t> bytes) {
    table_.parse(bytes, [this](std::string_view) { show_(cp1251ToUtf8(kBadFormatText1251), ""); });

    defaults_ = SettingsRecord{};
    sceneDefaults_ = kBuiltInSceneDefaults;
    auto setBool = [this](std::string_view key, bool& field) {
        if (const auto v = lookupNumber(key)) field = *v != 0;
    };
    auto setByteBool = [this](std::string_view key, bool& field) {
        if (const auto v = lookupNumber(key)) field = (*v & 0xFF) != 0;
    };
    auto setNumber = [this](std::string_view key, std::int32_t& field) {
        if (const auto v = lookupNumber(key)) field = *v;
    };
    // This order decides the order of the messages for missing keys.
    setBool("BL", sceneDefaults_.BL);
    setBool("CLAqua", sceneDefaults_.CLAqua);
    setBool("mirror", sceneDefaults_.Mirror);
    setByteBool("DigClock_24H", defaults_.DigClock_24H);
    setBool("ExitOnMouseMove", defaults_.ExitOnMouseMove);
    setNumber("FSAA", defaults_.FSAA);
    if (const auto v = lookupNumber("GammControl")) defaults_.GmCntrl = static_cast<std::uint8_t>(*v & 0xFF);
    setNumber("MBitCount", defaults_.BitCount);
    setNumber("MH", defaults_.Height);
    setNumber("MW", defaults_.Width);
    setBool("Music", defaults_.Music);
    setBool("SFX", defaults_.SFX);
    setNumber("MusicVolume", defaults_.MusicVolume);
    setBool("ShowFPS", defaults_.ShowFPS);
    setBool("ShowTime", defaults_.ShowTime);
    setBool("UseDktpSet", defaults_.UseDesktopSettings);
}

std::string SettingsStore::lookup(std::string_view key) const {
    if (auto v = table_.find(key)) return std::move(*v);
    show_(cp1251ToUtf8(kMissingKeyText1251), key);
    return {};
}

std::optional<std::int32_t> SettingsStore::lookupNumber(std::string_view key) const {
    if (auto v = table_.find(key)) return defSettingsNumber(*v);
    show_(cp1251ToUtf8(kMissingKeyText1251), key);
    return std::nullopt;
}

int SettingsStore::readRegistry(SettingsRecord& record) const {
    RegKey key;
    if (const int r = os::regCreateKey(RegHive::CurrentUser, kRegistryKey, RegAccess::Read, key); r != os::kRegOk) {
        return r;
    }
    readBool(key, "ShowFPS", record.ShowFPS);
    readBool(key, "DigClock_24H", record.DigClock_24H);
    if (const std::uint32_t v = queryOrZero(key, "GmCntrl"); v != 0) record.GmCntrl = static_cast<std::uint8_t>(v & 0xFF);
    readBool(key, "ShowTime", record.ShowTime);
    readBool(key, "ExitOnMouseMove", record.ExitOnMouseMove);
    readBool(key, "SFX", record.SFX);
    readBool(key, "Music", record.Music);
    // A hand-edited value outside the trackbar's range would reach the mixer unchecked.
    if (const std::uint32_t v = queryOrZero(key, "MusicVolume"); v != 0) {
        record.MusicVolume = std::clamp(static_cast<std::int32_t>(v), 1, 100);
    }
    readBool(key, "UseDesktopSettings", record.UseDesktopSettings);
    readNumber(key, "Height", record.Height);
    readNumber(key, "Width", record.Width);
    readNumber(key, "BitCount", record.BitCount);
    readNumber(key, "FSAA", record.FSAA);
    return os::regCloseKey(key);
}

int SettingsStore::writeRegistry(const SettingsRecord& record) const {
    RegKey key;
    if (const int r = os::regCreateKey(RegHive::CurrentUser, kRegistryKey, RegAccess::Write, key); r != os::kRegOk) {
        return r;
    }
    int result = os::kRegOk;
    auto set = [&](std::string_view name, std::uint32_t v) { keepFirstError(result, os::regSetDword(key, name, v)); };
    set("ShowFPS", encodeBool(record.ShowFPS));
    set("DigClock_24H", encodeBool(record.DigClock_24H));
    set("ShowTime", encodeBool(record.ShowTime));
    set("ExitOnMouseMove", encodeBool(record.ExitOnMouseMove));
    set("SFX", encodeBool(record.SFX));
    set("Music", encodeBool(record.Music));
    set("UseDesktopSettings", encodeBool(record.UseDesktopSettings));
    set("GmCntrl", record.GmCntrl);
    set("Height", static_cast<std::uint32_t>(record.Height));
    set("Width", static_cast<std::uint32_t>(record.Width));
    set("BitCount", static_cast<std::uint32_t>(record.BitCount));
    set("FSAA", static_cast<std::uint32_t>(record.FSAA));
    set("MusicVolume", static_cast<std::uint32_t>(record.MusicVolume));
    keepFirstError(result, os::regFlushKey(key));
    keepFirstError(result, os::regCloseKey(key));
    return result;
}

int SettingsStore::readSceneOptions(SceneOptions& options) const {
    RegKey key;
    if (const int r = os::regCreateKey(RegHive::CurrentUser, kRegistryKey, RegAccess::Read, key); r != os::kRegOk) {
        return r;
    }
    readBool(key, "CLAqua", options.CLAqua);
    readBool(key, "BL", options.BL);
    readBool(key, "Mirror", options.Mirror);
    return os::regCloseKey(key);
}

int SettingsStore::writeSceneOptions(const SceneOptions& options) const {
    RegKey key;
    if (const int r = os::regCreateKey(RegHive::CurrentUser, kRegistryKey, RegAccess::Write, key); r != os::kRegOk) {
        return r;
    }
    int result = os::kRegOk;
    keepFirstError(result, os::regSetDword(key, "CLAqua", encodeBool(options.CLAqua)));
    keepFirstError(result, os::regSetDword(key, "BL", encodeBool(options.BL)));
    keepFirstError(result, os::regSetDword(key, "Mirror", encodeBool(options.Mirror)));
    keepFirstError(result, os::regFlushKey(key));
    keepFirstError(result, os::regCloseKey(key));
    return result;
}

}  // namespace vm
