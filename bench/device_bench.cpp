// Device-side figures: macro timing against its schedule (our absolute-deadline player and a
// relative-sleep player for comparison) and the idle cost of `torvexctl run` against a 2 ms
// polling loop. The settings download is in torvex-bench-download.
//
//   torvex-bench-device            prints a Markdown table on standard output
//   TORVEX_BENCH_IDLE_SECONDS=N    seconds of each idle measurement (default 10; at least 1)
#include "device/mouse_session.h"
#include "settings/mouse_settings.h"
#include "sim/virtual_mouse.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {
using namespace torvex;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Stats {
    double median = 0, p99 = 0, max = 0, drift = 0; // milliseconds
    int late = 0;                                   // reports more than 1 ms off schedule
    int reports = 0;
};

Stats statsOf(std::vector<double> deviations) {
    Stats s;
    if (deviations.empty()) {
        return s;
    }
    s.drift = deviations.back();
    s.reports = static_cast<int>(deviations.size());
    for (double& d : deviations) {
        d = std::abs(d);
        s.late += d > 1.0 ? 1 : 0;
    }
    std::sort(deviations.begin(), deviations.end());
    s.median = deviations[deviations.size() / 2];
    s.p99 = deviations[std::min(deviations.size() - 1, deviations.size() * 99 / 100)];
    s.max = deviations.back();
    return s;
}

// 250 events (key A down/up) with 10 ms pauses, played 4 times: 1000 events, plus the
// release-all pair after each repetition.
constexpr int kEvents = 250;
constexpr int kRepetitions = 4;

MacroRecord benchMacro() {
    MacroRecord r{};
    r.repeatMode = 1;
    r.setRepeatCount(kRepetitions);
    for (int k = 0; k < kEvents; ++k) {
        r.events[static_cast<std::size_t>(k)] = {4, static_cast<uint8_t>(k % 2 == 0 ? 1 : 2)};
        r.setDelay(static_cast<std::size_t>(k), 10);
    }
    r.eventCount = kEvents;
    return r;
}

// Offsets (ms) of every report from the first, as the schedule has them.
std::vector<double> schedule() {
    std::vector<double> offsets;
    double t = 0;
    for (int j = 0; j < kRepetitions; ++j) {
        for (int k = 0; k < kEvents; ++k) {
            offsets.push_back(t);
            t += 10;
        }
        offsets.push_back(t + 10); // buttons released
        offsets.push_back(t + 20); // keys released
        t += 20;
    }
    return offsets;
}

struct Recorder {
    std::mutex mutex;
    std::vector<Clock::time_point> times;
    void hook(device::FeatureChannel& channel) {
        channel.setTraceHook([this](const device::FeatureTrace& t) {
            std::lock_guard lock(mutex);
            times.push_back(t.time);
        });
    }
    std::vector<double> deviations(const std::vector<double>& offsets) {
        std::vector<double> out;
        for (std::size_t i = 0; i < times.size() && i < offsets.size(); ++i) {
            const double actual =
                std::chrono::duration<double, std::milli>(times[i] - times[0]).count();
            out.push_back(actual - offsets[i]);
        }
        return out;
    }
};

// Played the way a button press plays it: the virtual mouse reports the press, the input reader
// and the button worker do the rest.
Stats macroTimingDeadlines() {
    const torvex::testing::TempDir tmp("torvex-bench");
    sim::VirtualMouse vm;
    MacroTables macros;
    macros.macroTable.records[0] = benchMacro();
    macros.macroTable.count = 1;
    device::NoPointerSettings pointer;
    device::ButtonEventHooks hooks;
    hooks.settings = [] {
        device::ButtonSettings s;
        s.buttonFunction = {41, 2, 3, 5, 4, 16, 15};
        return s;
    };
    device::MouseSession session(vm, macros, pointer, tmp.path() / "config.ini", hooks);
    session.findDevice();
    Recorder recorder;
    recorder.hook(session.channel());
    session.start();
    vm.press(physicalButton[0]);
    const std::size_t expected = schedule().size();
    for (int waited = 0; waited < 600; ++waited) { // at most a minute
        {
            std::lock_guard lock(recorder.mutex);
            if (recorder.times.size() >= expected) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    session.stop();
    std::lock_guard lock(recorder.mutex);
    return statsOf(recorder.deviations(schedule()));
}

// The machine's own floor: a thread that only sleeps to the same absolute deadlines, at the
// same timer slack as the button worker, and notes when it wakes. Whatever tail this shows, no
// player on this machine can beat without realtime priority.
Stats sleepFloor() {
    std::vector<double> deviations;
    std::thread sleeper([&] {
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        const std::vector<double> offsets = schedule();
        const auto start = Clock::now();
        for (const double offset : offsets) {
            const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double, std::milli>(offset));
            const auto ns =
                std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch())
                    .count();
            const timespec at{static_cast<time_t>(ns / 1'000'000'000),
                              static_cast<long>(ns % 1'000'000'000)};
            while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
            }
            deviations.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - deadline).count());
        }
    });
    sleeper.join();
    return statsOf(deviations);
}

// The original design's player: send, then sleep for the pause, relative to whenever the send
// finished.
Stats macroTimingRelative() {
    sim::VirtualMouse vm;
    device::DeviceLink link(vm);
    link.findDevice();
    device::FeatureChannel channel(link);
    Recorder recorder;
    recorder.hook(channel);
    const auto send = [&](uint8_t command, uint8_t value) {
        channel.send([&](device::FeatureChannel::Buffer b) {
            b[0] = 0x07;
            b[1] = command;
            b[2] = value;
        });
    };
    for (int j = 0; j < kRepetitions; ++j) {
        for (int k = 0; k < kEvents; ++k) {
            send(0x15, k % 2 == 0 ? 4 : 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        send(0x16, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        send(0x15, 0);
    }
    return statsOf(recorder.deviations(schedule()));
}

// Context switches of every thread of a process, from /proc.
long contextSwitches(pid_t pid) {
    long sum = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:")) {
                sum += std::stol(line.substr(line.find(':') + 1));
            }
        }
    }
    return sum;
}

double wakeupsPerSecond(pid_t pid, int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(1)); // let start-up settle
    const long before = contextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return static_cast<double>(contextSwitches(pid) - before) / seconds;
}

double idleRun(int seconds) {
    const torvex::testing::TempDir tmp("torvex-bench");
    const fs::path& dir = tmp.path();
    torvex::testing::Process tool(
        fs::path(TORVEX_BINARY_DIR) / "bin" / "torvexctl",
        {"--home", (dir / "home").string(), "--virtual-mouse=" + (dir / "vm").string(), "run"},
        dir);
    if (tool.pid() <= 0) {
        return -1;
    }
    const double rate = wakeupsPerSecond(tool.pid(), seconds);
    tool.stop();
    return rate;
}

// Two threads that poll every 2 ms, as the original design's reader and worker do.
double idlePollingReference(int seconds) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto poller = [] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        };
        std::thread a(poller), b(poller);
        a.join();
        ::_exit(0);
    }
    const double rate = wakeupsPerSecond(pid, seconds);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return rate;
}

} // namespace

int main() {
    const char* idleEnv = std::getenv("TORVEX_BENCH_IDLE_SECONDS");
    const int idleSeconds = idleEnv ? std::max(1, std::atoi(idleEnv)) : 10;

    // Ours and the machine's floor alternate, so that both see the same moments of the machine.
    const char* roundsEnv = std::getenv("TORVEX_BENCH_MACRO_ROUNDS");
    const int rounds = roundsEnv ? std::max(1, std::atoi(roundsEnv)) : 3;
    std::printf("## Macro timing: 1000 events, 10 ms pauses, into the virtual mouse\n\n");
    std::printf("| player | median deviation | p99 | max | drift at the end | reports off by "
                "more than 1 ms |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const auto row = [](const char* player, const Stats& s) {
        std::printf("| %s | %.3f ms | %.3f ms | %.3f ms | %.3f ms | %d of %d |\n", player, s.median,
                    s.p99, s.max, s.drift, s.late, s.reports);
        std::fflush(stdout);
    };
    for (int round = 0; round < rounds; ++round) {
        row("absolute deadlines (torvex)", macroTimingDeadlines());
        row("bare sleeps to the same deadlines (this machine's floor)", sleepFloor());
    }
    row("relative sleeps (reference)", macroTimingRelative());
    std::printf("\n");

    std::printf("## Idle cost over %d s (context switches per second, all threads)\n\n",
                idleSeconds);
    std::printf("| program | wake-ups per second |\n|---|---|\n");
    std::printf("| torvexctl run (virtual mouse, nothing pressed) | %.2f |\n",
                idleRun(idleSeconds));
    std::printf("| reference: two threads polling every 2 ms | %.2f |\n",
                idlePollingReference(idleSeconds));
    return 0;
}
