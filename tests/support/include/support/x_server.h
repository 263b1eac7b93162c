// What the tests that drive the real window share: an X server of their own, xdotool, the real
// skin's layout, and a report of what went wrong when the window does not come.
#pragma once

#include "common/ini_store.h"
#include "common/leading_int.h"
#include "support/process.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace torvex::testing {

inline const std::filesystem::path kTorvex =
    std::filesystem::path(TORVEX_BINARY_DIR) / "bin" / "torvex";
inline const std::filesystem::path kTorvexCtl =
    std::filesystem::path(TORVEX_BINARY_DIR) / "bin" / "torvexctl";
inline const std::filesystem::path kData = std::filesystem::path(TORVEX_SOURCE_DIR) / "data";
inline const std::string kTitleCn = "TORVEX V3宏编程游戏鼠标驱动";
inline const std::string kTitleEn = "TORVEX V3 Gaming Mouse Driver";

inline bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

// Runs a shell command (on the test's display) and returns its standard output.
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

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(Point, Point) = default;
    friend Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
};

inline std::vector<std::string> splitLines(std::string text) {
    std::vector<std::string> out;
    for (std::size_t at = 0; (at = text.find('\n')) != std::string::npos; text.erase(0, at + 1)) {
        out.push_back(text.substr(0, at));
    }
    return out;
}

// Visible windows with exactly this title.
inline std::vector<std::string> visibleWindows(const std::string& title) {
    return splitLines(capture("xdotool search --onlyvisible --name " + quoted("^" + title + "$")));
}

// The first visible window with exactly this title, or "".
inline std::string visibleWindow(const std::string& title) {
    const auto ids = visibleWindows(title);
    return ids.empty() ? std::string() : ids.front();
}

inline Point windowPosition(const std::string& id) {
    const std::string out = capture("xdotool getwindowgeometry --shell " + id);
    std::smatch m;
    Point p;
    if (std::regex_search(out, m, std::regex("X=(-?\\d+)"))) {
        p.x = std::stoi(m[1]);
    }
    if (std::regex_search(out, m, std::regex("Y=(-?\\d+)"))) {
        p.y = std::stoi(m[1]);
    }
    return p;
}

// x, y, width and height of an entry of a layout file of the real skin (`file` relative to the
// skin folder, e.g. "INI_CN/skin_main.ini").
inline std::array<int, 4> layoutEntry(const std::string& file, const std::string& section,
                                      int key) {
    const std::string value =
        ini::readString(kData / "skins" / file, section, std::to_string(key), 260);
    std::array<int, 4> n{};
    std::size_t pos = value.find(',');
    for (int& v : n) {
        v = leadingInt(std::string_view(value).substr(pos + 1));
        pos = value.find(',', pos + 1);
    }
    return n;
}

inline Point centreOf(Point origin, const std::array<int, 4>& e) {
    return {origin.x + e[0] + e[2] / 2, origin.y + e[1] + e[3] / 2};
}

// Moves there in two steps (so the window and its popups see a move) and clicks.
inline void clickScreen(Point p, int button = 1) {
    using namespace std::chrono_literals;
    const auto at = [](Point q) { return std::to_string(q.x) + " " + std::to_string(q.y); };
    capture("xdotool mousemove " + at({p.x - 1, p.y - 1}));
    std::this_thread::sleep_for(100ms);
    capture("xdotool mousemove " + at(p) + " click " + std::to_string(button));
}

// An Xvfb of the test's own (it picks a free display itself and names it); DISPLAY points at
// it from then on. -noreset: a server resets whenever its last client leaves and drops the
// clients connecting at that moment, so a window starting while a test's xdotool call ends
// could not connect ("could not connect to display").
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
            server_->signal(SIGTERM);
            server_->wait(std::chrono::seconds(20));
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

// Why a program's window did not come: whether it still runs, what it wrote, the windows on
// the display, and, when it hangs and gdb is there, where each of its threads is.
inline std::string diagnose(Process& program) {
    std::string report =
        "display " + std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(none)");
    report += program.running() ? "; the program still runs\n" : "; the program has ended\n";
    report += "its standard error:\n" + program.errSoFar() + "\n";
    report += "windows:\n" + capture("xwininfo -root -children") + "\n";
    if (program.running() && installed("gdb")) {
        report +=
            "threads:\n" +
            capture("gdb -p " + std::to_string(program.pid()) +
                    " -batch -iex 'set debuginfod enabled off' -ex 'thread apply all bt' 2>&1");
    }
    return report;
}

} // namespace torvex::testing
