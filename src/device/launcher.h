// Starting the calculator and a terminal for the buttons that ask for them.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace torvex::device {

// Candidates in order of preference; the first one installed is started.
std::span<const std::string_view> calculatorCandidates();
std::span<const std::string_view> terminalCandidates();

// Starts the first candidate found on PATH with no arguments, directly (never through a shell),
// detached from our process group; the child is reaped in the background. Returns the name
// started, or an empty string when none could be started.
std::string launchFirstAvailable(std::span<const std::string_view> candidates);

} // namespace torvex::device
