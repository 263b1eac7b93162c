// The application: command line, folders, the single-instance rule, then the main window for
// as long as the program runs.
#pragma once

#include <QString>
#include <filesystem>
#include <string>

class QLocalServer;

namespace torvex::app {

// The local socket through which a second start asks the running window to come back; one per
// instance-lock key (InstanceLock::keyFor).
QString instanceSocketPath(const std::string& lockKey);

// Asks the window holding `lockKey` to restore itself; false when none answered in time.
bool askRunningInstanceToRestore(const std::string& lockKey);

class CQAV_VUvuvuApp {
public:
    // Runs the whole program; the process's exit status.
    int InitInstance(int argc, char** argv);
};

} // namespace torvex::app
