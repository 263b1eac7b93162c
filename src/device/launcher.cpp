#include "device/launcher.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace torvex::device {
namespace {

constexpr std::array<std::string_view, 5> kCalculators{"gnome-calculator", "kcalc", "galculator",
                                                       "mate-calc", "xcalc"};
constexpr std::array<std::string_view, 5> kTerminals{"x-terminal-emulator", "gnome-terminal",
                                                     "konsole", "xfce4-terminal", "xterm"};

} // namespace

std::span<const std::string_view> calculatorCandidates() {
    return kCalculators;
}
std::span<const std::string_view> terminalCandidates() {
    return kTerminals;
}

std::string launchFirstAvailable(std::span<const std::string_view> candidates) {
    for (const std::string_view candidate : candidates) {
        std::string program(candidate);
        std::array<char*, 2> argv{program.data(), nullptr};
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        // Its own process group: a Ctrl+C meant for us does not reach the started program. And
        // a clean signal state: we may block SIGINT/SIGTERM to take them through a descriptor,
        // which the started program must not inherit.
        posix_spawnattr_setpgroup(&attr, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                            POSIX_SPAWN_SETSIGDEF);
        pid_t pid = 0;
        // glibc reports a failed exec here (ENOENT when the program is not installed).
        const int rc = posix_spawnp(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        if (rc == 0) {
            std::thread([pid] {
                int status = 0;
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            return program;
        }
    }
    return {};
}

} // namespace torvex::device
