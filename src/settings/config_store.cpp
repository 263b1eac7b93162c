#include "settings/config_store.h"

#include "common/ini_store.h"
#include "common/leading_int.h"

#include <string_view>
#include <utility>
#include <vector>

namespace torvex {

namespace {

constexpr std::string_view kInitSection = "Init";
constexpr std::string_view kCurConfigKey = "CurConfig";
constexpr std::string_view kLanguageKey = "VER_SEL";
constexpr std::string_view kDpiLevelKey = "DPI_LEVEL";

// Buffer sizes of the reads, terminator included: numbers are cut to 4 characters, the DPI
// steps and their enable flags to 9.
constexpr std::size_t kNumberBuffer = 5;
constexpr std::size_t kDpiBuffer = 10;

int readNumber(const std::filesystem::path& file, std::string_view section, std::string_view key,
               std::size_t bufferSize) {
    return leadingInt(ini::readString(file, section, key, bufferSize));
}

std::uint8_t lowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::string indexed(std::string_view prefix, std::size_t index) {
    return std::string(prefix) + std::to_string(index);
}

} // namespace

std::string configSectionName(int number, bool fromReset, int language) {
    if (!fromReset) {
        return "Config" + std::to_string(number);
    }
    // The English factory profile 5 refers to the English factory macros, so it goes with
    // every English interface, as the macro files do.
    if (number == 5 && language != 0) {
        return "CfgReset_EN5";
    }
    return "CfgReset" + std::to_string(number);
}

void LoadConfiguration(const std::filesystem::path& file, int number, bool fromReset, int language,
                       MouseSettings& settings) {
    const std::string section = configSectionName(number, fromReset, language);
    auto number5 = [&](std::string_view key) {
        return readNumber(file, section, key, kNumberBuffer);
    };

    for (std::size_t i = 0; i < kButtonCount; ++i) {
        settings.buttonFunction[i] = number5(indexed("K", i));
    }
    settings.wheelStatus = number5("WHEEL_STATUS");
    settings.macroMode = number5("MACRO_MODE2");
    settings.dpiLevel = number5(kDpiLevelKey);
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        settings.setDpiSet(j,
                           lowByte(readNumber(file, section, indexed("DPI_SET", j), kDpiBuffer)));
        settings.dpiSetEnabled[j] =
            readNumber(file, section, indexed("DPI_SET_EN", j), kDpiBuffer) != 0 ? 1 : 0;
    }
    settings.ledStatus = lowByte(number5("LED_STATUS"));
    settings.pointerSpeed = lowByte(number5("DPI_SPEED"));
    settings.wheelSpeed = lowByte(number5("WHEEL_SPEED"));
    settings.usbSpeed = lowByte(number5("USB_SPEED"));
    settings.fireTime = number5("FIRE_TIME");
}

std::vector<std::pair<std::string, std::string>>
configurationEntries(const MouseSettings& settings) {
    std::vector<std::pair<std::string, std::string>> entries;
    const auto put = [&](std::string key, int value) {
        entries.emplace_back(std::move(key), std::to_string(value));
    };
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        put(indexed("K", i), settings.buttonFunction[i]);
    }
    put(std::string(kDpiLevelKey), settings.dpiLevel);
    put("WHEEL_STATUS", settings.wheelStatus);
    put("MACRO_MODE2", settings.macroMode);
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        put(indexed("DPI_SET", j), settings.dpiSet(j));
        put(indexed("DPI_SET_EN", j), settings.dpiSetEnabled[j] != 0 ? 1 : 0);
    }
    put("LED_STATUS", settings.ledStatus);
    put("DPI_SPEED", settings.pointerSpeed);
    put("WHEEL_SPEED", settings.wheelSpeed);
    put("USB_SPEED", settings.usbSpeed);
    put("FIRE_TIME", settings.fireTime);
    return entries;
}

bool SaveConfiguration(const std::filesystem::path& file, int number, const MouseSettings& settings,
                       std::string* error) {
    // The keys are written in their order as one replacement of the file: the same result as
    // key-by-key writes, one sync instead of twenty-three, and never half a profile on disk.
    const auto entries = configurationEntries(settings);
    std::vector<ini::KeyValue> views(entries.begin(), entries.end());
    return ini::writeStrings(file, configSectionName(number, false, 0), views, error);
}

bool SaveDpiLevel(const std::filesystem::path& file, int number, int dpiLevel, std::string* error) {
    return ini::writeString(file, configSectionName(number, false, 0), kDpiLevelKey,
                            std::to_string(dpiLevel), error);
}

std::uint8_t ReadLanguage(const std::filesystem::path& file) {
    return lowByte(readNumber(file, kInitSection, kLanguageKey, kNumberBuffer));
}

bool WriteLanguage(const std::filesystem::path& file, int language, std::string* error) {
    return ini::writeString(file, kInitSection, kLanguageKey, std::to_string(language), error);
}

int ReadCurConfig(const std::filesystem::path& file) {
    return readNumber(file, kInitSection, kCurConfigKey, kNumberBuffer);
}

bool WriteCurConfig(const std::filesystem::path& file, int curConfig, std::string* error) {
    return ini::writeString(file, kInitSection, kCurConfigKey, std::to_string(curConfig), error);
}

bool RestoreFactorySettings(const std::filesystem::path& configPath, int curConfig, int language,
                            MouseSettings& settings, std::string* error) {
    applyBuiltInDefaults(settings); // keeps macroMode, so Config1 gets the user's mode
    if (!SaveConfiguration(configPath, 1, settings, error)) {
        return false;
    }
    for (int number = kProfileCount; number >= 2; --number) {
        LoadConfiguration(configPath, number, true, language, settings);
        if (!SaveConfiguration(configPath, number, settings, error)) {
            return false;
        }
    }
    LoadConfiguration(configPath, curConfig, false, language, settings);
    return true;
}

void ImportConfiguration(const std::filesystem::path& file, MouseSettings& settings) {
    LoadConfiguration(file, kExchangeConfigNumber, false, 0, settings);
}

bool ExportConfiguration(const std::filesystem::path& file, const MouseSettings& settings,
                         std::string* error) {
    return SaveConfiguration(file, kExchangeConfigNumber, settings, error);
}

} // namespace torvex
