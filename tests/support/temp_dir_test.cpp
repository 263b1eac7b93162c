// The tests' temporary folder: made fresh, removed whole, only by its maker, and never an empty
// path when it cannot be made.
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>

namespace torvex::testing {
namespace {
namespace fs = std::filesystem;

TEST(TempDir, MadeFreshAndRemovedWithEverythingInIt) {
    std::optional<TempDir> tmp(std::in_place, "torvex-helper");
    const fs::path dir = tmp->path();
    EXPECT_EQ(dir.parent_path(), fs::temp_directory_path());
    EXPECT_TRUE(dir.filename().string().starts_with("torvex-helper-")) << dir;
    ASSERT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_NE(TempDir("torvex-helper").path(), dir);

    fs::create_directories(dir / "a" / "b");
    std::ofstream(dir / "a" / "b" / "file") << "x";

    // A forked child that lets go of its copy leaves the folder to us.
    const pid_t child = ::fork();
    if (child == 0) {
        tmp.reset();
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(fs::exists(dir / "a" / "b" / "file"));

    tmp.reset();
    EXPECT_FALSE(fs::exists(dir));
}

TEST(TempDir, AFolderThatCannotBeMadeThrowsWithTheReason) {
    try {
        const TempDir tmp("torvex-no-such-folder/x");
        FAIL() << "made " << tmp.path();
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory) << e.what();
        EXPECT_NE(std::string(e.what()).find("torvex-no-such-folder/x-XXXXXX"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(fs::exists("torvex-no-such-folder"));
}

} // namespace
} // namespace torvex::testing
