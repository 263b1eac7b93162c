#include "cli/commands.h"
#include "cli/options.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = torvex::cli::parseCommandLine(args);
    if (!parsed.options) {
        std::cerr << "torvexctl: " << parsed.error << "\nTry 'torvexctl --help'.\n";
        return torvex::cli::kExitUsage;
    }
    return torvex::cli::runCommand(*parsed.options, std::cout, std::cerr);
}
