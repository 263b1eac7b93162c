// The application: command line, folders, the single-instance rule, then the main window for
// as long as the program runs.
#pragma once

#include <QString>
#include <filesystem>
#include <string>

class QLocalServer;

namespace torvex::app {

// The local socket through which a second start asks the running window to come back.
QString instanceSocketPath(const std::filesystem::path& appDir);

// Asks the instance for appDir to restore its window; false when none answered in time.
bool askRunningInstanceToRestore(const std::filesystem::path& appDir);

class CQAV_VUvuvuApp {
public:
    // Runs the whole program; the process's exit status.
    int InitInstance(int argc, char** argv);
};

} // namespace torvex::app
