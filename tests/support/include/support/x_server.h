// An X server of the caller's own, ready for clients.
#pragma once

#include "support/process.h"
#include "support/shell.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace torvex::testing {

// An Xvfb of the caller's own (it picks a free display itself and names it); DISPLAY points at
// it from then on, and Qt programs started later use it. -noreset: a server resets whenever its
// last client leaves and drops the clients connecting at that moment, so a window starting
// while an xdotool call ends could not connect ("could not connect to display").
class XServer {
public:
    explicit XServer(const std::filesystem::path& scratch) {
        using namespace std::chrono_literals;
        const auto displayFile = scratch / "display";
        server_ = std::make_unique<Process>(
            "/bin/sh",
            std::vector<std::string>{"-c", "exec Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 "
                                           "-nolisten tcp 3>" +
                                               quoted(displayFile.string())},
            scratch);
        std::string number;
        if (!eventually(
                [&] {
                    number = slurp(displayFile);
                    return !number.empty() && number.back() == '\n';
                },
                30s)) {
            error_ = "Xvfb did not start: " + server_->errSoFar();
            return;
        }
        const std::string name = ":" + number.substr(0, number.size() - 1);
        ::setenv("DISPLAY", name.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        // Ready is when a client has got in, not only when the number is named.
        if (eventually([] { return !capture("xdotool getdisplaygeometry").empty(); }, 30s)) {
            display_ = name;
        } else {
            error_ = "Xvfb named " + name + " but takes no client: " + server_->errSoFar();
        }
    }
    ~XServer() {
        if (server_) {
            server_->stop(SIGTERM, std::chrono::seconds(20));
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool ready() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    const std::string& error() const { return error_; }
    // What the server has said, and whether it still runs.
    std::string state() const {
        return std::string(server_->running() ? "Xvfb runs" : "Xvfb has ended") + " on " +
               display_ + ":\n" + server_->errSoFar();
    }

private:
    std::unique_ptr<Process> server_;
    std::string display_;
    std::string error_;
};

} // namespace torvex::testing
