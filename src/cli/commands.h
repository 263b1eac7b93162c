// The commands of torvexctl, over the same libraries as the window.
#pragma once

#include "cli/options.h"

#include <iosfwd>

namespace torvex::cli {

// Runs one parsed command line; returns the exit status. Normal output goes to `out`, messages
// and the report trace to `err`.
int runCommand(const Options& options, std::ostream& out, std::ostream& err);

} // namespace torvex::cli
