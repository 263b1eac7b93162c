#include "desktop/run_tool.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace torvex::desktop {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_;
};

// Waits for the child until `deadline`, then kills it. Returns the wait status, or -1 when it had
// to be killed or could not be waited for.
int reap(pid_t pid, std::chrono::steady_clock::time_point deadline) {
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return status;
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace

bool onPath(const std::string& program) {
    if (program.empty() || program.find('/') != std::string::npos) {
        return false;
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        // An empty entry means the current folder.
        const std::filesystem::path candidate =
            std::filesystem::path(dir.empty() ? std::string_view(".") : dir) / program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        if (colon == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(colon + 1);
    }
}

std::optional<std::string> runTool(const std::vector<std::string>& argv,
                                   std::chrono::milliseconds limit) {
    if (argv.empty()) {
        return std::nullopt;
    }
    std::array<int, 2> pipeFds{};
    if (::pipe2(pipeFds.data(), O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);

    std::vector<std::string> args = argv;
    std::vector<char*> cargs;
    for (auto& a : args) {
        cargs.push_back(a.data());
    }
    cargs.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A caller that blocks signals for a signalfd must not hand that mask to the tool.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0].c_str(), &actions, &attr, cargs.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (rc != 0) {
        return std::nullopt;
    }

    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::array<char, 4096> buffer{};
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            reap(pid, deadline);
            return std::nullopt;
        }
        pollfd p{readEnd.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue; // the deadline check above ends it
        }
        const ssize_t n = ::read(readEnd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        out.append(buffer.data(), static_cast<size_t>(n));
    }
    const int status = reap(pid, deadline);
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return out;
}

} // namespace torvex::desktop
