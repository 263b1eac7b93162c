// The window program's command line.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace torvex::app {

struct AppOptions {
    std::optional<std::filesystem::path> home;
    bool virtualMouse = false;
    std::optional<std::filesystem::path> virtualMouseDir;
    bool hidden = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

struct AppParse {
    std::optional<AppOptions> options;
    std::string error; // when options is empty
};

// `args` are the arguments after the program name. Qt's own options (-platform, -display, ...)
// are taken out by QApplication before this sees them.
AppParse parseAppOptions(std::span<const std::string> args);
std::string appUsage();

} // namespace torvex::app
