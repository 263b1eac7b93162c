// The installed window on an X server, for a user with an empty home: it seeds the user's folder
// from the prefix, draws its skin from the prefix, sends the profile to the (virtual) mouse, and
// a second start keeps what the user changed.
#include "install_fixture.h"
#include "support/programs.h"
#include "support/x_server.h"
#include "support/x_windows.h"

#include <csignal>

namespace torvex::install {
namespace {
using testing::slurp;

TEST_F(Installed, TheInstalledWindowStartsFromThePrefix) {
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (!installed(tool)) {
            FAIL() << tool << " is not installed (packages xvfb, xdotool)";
        }
    }
    const fs::path home = root() / "window-home";
    fs::create_directories(home);
    ScopedEnv h("HOME", home.string());
    ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
    // The instance lock's folder, private as a session's is (Qt warns about any other mode).
    const fs::path runtimeDir = root() / "runtime";
    fs::create_directories(runtimeDir);
    fs::permissions(runtimeDir, fs::perms::owner_all, fs::perm_options::replace);
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeDir.string());
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    // The server points these at itself; put them back afterwards.
    ScopedEnv display("DISPLAY", std::nullopt);
    ScopedEnv qpa("QT_QPA_PLATFORM", std::nullopt);
    const testing::XServer server(scratch());
    ASSERT_TRUE(server.ready()) << server.error();

    const fs::path window = prefix() / "bin/torvex";
    const fs::path user = home / ".config/torvex";
    const fs::path skins = prefix() / "share/torvex/skins";

    struct Run {
        bool sent = false;  // the profile reached the mouse
        bool shown = false; // the window came up on the server
        testing::Finished end;
    };
    const auto start = [&](const fs::path& vm) {
        Run run;
        Process p(window, {"--verbose", "--virtual-mouse=" + vm.string()}, scratch());
        run.sent = testing::eventually(
            [&] { return slurp(vm / "reports.log").find("07 12 ") != std::string::npos; },
            std::chrono::milliseconds(20000));
        run.shown =
            testing::eventually([] { return !testing::visibleWindow(testing::kTitleCn).empty(); },
                                std::chrono::milliseconds(20000));
        if (!run.shown) {
            ADD_FAILURE() << testing::diagnose(p);
        }
        p.signal(SIGTERM);
        run.end = p.wait();
        return run;
    };

    const Run first = start(root() / "vm1");
    ASSERT_TRUE(first.sent) << first.end.err;
    EXPECT_TRUE(first.shown);
    EXPECT_EQ(first.end.status, 0) << first.end.err;
    // The skin comes from the prefix, and the user's folder gets no copy of it.
    EXPECT_NE(first.end.err.find("skin in " + skins.string() + "\n"), std::string::npos)
        << first.end.err;
    EXPECT_NE(first.end.err.find("settings in " + user.string() + " "), std::string::npos)
        << first.end.err;
    for (const char* name : {"config.ini", "Macro_CN.dat", "Macro_EN.dat", "constMacro.dat"}) {
        EXPECT_TRUE(fs::is_regular_file(user / name)) << name;
    }
    EXPECT_FALSE(fs::exists(user / "skins"));
    EXPECT_NE(slurp(root() / "vm1/reports.log").find("07 20 "), std::string::npos); // exit path

    // A change of the user's survives the next start.
    auto set =
        Process(prefix() / "bin/torvexctl", {"set", "--profile", "2", "FIRE_TIME=123"}, scratch())
            .wait();
    ASSERT_EQ(set.status, 0) << set.err;
    const Run again = start(root() / "vm2");
    ASSERT_TRUE(again.sent) << again.end.err;
    EXPECT_NE(slurp(user / "config.ini").find("FIRE_TIME=123"), std::string::npos);
}

} // namespace
} // namespace torvex::install
