// The desktop backends against the desktops' real tools and a real X server.
#include "common/ini_store.h"
#include "desktop/pointer_backends.h"
#include "desktop/run_tool.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "x_pointer_control.h"

#include <array>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace torvex::desktop {
namespace {
namespace fs = std::filesystem;

// The system speeds a download and the exit path can set, and the ends of the scale.
constexpr std::array<int, 6> kSpeeds{1, 2, 10, 14, 18, 20};

// A fresh folder, removed afterwards, and the environment variables the tools read, restored.
class TempEnvironment : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& [name, old] : saved_) {
            if (old) {
                ::setenv(name.c_str(), old->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    void setEnv(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    torvex::testing::TempDir tmp_{"torvex-desktop"};
    const fs::path dir_ = tmp_.path();

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

double parseDouble(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    double v = NAN;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

TEST(AccelerationScale, MapsTheSystemScaleOntoMinusOneToOne) {
    const std::array<std::pair<int, std::string_view>, 8> table{{{1, "-0.9"},
                                                                 {2, "-0.8"},
                                                                 {9, "-0.1"},
                                                                 {10, "0.0"},
                                                                 {18, "0.8"},
                                                                 {20, "1.0"},
                                                                 {0, "-1.0"},
                                                                 {25, "1.0"}}};
    for (const auto& [speed, text] : table) {
        EXPECT_EQ(accelerationText(speed), text) << speed;
    }
    for (int speed = 1; speed <= 20; ++speed) {
        EXPECT_EQ(speedFromAcceleration(accelerationText(speed)), speed);
    }
    // What the tools print back: full double precision, a trailing newline.
    EXPECT_EQ(speedFromAcceleration("-0.90000000000000002\n"), 1);
    EXPECT_EQ(speedFromAcceleration("0.80000000000000004\n"), 18);
    EXPECT_EQ(speedFromAcceleration("-5"), 1); // clamped to the scale
    EXPECT_EQ(speedFromAcceleration(""), std::nullopt);
    EXPECT_EQ(speedFromAcceleration("fast"), std::nullopt);
    EXPECT_EQ(speedFromAcceleration("0.5x"), std::nullopt);
}

TEST(RunTool, ReportsOutputOnlyForASuccessfulRun) {
    EXPECT_EQ(runTool({"printf", "%s-%s", "a b", "$HOME"}), "a b-$HOME"); // no shell in between
    EXPECT_EQ(runTool({"false"}), std::nullopt);
    EXPECT_EQ(runTool({"torvex-no-such-tool"}), std::nullopt);
    EXPECT_EQ(runTool({}), std::nullopt);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runTool({"sleep", "10"}, std::chrono::milliseconds(200)), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(onPath("sh"));
    EXPECT_FALSE(onPath("torvex-no-such-tool"));
    EXPECT_FALSE(onPath("/bin/sh")); // names only, as posix_spawnp looks them up
}

class GnomeBackend : public TempEnvironment {
protected:
    void SetUp() override {
        TempEnvironment::SetUp();
        if (!onPath("gsettings")) {
            GTEST_SKIP() << "gsettings is not installed (package libglib2.0-bin)";
        }
        // The keyfile backend keeps the values in XDG_CONFIG_HOME, with no session bus needed.
        setEnv("GSETTINGS_BACKEND", "keyfile");
        setEnv("HOME", dir_.string());
        setEnv("XDG_CONFIG_HOME", (dir_ / "config").string());
        if (!runTool({"gsettings", "list-keys", "org.gnome.desktop.peripherals.mouse"})) {
            GTEST_SKIP() << "the mouse schema is not installed (package gsettings-desktop-schemas)";
        }
    }
    double stored() const {
        const auto out =
            runTool({"gsettings", "get", "org.gnome.desktop.peripherals.mouse", "speed"});
        return out ? parseDouble(*out) : NAN;
    }
};

TEST_F(GnomeBackend, SetsTheMouseSpeedKeyAndReadsItBack) {
    std::vector<std::string> lines;
    GnomePointerSettings gnome([&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(gnome.name(), "gnome");
    EXPECT_EQ(gnome.speed(), 10); // the schema's default 0.0
    for (const int speed : kSpeeds) {
        ASSERT_TRUE(gnome.setSpeed(speed)) << speed;
        EXPECT_NEAR(stored(), (speed - 10) / 10.0, 1e-9) << speed;
        EXPECT_EQ(gnome.speed(), speed);
    }
    // Another process (a fresh backend) sees the value: it is stored, not cached.
    EXPECT_TRUE(fs::exists(dir_ / "config" / "glib-2.0" / "settings" / "keyfile"));
    EXPECT_EQ(GnomePointerSettings().speed(), 20);

    // No wheel-lines key: unavailable, said once.
    EXPECT_EQ(gnome.wheelLines(), std::nullopt);
    EXPECT_EQ(gnome.wheelLines(), std::nullopt);
    EXPECT_FALSE(gnome.setWheelLines(7));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("wheel"), std::string::npos);
}

TEST_F(GnomeBackend, WithoutTheToolNothingReadsAndNothingIsWritten) {
    ASSERT_TRUE(GnomePointerSettings().setSpeed(4));
    GnomePointerSettings missing({}, "torvex-no-such-gsettings");
    EXPECT_EQ(missing.speed(), std::nullopt);
    EXPECT_FALSE(missing.setSpeed(18));
    EXPECT_NEAR(stored(), -0.6, 1e-9);
}

TEST(KdeDeviceGroups, FindsTheDeviceGroupsKWinWrites) {
    using Groups = std::vector<std::vector<std::string>>;
    const std::vector<std::pair<std::string_view, Groups>> table{
        {"[Mouse]\nXLbInptPointerAcceleration=0.2\n\n"
         "[Libinput][1133][49271][Logitech USB Optical Mouse]\nPointerAcceleration=0.4\n"
         "[Libinput][6392][4742][TORVEX V3]\nNaturalScroll=true\n",
         {{"Libinput", "1133", "49271", "Logitech USB Optical Mouse"},
          {"Libinput", "6392", "4742", "TORVEX V3"}}},
        // KConfig's escapes in names; CRLF and surrounding blanks.
        {"  [Libinput][1][2][Odd \\x5bx\\x5d \\\\ \\sname]  \r\nA=1\r\n",
         {{"Libinput", "1", "2", "Odd [x] \\  name"}}},
        // The same group twice is one device.
        {"[Libinput][1][2][m]\n[Mouse]\n[Libinput][1][2][m]\n", {{"Libinput", "1", "2", "m"}}},
        // Not device groups: other depths, other tops, ids that are no numbers, an empty name,
        // escapes KConfig does not write, a key line, a broken header.
        {"[Libinput]\n[Libinput][1][2]\n[Libinput][1][2][m][extra]\n[Keyboard][1][2][m]\n"
         "[Libinput][0x1][2][m]\n[Libinput][1][][m]\n[Libinput][1][2][]\n"
         "[Libinput][1][2][bad \\q]\n[Libinput][1][2][cut \\x5]\nx=[Libinput][1][2][m]\n"
         "[Libinput][1][2][m\n[Libinput][1][2][m]junk\n",
         {}},
        {"", {}},
    };
    for (const auto& [text, groups] : table) {
        EXPECT_EQ(kdeDeviceGroups(text), groups) << text;
    }
}

class KdeBackend : public TempEnvironment {
protected:
    void SetUp() override {
        TempEnvironment::SetUp();
        if (!onPath("kreadconfig5") || !onPath("kwriteconfig5")) {
            GTEST_SKIP()
                << "kreadconfig5/kwriteconfig5 are not installed (package libkf5config-bin)";
        }
        setEnv("HOME", dir_.string());
        setEnv("XDG_CONFIG_HOME", (dir_ / "config").string());
        fs::create_directories(dir_ / "config");
    }
    fs::path file(const char* name) const { return dir_ / "config" / name; }
    // A key of kcminputrc as KDE reads it: through KConfig, nested groups and all.
    static std::string inputKey(const std::vector<std::string>& groups, const std::string& key) {
        std::vector<std::string> argv{"kreadconfig5", "--file", "kcminputrc"};
        for (const auto& g : groups) {
            argv.insert(argv.end(), {"--group", g});
        }
        argv.insert(argv.end(), {"--key", key});
        auto out = runTool(argv).value_or("?");
        while (!out.empty() && out.back() == '\n') {
            out.pop_back();
        }
        return out;
    }
    static void writeInputKey(const std::vector<std::string>& groups, const std::string& key,
                              const std::string& value) {
        std::vector<std::string> argv{"kwriteconfig5", "--file", "kcminputrc"};
        for (const auto& g : groups) {
            argv.insert(argv.end(), {"--group", g});
        }
        argv.insert(argv.end(), {"--key", key, "--", value});
        ASSERT_TRUE(runTool(argv).has_value()) << key;
    }
};

TEST_F(KdeBackend, WritesAccelerationAndWheelLinesIntoTheUsersFiles) {
    KdePointerSettings kde("kreadconfig5", "kwriteconfig5");
    EXPECT_EQ(kde.name(), "kde");
    // Nothing stored yet: KDE's defaults, and no file is needed to set the speed.
    EXPECT_EQ(kde.speed(), 10);
    EXPECT_EQ(kde.wheelLines(), 3);
    ASSERT_TRUE(kde.setSpeed(14));
    EXPECT_EQ(inputKey({"Mouse"}, "XLbInptPointerAcceleration"), "0.4");

    // The user's other settings in the same files stay.
    ASSERT_TRUE(ini::writeString(file("kdeglobals"), "General", "ColorScheme", "BreezeDark"));
    ASSERT_TRUE(ini::writeString(file("kcminputrc"), "Mouse", "cursorTheme", "breeze_cursors"));

    for (const int speed : kSpeeds) {
        ASSERT_TRUE(kde.setSpeed(speed)) << speed;
        EXPECT_NEAR(parseDouble(inputKey({"Mouse"}, "XLbInptPointerAcceleration")),
                    (speed - 10) / 10.0, 1e-9)
            << speed;
        EXPECT_EQ(kde.speed(), speed);
    }
    // The speed reads back from the key Plasma reads, whoever wrote it.
    writeInputKey({"Mouse"}, "XLbInptPointerAcceleration", "-0.3");
    EXPECT_EQ(kde.speed(), 7);
    for (const int lines : {1, 10, 0}) {
        ASSERT_TRUE(kde.setWheelLines(lines));
        EXPECT_EQ(ini::readString(file("kdeglobals"), "KDE", "WheelScrollLines", 16),
                  std::to_string(lines));
        EXPECT_EQ(kde.wheelLines(), lines);
    }
    EXPECT_EQ(ini::readString(file("kdeglobals"), "General", "ColorScheme", 64), "BreezeDark");
    EXPECT_EQ(inputKey({"Mouse"}, "cursorTheme"), "breeze_cursors");
    // Plasma does not read [Mouse] PointerAcceleration; nothing goes there.
    EXPECT_EQ(inputKey({"Mouse"}, "PointerAcceleration"), "");

    KdePointerSettings missing("torvex-no-such-kreadconfig", "torvex-no-such-kwriteconfig");
    EXPECT_EQ(missing.speed(), std::nullopt);
    EXPECT_FALSE(missing.setSpeed(5));
    EXPECT_EQ(missing.wheelLines(), std::nullopt);
    EXPECT_FALSE(missing.setWheelLines(5));
    EXPECT_EQ(kde.wheelLines(), 0);
}

TEST_F(KdeBackend, EveryDeviceGroupKWinKeepsGetsTheAcceleration) {
    // Device groups as KWin leaves them on Wayland, one with a name KConfig has to escape.
    const std::vector<std::vector<std::string>> devices{
        {"Libinput", "1133", "49271", "Logitech USB Optical Mouse"},
        {"Libinput", "6392", "4742", "TORVEX [V3] \\ mouse"},
    };
    for (const auto& groups : devices) {
        writeInputKey(groups, "NaturalScroll", "true");
    }
    writeInputKey({"Libinput", "1133"}, "Other", "x"); // no device group
    KdePointerSettings kde("kreadconfig5", "kwriteconfig5");
    for (const int speed : {1, 18, 10}) {
        ASSERT_TRUE(kde.setSpeed(speed)) << speed;
        for (const auto& groups : devices) {
            EXPECT_EQ(inputKey(groups, "PointerAcceleration"), accelerationText(speed))
                << groups[3];
            EXPECT_EQ(inputKey(groups, "NaturalScroll"), "true") << groups[3];
        }
        EXPECT_EQ(inputKey({"Mouse"}, "XLbInptPointerAcceleration"), accelerationText(speed));
    }
    EXPECT_EQ(inputKey({"Libinput", "1133"}, "PointerAcceleration"), "");
    // Exactly those groups: no new ones made up under a name that did not decode.
    EXPECT_EQ(kdeDeviceGroups(torvex::testing::slurp(file("kcminputrc"))), devices);
}

// A private X server on a display number it picks itself (-displayfd).
class PrivateXServer {
public:
    PrivateXServer() {
        if (!onPath("Xvfb")) {
            return;
        }
        std::array<int, 2> fds{};
        if (::pipe(fds.data()) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // -noreset: the backend connects per call, and a server that resets whenever its last
        // client leaves would forget the pointer control in between (a desktop session never
        // runs without clients).
        std::vector<std::string> args{"Xvfb",     "-displayfd", "3", "-nolisten", "tcp",
                                      "-noreset", "-screen",    "0", "640x480x24"};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        std::array<char, 32> buf{};
        while (pid_ > 0 && ::poll(&p, 1, 10000) > 0) {
            const ssize_t n = ::read(fds[0], buf.data(), buf.size());
            if (n <= 0) {
                break;
            }
            number.append(buf.data(), static_cast<size_t>(n));
            if (number.find('\n') != std::string::npos) {
                break;
            }
        }
        ::close(fds[0]);
        while (!number.empty() && !std::isdigit(static_cast<unsigned char>(number.back()))) {
            number.pop_back();
        }
        if (!number.empty()) {
            display_ = ":" + number;
        }
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    bool installed() const { return onPath("Xvfb"); }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

TEST(X11Backend, SetsTheServersPointerAcceleration) {
    PrivateXServer server;
    if (!server.installed()) {
        GTEST_SKIP() << "Xvfb is not installed (package xvfb)";
    }
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not report its display";
    const auto before = testing::readPointerControl(server.display());
    ASSERT_TRUE(before.has_value());

    std::vector<std::string> lines;
    X11PointerSettings x11([&](std::string_view l) { lines.emplace_back(l); }, server.display());
    EXPECT_EQ(x11.name(), "x11");
    EXPECT_TRUE(x11.speed().has_value());
    for (const int speed : kSpeeds) {
        ASSERT_TRUE(x11.setSpeed(speed)) << speed;
        const auto now = testing::readPointerControl(server.display());
        ASSERT_TRUE(now.has_value());
        ASSERT_GT(now->denominator, 0);
        EXPECT_EQ(now->numerator * 10, speed * now->denominator) << speed; // speed / 10
        EXPECT_EQ(now->threshold, before->threshold);
        EXPECT_EQ(x11.speed(), speed);
    }

    EXPECT_EQ(x11.wheelLines(), std::nullopt);
    EXPECT_EQ(x11.wheelLines(), std::nullopt);
    EXPECT_EQ(lines.size(), 1u);

    // No server there: nothing reads, so a download sets nothing.
    X11PointerSettings gone({}, ":65000");
    EXPECT_EQ(gone.speed(), std::nullopt);
    EXPECT_FALSE(gone.setSpeed(10));
}

} // namespace
} // namespace torvex::desktop
