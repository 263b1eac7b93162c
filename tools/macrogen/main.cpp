// torvex-macrogen: turns the readable macro definitions into the factory .dat files.
//
//   torvex-macrogen --data DIR DEFINITION...
//
// Each definition names its table and its output files (relative to DIR); every output is
// written fresh through the program's own macro-file writer.

#include "macrogen/macro_definition.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::filesystem::path dataDir;
    std::vector<std::filesystem::path> definitions;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--data" && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (!arg.empty() && arg.front() == '-') {
            std::fprintf(stderr, "usage: torvex-macrogen --data DIR DEFINITION...\n");
            return 2;
        } else {
            definitions.emplace_back(arg);
        }
    }
    if (dataDir.empty() || definitions.empty()) {
        std::fprintf(stderr, "usage: torvex-macrogen --data DIR DEFINITION...\n");
        return 2;
    }

    for (const auto& file : definitions) {
        const auto parsed = torvex::macrogen::parseMacroDefinitionFile(file);
        if (!parsed.definition) {
            std::fprintf(stderr, "torvex-macrogen: %s\n", parsed.error.c_str());
            return 1;
        }
        if (parsed.definition->outputs.empty()) {
            std::fprintf(stderr, "torvex-macrogen: %s names no output\n", file.c_str());
            return 1;
        }
        for (const auto& output : parsed.definition->outputs) {
            std::string error;
            if (!torvex::macrogen::writeFreshMacroFile(dataDir / output, parsed.definition->table,
                                                       &error)) {
                std::fprintf(stderr, "torvex-macrogen: %s\n", error.c_str());
                return 1;
            }
            std::printf("%s -> %s\n", file.c_str(), (dataDir / output).c_str());
        }
    }
    return 0;
}
