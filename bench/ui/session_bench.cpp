// Whole-process figures of the real `torvex` binary on an X server: start-up to the tray icon,
// resident memory after start, and the idle cost (CPU time and wake-ups per second, thread by
// thread) shown, hidden to the tray and hidden while on the colour page.
//
//   torvex-bench-session [runs]     prints Markdown tables on standard output
//   TORVEX_BENCH_IDLE_SECONDS=N     length of each idle measurement (default 30)
//
// Needs Xvfb, trayer (the tray host), xdotool and dbus-run-session; without them it says so
// and ends successfully. It runs itself under a private session bus, which also stands in for
// the system bus, so the window's bus thread and its resume watch exist as on a desktop.
#include "support/process.h"
#include "support/programs.h"
#include "support/shell.h"
#include "support/skin_layout.h"
#include "support/x_server.h"
#include "support/x_windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using torvex::testing::capture;
using torvex::testing::centreOf;
using torvex::testing::eventually;
using torvex::testing::installed;
using torvex::testing::kTitleCn;
using torvex::testing::kTorvex;
using torvex::testing::layoutEntry;
using torvex::testing::Process;
using torvex::testing::slurp;
using torvex::testing::visibleWindow;
using torvex::testing::XServer;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The X side, read directly: whether our tray icon sits in the tray host (a window of class
// "torvex" that is viewable and has been reparented away from the root).
class XWatch {
public:
    explicit XWatch(const std::string& display) : d_(XOpenDisplay(display.c_str())) {
        // A window may go between listing and asking; such errors are expected, not fatal.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~XWatch() {
        if (d_ != nullptr) {
            XCloseDisplay(d_);
        }
    }
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;
    bool ok() const { return d_ != nullptr; }

    bool trayIconShown() {
        const Window root = DefaultRootWindow(d_);
        return search(root, root, 0);
    }

private:
    bool search(Window w, Window root, int depth) {
        Window r = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(d_, w, &r, &parent, &children, &n) == 0) {
            return false;
        }
        bool found = false;
        for (unsigned int i = 0; i < n && !found; ++i) {
            const Window c = children[i];
            if (depth >= 1 && isOurIcon(c)) {
                found = true;
            } else {
                found = search(c, root, depth + 1);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }
    bool isOurIcon(Window w) {
        XClassHint hint{};
        if (XGetClassHint(d_, w, &hint) == 0) {
            return false;
        }
        const bool ours = hint.res_name != nullptr && std::strcmp(hint.res_name, "torvex") == 0;
        XFree(hint.res_name);
        XFree(hint.res_class);
        if (!ours) {
            return false;
        }
        XWindowAttributes a{};
        return XGetWindowAttributes(d_, w, &a) != 0 && a.map_state == IsViewable &&
               a.width == a.height && a.width <= 64;
    }

    Display* d_;
};

// One thread's counters from /proc.
struct ThreadSample {
    std::string name;
    double cpuMs = 0;  // time on a CPU
    long switches = 0; // voluntary + involuntary context switches
};

std::map<int, ThreadSample> sampleThreads(pid_t pid) {
    std::map<int, ThreadSample> out;
    std::error_code ec;
    const long ticks = ::sysconf(_SC_CLK_TCK);
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        ThreadSample s;
        s.name = slurp(task.path() / "comm");
        if (!s.name.empty() && s.name.back() == '\n') {
            s.name.pop_back();
        }
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:")) {
                s.switches += std::stol(line.substr(line.find(':') + 1));
            }
        }
        // Nanoseconds on the CPU where the kernel keeps them; clock ticks of stat otherwise.
        std::ifstream schedstat(task.path() / "schedstat");
        long long ns = -1;
        if (schedstat >> ns) {
            s.cpuMs = static_cast<double>(ns) / 1e6;
        } else {
            const std::string stat = slurp(task.path() / "stat");
            std::istringstream fields(stat.substr(stat.rfind(')') + 2));
            std::string field;
            long long utime = 0, stime = 0;
            for (int i = 3; i <= 15 && fields >> field; ++i) {
                if (i == 14) {
                    utime = std::stoll(field);
                } else if (i == 15) {
                    stime = std::stoll(field);
                }
            }
            s.cpuMs = static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(ticks);
        }
        out[std::stoi(task.path().filename().string())] = s;
    }
    return out;
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Whose thread it is. Our own threads are started with std::thread and keep the program's name;
// Qt names its threads.
std::string ownerOf(pid_t pid, int tid, const std::string& name) {
    if (tid == pid) {
        return "main thread: event loop (our handlers and Qt's)";
    }
    if (name == "torvex") {
        return "ours (button reader, button worker, virtual-mouse control socket)";
    }
    if (name == "QXcbEventQueue") {
        return "Qt: X connection reader";
    }
    if (name == "QDBusConnection") {
        return "Qt: D-Bus connection";
    }
    if (name.starts_with("Thread (pooled)")) {
        return "Qt: global thread pool, used while painting";
    }
    if (name == "gmain" || name == "gdbus" || name == "dconf worker") {
        return "GLib";
    }
    return "other";
}

// Clicks a main-page entry of the real skin, in the window's own coordinates.
void clickEntry(const std::string& window, int entry) {
    const auto [x, y] = centreOf({}, layoutEntry("INI_CN/skin_main.ini", "BUTTONPOS", entry));
    capture("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
}

struct Session {
    fs::path scratch;
    std::string display;
    int counter = 0;

    // The real binary with a new settings folder and virtual mouse; its output stays in scratch.
    std::unique_ptr<Process> start(const std::vector<std::string>& extra) {
        const fs::path home = scratch / ("home-" + std::to_string(counter));
        const fs::path vm = scratch / ("vm-" + std::to_string(counter));
        ++counter;
        std::vector<std::string> args{"--virtual-mouse=" + vm.string(), "--home", home.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<Process>(kTorvex, args, scratch);
    }
};

struct IdleResult {
    double seconds = 0;
    long rssKiB = 0;
    std::map<int, ThreadSample> before, after;
};

IdleResult measureIdle(pid_t pid, int seconds) {
    IdleResult r;
    std::this_thread::sleep_for(2s); // let start-up and the last paint settle
    r.before = sampleThreads(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    r.after = sampleThreads(pid);
    r.seconds = ms(Clock::now() - t0) / 1000;
    r.rssKiB = residentKiB(pid);
    return r;
}

void printIdle(const char* state, pid_t pid, const IdleResult& r) {
    double cpuTotal = 0, wakeTotal = 0, cpuOurs = 0, wakeOurs = 0;
    std::printf("\n#### %s (%.1f s, VmRSS %ld KiB)\n\n", state, r.seconds, r.rssKiB);
    std::printf("| thread | name | owner | wake-ups per second | CPU ms per second |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const auto& [tid, after] : r.after) {
        const auto it = r.before.find(tid);
        const ThreadSample before = it != r.before.end() ? it->second : ThreadSample{};
        const double wake = static_cast<double>(after.switches - before.switches) / r.seconds;
        const double cpu = (after.cpuMs - before.cpuMs) / r.seconds;
        const std::string owner = ownerOf(pid, tid, after.name);
        std::printf("| %d%s | %s | %s | %.2f | %.3f |\n", tid, it == r.before.end() ? " (new)" : "",
                    after.name.c_str(), owner.c_str(), wake, cpu);
        cpuTotal += cpu;
        wakeTotal += wake;
        if (owner.starts_with("ours")) {
            cpuOurs += cpu;
            wakeOurs += wake;
        }
    }
    for (const auto& [tid, before] : r.before) {
        if (!r.after.contains(tid)) {
            std::printf("| %d (ended) | %s | %s | | |\n", tid, before.name.c_str(),
                        ownerOf(pid, tid, before.name).c_str());
        }
    }
    std::printf("| all | | whole process | %.2f | %.3f |\n", wakeTotal, cpuTotal);
    std::printf("| ours | | our own threads | %.2f | %.3f |\n", wakeOurs, cpuOurs);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 10;
    const char* idleEnv = std::getenv("TORVEX_BENCH_IDLE_SECONDS");
    const int idleSeconds = idleEnv ? std::max(1, std::atoi(idleEnv)) : 30;

    for (const char* tool : {"Xvfb", "trayer", "xdotool", "dbus-run-session"}) {
        if (!installed(tool)) {
            std::printf("## The window under Xvfb\n\nSkipped: %s is not installed.\n", tool);
            return 0;
        }
    }
    // A private session bus for us and the window (a desktop's bus could hold a tray of its own
    // that takes the icon); it also stands in for the system bus.
    if (std::getenv("TORVEX_BENCH_PRIVATE_BUS") == nullptr) {
        std::fflush(stdout);
        std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        for (int i = 0; i < argc; ++i) {
            args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        ::setenv("TORVEX_BENCH_PRIVATE_BUS", "1", 1);
        ::execvp("dbus-run-session", args.data());
        std::perror("dbus-run-session");
        return 1;
    }
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus == nullptr) {
        std::printf("## The window under Xvfb\n\nSkipped: no session bus.\n");
        return 0;
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus, 1);
    std::printf("## The window under Xvfb: start-up to the tray icon, memory, idle cost\n\n");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("TORVEX_EXIT_AFTER_FIRST_FRAME");

    Session session;
    session.scratch =
        fs::temp_directory_path() / ("torvex-bench-session-" + std::to_string(::getpid()));
    fs::create_directories(session.scratch);
    // Started as the tests start theirs: with -noreset, and ready once a client got in.
    auto xvfb = std::make_unique<XServer>(session.scratch);
    if (!xvfb->ready()) {
        std::printf("Skipped: %s\n", xvfb->error().c_str());
        return 0;
    }
    session.display = xvfb->display();
    auto xwatch = std::make_unique<XWatch>(session.display);
    XWatch& x = *xwatch;
    Process trayer("trayer",
                   {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "200",
                    "--height", "24"},
                   session.scratch);
    if (!x.ok() ||
        !eventually(
            [] { return capture("xwininfo -root -tree").find("\"panel\"") != std::string::npos; },
            20s)) {
        std::printf("Skipped: no tray host.\n");
        return 0;
    }

    // Start-up to the tray icon, and the memory once it is there.
    std::vector<double> toIcon;
    std::vector<long> rss;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        auto torvex = session.start({});
        double t = -1;
        if (eventually([&] { return x.trayIconShown(); }, 30s, 2ms)) {
            t = ms(Clock::now() - t0);
            toIcon.push_back(t);
        }
        std::this_thread::sleep_for(1s);
        rss.push_back(residentKiB(torvex->pid()));
        torvex->stop(SIGTERM, 10s);
        eventually([&] { return !x.trayIconShown(); }, 10s);
    }
    std::printf("### Start-up to the tray icon (%d runs) and resident memory after start\n\n",
                runs);
    std::printf("| figure | median | min | max |\n|---|---|---|---|\n");
    if (!toIcon.empty()) {
        std::sort(toIcon.begin(), toIcon.end());
        std::printf("| process start to the icon shown in the tray (%zu runs) | %.1f ms | %.1f ms "
                    "| %.1f ms |\n",
                    toIcon.size(), toIcon[toIcon.size() / 2], toIcon.front(), toIcon.back());
    } else {
        std::printf("| process start to the icon shown in the tray | no icon | | |\n");
    }
    std::sort(rss.begin(), rss.end());
    std::printf("| VmRSS 1 s after the icon, window shown | %ld KiB | %ld KiB | %ld KiB |\n",
                rss[rss.size() / 2], rss.front(), rss.back());

    std::printf("\n### Idle cost per thread, %d s each\n", idleSeconds);
    {
        auto torvex = session.start({});
        eventually([] { return !visibleWindow(kTitleCn).empty(); }, 30s);
        capture("xdotool mousemove 1200 1000"); // the pointer off the window
        printIdle("Window shown, main page, pointer elsewhere", torvex->pid(),
                  measureIdle(torvex->pid(), idleSeconds));
        torvex->stop(SIGTERM, 10s);
    }
    {
        auto torvex = session.start({"--hidden"});
        eventually([&] { return x.trayIconShown(); }, 30s);
        printIdle("Started hidden to the tray (--hidden)", torvex->pid(),
                  measureIdle(torvex->pid(), idleSeconds));
        const bool visible = !visibleWindow(kTitleCn).empty();
        torvex->stop(SIGTERM, 10s);
        if (visible) {
            std::printf("\nNote: the window was visible.\n");
        }
    }
    {
        auto torvex = session.start({});
        std::string window;
        eventually([&] { return !(window = visibleWindow(kTitleCn)).empty(); }, 30s);
        clickEntry(window, 11); // the colour page's tab
        capture("xdotool mousemove 1200 1000");
        const int shownSeconds = std::max(1, idleSeconds / 3);
        printIdle("Window shown on the colour page (the preview animates)", torvex->pid(),
                  measureIdle(torvex->pid(), shownSeconds));
        clickEntry(window, 13); // the skin's close button: hide to the tray
        capture("xdotool mousemove 1200 1000");
        const bool hidden = eventually([] { return visibleWindow(kTitleCn).empty(); }, 10s);
        printIdle(hidden ? "Colour page, then hidden to the tray"
                         : "Colour page, hiding FAILED (window still visible)",
                  torvex->pid(), measureIdle(torvex->pid(), idleSeconds));
        torvex->stop(SIGTERM, 10s);
    }
    std::printf("\nFor comparison, a loop of two threads that poll every 2 ms wakes about 1000 "
                "times a second (torvex-bench-device).\n");
    xwatch.reset();
    trayer.stop(SIGTERM, 10s);
    xvfb.reset();
    std::error_code ec;
    fs::remove_all(session.scratch, ec);
    return 0;
}
