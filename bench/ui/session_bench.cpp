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
#include "common/ini_store.h"
#include "common/leading_int.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const fs::path kBinary = fs::path(TORVEX_BINARY_DIR) / "bin" / "torvex";
const fs::path kSkins = fs::path(TORVEX_SOURCE_DIR) / "data" / "skins";
const std::string kTitle = "TORVEX V3宏编程游戏鼠标驱动";

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs a shell command and returns its standard output.
std::string capture(const std::string& command) {
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

bool eventually(const std::function<bool()>& done, Clock::duration limit,
                Clock::duration step = 20ms) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(step);
    }
    return done();
}

// A child process with its output in files; killed when it goes out of scope.
class Child {
public:
    Child(const std::vector<std::string>& args, const fs::path& log) {
        std::vector<std::string> all = args;
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() { stop(SIGKILL); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // Sends `sig` and waits up to 10 s; then kills.
    void stop(int sig = SIGTERM) {
        if (pid_ <= 0) {
            return;
        }
        ::kill(pid_, sig);
        const auto end = Clock::now() + 10s;
        while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (Clock::now() > end) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

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

// A main-page entry's centre in the window, from the real skin.
std::pair<int, int> mainEntryCentre(int entry) {
    const std::string value = torvex::ini::readString(kSkins / "INI_CN" / "skin_main.ini",
                                                      "BUTTONPOS", std::to_string(entry), 260);
    std::array<int, 4> n{};
    std::size_t pos = value.find(',');
    for (int& v : n) {
        v = torvex::leadingInt(std::string_view(value).substr(pos + 1));
        pos = value.find(',', pos + 1);
    }
    return {n[0] + n[2] / 2, n[1] + n[3] / 2};
}

std::string visibleWindow() {
    const std::string out =
        capture("xdotool search --onlyvisible --name " + quoted("^" + kTitle + "$"));
    return out.substr(0, out.find('\n'));
}

void clickEntry(const std::string& window, int entry) {
    const auto [x, y] = mainEntryCentre(entry);
    capture("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
}

struct Session {
    fs::path scratch;
    std::string display;
    int counter = 0;

    // The real binary with a new settings folder and virtual mouse.
    std::unique_ptr<Child> start(const std::vector<std::string>& extra) {
        const fs::path home = scratch / ("home-" + std::to_string(counter));
        const fs::path vm = scratch / ("vm-" + std::to_string(counter));
        ++counter;
        std::vector<std::string> args{kBinary.string(), "--virtual-mouse=" + vm.string(), "--home",
                                      home.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<Child>(args, scratch / "torvex.log");
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
    const fs::path displayFile = session.scratch / "display";
    Child xvfb({"/bin/sh", "-c",
                "exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>" +
                    quoted(displayFile.string())},
               session.scratch / "xvfb.log");
    std::string number;
    if (!eventually(
            [&] {
                number = slurp(displayFile);
                return !number.empty() && number.back() == '\n';
            },
            30s)) {
        std::printf("Skipped: Xvfb did not start.\n");
        return 0;
    }
    session.display = ":" + number.substr(0, number.size() - 1);
    ::setenv("DISPLAY", session.display.c_str(), 1);
    auto xwatch = std::make_unique<XWatch>(session.display);
    XWatch& x = *xwatch;
    Child trayer({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                  "200", "--height", "24"},
                 session.scratch / "trayer.log");
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
        torvex->stop();
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
        eventually([] { return !visibleWindow().empty(); }, 30s);
        capture("xdotool mousemove 1200 1000"); // the pointer off the window
        printIdle("Window shown, main page, pointer elsewhere", torvex->pid(),
                  measureIdle(torvex->pid(), idleSeconds));
        torvex->stop();
    }
    {
        auto torvex = session.start({"--hidden"});
        eventually([&] { return x.trayIconShown(); }, 30s);
        printIdle("Started hidden to the tray (--hidden)", torvex->pid(),
                  measureIdle(torvex->pid(), idleSeconds));
        const bool visible = !visibleWindow().empty();
        torvex->stop();
        if (visible) {
            std::printf("\nNote: the window was visible.\n");
        }
    }
    {
        auto torvex = session.start({});
        std::string window;
        eventually([&] { return !(window = visibleWindow()).empty(); }, 30s);
        clickEntry(window, 11); // the colour page's tab
        capture("xdotool mousemove 1200 1000");
        const int shownSeconds = std::max(1, idleSeconds / 3);
        printIdle("Window shown on the colour page (the preview animates)", torvex->pid(),
                  measureIdle(torvex->pid(), shownSeconds));
        clickEntry(window, 13); // the skin's close button: hide to the tray
        capture("xdotool mousemove 1200 1000");
        const bool hidden = eventually([] { return visibleWindow().empty(); }, 10s);
        printIdle(hidden ? "Colour page, then hidden to the tray"
                         : "Colour page, hiding FAILED (window still visible)",
                  torvex->pid(), measureIdle(torvex->pid(), idleSeconds));
        torvex->stop();
    }
    std::printf("\nFor comparison, a loop of two threads that poll every 2 ms wakes about 1000 "
                "times a second (torvex-bench-device).\n");
    xwatch.reset();
    trayer.stop();
    xvfb.stop();
    std::error_code ec;
    fs::remove_all(session.scratch, ec);
    return 0;
}
