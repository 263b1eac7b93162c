#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace torvex {

// Where the program's files are. appDir holds config.ini and the user's macro files; skinDir
// holds the skin's layout files and pictures (read only).
struct AppPaths {
    std::filesystem::path appDir;
    std::filesystem::path skinDir;
    std::filesystem::path factoryDir; // installed factory files; empty when none was found
    bool portable = false;

    std::filesystem::path configPath() const { return appDir / "config.ini"; }
    // The user macro file of a language: 0 Chinese, anything else English.
    std::filesystem::path macroFilePath(int language) const {
        return appDir / (language == 0 ? "Macro_CN.dat" : "Macro_EN.dat");
    }
    std::filesystem::path constMacroPath() const { return appDir / "constMacro.dat"; }
    std::filesystem::path defMacroPath(int language) const {
        return skinDir / (language == 0 ? "INI_CN" : "INI_EN") / "defMacro.dat";
    }
};

struct PathOptions {
    std::filesystem::path exeDir;                       // folder of the running executable
    std::optional<std::filesystem::path> home;          // --home DIR
    std::optional<std::filesystem::path> xdgConfigHome; // $XDG_CONFIG_HOME, when set and absolute
    std::optional<std::filesystem::path> userHome;      // $HOME
    std::filesystem::path compiledDataDir;              // <datadir>/torvex of the build
};

// The files copied from the factory folder into a new user folder.
const std::vector<std::string>& seededFileNames();

// Resolves the folders:
//  - portable mode: exeDir holds config.ini -> appDir = exeDir (no --home given);
//  - --home DIR -> appDir = DIR;
//  - otherwise appDir = $XDG_CONFIG_HOME/torvex, or $HOME/.config/torvex.
// The factory folder is exeDir/../share/torvex when it exists, else compiledDataDir.
// skinDir = appDir/skins when that exists, else factoryDir/skins.
AppPaths resolvePaths(const PathOptions& options);

// The options of the running process: its executable folder and environment.
PathOptions currentPathOptions(std::optional<std::filesystem::path> home = std::nullopt);

// Creates appDir when needed and copies each seeded file that is missing there from the factory
// folder. Existing files are never touched. Returns false with a reason when the folder cannot
// be created or a file cannot be copied; files that are absent from the factory folder are
// skipped silently.
bool seedUserFolder(const AppPaths& paths, std::string* error = nullptr);

// Why a settings file that exists cannot serve as one ("is a folder", "cannot be read: ..."),
// or nullopt when it is a readable file or does not exist (a missing file reads as empty).
std::optional<std::string> unusableFileReason(const std::filesystem::path& file);

} // namespace torvex
