#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace torvex {

// One program at a time drives a mouse: the window and `torvexctl run` (and the CLI commands that
// send to the mouse) take this lock. It is an advisory lock on a file in the user's runtime
// folder, so the system drops it when the holder dies, however it dies.
//
// What it is keyed by follows what is shared. The real mouse is one per user, whatever settings
// folder a program uses: two programs driving it would play every macro and start every program
// twice. A virtual mouse belongs to its process, so there only the settings folder is shared.
class InstanceLock {
public:
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // The key of a program with the real mouse ("mouse") or a virtual one (the folder's key).
    static std::string keyFor(bool virtualMouse, const std::filesystem::path& appDir);

    // nullopt when another process holds `key`; `holder` then names it ("pid 1234 (torvex)")
    // when known, or gives the reason the lock could not be taken.
    static std::optional<InstanceLock> tryAcquire(const std::string& key,
                                                  const std::string& programName,
                                                  std::string* holder = nullptr);

    // What a refused program tells the user: who holds the lock and what for.
    static std::string busyMessage(bool virtualMouse, const std::filesystem::path& appDir,
                                   const std::string& holder);

    // The lock file for a key; the key is also the base of the window's local-socket name.
    static std::filesystem::path lockPath(const std::string& key);
    // A short stable key for a settings folder, usable in file and socket names.
    static std::string folderKey(const std::filesystem::path& appDir);

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// $XDG_RUNTIME_DIR when usable, else a private folder /tmp/torvex-<uid> (mode 0700), or
// ~/.cache/torvex-run when that name in /tmp belongs to someone else.
std::filesystem::path runtimeDir();

} // namespace torvex
