#include "fake_page.h"
#include "macro/macro_editor.h"
#include "macro/macro_file.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace torvex {
namespace {

using test::Ev;
using test::eventsOf;
using test::FakePage;
using test::makeMacro;

// The user table, the editor and the page's controls, with the user's gestures.
struct Page {
    MacroTables tables;
    MacroEditor editor{tables};
    FakePage page;

    explicit Page(const std::vector<MacroRecord>& macros, int current = 0) {
        for (std::size_t i = 0; i < macros.size(); ++i) {
            tables.macroTable.records[i] = macros[i];
        }
        tables.macroTable.count = static_cast<int>(macros.size());
        tables.macroTable.currentMacro = current;
        editor.refillMacroList(page);
    }

    // Right-click on an event row (inside the list), the menu closes with command `id`.
    MenuOutcome choose(int row, int id) {
        const bool opens = editor.rightButtonReleased(page, row, true);
        editor.contextMenuClosed(page);
        return opens ? editor.menuCommand(page, id) : MenuOutcome::Ignored;
    }
    // The user picks macro row `row`.
    void pick(int row) {
        page.macroSel = row;
        editor.selectMacro(page);
    }
    const MacroRecord& macro(int i) const {
        return tables.macroTable.records[static_cast<std::size_t>(i)];
    }
};

MacroRecord fullMacro() {
    std::vector<Ev> events;
    for (std::size_t i = 0; i < kMaxMacroEvents; ++i) {
        events.push_back({4 + static_cast<int>(i % 26), 1 + static_cast<int>(i % 2), 10});
    }
    return makeMacro(u"full", events);
}

std::string rowOf(int code, int action) {
    const char* names[] = {"L-KEY", "R-KEY", "M-KEY"};
    return std::string(action == kActionDown ? "[↓]" : "[↑]") + names[code - kLeftButtonCode];
}

TEST(MacroEditor, EveryInsertCommandOnEmptyOneEventAndFullMacros) {
    const struct {
        int english;
        int chinese;
        bool after;
        int code;
        int action;
    } commands[] = {
        {32802, 32817, false, 240, 1}, {32803, 32818, false, 240, 2}, {32804, 32820, false, 241, 1},
        {32805, 32821, false, 241, 2}, {32806, 32823, false, 242, 1}, {32807, 32824, false, 242, 2},
        {32809, 32829, true, 240, 1},  {32810, 32830, true, 240, 2},  {32811, 32831, true, 241, 1},
        {32812, 32832, true, 241, 2},  {32813, 32833, true, 242, 1},  {32814, 32834, true, 242, 2},
    };
    const Ev old{4, kActionDown, 77};
    for (const auto& c : commands) {
        for (const int id : {c.english, c.chinese}) {
            SCOPED_TRACE(id);
            const Ev added{c.code, c.action, kDefaultEventDelay};
            {
                Page p({makeMacro(u"empty", {})});
                EXPECT_EQ(p.choose(0, id), MenuOutcome::Done);
                EXPECT_EQ(eventsOf(p.macro(0)), std::vector<Ev>{added});
                EXPECT_EQ(p.page.eventTexts(), std::vector<std::string>{rowOf(c.code, c.action)});
                // Inserting after into an empty list selects the new row; before keeps the
                // kept row moving two down, past the single row.
                EXPECT_EQ(p.editor.state().eventListRow, c.after ? 0 : 2);
                EXPECT_EQ(p.page.eventSel, c.after ? 0 : -1);
            }
            {
                Page p({makeMacro(u"one", {old})});
                EXPECT_EQ(p.choose(0, id), MenuOutcome::Done);
                const std::vector<Ev> expected =
                    c.after ? std::vector<Ev>{old, added} : std::vector<Ev>{added, old};
                EXPECT_EQ(eventsOf(p.macro(0)), expected);
                EXPECT_EQ(p.page.events.size(), 3u);
                EXPECT_EQ(p.page.eventTexts()[1], c.after ? "    77ms" : "    30ms");
                EXPECT_EQ(p.editor.state().eventListRow, 2);
                EXPECT_EQ(p.page.eventSel, 2);
                EXPECT_EQ(p.editor.state().downCount + p.editor.state().upCount, 2);
            }
            {
                Page p({fullMacro()});
                const MacroRecord before = p.macro(0);
                EXPECT_EQ(p.choose(0, id), MenuOutcome::Overflow);
                EXPECT_EQ(p.macro(0), before);
                EXPECT_EQ(p.editor.state().eventListRow, 0);
                EXPECT_EQ(p.page.events.size(), 2 * kMaxMacroEvents - 1);
            }
        }
    }
}

TEST(MacroEditor, InsertAtADelayRowGoesAroundItsEvent) {
    const std::vector<Ev> three = {{4, 1, 11}, {5, 1, 22}, {6, 1, 33}};
    const struct {
        int row;
        int id;
        std::size_t slot; // where the new event lands
    } cases[] = {
        {3, 32802, 1}, // before, on the delay after event 1
        {3, 32809, 2}, // after
        {4, 32809, 3}, // after the last event
        {0, 32802, 0},
    };
    for (const auto& c : cases) {
        Page p({makeMacro(u"m", three)});
        ASSERT_EQ(p.choose(c.row, c.id), MenuOutcome::Done);
        std::vector<Ev> expected = three;
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(c.slot), {240, 1, 30});
        EXPECT_EQ(eventsOf(p.macro(0)), expected) << c.row << " " << c.id;
        EXPECT_EQ(p.editor.state().eventListRow, c.row + 2);
    }
}

TEST(MacroEditor, DeleteOnEventAndDelayRows) {
    const std::vector<Ev> three = {{4, 1, 11}, {5, 1, 22}, {6, 2, 33}};
    const struct {
        int row;
        std::vector<Ev> left;
        int keptRow;
    } cases[] = {
        {0, {{5, 1, 22}, {6, 2, 33}}, 0},
        {1, {{5, 1, 22}, {6, 2, 33}}, 0}, // the delay after event 0 goes with it
        {3, {{4, 1, 11}, {6, 2, 33}}, 1},
        {4, {{4, 1, 11}, {5, 1, 22}}, 2},
    };
    for (const auto& c : cases) {
        for (const int id : {32781, 32836}) {
            Page p({makeMacro(u"m", three)});
            EXPECT_EQ(p.choose(c.row, id), MenuOutcome::Done);
            EXPECT_EQ(eventsOf(p.macro(0)), c.left) << c.row;
            EXPECT_EQ(p.editor.state().eventListRow, c.keptRow) << c.row;
            EXPECT_EQ(p.page.events.size(), 3u);
        }
    }
    Page empty({makeMacro(u"m", {})});
    EXPECT_EQ(empty.choose(0, 32781), MenuOutcome::Done);
    EXPECT_EQ(empty.macro(0).eventCount, 0);
}

TEST(MacroEditor, ModifyDelayOnlyOnDelayRows) {
    Page p({makeMacro(u"m", {{4, 1, 11}, {5, 1, 22}, {6, 2, 33}})});
    for (int row = 0; row < 5; ++row) {
        for (const int id : {32780, 32835}) {
            EXPECT_EQ(p.choose(row, id),
                      row % 2 == 1 ? MenuOutcome::BeginDelayEdit : MenuOutcome::Ignored)
                << row;
        }
    }
    // Nothing to edit in an empty list, nor while recording.
    Page empty({makeMacro(u"m", {})});
    EXPECT_EQ(empty.choose(1, 32780), MenuOutcome::Ignored);
    p.editor.state().recording = true;
    const MacroRecord before = p.macro(0);
    for (const int id : {32780, 32781, 32802, 32814}) {
        EXPECT_EQ(p.choose(1, id), MenuOutcome::Ignored);
    }
    EXPECT_EQ(p.macro(0), before);
}

TEST(MacroEditor, EditedDelayRowIsStored) {
    const struct {
        std::u16string typed;
        int stored;
    } cases[] = {
        {u"    250ms", 250},
        {u"abc", 0},
        {u"250", 250},
        {u"  12ms34ms", 12},
        {u"ms5", 0},
        {u" +7 ms", 7},
        {u"-5ms", 0},
        {u"65535ms", 65535},
        {u"70000ms", 65535},
        {u"99999999999", 65535},
        {u"", 0},
        {u"\t40 ms", 40},
    };
    for (const auto& c : cases) {
        Page p({makeMacro(u"m", {{4, 1, 11}, {5, 1, 22}, {6, 2, 33}})});
        ASSERT_EQ(p.choose(3, 32780), MenuOutcome::BeginDelayEdit);
        p.page.events[3] = c.typed; // the in-place editor replaced the row
        p.editor.storeEditedDelay(p.page);
        EXPECT_EQ(p.macro(0).delay(1), c.stored) << utf16ToUtf8(c.typed);
        EXPECT_EQ(p.page.eventTexts()[3], "    " + std::to_string(c.stored) + "ms");
        // The list reports the end of an edit twice: the second gives the same result.
        p.editor.storeEditedDelay(p.page);
        EXPECT_EQ(p.macro(0).delay(1), c.stored);
        EXPECT_EQ(p.macro(0).delay(0), 11);
        EXPECT_EQ(p.macro(0).delay(2), 33);
    }
}

TEST(MacroEditor, SaveClampsTheRepeatCountAndWritesItBack) {
    const testing::TempDir tmp("torvex-editor");
    const std::filesystem::path& dir = tmp.path();
    const struct {
        std::u16string field;
        int stored;
        std::u16string shown;
    } cases[] = {
        {u"0", 1, u"1"},
        {u"70000", 65535, u"65535"},
        {u"5", 5, u"5"},
        {u"abc", 1, u"1"},
        {u"  12x", 12, u"  12x"},
        {u"-3", 1, u"1"},
        {u"65535", 65535, u"65535"},
    };
    for (const auto& c : cases) {
        // The count is stored whatever the repeat mode.
        Page p({makeMacro(u"a", {}), makeMacro(u"b", {{4, 1, 0}}, 0, 9)}, 1);
        p.page.repeat = c.field;
        const auto file = dir / "Macro_EN.dat";
        const MacroSaveResult saved = p.editor.saveMacros(p.page, file);
        ASSERT_TRUE(saved.saved) << saved.error;
        EXPECT_EQ(p.page.repeat, c.shown);
        EXPECT_EQ(p.macro(1).repeatCount(), c.stored);
        MacroTable reread;
        ASSERT_TRUE(LoadMacroFile(file, reread).fileFound);
        EXPECT_EQ(reread.count, 2);
        EXPECT_EQ(reread.records[1].repeatCount(), c.stored);
        EXPECT_EQ(reread.records[0].repeatCount(), 1);
    }
    // A failed save says so.
    std::ofstream(dir / "not-a-folder") << "x";
    Page p({makeMacro(u"a", {})});
    const MacroSaveResult failed = p.editor.saveMacros(p.page, dir / "not-a-folder" / "M.dat");
    EXPECT_FALSE(failed.saved);
    EXPECT_FALSE(failed.error.empty());
}

TEST(MacroEditor, NewMacro) {
    const std::u16string twentyFive = u"abcdefghijklmnopqrstuvwxy";
    // A surrogate pair straddling the 19-unit limit is dropped whole.
    const std::u16string straddling = u"abcdefghijklmnopqr\U0001F600";
    const struct {
        std::u16string typed;
        int macros;                // before
        int macrosAfter;           //
        int selected;              // row afterwards, -1 when nothing happened
        std::u16string storedName; // of the selected macro
    } cases[] = {
        {u"new", 2, 3, 2, u"new"},
        {u"Second", 2, 2, 1, u"Second"},                 // existing: selected, not made
        {u"second", 2, 3, 2, u"second"},                 // names compare exactly
        {u"", 2, 2, -1, u""},                            // nothing typed
        {u"x", 12, 12, -1, u""},                         // no room
        {twentyFive, 2, 3, 2, twentyFive.substr(0, 19)}, // cut to fit
        {twentyFive.substr(0, 19) + u"zz", 3, 3, 2, twentyFive.substr(0, 19)}, // cut, then found
        {straddling, 0, 1, 0, u"abcdefghijklmnopqr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.typed));
        std::vector<MacroRecord> macros;
        const std::u16string names[] = {u"First", u"Second", twentyFive.substr(0, 19)};
        for (int i = 0; i < c.macros; ++i) {
            macros.push_back(makeMacro(i < 3 ? names[i] : u"m" + utf8ToUtf16(std::to_string(i)),
                                       {{4 + i, 1, 5}}, 1, 3));
        }
        Page p(macros);
        p.page.macroSel = 0;
        p.page.name = c.typed;
        const MacroRecord before12 = p.macro(12);
        p.editor.newMacro(p.page);
        EXPECT_EQ(p.tables.macroTable.count, c.macrosAfter);
        EXPECT_EQ(p.page.macros.size(), static_cast<std::size_t>(c.macrosAfter));
        EXPECT_EQ(p.macro(12), before12); // the blank slot is never written
        if (c.selected < 0) {
            EXPECT_EQ(p.page.macroSel, 0);
            EXPECT_EQ(p.page.name, c.typed);
            continue;
        }
        EXPECT_EQ(p.page.macroSel, c.selected);
        EXPECT_EQ(p.tables.macroTable.currentMacro, c.selected);
        const MacroRecord& m = p.macro(c.selected);
        EXPECT_EQ(m.nameView(), c.storedName);
        EXPECT_EQ(p.page.name, c.storedName);
        if (c.macrosAfter > c.macros) {
            EXPECT_EQ(m.eventCount, 0);
            EXPECT_EQ(m.repeatMode, 0);
            EXPECT_EQ(m.repeatCount(), 1);
            EXPECT_TRUE(p.page.events.empty());
        } else {
            // The existing macro is shown with its events and repeat count.
            EXPECT_EQ(p.page.events.size(), 1u);
            EXPECT_EQ(p.page.repeat, u"3");
            EXPECT_TRUE(p.page.repeatEnabled);
        }
    }
}

TEST(MacroEditor, DeleteMacro) {
    const auto three = [] {
        return std::vector<MacroRecord>{makeMacro(u"a", {{4, 1, 1}}), makeMacro(u"b", {{5, 1, 2}}),
                                        makeMacro(u"c", {{6, 1, 3}, {6, 2, 4}}, 1, 7)};
    };
    const struct {
        int selected;
        std::vector<std::u16string> left;
        int shown; // row selected and shown afterwards
    } cases[] = {
        {0, {u"b", u"c"}, 0},
        {1, {u"a", u"c"}, 0},
        {2, {u"a", u"b"}, 1},
    };
    for (const auto& c : cases) {
        Page p(three());
        p.pick(c.selected);
        p.editor.deleteMacro(p.page);
        ASSERT_EQ(p.tables.macroTable.count, 2);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(p.macro(static_cast<int>(i)).nameView(), c.left[i]);
            EXPECT_EQ(p.page.macros[i], c.left[i]);
        }
        EXPECT_EQ(p.page.macroSel, c.shown);
        EXPECT_EQ(p.tables.macroTable.currentMacro, c.shown);
        EXPECT_EQ(p.page.name, c.left[static_cast<std::size_t>(c.shown)]);
        // The freed slot keeps its name but holds nothing to play.
        EXPECT_EQ(p.macro(2).eventCount, 0);
        EXPECT_EQ(p.macro(2).repeatMode, 0);
        EXPECT_EQ(p.macro(2).repeatCount(), 1);
    }
    // The macro that moved down keeps its events and repeat setting.
    Page moved(three());
    moved.pick(1);
    moved.editor.deleteMacro(moved.page);
    EXPECT_EQ(eventsOf(moved.macro(1)), (std::vector<Ev>{{6, 1, 3}, {6, 2, 4}}));
    EXPECT_EQ(moved.macro(1).repeatCount(), 7);

    // While recording, or with nothing selected, nothing is deleted.
    Page kept(three());
    kept.editor.state().recording = true;
    kept.editor.deleteMacro(kept.page);
    kept.editor.state().recording = false;
    kept.page.macroSel = -1;
    kept.editor.deleteMacro(kept.page);
    EXPECT_EQ(kept.tables.macroTable.count, 3);
    EXPECT_EQ(kept.page.macros.size(), 3u);
}

TEST(MacroEditor, DeletingTheOnlyMacro) {
    Page p({makeMacro(u"only", {{4, 1, 5}, {4, 2, 5}}, 1, 4)});
    EXPECT_EQ(p.page.repeat, u"4");
    p.editor.deleteMacro(p.page);
    EXPECT_EQ(p.tables.macroTable.count, 0);
    EXPECT_TRUE(p.page.macros.empty());
    EXPECT_EQ(p.page.name, u"");
    EXPECT_EQ(p.page.repeat, u"1");
    EXPECT_FALSE(p.page.repeatEnabled);
    EXPECT_TRUE(p.page.events.empty());
    EXPECT_EQ(p.editor.state().downCount, 0);
    // Every command on the now empty page does nothing, and touches no slot.
    const MacroRecord before = p.macro(0);
    p.editor.deleteMacro(p.page);
    p.editor.toggleRepeat(p.page);
    for (const int id : {32781, 32802, 32809, 32780}) {
        EXPECT_EQ(p.choose(0, id), MenuOutcome::Ignored);
    }
    p.editor.storeEditedDelay(p.page);
    EXPECT_EQ(p.macro(0), before);
    EXPECT_EQ(p.tables.macroTable.count, 0);
}

TEST(MacroEditor, RepeatFieldFollowsTheShownMacro) {
    Page p({makeMacro(u"rep", {{4, 1, 1}}, 1, 12), makeMacro(u"none", {}),
            makeMacro(u"once", {{5, 1, 1}}, 0, 12), makeMacro(u"odd", {{5, 1, 1}}, 5, 12)});
    EXPECT_EQ(p.page.repeat, u"12");
    EXPECT_TRUE(p.page.repeatEnabled);
    p.pick(1); // no events: the field keeps what it showed
    EXPECT_EQ(p.page.repeat, u"12");
    EXPECT_TRUE(p.page.repeatEnabled);
    EXPECT_EQ(p.page.name, u"none");
    p.pick(2);
    EXPECT_EQ(p.page.repeat, u"1");
    EXPECT_FALSE(p.page.repeatEnabled);
    p.pick(3); // a mode other than 0 and 1 shows like 0
    EXPECT_EQ(p.page.repeat, u"1");
    EXPECT_FALSE(p.page.repeatEnabled);

    p.editor.toggleRepeat(p.page); // 5 is not 0: it becomes 0
    EXPECT_EQ(p.macro(3).repeatMode, 0);
    p.editor.toggleRepeat(p.page);
    EXPECT_EQ(p.macro(3).repeatMode, 1);
    EXPECT_EQ(p.page.repeat, u"12");
    EXPECT_TRUE(p.page.repeatEnabled);
    p.editor.toggleRepeat(p.page);
    EXPECT_EQ(p.macro(3).repeatMode, 0);
    EXPECT_EQ(p.page.repeat, u"1");
    EXPECT_FALSE(p.page.repeatEnabled);
}

TEST(MacroEditor, RefillKeepsTheCurrentMacroInTheList) {
    const std::vector<MacroRecord> two = {makeMacro(u"a", {{4, 1, 1}}), makeMacro(u"b", {})};
    const struct {
        int current;
        int selected;
    } cases[] = {{0, 0}, {1, 1}, {7, 1}, {-4, 0}, {1000, 1}};
    for (const auto& c : cases) {
        Page p(two, c.current);
        EXPECT_EQ(p.page.macroSel, c.selected) << c.current;
        EXPECT_EQ(p.tables.macroTable.currentMacro, c.selected);
        EXPECT_EQ(p.page.name, c.selected == 0 ? u"a" : u"b");
    }
    // With no macros the other controls keep what they show.
    Page p(two);
    p.tables.macroTable.count = 0;
    p.editor.refillMacroList(p.page);
    EXPECT_TRUE(p.page.macros.empty());
    EXPECT_EQ(p.page.name, u"a");
    EXPECT_EQ(p.page.events.size(), 1u);
}

TEST(MacroEditor, ShownRowsAndCountersTrackTheMacro) {
    Page p({makeMacro(u"m", {{4, 1, 50}, {4, 2, 30}, {240, 1, 9}})});
    EXPECT_EQ(p.page.eventTexts(),
              (std::vector<std::string>{"[↓]A", "    50ms", "[↑]A", "    30ms", "[↓]L-KEY"}));
    EXPECT_EQ(p.editor.state().downCount, 2);
    EXPECT_EQ(p.editor.state().upCount, 1);
    // The kept row from start-up is the last event's row.
    p.editor.selectLastRowOfCurrentMacro();
    EXPECT_EQ(p.editor.state().eventListRow, 4);
    p.editor.showMacroEvents(p.page, 0);
    EXPECT_EQ(p.page.eventSel, 4);
    // Slots outside the table show nothing rather than reading past it.
    for (const int slot : {-1, 13, 1 << 20}) {
        p.editor.showMacroEvents(p.page, slot);
        EXPECT_TRUE(p.page.events.empty());
        EXPECT_EQ(p.editor.state().downCount, 0);
    }
}

TEST(MacroEditor, IndexesFromStateStayInsideTheTable) {
    // A file may claim 255 events: insertion reports overflow, deletion leaves 253.
    MacroRecord claims255 = fullMacro();
    claims255.eventCount = 255;
    Page p({claims255});
    EXPECT_EQ(p.choose(0, 32809), MenuOutcome::Overflow);
    EXPECT_EQ(p.choose(0, 32781), MenuOutcome::Done);
    EXPECT_EQ(p.macro(0).eventCount, 253);

    // A kept event index past the end appends instead of leaving stale slots inside the macro.
    Page q({makeMacro(u"m", {{4, 1, 1}})});
    EXPECT_EQ(q.editor.insertEvent(0, 40, 240, 1), InsertResult::Inserted);
    EXPECT_EQ(eventsOf(q.macro(0)), (std::vector<Ev>{{4, 1, 1}, {240, 1, 30}}));
    EXPECT_EQ(q.editor.insertEvent(3, 0, 240, 1), InsertResult::NoSuchMacro);
    EXPECT_EQ(q.editor.insertEvent(-1, 0, 240, 1), InsertResult::NoSuchMacro);

    // A current macro outside the table is never written.
    q.tables.macroTable.currentMacro = 99;
    const MacroTable before = q.tables.macroTable;
    q.editor.toggleRepeat(q.page);
    const testing::TempDir tmp("torvex-editor-idx");
    EXPECT_TRUE(q.editor.saveMacros(q.page, tmp.path() / "Macro_EN.dat").saved);
    EXPECT_EQ(q.tables.macroTable.records, before.records);

    // A right-click above the list keeps a negative row: the menu stays shut, and an edit end
    // arriving then stores nothing.
    EXPECT_FALSE(q.editor.rightButtonReleased(q.page, -3, false));
    q.editor.contextMenuClosed(q.page);
    EXPECT_EQ(q.editor.state().editEvent, 0);
    q.editor.storeEditedDelay(q.page);
    EXPECT_EQ(q.tables.macroTable.records, before.records);
}

TEST(MacroEditor, RowUnderThePointer) {
    const struct {
        int scroll, height, y, top, row;
    } cases[] = {
        {0, 16, 100, 100, 0}, {0, 16, 131, 100, 1}, {3, 16, 100, 100, 3},
        {0, 0, 500, 100, 0},  {0, 16, 90, 100, 0},  {0, 16, 70, 100, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacroEditor::eventRowAt(c.scroll, c.height, c.y, c.top), c.row);
    }
    Page p({makeMacro(u"m", {{4, 1, 1}, {4, 2, 1}})});
    EXPECT_TRUE(p.editor.rightButtonReleased(p.page, 2, true));
    EXPECT_EQ(p.page.eventSel, 2);
    EXPECT_FALSE(p.editor.rightButtonReleased(p.page, 3, true)); // below the last row
    EXPECT_EQ(p.page.eventSel, -1);
    EXPECT_FALSE(p.editor.rightButtonReleased(p.page, 1, false)); // outside the list
    Page empty({makeMacro(u"m", {})});
    EXPECT_TRUE(empty.editor.rightButtonReleased(empty.page, 5, true));
}

TEST(MacroEditor, EveryChangeWaitsForTheTablesLock) {
    const testing::TempDir tmp("torvex-editor-lock");
    const std::filesystem::path& dir = tmp.path();
    const struct {
        const char* name;
        std::function<void(Page&)> change;
    } cases[] = {
        {"insert", [](Page& p) { p.choose(0, 32802); }},
        {"delete event", [](Page& p) { p.choose(0, 32781); }},
        {"edited delay",
         [](Page& p) {
             p.editor.state().eventListRow = 1;
             p.editor.state().editEvent = 0;
             p.page.events[1] = u"5ms";
             p.editor.storeEditedDelay(p.page);
         }},
        {"new macro",
         [](Page& p) {
             p.page.name = u"new";
             p.editor.newMacro(p.page);
         }},
        {"delete macro", [](Page& p) { p.editor.deleteMacro(p.page); }},
        {"toggle repeat", [](Page& p) { p.editor.toggleRepeat(p.page); }},
        {"save",
         [&dir](Page& p) {
             p.page.repeat = u"9";
             p.editor.saveMacros(p.page, dir / "Macro_EN.dat");
         }},
        {"select", [](Page& p) { p.pick(1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Page p({makeMacro(u"a", {{4, 1, 1}, {4, 2, 1}}), makeMacro(u"b", {})});
        const MacroTable before = p.tables.macroTable;
        std::unique_lock held(p.tables.mutex);
        std::atomic<bool> done = false;
        std::thread editing([&] {
            c.change(p);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(done);
        EXPECT_EQ(p.tables.macroTable.records, before.records);
        EXPECT_EQ(p.tables.macroTable.count, before.count);
        EXPECT_EQ(p.tables.macroTable.currentMacro, before.currentMacro);
        held.unlock();
        editing.join();
        const bool changed = p.tables.macroTable.records != before.records ||
                             p.tables.macroTable.count != before.count ||
                             p.tables.macroTable.currentMacro != before.currentMacro;
        EXPECT_TRUE(changed);
    }
}

TEST(MacroEditor, MenuIds) {
    EXPECT_FALSE(eventMenuCommand(0).has_value());
    EXPECT_FALSE(eventMenuCommand(32808).has_value()); // a submenu, not a command
    EXPECT_FALSE(eventMenuCommand(32801).has_value()); // the tray's
    EXPECT_EQ(eventMenuCommand(32835), eventMenuCommand(32780));
    EXPECT_EQ(eventMenuCommand(32836)->kind, EventMenuCommand::Kind::Delete);
}

} // namespace
} // namespace torvex
