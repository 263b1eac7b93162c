// An installed copy: the files land where desktops look for them, pass the desktops' own
// validators, and the installed torvexctl runs from the prefix for a user with an empty home.
#include "install_fixture.h"

#include <fstream>

namespace torvex::install {
namespace {
using testing::slurp;

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
} // namespace torvex::install
