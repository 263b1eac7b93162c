// Saving onto a file system that is really full: torvexctl, with its settings folder on a small
// tmpfs mounted in a private user and mount namespace.
#include "support/process.h"
#include "support/programs.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace torvex {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Finished;
using testing::kData;
using testing::kTorvexCtl;
using testing::Process;
using testing::slurp;

// Inside the namespaces: mount the tmpfs, let torvexctl seed the settings folder on it and keep
// copies of the good files outside, fill the file system, then try to save. Each step's status
// and messages go to the output folder, which lies outside the mount.
constexpr const char* kScript = R"(
mnt=$1 ctl=$2 out=$3 import=$4
mount -t tmpfs -o size=256k tmpfs "$mnt" || exit 90
home=$mnt/home
"$ctl" --home "$home" show >/dev/null || exit 91
cp "$home/config.ini" "$out/config.before" && cp "$home/Macro_CN.dat" "$out/macro.before" || exit 92
ls -A "$home" >"$out/listing.before"
step() {
    name=$1; shift
    "$ctl" --home "$home" "$@" >"$out/$name.out" 2>&1
    echo $? >"$out/$name.status"
}
# Not one byte free: the temporary file is created but nothing can be written to it.
dd if=/dev/zero of="$mnt/fill" bs=4096 2>/dev/null
step set set --profile 2 FIRE_TIME=123
step import macro import "$import"
# Two pages free: the macro file starts to be written and runs out in the middle.
truncate -s -8192 "$mnt/fill" || exit 93
step import-partial macro import "$import"
cp "$home/config.ini" "$out/config.after"
cp "$home/Macro_CN.dat" "$out/macro.after"
ls -A "$home" >"$out/listing.after"
# With room again the same save works: the failures above came from the full disk alone.
rm "$mnt/fill"
step set-with-room set --profile 2 FIRE_TIME=123
step show-with-room show --profile 2
exit 0
)";

class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(mount());
        fs::create_directories(out());
        ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    }

    fs::path mount() const { return root_ / "mnt"; }
    fs::path out() const { return root_ / "out"; }
    std::string file(const std::string& name) const { return slurp(out() / name); }
    int status(const std::string& step) const {
        const std::string s = file(step + ".status");
        return s.empty() ? -1 : std::stoi(s);
    }

    testing::TempDir tmp_{"torvex-full"};
    const fs::path root_ = tmp_.path();
};

TEST_F(FullDisk, SavesFailWithAClearMessageAndKeepTheGoodFiles) {
    const Finished probe =
        Process("unshare", {"--user", "--map-root-user", "--mount", "true"}, root_).wait();
    if (probe.status != 0) {
        GTEST_SKIP() << "user and mount namespaces are not available here (unshare: " << probe.err
                     << ")";
    }
    const Finished result = Process("unshare",
                                    {"--user", "--map-root-user", "--mount", "sh", "-c", kScript,
                                     "sh", mount().string(), kTorvexCtl.string(), out().string(),
                                     (kData / "Macro_EN.dat").string()},
                                    root_)
                                .wait(120s);
    if (result.status == 90) {
        GTEST_SKIP() << "a tmpfs cannot be mounted in a user namespace here: " << result.out
                     << result.err;
    }
    ASSERT_EQ(result.status, 0) << result.out << result.err;

    // Every save onto the full disk failed, said why and named the file.
    const struct {
        const char* step;
        const char* file;
    } failures[] = {
        {"set", "config.ini"}, {"import", "Macro_CN.dat"}, {"import-partial", "Macro_CN.dat"}};
    for (const auto& f : failures) {
        EXPECT_EQ(status(f.step), 1) << f.step;
        const std::string message = file(std::string(f.step) + ".out");
        EXPECT_NE(message.find(f.file), std::string::npos) << f.step << ": " << message;
        EXPECT_NE(message.find("No space left on device"), std::string::npos)
            << f.step << ": " << message;
    }
    // The good files are as they were, byte for byte, and no temporary file is left.
    ASSERT_FALSE(file("config.before").empty());
    ASSERT_FALSE(file("macro.before").empty());
    EXPECT_EQ(file("config.after"), file("config.before"));
    EXPECT_EQ(file("macro.after"), file("macro.before"));
    EXPECT_EQ(file("listing.after"), file("listing.before"));

    EXPECT_EQ(status("set-with-room"), 0) << file("set-with-room.out");
    EXPECT_NE(file("show-with-room.out").find("FIRE_TIME=123\n"), std::string::npos)
        << file("show-with-room.out");
}

} // namespace
} // namespace torvex
