// Child processes for the tests and the benchmarks: started without a shell, their output kept in
// files, ended for sure when they go out of scope.
#pragma once

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace torvex::testing {

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Finished {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// A child process whose output goes to files in `scratch`. A `program` without a slash is looked
// up in PATH. Its standard input is /dev/null.
class Process {
public:
    Process(const std::filesystem::path& program, const std::vector<std::string>& args,
            const std::filesystem::path& scratch) {
        const std::string n = std::to_string(counter()++);
        outPath_ = scratch / ("out-" + n);
        errPath_ = scratch / ("err-" + n);
        std::vector<std::string> all{program.string()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawnp(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    void signal(int sig) const {
        if (pid_ > 0) {
            ::kill(pid_, sig);
        }
    }
    // Waits at most `limit`; the child is killed past it (status then 128 + SIGKILL). Without a
    // child (it could not start) the status is -1.
    Finished wait(std::chrono::seconds limit = std::chrono::seconds(20)) {
        Finished f;
        if (pid_ <= 0) {
            return f;
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        f.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        f.out = slurp(outPath_);
        f.err = slurp(errPath_);
        return f;
    }
    // Asks the child to end with `sig`, then waits as wait() does.
    Finished stop(int sig = SIGTERM, std::chrono::seconds limit = std::chrono::seconds(20)) {
        signal(sig);
        return wait(limit);
    }
    std::string errSoFar() const { return slurp(errPath_); }
    pid_t pid() const { return pid_; }
    // Not ended yet (the child is left to be collected by wait()).
    bool running() const {
        siginfo_t info{};
        return pid_ > 0 &&
               ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }

private:
    // Names the output files; children may be started from several threads.
    static std::atomic<int>& counter() {
        static std::atomic<int> n{0};
        return n;
    }
    std::filesystem::path outPath_;
    std::filesystem::path errPath_;
    pid_t pid_ = -1;
};

// Polls `done` every `step` for at most `limit` (generous: a loaded or sanitised run is slow,
// and a passing check returns at once). A timing measurement polls with a finer step.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(20000),
                       std::chrono::milliseconds step = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(step);
    }
    return true;
}

} // namespace torvex::testing
