// The real torvex binary under Xvfb on the virtual mouse: a macro is recorded with keys typed
// on the X server while the window holds the keyboard, saved, and played by a button press as
// key reports with the recorded pause.
#include "window_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

namespace torvex::testing {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Clicks and gives the window a moment to act on it.
void clickAndSettle(Point p, int button = 1) {
    clickScreen(p, button);
    std::this_thread::sleep_for(300ms);
}

// The pixels of a rectangle of the screen, as raw RGB.
std::string pixels(Point at, const std::array<int, 4>& e) {
    return capture("import -window root -crop " + std::to_string(e[2]) + "x" +
                   std::to_string(e[3]) + "+" + std::to_string(at.x + e[0]) + "+" +
                   std::to_string(at.y + e[1]) + " +repage -depth 8 rgb:-");
}

// The key reports (0x15) of a stretch of reports.log: time in ms and the first key byte.
struct KeyReport {
    double ms = 0;
    int key = 0;
};
std::vector<KeyReport> keyReports(const std::string& log) {
    std::vector<KeyReport> out;
    std::istringstream in(log);
    std::string line;
    const std::regex form(R"(^(\d+\.\d+) 07 15 ([0-9A-F]{2}))");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, form)) {
            out.push_back({std::stod(m[1]), std::stoi(m[2], nullptr, 16)});
        }
    }
    return out;
}

class MacroRecordE2E : public WindowFixture {
protected:
    void SetUp() override { startWindow("record-e2e", {"Xvfb", "xdotool", "import"}); }
    Point onMain(int key) const {
        return centreOf(main, layoutEntry("INI_CN/skin_main.ini", "BUTTONPOS", key));
    }
    Point advanced(int key) const {
        return centreOf(main, layoutEntry("INI_CN/skin_advance.ini", "BUTTONPOS", key));
    }
    std::string macroFile() const { return slurp(scratch / "home" / "Macro_CN.dat"); }
    // Our visible windows: the main window, and the popups and menus while they show.
    static std::string ours() { return capture("xdotool search --onlyvisible --classname torvex"); }
};

TEST_F(MacroRecordE2E, AMacroChosenInTheMenuRecordedFromTheKeyboardIsPlayedByTheButton) {
    // Button 1 gets the first user macro through the function menu: its row 9 opens the user's
    // macros beside it, and the submenu's first row is that macro.
    clickAndSettle(onMain(25 + 1));
    ASSERT_TRUE(eventually([] { return visibleWindows("MainMenuDlg").size() == 1; }, 20s));
    const Point menu = windowPosition(visibleWindow("MainMenuDlg"));
    const int item = 28; // rows of the real menu pictures
    const auto menuShown = splitLines(ours());
    clickAndSettle({menu.x + 60, menu.y + 8 * item + item / 2});
    std::string submenu;
    ASSERT_TRUE(eventually(
        [&] {
            for (const std::string& id : splitLines(ours())) {
                if (std::find(menuShown.begin(), menuShown.end(), id) == menuShown.end()) {
                    submenu = id;
                }
            }
            return !submenu.empty();
        },
        20s));
    const Point sub = windowPosition(submenu);
    clickAndSettle({sub.x + 60, sub.y + item / 2});
    ASSERT_TRUE(eventually([] { return visibleWindows("MainMenuDlg").empty(); }, 20s));
    std::size_t from = reports().size();
    clickAndSettle(onMain(3)); // Apply
    ASSERT_TRUE(eventually([&] { return reports().size() > from + 200; }, 20s));
    EXPECT_EQ(ini::readString(scratch / "home" / "config.ini", "Config1", "K1", 8), "41");

    // The macro page with the first macro; what the lists show of the factory macro is kept to
    // compare after restoring the defaults.
    clickAndSettle(onMain(10));
    const auto names = layoutEntry("INI_CN/skin_advance.ini", "MACRODISPLAY", 1);
    const auto events = layoutEntry("INI_CN/skin_advance.ini", "MACRODISPLAY", 2);
    const Point firstName{main.x + names[0] + 20, main.y + names[1] + 6};
    const Point away{main.x + 5, main.y + 5};
    clickAndSettle(firstName);
    capture("xdotool mousemove " + std::to_string(away.x) + " " + std::to_string(away.y));
    std::this_thread::sleep_for(300ms);
    const std::string factoryNames = pixels(main, names);
    const std::string factoryEvents = pixels(main, events);
    ASSERT_FALSE(factoryEvents.empty());
    const std::string before = macroFile();

    clickAndSettle(advanced(4)); // record
    capture("xdotool keydown a");
    std::this_thread::sleep_for(100ms);
    capture("xdotool keyup a");
    std::this_thread::sleep_for(400ms);
    capture("xdotool key b");
    std::this_thread::sleep_for(200ms);
    clickAndSettle(advanced(4)); // stop
    EXPECT_EQ(macroFile(), before) << "nothing saved yet";
    EXPECT_EQ(torvex->errSoFar().find("could not be captured"), std::string::npos)
        << torvex->errSoFar();
    clickAndSettle(advanced(5)); // save
    ASSERT_TRUE(eventually([&] { return macroFile() != before; }, 20s));

    // The event list's context menu opens on a right-button release and Esc closes it again
    // without closing the window.
    const Point firstEvent{main.x + events[0] + 20, main.y + events[1] + 6};
    const std::string shown = ours();
    capture("xdotool mousemove " + std::to_string(firstEvent.x) + " " +
            std::to_string(firstEvent.y) + " click 3");
    EXPECT_TRUE(eventually([&] { return ours().size() > shown.size(); }, 20s)) << "no menu";
    capture("xdotool key Escape");
    EXPECT_TRUE(eventually([&] { return ours() == shown; }, 20s));
    EXPECT_FALSE(visibleWindow(kTitleCn).empty());

    // Button 1 on the mouse plays what was typed.
    from = reports().size();
    ASSERT_EQ(std::system((kTorvexCtl.string() + " vmouse " + quoted((scratch / "vm").string()) +
                           " click 1 >/dev/null")
                              .c_str()),
              0);
    std::vector<KeyReport> keys;
    ASSERT_TRUE(eventually(
        [&] {
            keys = keyReports(reports().substr(from));
            return keys.size() >= 4;
        },
        20s))
        << reports().substr(from);
    // A down, A up, B down, B up: usage 04, nothing, 05, nothing.
    ASSERT_EQ(keys.size(), 4u) << reports().substr(from);
    EXPECT_EQ(keys[0].key, 0x04);
    EXPECT_EQ(keys[1].key, 0x00);
    EXPECT_EQ(keys[2].key, 0x05);
    EXPECT_EQ(keys[3].key, 0x00);
    // The pause between A up and B down was about 400 ms when typed.
    EXPECT_GT(keys[2].ms - keys[1].ms, 250.0);
    EXPECT_LT(keys[2].ms - keys[1].ms, 1500.0);

    // A command chosen in the real menu with the keyboard: insert a left-button down before the
    // first event, then save.
    const std::string saved = macroFile();
    capture("xdotool mousemove " + std::to_string(firstEvent.x) + " " +
            std::to_string(firstEvent.y) + " click 3");
    ASSERT_TRUE(eventually([&] { return ours().size() > shown.size(); }, 20s));
    for (const char* key : {"Down", "Right", "Right", "Return"}) {
        capture(std::string("xdotool key ") + key);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(eventually([&] { return ours() == shown; }, 20s));
    clickAndSettle(advanced(5));
    ASSERT_TRUE(eventually([&] { return macroFile() != saved; }, 20s));
    const std::string shownMacro = capture(kTorvexCtl.string() + " --home " +
                                           quoted((scratch / "home").string()) + " macro show 0");
    // The name line, then the inserted event with the default pause before the recorded keys.
    EXPECT_NE(shownMacro.find("\n[↓]L-KEY\n    30ms\n[↓]A\n"), std::string::npos) << shownMacro;

    // Restoring the defaults brings the factory macros back, in the file and in the lists, and
    // the factory profile, which sends button 1 back to the mouse.
    clickAndSettle(firstName);
    capture("xdotool mousemove " + std::to_string(away.x) + " " + std::to_string(away.y));
    std::this_thread::sleep_for(300ms);
    ASSERT_NE(pixels(main, events), factoryEvents) << "the lists show the recorded macro";
    from = reports().size();
    clickAndSettle(onMain(16));
    ASSERT_TRUE(eventually([&] { return reports().size() > from + 200; }, 20s)) << "download";
    EXPECT_EQ(macroFile(), slurp(kData / "skins" / "INI_CN" / "defMacro.dat"));
    EXPECT_EQ(ini::readString(scratch / "home" / "config.ini", "Config1", "K1", 8),
              ini::readString(kData / "config.ini", "Config1", "K1", 8));
    clickAndSettle(firstName);
    capture("xdotool mousemove " + std::to_string(away.x) + " " + std::to_string(away.y));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(pixels(main, names), factoryNames);
    EXPECT_EQ(pixels(main, events), factoryEvents);
}

} // namespace
} // namespace torvex::testing
