// Which backend a session gets, and the override.
#include "desktop/pointer_choice.h"

#include <gtest/gtest.h>
#include <set>

namespace torvex::desktop {
namespace {

struct Case {
    const char* what;
    std::optional<std::string> override_;
    std::string desktop;
    std::string display;
    std::set<std::string> programs;
    BackendKind kind;
    std::string detail;       // the file for File, the read tool for Kde
    std::string session = ""; // $XDG_SESSION_TYPE; unset in most rows
};

const std::set<std::string> kGnomeTools{"gsettings"};
const std::set<std::string> kKde5{"kreadconfig5", "kwriteconfig5"};
const std::set<std::string> kAll{"gsettings", "kreadconfig5", "kwriteconfig5", "kreadconfig6",
                                 "kwriteconfig6"};

TEST(PointerChoice, FollowsTheOverrideThenTheDesktopThenTheDisplay) {
    const std::vector<Case> cases{
        {"GNOME session", std::nullopt, "GNOME", ":0", kAll, BackendKind::Gnome, ""},
        {"Ubuntu's list", std::nullopt, "ubuntu:GNOME", ":0", kGnomeTools, BackendKind::Gnome, ""},
        {"case does not matter", std::nullopt, "gnome-flashback:gnome", "", kGnomeTools,
         BackendKind::Gnome, ""},
        {"GNOME without gsettings", std::nullopt, "GNOME", ":0", kKde5, BackendKind::X11, ""},
        {"GNOME, no tool, no display", std::nullopt, "GNOME", "", {}, BackendKind::None, ""},
        {"KDE prefers Plasma 6 tools", std::nullopt, "KDE", ":0", kAll, BackendKind::Kde,
         "kreadconfig6"},
        {"KDE with the 5 tools", std::nullopt, "KDE", "", kKde5, BackendKind::Kde, "kreadconfig5"},
        {"KDE needs both tools", std::nullopt, "KDE", ":1", {"kreadconfig5"}, BackendKind::X11, ""},
        {"GNOME- prefixed name is not GNOME", std::nullopt, "GNOMEish", ":0", kAll,
         BackendKind::X11, ""},
        {"XFCE on X", std::nullopt, "XFCE", ":0", kAll, BackendKind::X11, ""},
        {"nothing at all", std::nullopt, "", "", kAll, BackendKind::None, ""},
        {"empty override is no override", std::string(), "KDE", "", kKde5, BackendKind::Kde,
         "kreadconfig5"},
        {"override gnome", std::string("gnome"), "KDE", ":0", kAll, BackendKind::Gnome, ""},
        {"override kde, tools missing",
         std::string("kde"),
         "GNOME",
         "",
         {},
         BackendKind::Kde,
         "kreadconfig5"},
        {"override x11", std::string("x11"), "GNOME", "", kAll, BackendKind::X11, ""},
        {"override file", std::string("file:/tmp/p.ini"), "GNOME", ":0", kAll, BackendKind::File,
         "/tmp/p.ini"},
        {"override none", std::string("none"), "GNOME", ":0", kAll, BackendKind::None, ""},
        {"override file without a path", std::string("file:"), "GNOME", ":0", kAll,
         BackendKind::None, ""},
        {"unknown override", std::string("wayland"), "GNOME", ":0", kAll, BackendKind::None, ""},
        // On Wayland $DISPLAY is XWayland: the X11 backend would succeed and change nothing.
        {"Sway on Wayland", std::nullopt, "sway", ":0", kAll, BackendKind::None, "", "wayland"},
        {"GNOME on Wayland, no gsettings", std::nullopt, "GNOME", ":0", kKde5, BackendKind::None,
         "", "wayland"},
        {"GNOME on Wayland", std::nullopt, "GNOME", ":0", kAll, BackendKind::Gnome, "", "wayland"},
        {"KDE on Wayland", std::nullopt, "KDE", ":1", kKde5, BackendKind::Kde, "kreadconfig5",
         "wayland"},
        {"XFCE on an X11 session", std::nullopt, "XFCE", ":0", kAll, BackendKind::X11, "", "x11"},
        {"override x11 on Wayland", std::string("x11"), "sway", ":0", kAll, BackendKind::X11, "",
         "wayland"},
    };
    for (const Case& c : cases) {
        DesktopEnvironment env{c.override_, c.desktop, c.display, c.session,
                               [&](const std::string& p) { return c.programs.count(p) > 0; }};
        const BackendChoice choice = choosePointerBackend(env);
        EXPECT_EQ(choice.kind, c.kind) << c.what;
        EXPECT_FALSE(choice.reason.empty()) << c.what;
        if (c.session == "wayland" && c.kind == BackendKind::None) {
            EXPECT_NE(choice.reason.find("XDG_SESSION_TYPE=wayland"), std::string::npos)
                << choice.reason;
        }
        if (c.kind == BackendKind::File) {
            EXPECT_EQ(choice.file, c.detail) << c.what;
        }
        if (c.kind == BackendKind::Kde) {
            EXPECT_EQ(choice.readTool, c.detail) << c.what;
            EXPECT_EQ(choice.writeTool, "kwrite" + c.detail.substr(5)) << c.what;
        }
    }
}

TEST(PointerChoice, BuildsTheChosenBackendAndSaysWhy) {
    const std::vector<std::pair<BackendChoice, std::string>> table{
        {{BackendKind::Gnome, {}, {}, {}, "r"}, "gnome"},
        {{BackendKind::Kde, {}, "kreadconfig5", "kwriteconfig5", "r"}, "kde"},
        {{BackendKind::X11, {}, {}, {}, "r"}, "x11"},
        {{BackendKind::File, "/tmp/x/pointer.ini", {}, {}, "r"}, "file:/tmp/x/pointer.ini"},
        {{BackendKind::None, {}, {}, {}, "r"}, "none"},
    };
    for (const auto& [choice, name] : table) {
        std::vector<std::string> lines;
        const auto made =
            createPointerSettings(choice, [&](std::string_view l) { lines.emplace_back(l); });
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->name(), name);
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_NE(lines[0].find(name), std::string::npos) << lines[0];
    }
    // Silent unless asked.
    EXPECT_EQ(createPointerSettings(BackendChoice{})->name(), "none");
}

} // namespace
} // namespace torvex::desktop
