#include "app/app_options.h"

namespace torvex::app {

AppParse parseAppOptions(std::span<const std::string> args) {
    AppOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--hidden") {
            o.hidden = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--virtual-mouse") {
            o.virtualMouse = true;
        } else if (a.starts_with("--virtual-mouse=")) {
            const std::string dir = a.substr(16);
            if (dir.empty()) {
                return {std::nullopt, "--virtual-mouse= needs a folder"};
            }
            o.virtualMouse = true;
            o.virtualMouseDir = dir;
        } else if (a == "--home") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return {std::nullopt, "--home needs a folder"};
            }
            o.home = args[++i];
        } else if (a.starts_with("--home=")) {
            if (a.size() == 7) {
                return {std::nullopt, "--home= needs a folder"};
            }
            o.home = a.substr(7);
        } else {
            return {std::nullopt, "unknown argument '" + a + "'"};
        }
    }
    return {o, {}};
}

std::string appUsage() {
    return "Usage: torvex [OPTIONS]\n"
           "The configuration program for the TORVEX V3 gaming mouse.\n"
           "\n"
           "  --home DIR             keep settings and macros in DIR\n"
           "  --virtual-mouse[=DIR]  use the built-in virtual mouse instead of the hardware;\n"
           "                         with DIR, serve DIR/control and write DIR/reports.log\n"
           "  --hidden               start in the notification area (for autostart)\n"
           "  --verbose              say on standard error what is being done\n"
           "  --help                 show this help\n"
           "  --version              show the version\n"
           "\n"
           "A second start brings the running window back and ends at once.\n";
}

} // namespace torvex::app
