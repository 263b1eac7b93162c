#pragma once

#include "settings/mouse_settings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace torvex {

// Configuration sections of config.ini (and of exported files): "Config<n>" for the profiles,
// "CfgReset<n>" / "CfgReset_EN5" for the factory profiles.
inline constexpr int kProfileCount = 5;
inline constexpr int kAppliedConfigNumber = 6;  // copy of what was last sent to the mouse
inline constexpr int kExchangeConfigNumber = 7; // the one section of an exported file

// The section LoadConfiguration reads: "Config<n>", or for a factory reset "CfgReset<n>", except
// "CfgReset_EN5" for profile 5 with an English interface (language not 0).
std::string configSectionName(int number, bool fromReset, int language);

// Fills every field of `settings` from one section of the file; missing file, section or key
// give 0. Values are taken as they are: K keys as int (at most 4 characters), DPI_SET as its low
// byte (at most 9 characters), DPI_SET_EN as 0/1, the other byte fields as their low byte.
// macroMode is read from MACRO_MODE2 like the rest.
void LoadConfiguration(const std::filesystem::path& file, int number, bool fromReset, int language,
                       MouseSettings& settings);

// Every key of a configuration with its text, in the order the keys are written.
std::vector<std::pair<std::string, std::string>>
configurationEntries(const MouseSettings& settings);

// Writes every field to section "Config<number>" in the fixed key order, as one replacement of
// the file; false with the reason in `error` when the file cannot be written (it is then
// unchanged).
bool SaveConfiguration(const std::filesystem::path& file, int number, const MouseSettings& settings,
                       std::string* error = nullptr);

// Writes only DPI_LEVEL to section "Config<number>".
bool SaveDpiLevel(const std::filesystem::path& file, int number, int dpiLevel,
                  std::string* error = nullptr);

// [Init] VER_SEL: the low byte of its number; missing gives 0 (Chinese).
std::uint8_t ReadLanguage(const std::filesystem::path& file);
bool WriteLanguage(const std::filesystem::path& file, int language, std::string* error = nullptr);

// [Init] CurConfig as a number, unchecked (missing gives 0).
int ReadCurConfig(const std::filesystem::path& file);
bool WriteCurConfig(const std::filesystem::path& file, int curConfig, std::string* error = nullptr);

// The settings half of restore defaults: built-in defaults into Config1, the factory sections
// into Config5..Config2, then section Config<curConfig> is loaded into `settings`. Config1 keeps
// the macroMode the user had; the others take the factory section's. Returns false (and stops)
// when a write fails.
bool RestoreFactorySettings(const std::filesystem::path& configPath, int curConfig, int language,
                            MouseSettings& settings, std::string* error = nullptr);

// Configuration exchange: section Config7 of a user-chosen file. Import replaces `settings`
// only (a file without the section gives an all-zero configuration); export adds or replaces
// that section and leaves the rest of the file as it was.
void ImportConfiguration(const std::filesystem::path& file, MouseSettings& settings);
bool ExportConfiguration(const std::filesystem::path& file, const MouseSettings& settings,
                         std::string* error = nullptr);

} // namespace torvex
