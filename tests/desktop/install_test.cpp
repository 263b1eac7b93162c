// An installed copy: the files land where desktops look for them, pass the desktops' own
// validators, and the installed torvexctl runs from the prefix for a user with an empty home.
#include "support/process.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace torvex {
namespace {
namespace fs = std::filesystem;
using testing::Process;
using testing::slurp;

// The program's path, looked up on PATH as a shell would.
std::optional<fs::path> which(const std::string& program) {
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t colon = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, colon - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = colon + 1;
    }
    return std::nullopt;
}

bool installed(const std::string& program) {
    return which(program).has_value();
}

testing::Finished runTool(const std::string& program, const std::vector<std::string>& args,
                          const fs::path& scratch) {
    const auto found = which(program);
    return found ? Process(*found, args, scratch).wait(std::chrono::seconds(120))
                 : testing::Finished{};
}

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmp_.emplace("torvex-install");
        fs::create_directories(scratch());
        const auto done =
            Process(TORVEX_CMAKE_COMMAND,
                    {"--install", TORVEX_BINARY_DIR, "--prefix", prefix().string()}, scratch())
                .wait(std::chrono::seconds(120));
        installStatus_ = done.status;
        installError_ = done.out + done.err;
    }
    static void TearDownTestSuite() { tmp_.reset(); }
    void SetUp() override { ASSERT_EQ(installStatus_, 0) << installError_; }
    static const fs::path& root() { return tmp_->path(); }
    static fs::path prefix() { return root() / "prefix"; }
    static fs::path scratch() { return root() / "scratch"; }

    // One install for the whole suite: it takes a while.
    static inline std::optional<testing::TempDir> tmp_;
    static inline int installStatus_ = -1;
    static inline std::string installError_;
};

TEST_F(Installed, FilesLandWhereDesktopsLook) {
    const fs::path share = prefix() / "share";
    for (const fs::path& file : {
             prefix() / "bin/torvexctl",
             share / "torvex/config.ini",
             share / "torvex/Macro_CN.dat",
             share / "torvex/Macro_EN.dat",
             share / "torvex/constMacro.dat",
             share / "torvex/skins/INI_EN/skin_main_en.ini",
             share / "torvex/skins/INI_CN/defMacro.dat",
             share / "torvex/skins/main_normal.jpg",
             prefix() / "lib/udev/rules.d/70-torvex.rules",
             share / "applications/org.torvex.Torvex.desktop",
             prefix() / "etc/xdg/autostart/torvex-autostart.desktop",
             share / "metainfo/org.torvex.Torvex.metainfo.xml",
             share / "icons/hicolor/48x48/apps/torvex.png",
             share / "icons/hicolor/256x256/apps/torvex.png",
             share / "icons/hicolor/scalable/apps/torvex.svg",
             share / "man/man1/torvex.1",
             share / "man/man1/torvexctl.1",
         }) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    }
#ifdef TORVEX_INSTALLS_WINDOW
    EXPECT_TRUE(fs::is_regular_file(prefix() / "bin/torvex"));
#endif
    // The macro definitions are build inputs, not run-time data.
    EXPECT_FALSE(fs::exists(share / "torvex/macros"));
    // Both entries start the window; the autostart one hidden.
    EXPECT_NE(slurp(share / "applications/org.torvex.Torvex.desktop").find("\nExec=torvex\n"),
              std::string::npos);
    EXPECT_NE(slurp(prefix() / "etc/xdg/autostart/torvex-autostart.desktop")
                  .find("\nExec=torvex --hidden\n"),
              std::string::npos);
    const std::string rule = slurp(prefix() / "lib/udev/rules.d/70-torvex.rules");
    EXPECT_NE(rule.find("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"18f8\", "
                        "ATTRS{idProduct}==\"1286\", TAG+=\"uaccess\""),
              std::string::npos);
}

TEST_F(Installed, DesktopValidatorsAcceptTheFiles) {
    const fs::path share = prefix() / "share";
    if (installed("desktop-file-validate")) {
        for (const fs::path& entry : {share / "applications/org.torvex.Torvex.desktop",
                                      prefix() / "etc/xdg/autostart/torvex-autostart.desktop"}) {
            const auto r = runTool("desktop-file-validate", {entry.string()}, scratch());
            EXPECT_EQ(r.status, 0) << entry << '\n' << r.out << r.err;
            EXPECT_EQ(r.out + r.err, "") << entry; // warnings too
        }
    } else {
        ADD_FAILURE() << "desktop-file-validate is not installed (package desktop-file-utils)";
    }
    if (installed("appstreamcli")) {
        const auto r = runTool(
            "appstreamcli",
            {"validate", "--no-net", (share / "metainfo/org.torvex.Torvex.metainfo.xml").string()},
            scratch());
        EXPECT_EQ(r.status, 0) << r.out << r.err;
    } else {
        ADD_FAILURE() << "appstreamcli is not installed (package appstream)";
    }
    // `udevadm verify` came with systemd 253; older udevadm has no such command.
    if (installed("udevadm") && runTool("udevadm", {"verify", "--help"}, scratch()).status == 0) {
        const auto r =
            runTool("udevadm", {"verify", (prefix() / "lib/udev/rules.d/70-torvex.rules").string()},
                    scratch());
        EXPECT_EQ(r.status, 0) << r.out << r.err;
    }
    if (installed("man")) {
        for (const char* page : {"torvex.1", "torvexctl.1"}) {
            const auto r = runTool(
                "man", {"--warnings", "-l", (share / "man/man1" / page).string()}, scratch());
            EXPECT_EQ(r.status, 0) << page;
            EXPECT_EQ(r.err, "") << page;
        }
    }
}

TEST_F(Installed, FirstRunSeedsTheUserFolderFromThePrefixAndLaterRunsKeepItsChanges) {
    const fs::path home = root() / "home";
    fs::create_directories(home);
    ScopedEnv h("HOME", home.string());
    ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
    const fs::path ctl = prefix() / "bin/torvexctl";
    const fs::path user = home / ".config/torvex";
    const fs::path factory = prefix() / "share/torvex";

    auto first = Process(ctl, {"--verbose", "show", "--profile", "1"}, scratch()).wait();
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("DPI_SPEED="), std::string::npos) << first.out;
    // Settings in the user's folder, the skin from the prefix.
    EXPECT_NE(first.err.find("settings in " + user.string()), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("skin in " + (factory / "skins").string()), std::string::npos)
        << first.err;
    for (const char* name : {"config.ini", "Macro_CN.dat", "Macro_EN.dat", "constMacro.dat"}) {
        ASSERT_TRUE(fs::is_regular_file(user / name)) << name;
        EXPECT_EQ(slurp(user / name), slurp(factory / name)) << name;
    }
    EXPECT_FALSE(fs::exists(user / "skins"));

    // The user's changes survive later runs, and the factory copy stays as it was.
    const std::string factoryConfig = slurp(factory / "config.ini");
    auto set = Process(ctl, {"set", "--profile", "1", "DPI_SPEED=3"}, scratch()).wait();
    ASSERT_EQ(set.status, 0) << set.err;
    {
        std::ofstream macros(user / "Macro_EN.dat", std::ios::binary | std::ios::app);
        macros << "x";
    }
    const std::string userMacros = slurp(user / "Macro_EN.dat");
    auto second = Process(ctl, {"show", "--profile", "1"}, scratch()).wait();
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("DPI_SPEED=3\n"), std::string::npos) << second.out;
    EXPECT_EQ(slurp(user / "Macro_EN.dat"), userMacros);
    EXPECT_EQ(slurp(factory / "config.ini"), factoryConfig);

    // --home seeds the folder it names the same way.
    const fs::path chosen = root() / "chosen";
    auto homed = Process(ctl, {"--home", chosen.string(), "show"}, scratch()).wait();
    ASSERT_EQ(homed.status, 0) << homed.err;
    EXPECT_EQ(slurp(chosen / "config.ini"), factoryConfig);
}

#ifdef TORVEX_INSTALLS_WINDOW
// The installed window for a user with an empty home: it seeds the user's folder from the
// prefix, draws its skin from the prefix, sends the profile to the (virtual) mouse, and a second
// start keeps what the user changed.
TEST_F(Installed, TheInstalledWindowStartsFromThePrefix) {
    const fs::path home = root() / "window-home";
    fs::create_directories(home);
    ScopedEnv h("HOME", home.string());
    ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv runtime("XDG_RUNTIME_DIR", (root() / "scratch").string());
    // The layout of an installed copy is the point here, not the display: Qt's offscreen
    // platform stands in for one (the window's own end-to-end tests run under Xvfb).
    ScopedEnv qpa("QT_QPA_PLATFORM", "offscreen");
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    const fs::path window = prefix() / "bin/torvex";
    const fs::path user = home / ".config/torvex";
    const fs::path factory = prefix() / "share/torvex";

    const auto start = [&](const fs::path& vm) {
        Process p(window, {"--virtual-mouse=" + vm.string()}, scratch());
        const bool sent = testing::eventually(
            [&] { return slurp(vm / "reports.log").find("07 12 ") != std::string::npos; },
            std::chrono::milliseconds(20000));
        p.signal(SIGTERM);
        const auto end = p.wait();
        return std::make_pair(sent, end);
    };

    const auto [sent, end] = start(root() / "vm1");
    ASSERT_TRUE(sent) << end.err;
    EXPECT_EQ(end.status, 0) << end.err;
    for (const char* name : {"config.ini", "Macro_CN.dat", "Macro_EN.dat", "constMacro.dat"}) {
        EXPECT_TRUE(fs::is_regular_file(user / name)) << name;
    }
    EXPECT_FALSE(fs::exists(user / "skins")); // drawn from the prefix
    EXPECT_NE(slurp(root() / "vm1/reports.log").find("07 20 "), std::string::npos); // exit path

    // A change of the user's survives the next start.
    auto set =
        Process(prefix() / "bin/torvexctl", {"set", "--profile", "2", "FIRE_TIME=123"}, scratch())
            .wait();
    ASSERT_EQ(set.status, 0) << set.err;
    const auto [sentAgain, again] = start(root() / "vm2");
    ASSERT_TRUE(sentAgain) << again.err;
    EXPECT_NE(slurp(user / "config.ini").find("FIRE_TIME=123"), std::string::npos);
}
#endif

// torvexctl names the pointer-settings backend it uses: the chooser's for the real mouse, the
// virtual mouse's own file with a folder, none without one.
TEST(TorvexctlPointerSettings, DevicesNamesTheBackendInUse) {
    const testing::TempDir tmp("torvex-pointer");
    const fs::path& dir = tmp.path();
    const fs::path ctl = fs::path(TORVEX_BINARY_DIR) / "bin/torvexctl";
    const fs::path file = dir / "desk.ini";
    struct Case {
        std::string backend;
        std::vector<std::string> mouse;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"file:" + file.string(), {}, "file:" + file.string()},
        {"gnome", {}, "gnome"},
        {"none", {}, "none"},
        {"gnome",
         {"--virtual-mouse=" + (dir / "vm").string()},
         "file:" + (dir / "vm/pointer.ini").string()},
        {"gnome", {"--virtual-mouse"}, "none"},
    };
    for (const Case& c : cases) {
        ScopedEnv backend("TORVEX_POINTER_BACKEND", c.backend);
        std::vector<std::string> args{"--home", (dir / "home").string()};
        args.insert(args.end(), c.mouse.begin(), c.mouse.end());
        args.push_back("devices");
        const auto r = Process(ctl, args, dir).wait();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("\npointer settings: " + c.expected + "\n"), std::string::npos)
            << c.backend << '\n'
            << r.out;
    }
}

} // namespace
} // namespace torvex
