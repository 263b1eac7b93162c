// Hit tests, hover tracking and every press and release rule of the three pages, with a window
// that records what it is asked to do.
#include "test_skin.h"
#include "ui/skin/dpi_colour.h"
#include "ui/skin/pointer_dispatch.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace torvex::ui {
namespace {
using uitest::advRect;
using uitest::colorRect;
using uitest::mainRect;

class RecordingWindow final : public WindowActions {
public:
    std::vector<std::string> calls;
    int warningAnswer = 1;
    UiModel* model = nullptr;

    void note(std::string what) { calls.push_back(std::move(what)); }
    void repaint() override { note("repaint"); }
    void repaintAdvancedRegion() override { note("repaintAdvanced"); }
    void paintNow() override { note("paintNow"); }
    void moveWindow(QPoint) override { note("move"); }
    void minimise() override { note("minimise"); }
    void hideToTray() override { note("hide"); }
    QPoint windowTopLeft() const override { return {1000, 500}; }
    void saveProfile() override { note("saveProfile"); }
    void saveDpiAndHide() override { note("saveDpiAndHide"); }
    void downloadSettings() override { note("download"); }
    void loadProfile() override { note("loadProfile " + std::to_string(model->curConfig)); }
    void importConfiguration() override { note("importConfig"); }
    void exportConfiguration() override { note("exportConfig"); }
    void restoreDefaults() override { note("restoreDefaults"); }
    void switchLanguage(int language) override { note("language " + std::to_string(language)); }
    void openWebSite() override { note("web"); }
    int showWarning() override {
        note("warning");
        return warningAnswer;
    }
    void openFunctionMenu() override { note("openMenu"); }
    void closeFunctionMenu() override { note("closeMenu"); }
    void createMacroControls() override { note("createControls"); }
    void destroyMacroControls() override { note("destroyControls"); }
    void refillMacroList() override { note("refill"); }
    void macroCommand(MacroCommand c) override { note("macro " + std::to_string(int(c))); }
    void startLedPreview() override { note("startPreview"); }

    // The calls other than repaints.
    std::vector<std::string> actions() const {
        std::vector<std::string> out;
        for (const auto& c : calls) {
            if (c != "repaint" && c != "paintNow" && c != "repaintAdvanced") {
                out.push_back(c);
            }
        }
        return out;
    }
};

using Calls = std::vector<std::string>;

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        LayoutReporter none;
        for (auto load : {LoadMainLayout, LoadColorLayout, LoadAdvancedLayout}) {
            ASSERT_TRUE(load(skin.dir(), 1, layout, none));
        }
        window.model = &model;
        model.curConfig = 1;
        model.settings.buttonFunction = {1, 2, 3, 4, 5, 1, 0};
        model.settings.dpiSetEnabled = {1, 1, 1, 1};
    }
    static QPoint inside(const QRect& r) { return r.topLeft() + QPoint(2, 2); }
    void click(QPoint p) {
        dispatcher.move(p);
        dispatcher.press(p);
        dispatcher.release(p);
    }
    void pressAt(QPoint p) {
        dispatcher.move(p);
        dispatcher.press(p);
    }
    QPoint background() const { return {uitest::kWidth - 2, uitest::kHeight - 2}; }

    uitest::TestSkin skin;
    SkinLayout layout;
    UiModel model;
    RecordingWindow window;
    PointerDispatcher dispatcher{model, layout, window};
};

TEST(HitTest, EdgesOverlapsAndLastIndex) {
    std::array<SkinEntry, 4> table{SkinEntry{10, 10, 20, 10, {}}, SkinEntry{25, 10, 20, 10, {}},
                                   SkinEntry{}, SkinEntry{0, 0, 100, 100, {}}};
    EXPECT_EQ(HitTest({10, 10}, table, 3), 0);
    EXPECT_EQ(HitTest({29, 19}, table, 3), 0);
    EXPECT_EQ(HitTest({30, 10}, table, 1), 1) << "x + width is outside entry 0";
    EXPECT_EQ(HitTest({26, 12}, table, 3), 0) << "overlap: the lower index wins";
    EXPECT_EQ(HitTest({20, 20}, table, 3), 3) << "y + height is outside entry 0";
    EXPECT_EQ(HitTest({20, 20}, table, 2), kNoEntry)
        << "entries past the last index are not tested";
    EXPECT_EQ(HitTest({0, 0}, table, 2), kNoEntry) << "an empty entry is never hit";
    EXPECT_EQ(HitTest({50, 50}, table, 99), 3) << "a last index past the table is cut";
}

TEST_F(Dispatch, HoverTracksThreeIndexesWithPageLimitsAndRepaintsOnChange) {
    dispatcher.move(inside(mainRect(25)));
    EXPECT_EQ(model.pointer.hotMain, 25);
    EXPECT_EQ(window.calls, (Calls{"repaint", "paintNow"}));
    window.calls.clear();
    dispatcher.move(inside(mainRect(25)) + QPoint(1, 1));
    EXPECT_TRUE(window.calls.empty()) << "no change, no repaint";

    model.pointer.curPage = kAdvancedPage;
    dispatcher.move(inside(mainRect(25)));
    EXPECT_EQ(model.pointer.hotMain, kNoEntry) << "only main entries 0..19 on other pages";
    dispatcher.move(inside(advRect(37)));
    EXPECT_EQ(model.pointer.hotAdv, 37);
    EXPECT_EQ(model.pointer.hotColor, kNoEntry);
    window.calls.clear();
    dispatcher.move(inside(advRect(38)));
    EXPECT_EQ(model.pointer.hotAdv, kNoEntry) << "advanced entries stop at 37";
    EXPECT_EQ(window.calls, (Calls{"repaintAdvanced", "paintNow"}));
    dispatcher.move(inside(colorRect(4)));
    EXPECT_EQ(model.pointer.hotColor, 4);
    dispatcher.move(inside(colorRect(5)));
    EXPECT_EQ(model.pointer.hotColor, kNoEntry);

    // A move that changes two indexes at once paints one frame.
    model.pointer.curPage = kColourPage;
    dispatcher.move(inside(colorRect(4)));
    window.calls.clear();
    dispatcher.move(inside(mainRect(9)));
    EXPECT_EQ(model.pointer.hotMain, 9);
    EXPECT_EQ(model.pointer.hotColor, kNoEntry);
    EXPECT_EQ(window.calls, (Calls{"repaint", "paintNow"}));
}

TEST_F(Dispatch, MainPagePressTable) {
    struct Case {
        int entry;
        Calls actions;
    } cases[] = {
        {0, {"saveProfile"}},
        {14, {"importConfig"}},
        {15, {"exportConfig"}},
        {9, {}},
        {1, {}},
        {20, {}},
        {80, {"move"}}, // current-level marks are not hit-tested: background
    };
    for (const Case& k : cases) {
        window.calls.clear();
        pressAt(inside(mainRect(k.entry)));
        EXPECT_EQ(window.actions(), k.actions) << k.entry;
        EXPECT_TRUE(model.pointer.mouseDown || k.entry == 80) << k.entry;
        dispatcher.release(inside(mainRect(k.entry)));
        EXPECT_FALSE(model.pointer.mouseDown);
    }
    window.calls.clear();
    pressAt(background());
    EXPECT_EQ(window.actions(), Calls{"move"});
    EXPECT_FALSE(model.pointer.mouseDown);

    pressAt(inside(mainRect(41)));
    EXPECT_EQ(model.settings.wheelStatus, 0);
    pressAt(inside(mainRect(42)));
    EXPECT_EQ(model.settings.wheelStatus, 1);
    pressAt(inside(mainRect(56)));
    EXPECT_EQ(model.settings.dpiLevel, 2);
    pressAt(inside(mainRect(73)));
    EXPECT_EQ(model.settings.dpiSet(2), 3);
    EXPECT_EQ(model.settings.dpiChoiceEntry(2), 73);
    pressAt(inside(mainRect(48)));
    EXPECT_EQ(model.settings.dpiSetEnabled[2], 0);
    EXPECT_EQ(model.settings.dpiLevel, 3) << "the level moves on from a disabled slot";
}

TEST_F(Dispatch, FunctionMenuOpensBelowTheSlotAfterTheLeftClickWarning) {
    // Slot 3 (entry 28) while slot 0 holds 1: no warning.
    pressAt(inside(mainRect(28)));
    EXPECT_EQ(window.actions(), Calls{"openMenu"});
    EXPECT_EQ(model.pointer.editedSlot, 3);
    EXPECT_EQ(model.pointer.popupOrigin,
              QPoint(1000 + mainRect(28).x(), 500 + mainRect(28).bottom() + 1));
    EXPECT_TRUE(model.pointer.functionMenuOpen);

    // Any press on the main page first closes the open menu.
    window.calls.clear();
    pressAt(background());
    EXPECT_EQ(window.actions(), (Calls{"closeMenu", "move"}));
    EXPECT_FALSE(model.pointer.functionMenuOpen);

    // Slot 3 the only one with 1: the warning first; answer 2 opens nothing.
    model.settings.buttonFunction = {2, 2, 2, 1, 2, 2, 2};
    window.calls.clear();
    window.warningAnswer = 2;
    pressAt(inside(mainRect(28)));
    EXPECT_EQ(window.actions(), Calls{"warning"});
    EXPECT_FALSE(model.pointer.functionMenuOpen);
    window.calls.clear();
    window.warningAnswer = 1;
    pressAt(inside(mainRect(28)));
    EXPECT_EQ(window.actions(), (Calls{"warning", "openMenu"}));
    // No slot holds 1 at all: every slot warns.
    model.settings.buttonFunction = {2, 2, 2, 2, 2, 2, 2};
    window.calls.clear();
    pressAt(inside(mainRect(25)));
    EXPECT_EQ(window.actions(), (Calls{"closeMenu", "warning", "openMenu"}));
}

TEST_F(Dispatch, ReleaseTableOnEveryPage) {
    struct Case {
        int entry;
        Calls actions;
    } cases[] = {
        {2, {"saveDpiAndHide"}},   {3, {"download"}},
        {4, {"loadProfile 1"}},    {8, {"loadProfile 5"}},
        {12, {"minimise"}},        {13, {"hide"}},
        {16, {"restoreDefaults"}}, {17, {"language 0"}},
        {18, {"language 1"}},      {19, {"web"}},
        {0, {"saveProfile"}},      {1, {}},
    };
    for (std::uint8_t page : {kMainPage, kAdvancedPage, kColourPage}) {
        for (const Case& k : cases) {
            model.pointer.curPage = page;
            // Press somewhere without an action, release over the entry.
            dispatcher.move(inside(mainRect(1)));
            dispatcher.press(inside(mainRect(1)));
            dispatcher.move(inside(mainRect(k.entry)));
            window.calls.clear();
            dispatcher.release(inside(mainRect(k.entry)));
            Calls expected = k.actions;
            if (k.entry == 0) {
                expected.clear(); // saving is a press action of the main page only
            }
            EXPECT_EQ(window.actions(), expected) << int(page) << " entry " << k.entry;
            if (k.entry == 2 || k.entry == 12 || k.entry == 13) {
                EXPECT_EQ(model.pointer.hotMain, kNoEntry);
            }
        }
    }
    EXPECT_EQ(model.curConfig, 5);
}

TEST_F(Dispatch, PageSwitchingCreatesAndDestroysTheMacroControlsAndStartsThePreview) {
    dispatcher.move(inside(mainRect(10)));
    window.calls.clear();
    dispatcher.press(inside(mainRect(10)));
    EXPECT_EQ(model.pointer.curPage, kAdvancedPage);
    EXPECT_EQ(window.calls, (Calls{"repaint", "repaintAdvanced", "createControls", "paintNow",
                                   "refill", "paintNow"}));
    window.calls.clear();
    pressAt(inside(mainRect(10)));
    EXPECT_EQ(window.actions(), Calls{}) << "the tab of the page shown does nothing";
    pressAt(inside(mainRect(11)));
    EXPECT_EQ(model.pointer.curPage, kColourPage);
    EXPECT_EQ(window.actions(), (Calls{"startPreview", "destroyControls"}));
    window.calls.clear();
    pressAt(inside(mainRect(10)));
    EXPECT_EQ(model.pointer.curPage, kAdvancedPage);
    EXPECT_EQ(window.actions(), (Calls{"createControls", "refill"}));
    window.calls.clear();
    pressAt(inside(mainRect(9)));
    EXPECT_EQ(model.pointer.curPage, kMainPage);
    EXPECT_EQ(window.actions(), Calls{"destroyControls"});
    pressAt(inside(mainRect(11)));
    window.calls.clear();
    pressAt(inside(mainRect(9)));
    EXPECT_EQ(model.pointer.curPage, kMainPage);
    EXPECT_EQ(window.actions(), Calls{});
}

TEST_F(Dispatch, AdvancedPagePressTable) {
    model.pointer.curPage = kAdvancedPage;
    for (int k = 0; k <= 6; ++k) {
        window.calls.clear();
        pressAt(inside(advRect(k)));
        EXPECT_EQ(window.actions(), Calls{"macro " + std::to_string(k)});
    }
    pressAt(inside(advRect(7)));
    EXPECT_EQ(model.settings.macroMode, 1);
    pressAt(inside(advRect(7)));
    EXPECT_EQ(model.settings.macroMode, 0);
    pressAt(inside(advRect(12)));
    EXPECT_EQ(model.settings.pointerSpeed, 4);
    pressAt(inside(advRect(27)));
    EXPECT_EQ(model.settings.wheelSpeed, 9);

    const QRect bar = advRect(30);
    pressAt(bar.topLeft());
    EXPECT_EQ(model.settings.fireTime, 0);
    pressAt({bar.right(), bar.y()});
    EXPECT_EQ(model.settings.fireTime, 299) << "no press inside the bar gives 300";
    pressAt({bar.x() + 150, bar.y()});
    EXPECT_EQ(model.settings.fireTime, 150);
    model.settings.fireTime = 300;
    pressAt(inside(advRect(31)));
    EXPECT_EQ(model.settings.fireTime, 300);
    model.settings.fireTime = 0;
    pressAt(inside(advRect(32)));
    EXPECT_EQ(model.settings.fireTime, 0);
    pressAt(inside(advRect(31)));
    EXPECT_EQ(model.settings.fireTime, 1);

    window.calls.clear();
    for (int k : {28, 29, 34, 37}) {
        pressAt(inside(advRect(k)));
    }
    EXPECT_EQ(window.actions(), Calls{});
    // The background moves the window only when no main or advanced entry is hot.
    pressAt(inside(advRect(38)));
    EXPECT_EQ(window.actions(), Calls{"move"});
    window.calls.clear();
    pressAt(inside(mainRect(3)));
    EXPECT_EQ(window.actions(), Calls{});
    // Main entry 25 is not hit-tested here: no function menu.
    pressAt(inside(mainRect(25)));
    EXPECT_EQ(window.actions(), Calls{"move"});
}

TEST_F(Dispatch, ColourPagePressTable) {
    model.pointer.curPage = kColourPage;
    for (std::uint8_t mode : {3, 0, 2, 1}) {
        pressAt(inside(colorRect(mode)));
        EXPECT_EQ(model.settings.ledStatus, mode);
    }
    window.calls.clear();
    pressAt(inside(colorRect(4)));
    EXPECT_EQ(window.actions(), Calls{});
    EXPECT_TRUE(model.pointer.mouseDown);
    pressAt(inside(colorRect(5)));
    EXPECT_EQ(window.actions(), Calls{"move"});
}

TEST(DpiRules, EnableSwitchesLevelButtonsAndNotches) {
    struct Case {
        std::array<std::uint8_t, 4> enabled;
        int level;
        int slot;
        std::array<std::uint8_t, 4> enabledAfter;
        int levelAfter;
    } cases[] = {
        {{0, 1, 0, 0}, 1, 1, {0, 1, 0, 0}, 1}, // the only enabled slot stays enabled and current
        {{1, 1, 0, 1}, 1, 1, {1, 0, 0, 1}, 3}, // 2 is skipped
        {{1, 1, 1, 1}, 3, 3, {1, 1, 1, 0}, 0}, // 3 is followed by 0
        {{1, 1, 0, 1}, 0, 3, {1, 1, 0, 0}, 0}, // not current: nothing else changes
        {{1, 0, 0, 0}, 0, 2, {1, 0, 1, 0}, 0}, // enabling
        {{1, 1, 0, 0}, 7, 1, {1, 0, 0, 0}, 7}, // a level from a file outside 0..3 is left alone
    };
    for (const Case& k : cases) {
        MouseSettings s;
        s.dpiSetEnabled = k.enabled;
        s.dpiLevel = k.level;
        toggleDpiSlot(s, k.slot);
        EXPECT_EQ(s.dpiSetEnabled, k.enabledAfter) << "slot " << k.slot;
        EXPECT_EQ(s.dpiLevel, k.levelAfter) << "slot " << k.slot;
    }
    MouseSettings s;
    s.dpiSetEnabled = {1, 0, 1, 1};
    chooseDpiLevel(s, 1);
    EXPECT_EQ(s.dpiLevel, 0) << "a disabled slot's level button does nothing";
    chooseDpiLevel(s, 3);
    EXPECT_EQ(s.dpiLevel, 3);
    chooseDpiNotch(s, 64);
    EXPECT_EQ(s.dpiSet(0), 4);
    chooseDpiNotch(s, 66);
    EXPECT_EQ(s.dpiSet(1), 1) << "a disabled slot's knob still moves";
    EXPECT_EQ(s.dpiChoiceEntry(1), 66);
}

} // namespace
} // namespace torvex::ui
