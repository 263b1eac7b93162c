#include "common/instance_lock.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdlib.h>
#include <sys/stat.h>
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

// The lock is written to; a link planted where it goes must not lead the write to another file.
TEST(InstanceLock, ALinkInPlaceOfTheLockFileIsNotFollowed) {
    const testing::TempDir runtime("torvex-run");
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    const std::filesystem::path victim = runtime.path() / "victim";
    std::ofstream(victim) << "the user's own file\n";
    std::filesystem::create_symlink(victim, InstanceLock::lockPath("mouse"));

    std::string holder;
    EXPECT_FALSE(InstanceLock::tryAcquire("mouse", "torvex", &holder).has_value());
    EXPECT_NE(holder.find("cannot open"), std::string::npos) << holder;
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's own file\n");
    ::unsetenv("XDG_RUNTIME_DIR");
}

// Without $XDG_RUNTIME_DIR, a /tmp/torvex-<uid> that another user made is not used.
TEST(InstanceLock, AFallbackFolderOfAnotherUserIsNotUsed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a folder for another user";
    }
    constexpr uid_t nobody = 65534;
    const std::filesystem::path squatted = "/tmp/torvex-" + std::to_string(nobody);
    if (std::filesystem::exists(squatted)) {
        GTEST_SKIP() << squatted << " exists already";
    }
    ASSERT_EQ(::mkdir(squatted.c_str(), 0777), 0); // root's, open to all
    ASSERT_EQ(::chmod(squatted.c_str(), 0777), 0); // past the umask
    const testing::TempDir home("torvex-home");
    ASSERT_EQ(::chown(home.path().c_str(), nobody, nobody), 0);

    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
            ::_exit(2);
        }
        ::unsetenv("XDG_RUNTIME_DIR");
        ::setenv("HOME", home.path().c_str(), 1);
        const std::filesystem::path dir = runtimeDir();
        struct stat st {};
        const bool own =
            ::lstat(dir.c_str(), &st) == 0 && st.st_uid == nobody && (st.st_mode & 077) == 0;
        ::_exit(dir != squatted && own ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    std::filesystem::remove_all(squatted);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
} // namespace torvex
