// The real torvex binary under Xvfb, with trayer for the tray and a private session bus, driven
// by xdotool: shape, Apply, language switch, close to the tray, a second start, exit from the
// tray menu, and the two start-up failures. Screenshots of the pages are kept as artefacts.
#include "support/programs.h"
#include "support/required_tool.h"
#include "support/skin_layout.h"
#include "support/x_server.h"
#include "support/x_windows.h"
#include "tray_host.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <string>

namespace torvex::testing {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

QPoint windowPositionOf(const std::string& id) {
    const Point p = windowPosition(id);
    return {p.x, p.y};
}

QImage screenshot(const std::string& window, const fs::path& file) {
    capture("import -window " + window + " " + quoted(file.string()));
    return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
}

std::size_t lines(const fs::path& file) {
    const std::string text = slurp(file);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A main-page entry of the real skin.
QRect entryRect(int language, int entry) {
    const auto n = layoutEntry(language == 0 ? "INI_CN/skin_main.ini" : "INI_EN/skin_main_en.ini",
                               "BUTTONPOS", entry);
    return {n[0], n[1], n[2], n[3]};
}

QPoint entryCentre(int language, int entry) {
    return entryRect(language, entry).center();
}

// The centre of our icon in the tray (trayer embeds it as a 22 x 22 window named torvex), in
// screen coordinates; (-1, -1) when there is none.
QPoint trayIconCentre() {
    const std::string tree = capture("xwininfo -root -tree");
    const std::regex line(
        "\"torvex\": \\(\"torvex\" \"torvex\"\\)\\s+(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+"
        "\\s+\\+(-?\\d+)\\+(-?\\d+)");
    for (auto it = std::sregex_iterator(tree.begin(), tree.end(), line);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const int w = std::stoi(m[1]);
        const int h = std::stoi(m[2]);
        // The icon is the small square one (menus and the window are not).
        if (w == h && w <= 64) {
            return {std::stoi(m[3]) + w / 2, std::stoi(m[4]) + h / 2};
        }
    }
    return {-1, -1};
}

void clickAt(const std::string& window, QPoint p, int button = 1) {
    capture("xdotool mousemove --window " + window + " " + std::to_string(p.x()) + " " +
            std::to_string(p.y()) + " click " + std::to_string(button));
}

class WindowE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* tool :
             {"Xvfb", "xdotool", "trayer", "dbus-run-session", "dbus-send", "import", "xwininfo"}) {
            if (!installed(tool)) {
                missing_ = std::string(tool) + " is not installed";
                return;
            }
        }
        // One folder per test process: ctest runs the cases in parallel, each with its display.
        scratch_ =
            fs::path(TORVEX_BINARY_DIR) / "tests" / "window-e2e" / std::to_string(::getpid());
        fs::remove_all(scratch_);
        fs::create_directories(scratch_);
        // Some cases start without a virtual mouse, and then the instance lock is one per user:
        // a private runtime folder keeps them clear of a torvex the user runs, and of other test
        // runs.
        const fs::path runtime = scratch_ / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        xvfb_ = std::make_unique<XServer>(scratch_);
        if (!xvfb_->ready()) {
            missing_ = "Xvfb does not start: " + xvfb_->error();
            return;
        }
        trayer_ = std::make_unique<Process>(
            "/usr/bin/env",
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype",
                                     "pixel", "--width", "200", "--height", "24"},
            scratch_);
        // The tray is there once trayer owns the tray selection (its panel comes earlier).
        if (!eventually(trayHostPresent, 30s)) {
            missing_ = "trayer does not start: " + trayer_->errSoFar() + "\n" + xvfb_->state() +
                       capture("ls -la /tmp/.X11-unix; ss -xl | grep X11");
            return;
        }
        artefacts_ = fs::path(TORVEX_BINARY_DIR) / "test-artifacts" / "window";
        fs::create_directories(artefacts_);
    }
    static void TearDownTestSuite() {
        if (trayer_) {
            trayer_->stop(SIGTERM, 20s);
        }
        trayer_.reset();
        xvfb_.reset();
        const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
        if (suite != nullptr && suite->Passed() && !scratch_.empty()) {
            std::error_code ec;
            fs::remove_all(scratch_, ec);
        }
    }
    void SetUp() override {
        if (!missing_.empty()) {
            TORVEX_MISSING_TOOL(missing_);
        }
    }
    // Runs torvex under its own session bus, which also stands in for the system bus (where
    // logind's resume notice comes from); the bus address is left in `busFile`.
    // `pidFile` receives torvex's own process id.
    Process start(const std::vector<std::string>& args, const fs::path& busFile = "/dev/null",
                  const fs::path& pidFile = "/dev/null") {
        std::vector<std::string> all{
            "--",
            "/bin/sh",
            "-c",
            "echo \"$DBUS_SESSION_BUS_ADDRESS\" > " + quoted(busFile.string()) + "; echo $$ > " +
                quoted(pidFile.string()) +
                "; DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS exec \"$0\" \"$@\"",
            kTorvex.string(),
            "--verbose"};
        all.insert(all.end(), args.begin(), args.end());
        return Process("/usr/bin/dbus-run-session", all, scratch_);
    }

    // What the test sees when a step fails: the program's side, and the tray's.
    static std::string why(Process& torvex) {
        return diagnose(torvex) + "\ntray host: " + (trayHostPresent() ? "present" : "absent") +
               ", trayer " + (trayer_ && trayer_->running() ? "runs" : "has ended") + ": " +
               (trayer_ ? trayer_->errSoFar() : std::string());
    }

    static inline std::string missing_;
    static inline fs::path scratch_;
    static inline fs::path artefacts_;
    static inline std::unique_ptr<XServer> xvfb_;
    static inline std::unique_ptr<Process> trayer_;
};

TEST_F(WindowE2E, ShapeApplyLanguageTraySecondStartAndExit) {
    const fs::path home = scratch_ / "home";
    const fs::path vm = scratch_ / "vm";
    const QImage rootBefore = screenshot("root", scratch_ / "root-before.png");
    const fs::path busFile = scratch_ / "bus";
    Process torvex = start({"--virtual-mouse=" + vm.string(), "--home", home.string()}, busFile);

    std::string window;
    ASSERT_TRUE(eventually([&] { return !(window = visibleWindow(kTitleCn)).empty(); }, 60s))
        << why(torvex);
    ASSERT_TRUE(eventually([&] { return lines(vm / "reports.log") >= 14; }, 30s)) << why(torvex);
    EXPECT_EQ(lines(vm / "reports.log"), 14u);

    // The shape: a pixel cut away by the mask shows the root window, a kept one the window.
    std::this_thread::sleep_for(500ms);
    const QPoint origin = windowPositionOf(window);
    const QImage mask(QString::fromStdString((kData / "skins" / "main_mask.jpg").string()));
    const QImage normal(QString::fromStdString((kData / "skins" / "main_normal.jpg").string()));
    const auto light = [&](int x, int y) {
        const QColor c = mask.pixelColor(x, y);
        return c.red() > 100 && c.green() > 100 && c.blue() > 100;
    };
    QPoint cut(-1, -1), kept(-1, -1);
    for (int y = 2; y < mask.height() - 2 && (cut.x() < 0 || kept.x() < 0); ++y) {
        for (int x = 2; x < mask.width() - 2; ++x) {
            bool allLight = true, allDark = true;
            for (int dx = -2; dx <= 2; ++dx) {
                for (int dy = -2; dy <= 2; ++dy) {
                    (light(x + dx, y + dy) ? allDark : allLight) = false;
                }
            }
            if (allLight && cut.x() < 0) {
                cut = {x, y};
            }
            if (allDark && kept.x() < 0 && normal.pixelColor(x, y).lightness() > 80) {
                kept = {x, y};
            }
        }
    }
    ASSERT_GE(cut.x(), 0) << "the mask cuts something away";
    ASSERT_GE(kept.x(), 0);
    const QImage rootAfter = screenshot("root", scratch_ / "root-after.png");
    EXPECT_EQ(rootAfter.pixelColor(origin + cut), rootBefore.pixelColor(origin + cut));
    EXPECT_NE(rootAfter.pixelColor(origin + kept), rootBefore.pixelColor(origin + kept));

    // Dragging the background moves the window (by hand here: Xvfb has no window manager).
    QPoint background(-1, -1);
    for (int y = 5; y < mask.height() && background.x() < 0; y += 5) {
        for (int x = 5; x < mask.width(); x += 5) {
            bool onEntry = light(x, y);
            for (int k = 0; k < 80 && !onEntry; ++k) {
                onEntry = entryRect(0, k).adjusted(-3, -3, 3, 3).contains(x, y);
            }
            if (!onEntry) {
                background = {x, y};
                break;
            }
        }
    }
    ASSERT_GE(background.x(), 0);
    const QPoint from = origin + background;
    capture("xdotool mousemove " + std::to_string(from.x()) + " " + std::to_string(from.y()) +
            " mousedown 1 mousemove " + std::to_string(from.x() + 40) + " " +
            std::to_string(from.y() + 30) + " sleep 0.3 mouseup 1");
    EXPECT_TRUE(
        eventually([&] { return windowPositionOf(window) == origin + QPoint(40, 30); }, 20s))
        << windowPositionOf(window).x() << "," << windowPositionOf(window).y();

    // Apply sends the fourteen reports again.
    clickAt(window, entryCentre(0, 3));
    EXPECT_TRUE(eventually([&] { return lines(vm / "reports.log") >= 28; }, 30s))
        << lines(vm / "reports.log");

    // Waking from standby sends everything again.
    const std::string bus = slurp(busFile);
    capture("dbus-send --bus=" + quoted(bus.substr(0, bus.find('\n'))) +
            " --type=signal /org/freedesktop/login1 "
            "org.freedesktop.login1.Manager.PrepareForSleep boolean:false");
    EXPECT_TRUE(eventually([&] { return lines(vm / "reports.log") >= 42; }, 30s))
        << lines(vm / "reports.log");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(lines(vm / "reports.log"), 42u); // one download per notice, no more

    // A screenshot of each page.
    for (auto [tab, name] :
         {std::pair{10, "macro"}, std::pair{11, "colour"}, std::pair{9, "main"}}) {
        clickAt(window, entryCentre(0, tab));
        std::this_thread::sleep_for(700ms);
        const QImage shot = screenshot(window, artefacts_ / (std::string("page-") + name + ".png"));
        EXPECT_FALSE(shot.isNull()) << name;
    }

    // English: the window carries the English title.
    clickAt(window, entryCentre(0, 18));
    ASSERT_TRUE(eventually([&] { return visibleWindow(kTitleEn) == window; }, 30s)) << why(torvex);
    EXPECT_EQ(ini::readString(home / "config.ini", "Init", "VER_SEL", 8), "1");

    // Close to the tray: the window goes, the program stays; a double click on the icon
    // brings it back.
    clickAt(window, entryCentre(1, 13));
    ASSERT_TRUE(eventually([&] { return visibleWindow(kTitleEn).empty(); }, 30s)) << why(torvex);
    const QPoint trayIcon = trayIconCentre();
    ASSERT_GE(trayIcon.x(), 0) << "no tray icon\n" << why(torvex);
    capture("xdotool mousemove " + std::to_string(trayIcon.x()) + " " +
            std::to_string(trayIcon.y()) + " click --repeat 2 --delay 80 1");
    EXPECT_TRUE(eventually([&] { return visibleWindow(kTitleEn) == window; }, 30s));
    clickAt(window, entryCentre(1, 13));
    ASSERT_TRUE(eventually([&] { return visibleWindow(kTitleEn).empty(); }, 30s)) << why(torvex);

    // A second start brings the first window back and ends at once without a word.
    Process second = start({"--virtual-mouse", "--home", home.string()});
    const Finished secondEnd = second.wait(20s);
    EXPECT_EQ(secondEnd.status, 0) << secondEnd.err;
    EXPECT_TRUE(eventually([&] { return visibleWindow(kTitleEn) == window; }, 30s));

    // Exit from the tray menu (right click on the icon, second command).
    const QPoint icon = trayIconCentre();
    ASSERT_GE(icon.x(), 0) << "no tray icon\n" << why(torvex);
    const int iconX = icon.x();
    const int iconY = icon.y();
    capture("xdotool mousemove " + std::to_string(iconX) + " " + std::to_string(iconY) +
            " click 3");
    std::this_thread::sleep_for(700ms);
    screenshot("root", artefacts_ / "tray-menu.png");
    // The owner-drawn English menu: two items of 11 characters, 8 px each (and the room for a
    // check mark), 20 px high.
    EXPECT_NE(capture("xwininfo -root -tree").find("(\"torvex\" \"torvex\")  102x40+"),
              std::string::npos);
    capture("xdotool key Down Down Return");
    const Finished end = torvex.wait(20s);
    EXPECT_EQ(end.status, 0) << end.err;
    const std::string log = slurp(vm / "reports.log");
    const auto last = log.rfind('\n', log.size() - 2);
    EXPECT_NE(log.substr(last + 1).find(" 07 20 00 00"), std::string::npos) << log;
}

TEST_F(WindowE2E, HiddenStartSecondStartShowsItAndTerminationRunsTheExitPath) {
    const fs::path home = scratch_ / "home-hidden";
    const fs::path vm = scratch_ / "vm-hidden";
    const fs::path pidFile = scratch_ / "hidden.pid";
    Process torvex = start({"--hidden", "--virtual-mouse=" + vm.string(), "--home", home.string()},
                           "/dev/null", pidFile);
    ASSERT_TRUE(eventually([&] { return lines(vm / "reports.log") >= 14; }, 60s)) << why(torvex);
    ASSERT_TRUE(eventually([] { return trayIconCentre().x() >= 0; }, 20s)) << "the tray icon\n"
                                                                           << why(torvex);
    EXPECT_TRUE(visibleWindow(kTitleCn).empty()) << "started in the tray";

    // The same virtual mouse's folder: a virtual mouse's copies are told apart by their folder.
    Process second = start({"--virtual-mouse", "--home", home.string()});
    const Finished secondEnd = second.wait(20s);
    EXPECT_EQ(secondEnd.status, 0) << secondEnd.err;
    EXPECT_TRUE(eventually([&] { return !visibleWindow(kTitleCn).empty(); }, 30s));

    // The session ending (SIGTERM to the program) leaves the mouse as "Exit Driver" does.
    const int pid = std::atoi(slurp(pidFile).c_str());
    ASSERT_GT(pid, 1);
    ::kill(pid, SIGTERM);
    const Finished end = torvex.wait(20s);
    EXPECT_EQ(end.status, 0) << end.err;
    const std::string log = slurp(vm / "reports.log");
    EXPECT_NE(log.substr(log.rfind('\n', log.size() - 2) + 1).find(" 07 20 00 00"),
              std::string::npos)
        << log;
    EXPECT_EQ(ini::readString(vm / "pointer.ini", "Pointer", "Speed", 8), "10");
}

// A start that ends with a message box: press its OK and return how the program ended.
Finished answerMessage(Process& p) {
    std::string box;
    eventually([&] { return !(box = visibleWindow("torvex")).empty(); }, 60s);
    if (!box.empty()) {
        capture("xdotool windowfocus --sync " + box + " key Return");
    }
    return p.wait(20s);
}

TEST_F(WindowE2E, StartWithoutAMouseShowsThePlugInMessageAndEnds) {
    const fs::path home = scratch_ / "home-no-mouse";
    Process torvex = start({"--home", home.string()});
    const Finished end = answerMessage(torvex);
    EXPECT_EQ(end.status, 1);
    EXPECT_NE(end.err.find("请插入【TORVEX V3】USB鼠标"), std::string::npos) << end.err;
    EXPECT_TRUE(visibleWindow(kTitleCn).empty());
}

TEST_F(WindowE2E, AMissingLayoutFileShowsItsMessageAndEnds) {
    const fs::path home = scratch_ / "home-no-layout";
    const fs::path vm = scratch_ / "vm-no-layout";
    fs::create_directories(home);
    fs::copy(kData / "skins", home / "skins", fs::copy_options::recursive);
    fs::remove(home / "skins" / "INI_CN" / "LBWarning.ini");
    Process torvex = start({"--virtual-mouse=" + vm.string(), "--home", home.string()});
    const Finished end = answerMessage(torvex);
    EXPECT_EQ(end.status, 1);
    EXPECT_NE(end.err.find("找不到配置文件"), std::string::npos) << end.err;
    EXPECT_EQ(lines(vm / "reports.log"), 0u) << "no download";
}

} // namespace
} // namespace torvex::testing

int main(int argc, char** argv) {
    // Pictures are decoded without a display of our own.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
