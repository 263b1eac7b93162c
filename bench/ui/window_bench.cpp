// Window figures over whole runs: start-up of the real binary to its first painted frame, and
// the memory of the real window (offscreen) over simulated use; prints Markdown tables for
// docs/performance.md. The per-paint figures are in torvex-bench-paint.
//   torvex-bench-window [runs]
//   TORVEX_BENCH_USE_CYCLES=N   cycles of the simulated hour of use (default 1000)
#include "live_window.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
namespace fs = std::filesystem;
using torvex::bench::Clock;
using torvex::bench::ms;

struct Stats {
    double median = 0, min = 0, max = 0;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// Starts the real binary and waits for its "first frame" line on standard error.
double startToFirstFrame(const fs::path& scratch, int run) {
    const fs::path home = scratch / ("home-" + std::to_string(run));
    const fs::path vm = scratch / ("vm-" + std::to_string(run));
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string program = (fs::path(TORVEX_BINARY_DIR) / "bin" / "torvex").string();
    std::vector<std::string> args{program, "--virtual-mouse=" + vm.string(), "--home",
                                  home.string()};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const auto t0 = Clock::now();
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    double result = -1;
    std::string text;
    if (rc == 0) {
        char buf[512];
        pollfd pfd{pipeFds[0], POLLIN, 0};
        while (::poll(&pfd, 1, 20000) > 0) {
            const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            text.append(buf, static_cast<std::size_t>(n));
            if (text.find("first frame") != std::string::npos) {
                result = ms(Clock::now() - t0);
                break;
            }
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    ::close(pipeFds[0]);
    return result;
}

// Bytes the program holds on the heap now (allocated and not yet freed), in KiB.
long heapInUseKiB() {
    const struct mallinfo2 m = ::mallinfo2();
    return static_cast<long>((m.uordblks + m.hblkhd) / 1024);
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication app(argc, argv);
    using namespace torvex;

    const testing::TempDir scratchDir("torvex-bench-window");
    const fs::path& scratch = scratchDir.path();

    std::printf("### Start-up to the first painted frame\n\n");
    std::printf("| runs | median ms | min ms | max ms |\n|---|---|---|---|\n");
    std::vector<double> starts;
    qputenv("TORVEX_EXIT_AFTER_FIRST_FRAME", "1"); // for the started copies only
    for (int i = 0; i < std::min(runs, 10); ++i) {
        const double t = startToFirstFrame(scratch, i);
        if (t >= 0) {
            starts.push_back(t);
        }
    }
    qunsetenv("TORVEX_EXIT_AFTER_FIRST_FRAME");
    if (!starts.empty()) {
        const Stats s = stats(starts);
        std::printf("| %zu | %.1f | %.1f | %.1f |\n\n", starts.size(), s.median, s.min, s.max);
    } else {
        std::printf("| 0 | failed to start | | |\n\n");
    }

    bench::LiveWindow live(scratch / "live-home");
    // Moves that stay on one entry change nothing and must not paint.
    const QRect slot = live.dialog().layout().mainLayout[25].rect();
    (void)live.move(slot.topLeft() + QPoint(2, slot.height() / 2));
    const int paintsBefore = live.paints();
    for (int i = 0; i < 50; ++i) {
        (void)live.move(slot.topLeft() + QPoint(2 + i % (slot.width() - 4), slot.height() / 2));
    }
    const int stillPaints = live.paints() - paintsBefore;
    live.click(live.mainEntry(11));
    live.click(live.mainEntry(10));
    live.click(live.mainEntry(9));
    std::printf("\nPaints caused by 50 moves within one entry: %d\n", stillPaints);

    const char* cyclesEnv = std::getenv("TORVEX_BENCH_USE_CYCLES");
    const int cycles = cyclesEnv ? std::max(10, std::atoi(cyclesEnv)) : 1000;
    std::printf("\n### Resident memory of the process over simulated use\n\n");
    std::printf("One cycle: macro page, 10 hovers, colour page, 4 hovers, main page, 7 hovers "
                "(3 page switches, 21 hover repaints).\n\n");
    std::printf("| cycles | page switches | hover repaints | VmRSS KiB | heap in use KiB |\n"
                "|---|---|---|---|---|\n");
    const auto cycle = [&] {
        live.click(live.mainEntry(10));
        for (int k = 8; k <= 17; ++k) {
            (void)live.move(live.macroEntry(k));
        }
        live.click(live.mainEntry(11));
        for (int k = 0; k <= 3; ++k) {
            (void)live.move(live.colourEntry(k));
        }
        live.click(live.mainEntry(9));
        for (int k = 25; k <= 31; ++k) {
            (void)live.move(live.mainEntry(k));
        }
    };
    cycle(); // the first visit of each page fills the caches
    const long startKiB = residentKiB();
    const long startHeapKiB = heapInUseKiB();
    std::printf("| 0 | 0 | 0 | %ld | %ld |\n", startKiB, startHeapKiB);
    long lastHeapKiB = startHeapKiB;
    long lastKiB = startKiB;
    const int tenth = std::max(1, cycles / 10);
    long tenthKiB = startKiB;
    long tenthHeapKiB = startHeapKiB;
    const auto useStart = Clock::now();
    for (int i = 1; i <= cycles; ++i) {
        cycle();
        if (i % tenth == 0 || i == cycles) {
            lastKiB = residentKiB();
            lastHeapKiB = heapInUseKiB();
            if (i == tenth) {
                tenthKiB = lastKiB;
                tenthHeapKiB = lastHeapKiB;
            }
            std::printf("| %d | %d | %d | %ld | %ld |\n", i, 3 * i, 21 * i, lastKiB, lastHeapKiB);
        }
    }
    const double useSeconds = ms(Clock::now() - useStart) / 1000;
    // Then a pause on the macro page, long enough for Qt's pixmap cache to drop the index
    // entries of pictures it no longer holds (it does so every 30 s).
    live.click(live.mainEntry(10));
    const auto pauseEnd = Clock::now() + std::chrono::seconds(31);
    while (Clock::now() < pauseEnd) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(20);
    }
    live.click(live.mainEntry(9));
    std::printf("| %d, then 31 s on the macro page | %d | %d | %ld | %ld |\n", cycles,
                3 * cycles + 2, 21 * cycles, residentKiB(), heapInUseKiB());
    std::printf(
        "\nGrowth over %d cycles (%.1f s of simulated use): VmRSS %+ld KiB in all, %+ld KiB "
        "after the first %d cycles; heap in use %+ld KiB in all, %+ld KiB after the first "
        "%d cycles\n",
        cycles, useSeconds, lastKiB - startKiB, lastKiB - tenthKiB, tenth,
        lastHeapKiB - startHeapKiB, lastHeapKiB - tenthHeapKiB, tenth);
    return starts.empty() || stillPaints != 0 ? 1 : 0;
}
