#include "common/instance_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvex {
namespace fs = std::filesystem;

namespace {

// Ours alone: in a folder others can write to, they could put links or locks of their own there.
bool ownPrivateFolder(const fs::path& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        return false;
    }
    return (st.st_mode & 077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

} // namespace

fs::path runtimeDir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (xdg != nullptr && xdg[0] == '/' && ::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::getuid() && ::access(xdg, W_OK) == 0) {
        return xdg;
    }
    const fs::path fallback = fs::path("/tmp") / ("torvex-" + std::to_string(::getuid()));
    ::mkdir(fallback.c_str(), 0700);
    if (ownPrivateFolder(fallback)) {
        return fallback;
    }
    // Someone else has taken that name in /tmp: use a folder under the user's home instead.
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        const fs::path own = fs::path(home) / ".cache" / "torvex-run";
        std::error_code ec;
        fs::create_directories(own.parent_path(), ec);
        ::mkdir(own.c_str(), 0700);
        if (ownPrivateFolder(own)) {
            return own;
        }
    }
    return fallback; // the lock file is opened without following links, whatever the folder
}

std::string InstanceLock::folderKey(const fs::path& appDir) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(appDir, ec);
    if (ec) {
        canonical = appDir;
    }
    // FNV-1a: short, stable across runs and builds.
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : canonical.string()) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string InstanceLock::keyFor(bool virtualMouse, const fs::path& appDir) {
    return virtualMouse ? folderKey(appDir) : "mouse";
}

std::string InstanceLock::busyMessage(bool virtualMouse, const fs::path& appDir,
                                      const std::string& holder) {
    if (virtualMouse) {
        return "another torvex program with a virtual mouse is using the settings in " +
               appDir.string() + ": " + holder;
    }
    return "another torvex program is driving the mouse: " + holder;
}

fs::path InstanceLock::lockPath(const std::string& key) {
    return runtimeDir() / ("torvex-" + key + ".lock");
}

std::optional<InstanceLock> InstanceLock::tryAcquire(const std::string& key,
                                                     const std::string& programName,
                                                     std::string* holder) {
    const fs::path path = lockPath(key);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (holder) {
            *holder = "cannot open " + path.string() + ": " + std::strerror(errno);
        }
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (holder) {
            char buffer[128] = {};
            const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
            *holder = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "another program";
            while (!holder->empty() && (holder->back() == '\n' || holder->back() == '\0')) {
                holder->pop_back();
            }
        }
        ::close(fd);
        return std::nullopt;
    }
    // Who holds it, for the message the next one shows.
    const std::string who = "pid " + std::to_string(::getpid()) + " (" + programName + ")\n";
    if (::ftruncate(fd, 0) == 0) {
        (void)::pwrite(fd, who.data(), who.size(), 0);
    }
    return InstanceLock(fd);
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace torvex
