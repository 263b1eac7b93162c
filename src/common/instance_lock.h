#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace torvex {

// One program at a time drives the mouse for a settings folder: the window and `torvexctl run`
// (and the CLI commands that send to the mouse) take this lock. It is an advisory lock on a file
// in the user's runtime folder, named after the settings folder, so the system drops it when the
// holder dies, however it dies.
class InstanceLock {
public:
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // nullopt when another process holds it; `holder` then names it ("pid 1234 (torvex)") when
    // known, or gives the reason the lock could not be taken.
    static std::optional<InstanceLock> tryAcquire(const std::filesystem::path& appDir,
                                                  const std::string& programName,
                                                  std::string* holder = nullptr);

    // The lock file for a settings folder; also the base of the window's local-socket name.
    static std::filesystem::path lockPath(const std::filesystem::path& appDir);
    // A short stable key for the folder, usable in socket names.
    static std::string folderKey(const std::filesystem::path& appDir);

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// $XDG_RUNTIME_DIR when usable, else a private folder /tmp/torvex-<uid> (created mode 0700).
std::filesystem::path runtimeDir();

} // namespace torvex
