#include "cli/options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>

namespace torvex::cli {
namespace {

struct KeyRule {
    std::string_view key;
    int min;
    int max;
};

// The keys `set` accepts, with the values the settings model allows. Button functions are
// checked separately against the codes that mean something.
constexpr std::array<KeyRule, 16> kKeyRules{{
    {"DPI_LEVEL", 0, 3},
    {"WHEEL_STATUS", 0, 1},
    {"MACRO_MODE2", 0, 1},
    {"DPI_SET0", 0, 4},
    {"DPI_SET1", 0, 4},
    {"DPI_SET2", 0, 4},
    {"DPI_SET3", 0, 4},
    {"DPI_SET_EN0", 0, 1},
    {"DPI_SET_EN1", 0, 1},
    {"DPI_SET_EN2", 0, 1},
    {"DPI_SET_EN3", 0, 1},
    {"LED_STATUS", 0, 3},
    {"DPI_SPEED", 0, 9},
    {"WHEEL_SPEED", 0, 9},
    {"USB_SPEED", 0, 255},
    {"FIRE_TIME", 0, 300},
}};

bool isFunctionCode(int code) {
    return (code >= 0 && code <= 6) || (code >= 11 && code <= 17) || (code >= 21 && code <= 52);
}

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

// Checks one KEY=VALUE of `set`; the error names the argument.
std::optional<std::string> checkAssignment(const std::string& arg,
                                           std::pair<std::string, int>& out) {
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
        return "expected KEY=VALUE, got '" + arg + "'";
    }
    const std::string key = upper(arg.substr(0, eq));
    const auto value = parseInt(std::string_view(arg).substr(eq + 1));
    if (!value) {
        return "'" + arg + "': the value must be a whole number";
    }
    if (key.size() == 2 && key[0] == 'K' && key[1] >= '0' && key[1] <= '6') {
        if (!isFunctionCode(*value)) {
            return "'" + arg + "': " + std::to_string(*value) +
                   " is not a button function (0..6, 11..17 or 21..52)";
        }
        out = {key, *value};
        return std::nullopt;
    }
    const auto rule = std::find_if(kKeyRules.begin(), kKeyRules.end(),
                                   [&](const KeyRule& r) { return r.key == key; });
    if (rule == kKeyRules.end()) {
        return "'" + arg + "': unknown key " + key;
    }
    if (*value < rule->min || *value > rule->max) {
        return "'" + arg + "': " + key + " must be " + std::to_string(rule->min) + ".." +
               std::to_string(rule->max);
    }
    out = {key, *value};
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(std::span<const std::string> args) : args_(args) {}

    ParseResult run() {
        Options o;
        // Global options come before the command.
        while (pos_ < args_.size() && args_[pos_].starts_with("--")) {
            const std::string& a = args_[pos_++];
            if (a == "--help") {
                o.command = Command::Help;
                return ok(o);
            } else if (a == "--version") {
                o.command = Command::Version;
                return ok(o);
            } else if (a == "--home") {
                if (pos_ >= args_.size() || args_[pos_].empty()) {
                    return fail("--home needs a folder");
                }
                o.home = args_[pos_++];
            } else if (a.starts_with("--home=")) {
                if (a.size() == 7) {
                    return fail("--home needs a folder");
                }
                o.home = a.substr(7);
            } else if (a == "--virtual-mouse") {
                o.virtualMouse = true;
            } else if (a.starts_with("--virtual-mouse=")) {
                if (a.size() == 16) {
                    return fail("--virtual-mouse= needs a folder");
                }
                o.virtualMouse = true;
                o.virtualMouseDir = a.substr(16);
            } else if (a == "--trace") {
                o.trace = true;
            } else if (a == "--verbose") {
                o.verbose = true;
            } else {
                return fail("unknown option " + a);
            }
        }
        if (pos_ >= args_.size()) {
            return fail("no command given");
        }
        const std::string name = args_[pos_++];
        if (wantsHelp()) {
            o.command = Command::Help;
            o.helpTopic =
                name == "macro" && pos_ < args_.size() && args_[pos_] != "--help" ? "macro" : name;
            return ok(o);
        }
        if (name == "help") {
            o.command = Command::Help;
            o.helpTopic = pos_ < args_.size() ? args_[pos_++] : "";
            return finish(o);
        }
        if (name == "devices") {
            o.command = Command::Devices;
            return finish(o);
        }
        if (name == "show" || name == "apply") {
            o.command = name == "show" ? Command::Show : Command::Apply;
            if (auto e = profileOptions(o)) {
                return fail(*e);
            }
            return finish(o);
        }
        if (name == "set") {
            o.command = Command::Set;
            while (pos_ < args_.size()) {
                if (args_[pos_] == "--profile") {
                    if (auto e = profileOption(o)) {
                        return fail(*e);
                    }
                    continue;
                }
                std::pair<std::string, int> assignment;
                if (auto e = checkAssignment(args_[pos_++], assignment)) {
                    return fail(*e);
                }
                o.assignments.push_back(assignment);
            }
            if (o.assignments.empty()) {
                return fail("set needs at least one KEY=VALUE");
            }
            return ok(o);
        }
        if (name == "export" || name == "import") {
            o.command = name == "export" ? Command::Export : Command::Import;
            if (auto e = pathArgument(o, "FILE")) {
                return fail(name + ": " + *e);
            }
            if (auto e = profileOptions(o)) {
                return fail(*e);
            }
            return finish(o);
        }
        if (name == "reset") {
            o.command = Command::Reset;
            if (auto e = profileOptions(o)) {
                return fail(*e);
            }
            return finish(o);
        }
        if (name == "run") {
            o.command = Command::Run;
            return finish(o);
        }
        if (name == "macro") {
            return macro(o);
        }
        if (name == "vmouse") {
            return vmouse(o);
        }
        return fail("unknown command '" + name + "'");
    }

private:
    bool wantsHelp() const {
        return std::find(args_.begin() + static_cast<std::ptrdiff_t>(pos_), args_.end(),
                         "--help") != args_.end();
    }

    ParseResult ok(const Options& o) { return {o, {}}; }
    ParseResult fail(const std::string& e) { return {std::nullopt, e}; }
    ParseResult finish(const Options& o) {
        if (pos_ < args_.size()) {
            return fail("unexpected argument '" + args_[pos_] + "'");
        }
        return ok(o);
    }

    std::optional<std::string> profileOption(Options& o) {
        ++pos_; // --profile
        if (pos_ >= args_.size()) {
            return "--profile needs a number 1..5";
        }
        const auto n = parseInt(args_[pos_]);
        if (!n || *n < 1 || *n > 5) {
            return "--profile " + args_[pos_] + ": the profile must be 1..5";
        }
        ++pos_;
        o.profile = *n;
        return std::nullopt;
    }

    std::optional<std::string> profileOptions(Options& o) {
        while (pos_ < args_.size() && args_[pos_] == "--profile") {
            if (auto e = profileOption(o)) {
                return e;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> pathArgument(Options& o, const char* what) {
        if (pos_ >= args_.size() || args_[pos_].empty() || args_[pos_].starts_with("--")) {
            return std::string("needs ") + what;
        }
        o.path = args_[pos_++];
        return std::nullopt;
    }

    std::optional<std::string> numberArgument(int& out, const char* what, int min, int max) {
        if (pos_ >= args_.size()) {
            return std::string("needs ") + what;
        }
        const auto n = parseInt(args_[pos_]);
        if (!n || *n < min || *n > max) {
            return std::string(what) + " '" + args_[pos_] + "' must be " + std::to_string(min) +
                   ".." + std::to_string(max);
        }
        ++pos_;
        out = *n;
        return std::nullopt;
    }

    ParseResult macro(Options& o) {
        if (pos_ >= args_.size()) {
            return fail("macro needs a subcommand: list, show, export, import or play");
        }
        const std::string sub = args_[pos_++];
        if (sub == "list") {
            o.command = Command::MacroList;
            return finish(o);
        }
        if (sub == "show" || sub == "play") {
            o.command = sub == "show" ? Command::MacroShow : Command::MacroPlay;
            if (auto e = numberArgument(o.number, "N", 0, 11)) {
                return fail("macro " + sub + ": " + *e);
            }
            return finish(o);
        }
        if (sub == "export" || sub == "import") {
            o.command = sub == "export" ? Command::MacroExport : Command::MacroImport;
            if (auto e = pathArgument(o, "FILE")) {
                return fail("macro " + sub + ": " + *e);
            }
            return finish(o);
        }
        return fail("unknown macro subcommand '" + sub + "'");
    }

    ParseResult vmouse(Options& o) {
        if (auto e = pathArgument(o, "the virtual mouse's folder DIR")) {
            return fail("vmouse: " + *e);
        }
        if (pos_ >= args_.size()) {
            return fail("vmouse needs an action: press, release, click, unplug, plug or state");
        }
        const std::string action = args_[pos_++];
        static const std::map<std::string, Command> simple{{"unplug", Command::VmouseUnplug},
                                                           {"plug", Command::VmousePlug},
                                                           {"state", Command::VmouseState}};
        if (const auto it = simple.find(action); it != simple.end()) {
            o.command = it->second;
            return finish(o);
        }
        static const std::map<std::string, Command> buttons{{"press", Command::VmousePress},
                                                            {"release", Command::VmouseRelease},
                                                            {"click", Command::VmouseClick}};
        const auto it = buttons.find(action);
        if (it == buttons.end()) {
            return fail("unknown vmouse action '" + action + "'");
        }
        o.command = it->second;
        if (auto e = numberArgument(o.number, "BUTTON", 0, 6)) {
            return fail("vmouse " + action + ": " + *e);
        }
        if (pos_ < args_.size() && args_[pos_] == "--dpi") {
            ++pos_;
            if (o.command == Command::VmouseRelease) {
                return fail("vmouse release takes no --dpi");
            }
            int level = 0;
            if (auto e = numberArgument(level, "--dpi level", 0, 3)) {
                return fail("vmouse " + action + ": " + *e);
            }
            o.dpi = level;
        }
        return finish(o);
    }

    std::span<const std::string> args_;
    std::size_t pos_ = 0;
};

} // namespace

ParseResult parseCommandLine(std::span<const std::string> args) {
    return Parser(args).run();
}

std::string usageText() {
    return R"(Usage: torvexctl [--home DIR] [--virtual-mouse[=DIR]] [--trace] [--verbose] COMMAND [ARGS]

Configure the TORVEX V3 gaming mouse from the command line.

Commands:
  devices                          HID interfaces seen; the mouse's collections and report lengths
  show [--profile N]               a profile's keys in file order, one KEY=VALUE a line
  set [--profile N] KEY=VALUE...   change keys of a profile and save them
  apply [--profile N]              make profile N current and send it to the mouse
  export FILE [--profile N]        write a profile as section Config7 of FILE
  import FILE [--profile N]        read section Config7 of FILE into a profile and save it
  reset [--profile N]              restore the factory profiles and macros, send profile N
  macro list | show N | export FILE | import FILE | play N
  run                              stay resident and perform the buttons' host-side functions
  vmouse DIR press|release|click BUTTON [--dpi L] | unplug | plug | state
  help [COMMAND]                   this text, or a command's own

Options:
  --home DIR               keep settings and macros in DIR (default ~/.config/torvex)
  --virtual-mouse[=DIR]    use the built-in virtual mouse instead of the hardware; with DIR,
                           apply, reset, macro play and run also serve DIR/control (see
                           vmouse), log to DIR/reports.log and keep the pointer speed and
                           wheel lines in DIR/pointer.ini
  --trace                  print every report sent to the mouse on standard error
  --verbose                say what is being done on standard error
  --version                print the version

Without --profile a command works on the current profile ([Init] CurConfig of config.ini).
Exit status: 0 done, 1 failed (the message says why), 2 bad arguments, 3 no mouse found,
4 another torvex program is driving the mouse.
)";
}

std::string helpText(const std::string& command) {
    static const std::map<std::string, std::string> texts{
        {"devices", "Usage: torvexctl devices\n\nLists every HID interface with its vendor and "
                    "product id, usage page, usage and report lengths,\nmarks the mouse's "
                    "collections, and says which pointer-settings backend is in use.\n"},
        {"show", "Usage: torvexctl show [--profile N]\n\nPrints the profile's keys in the order "
                 "they are written, one KEY=VALUE a line.\n"},
        {"set", "Usage: torvexctl set [--profile N] KEY=VALUE...\n\nChanges keys of a profile "
                "in config.ini. Keys: K0..K6 (button functions 0..6, 11..17,\n21..52), "
                "DPI_LEVEL 0..3, WHEEL_STATUS 0..1, MACRO_MODE2 0..1, DPI_SET0..3 0..4,\n"
                "DPI_SET_EN0..3 0..1, LED_STATUS 0..3, DPI_SPEED 0..9, WHEEL_SPEED 0..9, "
                "USB_SPEED 0..255,\nFIRE_TIME 0..300. The result must keep a button on left "
                "click (1), at least one DPI\nlevel enabled, and DPI_LEVEL on an enabled "
                "level; otherwise nothing is written.\nNothing is sent to the mouse: use "
                "apply.\n"},
        {"apply", "Usage: torvexctl apply [--profile N]\n\nMakes profile N current (default: "
                  "the current one), saves it as the applied copy and\nsends it to the mouse, "
                  "with the desktop's pointer speed and wheel lines.\n"},
        {"export", "Usage: torvexctl export FILE [--profile N]\n\nWrites the profile as section "
                   "Config7 of FILE; the rest of FILE stays as it was.\n"},
        {"import", "Usage: torvexctl import FILE [--profile N]\n\nReads section Config7 of FILE "
                   "into the profile and saves it. Nothing is sent: use apply.\n"},
        {"reset", "Usage: torvexctl reset [--profile N]\n\nRestores the five factory profiles "
                  "and the factory macros of the interface language,\nthen makes profile N "
                  "current (default: the current one) and sends it to the mouse.\nThe other "
                  "language's macros are kept.\n"},
        {"macro", "Usage: torvexctl macro list | show N | export FILE | import FILE | play N\n\n"
                  "  list         the macros of the interface language, one a line\n"
                  "  show N       macro N (0..11) as the macro page lists its events\n"
                  "  export FILE  write all macros to FILE (.dat)\n"
                  "  import FILE  replace the macros with those of FILE and save them\n"
                  "  play N       play macro N through the mouse once, as a button press "
                  "would\n"},
        {"run", "Usage: torvexctl run\n\nSends the current profile to the mouse, then stays "
                "resident and performs the host-side\nfunctions of its buttons (media keys, "
                "macros, calculator, terminal) until the mouse\nis removed or SIGTERM/SIGINT "
                "arrives; then tells the mouse and sets pointer speed 10.\n"},
        {"vmouse", "Usage: torvexctl vmouse DIR press|release|click BUTTON [--dpi L] | unplug | "
                   "plug | state\n\nDrives a virtual mouse served by another torvex program "
                   "started with\n--virtual-mouse=DIR. BUTTON is the button slot 0..6; --dpi "
                   "sets the level (0..3)\nthe press reports. state prints the decoded device "
                   "state as JSON.\n"},
    };
    const auto it = texts.find(command);
    return it != texts.end() ? it->second : usageText();
}

} // namespace torvex::cli
