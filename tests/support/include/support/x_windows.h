// Windows on the current display, found, placed and clicked through xdotool.
#pragma once

#include "support/process.h"
#include "support/shell.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace torvex::testing {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(Point, Point) = default;
    friend Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
};

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

// The centre of a layout entry (x, y, width, height) of a window whose corner is at `origin`.
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
