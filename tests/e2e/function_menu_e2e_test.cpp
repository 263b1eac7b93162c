// The real torvex binary under Xvfb on the virtual mouse: a button gets a user macro through the
// function menu and its submenu, the last left click is guarded by the warning window, and Apply
// sends what was chosen.
#include "window_fixture.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace torvex::testing {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Our visible windows without a title of their own: the submenu and the warning window.
std::vector<std::string> untitledPopups() {
    std::vector<std::string> ids;
    for (const std::string& id :
         splitLines(capture("xdotool search --onlyvisible --classname torvex"))) {
        const std::string name = capture("xdotool getwindowname " + id);
        if (name.rfind("TORVEX V3", 0) != 0 && name != "MainMenuDlg\n") {
            ids.push_back(id);
        }
    }
    return ids;
}

std::array<int, 4> entry(const std::string& file, int key) {
    return layoutEntry(file, "BUTTONPOS", key);
}

class FunctionMenuE2E : public WindowFixture {
protected:
    void SetUp() override { startWindow("menu-e2e", {"Xvfb", "xdotool"}); }
    // The lower-left corner of a button slot on the screen: where its popups open.
    Point slotCorner(int slot) const {
        const auto e = entry("INI_CN/skin_main.ini", 25 + slot);
        return {main.x + e[0], main.y + e[1] + e[3]};
    }
    Point slotCentre(int slot) const {
        const auto e = entry("INI_CN/skin_main.ini", 25 + slot);
        return {main.x + e[0] + e[2] / 2, main.y + e[1] + e[3] / 2};
    }
    void apply() {
        const auto e = entry("INI_CN/skin_main.ini", 3);
        const std::size_t before = reports().size();
        clickScreen({main.x + e[0] + e[2] / 2, main.y + e[1] + e[3] / 2});
        ASSERT_TRUE(eventually([&] { return reports().size() > before + 200; }, 20s));
        std::this_thread::sleep_for(300ms);
    }
    // Reports sent since `from` characters of the log.
    std::string since(std::size_t from) const { return reports().substr(from); }
};

TEST_F(FunctionMenuE2E, AUserMacroThroughTheSubmenuAndTheWarningBeforeTheLastLeftClick) {
    // The menu opens below slot 1; its row 9 opens the user's macros beside it.
    clickScreen(slotCentre(1));
    ASSERT_TRUE(eventually([] { return visibleWindows("MainMenuDlg").size() == 1; }, 20s));
    const Point menu = windowPosition(visibleWindows("MainMenuDlg").front());
    EXPECT_EQ(menu.x, slotCorner(1).x);
    EXPECT_EQ(menu.y, slotCorner(1).y);
    const int item = 28; // the real menu_mask.jpg is 281 pixels tall: rows of 28
    clickScreen({menu.x + 60, menu.y + 8 * item + item / 2});
    ASSERT_TRUE(eventually([] { return untitledPopups().size() == 1; }, 20s));
    const Point sub = windowPosition(untitledPopups().front());
    EXPECT_EQ(sub.x, menu.x + 200) << "beside the menu (menu_mask.jpg is 200 wide)";
    // Row 2 of the submenu: the second user macro, code 42.
    clickScreen({sub.x + 60, sub.y + item + item / 2});
    ASSERT_TRUE(eventually([] { return visibleWindows("MainMenuDlg").empty(); }, 20s));
    EXPECT_TRUE(untitledPopups().empty());

    std::size_t from = reports().size();
    apply();
    // Button 2 performs a macro: the mouse is told 0 for it.
    EXPECT_NE(since(from).find("07 10 02 00"), std::string::npos) << since(from);

    // Slot 0 holds the only left click: the warning comes first, at the slot's corner.
    clickScreen(slotCentre(0));
    ASSERT_TRUE(eventually([] { return untitledPopups().size() == 1; }, 20s));
    const Point warning = windowPosition(untitledPopups().front());
    EXPECT_EQ(warning.x, slotCorner(0).x);
    EXPECT_EQ(warning.y, slotCorner(0).y);
    const auto cancel = entry("INI_CN/LBWarning.ini", 1);
    clickScreen({warning.x + cancel[0] + cancel[2] / 2, warning.y + cancel[1] + cancel[3] / 2});
    ASSERT_TRUE(eventually([] { return untitledPopups().empty(); }, 20s));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(visibleWindows("MainMenuDlg").empty()) << "cancelled: no menu";

    clickScreen(slotCentre(0));
    ASSERT_TRUE(eventually([] { return untitledPopups().size() == 1; }, 20s));
    const auto goOn = entry("INI_CN/LBWarning.ini", 0);
    clickScreen({warning.x + goOn[0] + goOn[2] / 2, warning.y + goOn[1] + goOn[3] / 2});
    ASSERT_TRUE(eventually([] { return visibleWindows("MainMenuDlg").size() == 1; }, 20s));
    // Row 3 (middle click): slot 1 takes over the left click.
    clickScreen({menu.x + 60, slotCorner(0).y + 2 * item + item / 2});
    ASSERT_TRUE(eventually([] { return visibleWindows("MainMenuDlg").empty(); }, 20s));
    from = reports().size();
    apply();
    EXPECT_NE(since(from).find("07 10 01 03"), std::string::npos) << since(from);
    EXPECT_NE(since(from).find("07 10 02 01"), std::string::npos) << since(from);
}

} // namespace
} // namespace torvex::testing
