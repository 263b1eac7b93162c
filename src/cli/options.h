// torvexctl's command line, parsed without side effects so that every form can be tested.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace torvex::cli {

enum class Command {
    Help,
    Version,
    Devices,
    Show,
    Set,
    Apply,
    Export,
    Import,
    Reset,
    MacroList,
    MacroShow,
    MacroExport,
    MacroImport,
    MacroPlay,
    Run,
    VmousePress,
    VmouseRelease,
    VmouseClick,
    VmouseUnplug,
    VmousePlug,
    VmouseState,
};

struct Options {
    std::optional<std::filesystem::path> home;
    bool virtualMouse = false;
    std::optional<std::filesystem::path> virtualMouseDir;
    bool trace = false;
    bool verbose = false;

    Command command = Command::Help;
    std::string helpTopic; // the command whose help to print ("" for the overview)
    std::optional<int> profile;
    std::vector<std::pair<std::string, int>> assignments; // set KEY=VALUE...
    std::filesystem::path path;                           // FILE, or DIR for vmouse
    int number = 0;                                       // macro N, or vmouse BUTTON slot
    std::optional<int> dpi;
};

struct ParseResult {
    std::optional<Options> options;
    std::string error; // set when options is empty: what was wrong, naming the argument
};

// `args` are the arguments after the program name.
ParseResult parseCommandLine(std::span<const std::string> args);

// The overview, and the help of one command ("" or an unknown name give the overview).
std::string usageText();
std::string helpText(const std::string& command);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoMouse = 3;
inline constexpr int kExitBusy = 4;

} // namespace torvex::cli
