// A Google Benchmark reporter that prints one Markdown table for docs/performance.md: for each
// benchmark the median, fastest and slowest of its repetitions (a repetition's time is the mean
// over its iterations), in milliseconds, with the benchmark's own counters.
#pragma once

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace torvex::bench {

class MarkdownReporter final : public benchmark::BenchmarkReporter {
public:
    explicit MarkdownReporter(std::string title) : title_(std::move(title)) {}

    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) {
                continue; // the library's own aggregates; the table computes its own
            }
            Row& row = rowFor(run.run_name.function_name);
            if (run.error_occurred) {
                row.error = run.error_message;
                continue;
            }
            row.times.push_back(run.GetAdjustedRealTime() * toMilliseconds(run.time_unit));
            row.iterations = run.iterations;
            for (const auto& [name, counter] : run.counters) {
                row.counters[name] = counter.value;
            }
        }
    }

    void Finalize() override {
        std::printf("### %s\n\n", title_.c_str());
        std::printf("| benchmark | repetitions x iterations | median ms | min ms | max ms | "
                    "counters |\n|---|---|---|---|---|---|\n");
        for (const std::string& name : order_) {
            Row& row = rows_[name];
            if (!row.error.empty() || row.times.empty()) {
                std::printf("| %s | failed: %s | | | | |\n", name.c_str(), row.error.c_str());
                failed_ = true;
                continue;
            }
            std::sort(row.times.begin(), row.times.end());
            std::string counters;
            for (const auto& [counter, value] : row.counters) {
                char text[96];
                std::snprintf(text, sizeof text, "%s%s %g", counters.empty() ? "" : ", ",
                              counter.c_str(), value);
                counters += text;
            }
            std::printf("| %s | %zu x %lld | %.3f | %.3f | %.3f | %s |\n", name.c_str(),
                        row.times.size(), static_cast<long long>(row.iterations),
                        row.times[row.times.size() / 2], row.times.front(), row.times.back(),
                        counters.c_str());
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    bool failed() const { return failed_; }

private:
    struct Row {
        std::vector<double> times;
        benchmark::IterationCount iterations = 0;
        std::map<std::string, double> counters;
        std::string error;
    };

    Row& rowFor(const std::string& name) {
        if (!rows_.contains(name)) {
            order_.push_back(name);
        }
        return rows_[name];
    }

    static double toMilliseconds(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kNanosecond:
            return 1e-6;
        case benchmark::kMicrosecond:
            return 1e-3;
        case benchmark::kMillisecond:
            return 1.0;
        case benchmark::kSecond:
            return 1e3;
        }
        return 1.0;
    }

    std::string title_;
    std::vector<std::string> order_;
    std::map<std::string, Row> rows_;
    bool failed_ = false;
};

constexpr int kRepetitions = 5;

// Registers one benchmark, timed in milliseconds over kRepetitions repetitions.
template <typename Fn>
benchmark::internal::Benchmark* addBenchmark(const std::string& name, Fn&& fn) {
    return benchmark::RegisterBenchmark(name.c_str(), std::forward<Fn>(fn))
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(kRepetitions);
}

// Runs the registered benchmarks (as the library's own flags choose them) and prints the table
// under `title`; returns the program's exit status.
inline int runBenchmarks(std::string title) {
    MarkdownReporter reporter(std::move(title));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.failed() ? 1 : 0;
}

} // namespace torvex::bench
