#include "settings/config_store.h"

#include "common/ini_store.h"
#include "common/leading_int.h"

#include <string_view>

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

// Collects the writes of one section and stops at the first failure.
class SectionWriter {
public:
    SectionWriter(const std::filesystem::path& file, std::string section, std::string* error)
        : file_(file), section_(std::move(section)), error_(error) {}

    void put(std::string_view key, int value) {
        if (ok_) {
            ok_ = ini::writeString(file_, section_, key, std::to_string(value), error_);
        }
    }
    bool ok() const { return ok_; }

private:
    const std::filesystem::path& file_;
    std::string section_;
    std::string* error_;
    bool ok_ = true;
};

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

bool SaveConfiguration(const std::filesystem::path& file, int number, const MouseSettings& settings,
                       std::string* error) {
    SectionWriter out(file, configSectionName(number, false, 0), error);
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        out.put(indexed("K", i), settings.buttonFunction[i]);
    }
    out.put(kDpiLevelKey, settings.dpiLevel);
    out.put("WHEEL_STATUS", settings.wheelStatus);
    out.put("MACRO_MODE2", settings.macroMode);
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        out.put(indexed("DPI_SET", j), settings.dpiSet(j));
        out.put(indexed("DPI_SET_EN", j), settings.dpiSetEnabled[j] != 0 ? 1 : 0);
    }
    out.put("LED_STATUS", settings.ledStatus);
    out.put("DPI_SPEED", settings.pointerSpeed);
    out.put("WHEEL_SPEED", settings.wheelSpeed);
    out.put("USB_SPEED", settings.usbSpeed);
    out.put("FIRE_TIME", settings.fireTime);
    return out.ok();
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
