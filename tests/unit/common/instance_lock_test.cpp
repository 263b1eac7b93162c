#include "common/instance_lock.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace torvex {
namespace {

TEST(InstanceLock, OneHolderPerSettingsFolderUntilItGoes) {
    const testing::TempDir runtime("torvex-run");
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);

    auto first = InstanceLock::tryAcquire("/home/u/.config/torvex", "torvex");
    ASSERT_TRUE(first.has_value());

    // Another process is refused and told who holds it.
    const pid_t child = ::fork();
    if (child == 0) {
        std::string holder;
        const bool got =
            InstanceLock::tryAcquire("/home/u/.config/torvex", "torvexctl", &holder).has_value();
        const bool named = holder == "pid " + std::to_string(::getppid()) + " (torvex)";
        ::_exit(!got && named ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Another settings folder is independent.
    EXPECT_TRUE(InstanceLock::tryAcquire("/tmp/elsewhere", "torvexctl").has_value());

    first.reset();
    EXPECT_TRUE(InstanceLock::tryAcquire("/home/u/.config/torvex", "torvexctl").has_value());

    EXPECT_EQ(InstanceLock::folderKey("/a/b"), InstanceLock::folderKey("/a/./b"));
    EXPECT_NE(InstanceLock::folderKey("/a/b"), InstanceLock::folderKey("/a/c"));
    ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace torvex
