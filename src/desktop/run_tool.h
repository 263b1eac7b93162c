// Runs a desktop's command-line tool directly (never through a shell) and collects its output.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace torvex::desktop {

// Runs argv[0], looked up on PATH, with the given arguments; stdin and stderr are /dev/null.
// Returns its standard output when it exits with status 0 within `limit`, else nullopt (not
// found, failed, killed after the limit).
std::optional<std::string> runTool(const std::vector<std::string>& argv,
                                   std::chrono::milliseconds limit = std::chrono::seconds(5));

// True when `program` is an executable file in one of PATH's folders.
bool onPath(const std::string& program);

} // namespace torvex::desktop
