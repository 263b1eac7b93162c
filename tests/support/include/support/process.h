// Runs the real binaries for end-to-end tests.
#pragma once

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

// A child process whose output goes to files in `scratch`.
class Process {
public:
    Process(const std::filesystem::path& program, const std::vector<std::string>& args,
            const std::filesystem::path& scratch)
        : outPath_(scratch / ("out-" + std::to_string(counter()))),
          errPath_(scratch / ("err-" + std::to_string(counter()++))) {
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
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
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
    // Waits at most `limit`; the child is killed past it (status then 128 + SIGKILL).
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
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path outPath_;
    std::filesystem::path errPath_;
    pid_t pid_ = -1;
};

// Polls `done` every 10 ms for at most `limit` (generous: a loaded or sanitised run is slow,
// and a passing check returns at once).
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(20000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace torvex::testing
