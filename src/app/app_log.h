#pragma once

#include <QLoggingCategory>

namespace torvex::app {

// The window's log: silent unless started with --verbose.
Q_DECLARE_LOGGING_CATEGORY(lcTorvex)

// Turns the log on or off for the whole program.
void enableLog(bool verbose);

} // namespace torvex::app
