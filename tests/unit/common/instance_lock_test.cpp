#include "common/instance_lock.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace torvex {
namespace {

TEST(InstanceLock, OneHolderPerKeyUntilItGoes) {
    const testing::TempDir runtime("torvex-run");
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    const std::string key = InstanceLock::keyFor(true, "/home/u/.config/torvex");

    auto first = InstanceLock::tryAcquire(key, "torvex");
    ASSERT_TRUE(first.has_value());

    // Another process is refused and told who holds it.
    const pid_t child = ::fork();
    if (child == 0) {
        std::string holder;
        const bool got = InstanceLock::tryAcquire(key, "torvexctl", &holder).has_value();
        const bool named = holder == "pid " + std::to_string(::getppid()) + " (torvex)";
        ::_exit(!got && named ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.reset();
    EXPECT_TRUE(InstanceLock::tryAcquire(key, "torvexctl").has_value());

    EXPECT_EQ(InstanceLock::folderKey("/a/b"), InstanceLock::folderKey("/a/./b"));
    EXPECT_NE(InstanceLock::folderKey("/a/b"), InstanceLock::folderKey("/a/c"));
    ::unsetenv("XDG_RUNTIME_DIR");
}

// The real mouse is one per user whatever the settings folder; a virtual mouse is private to its
// process, so programs with their own folders run side by side.
TEST(InstanceLock, TheRealMouseExcludesAcrossFoldersAVirtualOneOnlyWithinAFolder) {
    const testing::TempDir runtime("torvex-run");
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    const struct {
        bool firstVirtual;
        const char* firstFolder;
        bool secondVirtual;
        const char* secondFolder;
        bool excluded;
    } cases[] = {
        {false, "/home/u/.config/torvex", false, "/tmp/demo", true},
        {false, "/tmp/demo", false, "/tmp/demo", true},
        {true, "/home/u/.config/torvex", true, "/tmp/demo", false},
        {true, "/tmp/demo", true, "/tmp/demo", true},
    };
    for (const auto& c : cases) {
        auto first =
            InstanceLock::tryAcquire(InstanceLock::keyFor(c.firstVirtual, c.firstFolder), "torvex");
        ASSERT_TRUE(first.has_value());
        std::string holder;
        const auto second = InstanceLock::tryAcquire(
            InstanceLock::keyFor(c.secondVirtual, c.secondFolder), "torvexctl", &holder);
        EXPECT_EQ(!second.has_value(), c.excluded) << c.firstFolder << " / " << c.secondFolder;
    }

    // The refusal says what is taken: the mouse itself, or a settings folder.
    EXPECT_EQ(InstanceLock::busyMessage(false, "/tmp/demo", "pid 7 (torvex)").find("/tmp/demo"),
              std::string::npos);
    EXPECT_NE(InstanceLock::busyMessage(true, "/tmp/demo", "pid 7 (torvex)").find("/tmp/demo"),
              std::string::npos);
    ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace torvex
