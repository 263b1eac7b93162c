// Small shell helpers: whether a tool is installed, and a command's standard output.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace torvex::testing {

inline bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

// Runs a shell command (on the current display) and returns its standard output.
inline std::string capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            out.append(buffer.data(), n);
        }
        ::pclose(pipe);
    }
    return out;
}

// The complete lines of `text` (an unterminated last line is left out).
inline std::vector<std::string> splitLines(std::string text) {
    std::vector<std::string> out;
    for (std::size_t at = 0; (at = text.find('\n')) != std::string::npos; text.erase(0, at + 1)) {
        out.push_back(text.substr(0, at));
    }
    return out;
}

} // namespace torvex::testing
