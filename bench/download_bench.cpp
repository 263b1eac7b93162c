// The settings download to the virtual mouse, with Google Benchmark: the time from the call to
// the last of its fourteen reports, and the whole call with both profile saves.
//   torvex-bench-download [--benchmark_repetitions=N]
// Prints a Markdown table (see markdown_reporter.h).
#include "device/mouse_session.h"
#include "markdown_reporter.h"
#include "settings/mouse_settings.h"
#include "sim/virtual_mouse.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

namespace {
using namespace torvex;
using Clock = std::chrono::steady_clock;

// A fresh settings folder and session on the virtual mouse per benchmark.
class Download {
public:
    Download() : session_(vm_, macros_, pointer_, dir_.path() / "config.ini", {}) {
        session_.findDevice();
        session_.channel().setTraceHook([this](const device::FeatureTrace& t) {
            last_ = t.time;
            ++reports_;
        });
    }
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    // Returns the time from the call to the last report it sent.
    Clock::duration run() {
        reports_ = 0;
        const auto start = Clock::now();
        session_.download(builtInDefaults(), 1);
        return last_ - start;
    }
    int reports() const { return reports_; }

private:
    torvex::testing::TempDir dir_{"torvex-bench"};
    sim::VirtualMouse vm_;
    MacroTables macros_;
    device::NoPointerSettings pointer_;
    device::MouseSession session_;
    Clock::time_point last_;
    int reports_ = 0;
};

void toLastReport(benchmark::State& state) {
    Download d;
    for (auto _ : state) {
        state.SetIterationTime(std::chrono::duration<double>(d.run()).count());
    }
    state.counters["reports"] = d.reports();
}

void wholeCall(benchmark::State& state) {
    Download d;
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.run());
    }
    state.counters["reports"] = d.reports();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::addBenchmark("download, call to the last of the fourteen reports", toLastReport)
        ->UseManualTime();
    bench::addBenchmark("download, whole call with both profile saves", wholeCall);
    return bench::runBenchmarks("Settings download to the virtual mouse (Google Benchmark)");
}
