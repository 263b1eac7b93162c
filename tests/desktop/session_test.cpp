// A settings download and the exit path put the mapped values into the desktop's own settings,
// through the same session the window and torvexctl use (here over the virtual mouse).
#include "common/ini_store.h"
#include "desktop/pointer_backends.h"
#include "desktop/run_tool.h"
#include "device/mouse_session.h"
#include "sim/virtual_mouse.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace torvex::desktop {
namespace {
namespace fs = std::filesystem;

class DesktopSession : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "GSETTINGS_BACKEND"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        ::setenv("HOME", dir_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "keyfile", 1);
        fs::create_directories(dir_ / "config");
    }
    void TearDown() override {
        for (const auto& [name, v] : saved_) {
            v ? ::setenv(name.c_str(), v->c_str(), 1) : ::unsetenv(name.c_str());
        }
    }

    // Downloads settings with the given pointer and wheel choices, then runs the exit path.
    void downloadThenExit(device::PointerSettings& pointer, uint8_t pointerSpeed,
                          uint8_t wheelSpeed, const std::function<void()>& afterDownload) {
        sim::VirtualMouse mouse;
        MacroTables macros;
        device::MouseSession session(mouse, macros, pointer, dir_ / "config.ini", {});
        ASSERT_TRUE(session.findDevice());
        MouseSettings settings;
        settings.buttonFunction = {1, 2, 3, 5, 4, 16, 15};
        settings.dpiSetEnabled = {1, 1, 1, 1};
        settings.pointerSpeed = pointerSpeed;
        settings.wheelSpeed = wheelSpeed;
        const auto result = session.download(settings, 1);
        EXPECT_TRUE(result.saved) << result.error;
        afterDownload();
        session.exitPath();
    }

    torvex::testing::TempDir tmp_{"torvex-session"};
    const fs::path dir_ = tmp_.path();

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DesktopSession, GnomeGetsTheSpeedAndTheWheelIsLeftAlone) {
    if (!onPath("gsettings") ||
        !runTool({"gsettings", "list-keys", "org.gnome.desktop.peripherals.mouse"})) {
        GTEST_SKIP() << "gsettings or the mouse schema is not installed";
    }
    std::vector<std::string> lines;
    GnomePointerSettings gnome([&](std::string_view l) { lines.emplace_back(l); });
    const auto stored = [] {
        return runTool({"gsettings", "get", "org.gnome.desktop.peripherals.mouse", "speed"})
            .value_or("?");
    };
    // Pointer choice 9 is system speed 18; the exit path leaves speed 10.
    downloadThenExit(gnome, 9, 9, [&] { EXPECT_EQ(stored().substr(0, 3), "0.8") << stored(); });
    EXPECT_EQ(stored(), "0.0\n");
    EXPECT_EQ(lines.size(), 1u);
}

TEST_F(DesktopSession, KdeGetsTheSpeedAndTheWheelLines) {
    if (!onPath("kreadconfig5") || !onPath("kwriteconfig5")) {
        GTEST_SKIP() << "kreadconfig5/kwriteconfig5 are not installed";
    }
    KdePointerSettings kde("kreadconfig5", "kwriteconfig5");
    const fs::path input = dir_ / "config" / "kcminputrc";
    const fs::path globals = dir_ / "config" / "kdeglobals";
    // Pointer choice 0 is system speed 1; wheel choice 9 is 10 lines.
    downloadThenExit(kde, 0, 9, [&] {
        EXPECT_EQ(ini::readString(input, "Mouse", "XLbInptPointerAcceleration", 32), "-0.9");
        EXPECT_EQ(ini::readString(globals, "KDE", "WheelScrollLines", 32), "10");
    });
    EXPECT_EQ(ini::readString(input, "Mouse", "XLbInptPointerAcceleration", 32), "0.0");
    EXPECT_EQ(ini::readString(globals, "KDE", "WheelScrollLines", 32), "10");
}

} // namespace
} // namespace torvex::desktop
