// The in-place editable list box and the macro page's wiring in the window: context menu,
// delay edits, saving, the language switch, the key filter and recording.
#include "app/CQAV_VUvuvuDlg.h"
#include "app/macro_page.h"
#include "device/pointer_settings.h"
#include "macro/key_codes.h"
#include "macro/macro_file.h"
#include "sim/virtual_mouse.h"
#include "test_skin.h"
#include "ui/popups/editable_list_box.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace torvex {
namespace {
namespace fs = std::filesystem;

// ---- the list box on its own ----

class ListBox : public ::testing::Test {
public:
    void SetUp() override {
        uitest::ensureApplication();
        top.resize(200, 200);
        list = new ui::CEditableListBox(&top);
        list->setGeometry(0, 0, 150, 60); // a few rows show; the rest scroll
        for (int i = 0; i < 20; ++i) {
            list->addItem(QStringLiteral("line %1").arg(i));
        }
        top.show();
        top.activateWindow();
    }
    void release(QWidget* w, Qt::Key key) {
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &up);
    }
    void rightRelease(QPoint p) {
        QMouseEvent up(QEvent::MouseButtonRelease, p, list->viewport()->mapToGlobal(p),
                       Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &up);
    }

    QWidget top;
    ui::CEditableListBox* list = nullptr;
};

TEST_F(ListBox, OnlyTheRequestCharacterStartsAnEdit) {
    list->setCurrentRow(1);
    const QPoint onLine = list->visualItemRect(list->item(1)).center();
    // Insert and a right-button release on the selected line start nothing on their own, and
    // an ordinary character clears a pending request.
    release(list, Qt::Key_Insert);
    rightRelease(onLine);
    QTest::keyClick(list, Qt::Key_X);
    EXPECT_EQ(list->editRequest(), u'x');
    release(list, Qt::Key_Insert);
    EXPECT_FALSE(list->editing());

    // Without a selection the request is used up and nothing opens.
    list->setCurrentRow(-1);
    list->characterMessage(ui::CEditableListBox::kEditRequest);
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->editRequest(), 0);

    list->setCurrentRow(1);
    list->characterMessage(ui::CEditableListBox::kEditRequest);
    ASSERT_TRUE(list->editing());
    EXPECT_EQ(list->editIndex(), 1);
    EXPECT_EQ(list->editRequest(), 0);
    EXPECT_EQ(list->editor()->text(), "line 1");
    EXPECT_EQ(list->editor()->selectedText(), "line 1");
    const QRect line = list->visualItemRect(list->item(1));
    EXPECT_EQ(list->editor()->geometry(), line.adjusted(0, -2, 0, 2));
}

TEST_F(ListBox, EveryWayOfEndingKeepsOrDropsTheTypedText) {
    struct Case {
        const char* name;
        std::function<void(ListBox&)> end;
        bool keeps;
    };
    const Case cases[] = {
        {"Enter", [](ListBox& t) { t.release(t.list->editor(), Qt::Key_Return); }, true},
        {"keypad Enter", [](ListBox& t) { t.release(t.list->editor(), Qt::Key_Enter); }, true},
        {"Esc", [](ListBox& t) { t.release(t.list->editor(), Qt::Key_Escape); }, false},
        {"focus loss",
         [](ListBox& t) {
             QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
             QCoreApplication::sendEvent(t.list->editor(), &out);
             QCoreApplication::processEvents();
         },
         true},
        {"resize", [](ListBox& t) { t.list->resize(140, 70); }, true},
        {"scroll", [](ListBox& t) { t.list->verticalScrollBar()->setValue(5); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list->verticalScrollBar()->setValue(0);
        list->setCurrentRow(2);
        const QString old = list->item(2)->text();
        QSignalSpy changed(list, &ui::CEditableListBox::editChanged);
        QSignalSpy ended(list, &ui::CEditableListBox::editEnded);
        list->characterMessage(ui::CEditableListBox::kEditRequest);
        ASSERT_TRUE(list->editing());
        list->editor()->setText(QStringLiteral("50"));
        c.end(*this);
        QCoreApplication::processEvents(); // a late focus-loss end finds nothing to do
        EXPECT_FALSE(list->editing());
        EXPECT_EQ(list->editIndex(), -1);
        EXPECT_EQ(ended.count(), 1);
        EXPECT_EQ(list->count(), 20);
        if (c.keeps) {
            EXPECT_EQ(list->item(2)->text(), "50");
            EXPECT_EQ(list->currentRow(), 2);
            ASSERT_EQ(changed.count(), 1);
            EXPECT_EQ(changed[0][0].toInt(), 2);
            EXPECT_EQ(changed[0][1].toString(), old);
        } else {
            EXPECT_EQ(list->item(2)->text(), old);
            EXPECT_EQ(changed.count(), 0);
        }
        list->item(2)->setText(old);
    }

    // Unchanged text: no change reported, the end still is; a second end is a no-op.
    list->setCurrentRow(4);
    QSignalSpy changed(list, &ui::CEditableListBox::editChanged);
    QSignalSpy ended(list, &ui::CEditableListBox::editEnded);
    list->characterMessage(ui::CEditableListBox::kEditRequest);
    release(list->editor(), Qt::Key_Return);
    list->endEdit(true);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(list->item(4)->text(), "line 4");

    // The list goes with an edit open: the field goes with it, quietly.
    list->characterMessage(ui::CEditableListBox::kEditRequest);
    ASSERT_TRUE(list->editing());
    delete list;
    QCoreApplication::processEvents();
}

// ---- the page in the window ----

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class NullClock final : public ui::AnimatorScheduler {
public:
    void schedule(int, std::function<void()>) override {}
    void cancel() override {}
};

// Chinese menu ids (the test home starts in Chinese).
constexpr int kInsertLeftDownBefore = 32817;
constexpr int kInsertMiddleUpAfter = 32834;
constexpr int kModifyDelay = 32835;
constexpr int kDeleteEvent = 32836;

class Page : public ::testing::Test {
protected:
    void SetUp() override {
        home = fs::path(tmp.path().toStdString()) / "home";
        uitest::makeHome(home, skin);
        pointer = std::make_unique<device::FilePointerSettings>(home / "pointer.ini");
        app::DialogEnvironment env;
        env.paths.appDir = home;
        env.paths.skinDir = home / "skins";
        env.backend = &mouse;
        env.pointer = pointer.get();
        env.message = [this](const QString& text) { messages.push_back(text); };
        env.scheduler = std::make_unique<NullClock>();
        env.trayAvailable = [] { return true; };
        env.watchResume = false;
        w = std::make_unique<app::CQAV_VUvuvuDlg>(std::move(env));
        ASSERT_TRUE(w->MainInit());
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        click(uitest::mainRect(10)); // the macro page
        ASSERT_TRUE(w->macroControlsPresent()) << w->model().pointer.curPage;
        page().execMenu = [this](QMenu&, QPoint) {
            if (choice != 0) {
                w->onMenuCommand(choice); // what the chosen item's action does
            }
        };
    }
    void click(const QRect& r) {
        // A press where the previous test's window was pressed a moment ago would count as a
        // double click; no two clicks in a row land on the same point.
        static int n = 0;
        const QPoint p = r.topLeft() + QPoint(2 + n++ % 20, 2);
        QTest::mouseMove(w.get(), p);
        QTest::mouseClick(w.get(), Qt::LeftButton, {}, p);
    }
    app::MacroPage& page() { return w->macroPage(); }
    ui::CEditableListBox& events() { return *page().eventList(); }
    // A right-button release on event row `row` with `id` chosen in the menu.
    void rightClickRow(int row, int id) {
        choice = id;
        events().scrollToItem(events().item(row));
        const int top = events().verticalScrollBar()->value();
        const int h = events().visualItemRect(events().item(0)).height();
        // The row under the pointer counts from the scrolled top.
        const QPoint at(2, (row - top) * h + h / 2);
        QMouseEvent up(QEvent::MouseButtonRelease, at, events().viewport()->mapToGlobal(at),
                       Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(events().viewport(), &up);
        QCoreApplication::processEvents();
        choice = 0;
    }
    const MacroRecord& current() {
        return w->macros()
            .macroTable.records[static_cast<std::size_t>(w->macros().macroTable.currentMacro)];
    }
    void key(QEvent::Type type, Qt::Key k, quint32 x11Keycode, const QString& text = {}) {
        QKeyEvent e(type, k, Qt::NoModifier, x11Keycode, 0, 0, text);
        QCoreApplication::sendEvent(w->windowHandle(), &e);
    }

    QTemporaryDir tmp;
    uitest::TestSkin skin;
    fs::path home;
    sim::VirtualMouse mouse;
    std::unique_ptr<device::FilePointerSettings> pointer;
    std::vector<QString> messages;
    std::unique_ptr<app::CQAV_VUvuvuDlg> w;
    int choice = 0;
};

TEST_F(Page, ControlsAreTheEditableListAndTheCurrentMacroIsShown) {
    EXPECT_NE(qobject_cast<ui::CEditableListBox*>(w->macroControl(10002)), nullptr);
    for (const int id : {10000, 10001, 10002, 10004}) { // white on black
        const QPalette& colours = w->macroControl(id)->palette();
        EXPECT_EQ(colours.color(QPalette::Base), QColor(Qt::black)) << id;
        EXPECT_EQ(colours.color(QPalette::Text), QColor(Qt::white)) << id;
    }
    ASSERT_GT(w->macros().macroTable.count, 0);
    EXPECT_EQ(page().macroList()->count(), w->macros().macroTable.count);
    EXPECT_EQ(page().macroList()->currentRow(), w->macros().macroTable.currentMacro);
    EXPECT_EQ(events().count(), 2 * current().eventCount - 1);
    // The painter's counters are the editor's.
    EXPECT_EQ(w->model().macroPage.downCount, page().editor().state().downCount);
    EXPECT_EQ(w->model().macroPage.upCount, page().editor().state().upCount);
    EXPECT_GT(w->model().macroPage.downCount, 0);
}

TEST_F(Page, ContextMenuEditsAreKeptOnlyBySaveAndDroppedByALanguageSwitch) {
    const fs::path cn = home / "Macro_CN.dat";
    const fs::path en = home / "Macro_EN.dat";
    const std::string cnBefore = slurp(cn);
    const std::string enBefore = slurp(en);
    const int events0 = current().eventCount;
    const int rows0 = events().count();

    rightClickRow(0, kInsertLeftDownBefore);
    EXPECT_EQ(current().eventCount, events0 + 1);
    EXPECT_EQ(events().count(), rows0 + 2);
    EXPECT_EQ(current().events[0], (MacroEvent{kLeftButtonCode, kActionDown}));
    rightClickRow(2, kInsertMiddleUpAfter);
    EXPECT_EQ(current().eventCount, events0 + 2);
    EXPECT_EQ(current().events[2], (MacroEvent{kMiddleButtonCode, kActionUp}));
    rightClickRow(2, kDeleteEvent);
    EXPECT_EQ(current().eventCount, events0 + 1);

    // Modify delay on a delay row opens the editor; Enter stores the typed pause.
    rightClickRow(1, kModifyDelay);
    ASSERT_TRUE(events().editing());
    events().editor()->setText(QStringLiteral("    250ms"));
    QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(events().editor(), &enter);
    QCoreApplication::processEvents();
    EXPECT_FALSE(events().editing());
    EXPECT_EQ(current().delay(0), 250);
    EXPECT_EQ(events().item(1)->text().trimmed(), "250ms");
    // ...but not on an event row.
    rightClickRow(0, kModifyDelay);
    EXPECT_FALSE(events().editing());

    EXPECT_EQ(slurp(cn), cnBefore) << "nothing is written before save";
    const MacroTable edited = w->macros().macroTable;
    click(uitest::advRect(5));
    MacroTable saved(MacroTableKind::User);
    ASSERT_TRUE(LoadMacroFile(cn, saved).fileFound);
    EXPECT_EQ(saved.records, edited.records);

    // An unsaved edit does not survive a language switch; the English file is never written.
    const std::string cnSaved = slurp(cn);
    rightClickRow(0, kDeleteEvent);
    click(uitest::mainRect(18));
    click(uitest::mainRect(17));
    EXPECT_EQ(w->macros().macroTable.records, saved.records);
    EXPECT_EQ(slurp(cn), cnSaved);
    EXPECT_EQ(slurp(en), enBefore);
}

TEST_F(Page, AFullMacroSaysOverflow) {
    for (int i = 0; i < 300 && messages.empty(); ++i) {
        rightClickRow(0, kInsertLeftDownBefore);
    }
    EXPECT_EQ(current().eventCount, kMaxMacroEvents);
    EXPECT_EQ(messages, std::vector<QString>{"Overflow!!!"});
}

TEST_F(Page, EnterEscAndF10DownsNeverReachTheWindow) {
    auto* name = qobject_cast<QLineEdit*>(w->macroControl(10000));
    ASSERT_NE(name, nullptr);
    QApplication::setActiveWindow(w.get());
    name->setFocus();
    name->clear();
    QSignalSpy returned(name, &QLineEdit::returnPressed);
    key(QEvent::KeyPress, Qt::Key_Return, 36, QStringLiteral("\r"));
    key(QEvent::KeyPress, Qt::Key_Escape, 9);
    key(QEvent::KeyPress, Qt::Key_F10, 76);
    EXPECT_EQ(returned.count(), 0);
    key(QEvent::KeyPress, Qt::Key_X, 53, QStringLiteral("x"));
    EXPECT_EQ(name->text(), "x") << "other keys go on";
}

TEST_F(Page, RecordingTakesTheKeysIntoTheMacroAndStopsOnExit) {
    auto* name = qobject_cast<QLineEdit*>(w->macroControl(10000));
    QApplication::setActiveWindow(w.get());
    name->setFocus();
    const QString nameBefore = name->text();
    click(uitest::advRect(4));
    ASSERT_TRUE(w->model().macroPage.recording);
    // The offscreen platform gives no grab: recording goes on and says so.
    if (!page().keyboardGrabbed()) {
        EXPECT_FALSE(page().captureStatus().isEmpty());
    }
    EXPECT_EQ(events().count(), 0);
    key(QEvent::KeyPress, Qt::Key_A, 38, QStringLiteral("a"));   // A down
    key(QEvent::KeyPress, Qt::Key_B, 56, QStringLiteral("b"));   // B down
    key(QEvent::KeyRelease, Qt::Key_A, 38, QStringLiteral("a")); // A up
    key(QEvent::KeyRelease, Qt::Key_B, 56, QStringLiteral("b"));
    EXPECT_EQ(name->text(), nameBefore) << "recorded keys are not typed into the window";
    EXPECT_EQ(w->model().macroPage.downCount, 2);
    EXPECT_EQ(w->model().macroPage.upCount, 2);
    EXPECT_EQ(events().count(), 7);
    click(uitest::advRect(4));
    EXPECT_FALSE(w->model().macroPage.recording);
    EXPECT_EQ(current().eventCount, 4);
    EXPECT_EQ(current().events[0], (MacroEvent{VirtualKeyToHid('A'), kActionDown}));
    EXPECT_EQ(current().events[3], (MacroEvent{VirtualKeyToHid('B'), kActionUp}));

    // Recording goes on off the page, and every way out stops it: a language switch...
    click(uitest::advRect(4));
    ASSERT_TRUE(page().recorder().recording());
    click(uitest::mainRect(9));
    ASSERT_FALSE(w->macroControlsPresent());
    click(uitest::mainRect(18));
    EXPECT_FALSE(page().recorder().recording());
    EXPECT_FALSE(w->model().macroPage.recording);
    // ...and the end of the program, with the page shown or not.
    click(uitest::mainRect(10));
    click(uitest::advRect(4));
    ASSERT_TRUE(page().recorder().recording());
    click(uitest::mainRect(9));
    w->ExitProgram();
    EXPECT_FALSE(page().recorder().recording());
    EXPECT_FALSE(page().keyboardGrabbed());
}

TEST_F(Page, RestoreDefaultsShowsAndSavesTheFactoryMacrosOfTheLanguage) {
    const fs::path cn = home / "Macro_CN.dat";
    const std::string enBefore = slurp(home / "Macro_EN.dat");
    // A saved edit and an unsaved one: both go.
    rightClickRow(0, kDeleteEvent);
    click(uitest::advRect(5));
    click(uitest::advRect(2)); // new macro
    MacroTable factory(MacroTableKind::User);
    ASSERT_TRUE(LoadMacroFile(home / "skins" / "INI_CN" / "defMacro.dat", factory).fileFound);
    ASSERT_NE(w->macros().macroTable.records, factory.records);

    click(uitest::mainRect(16));
    EXPECT_EQ(w->macros().macroTable.count, factory.count);
    EXPECT_EQ(w->macros().macroTable.records, factory.records);
    MacroTable saved(MacroTableKind::User);
    ASSERT_TRUE(LoadMacroFile(cn, saved).fileFound);
    EXPECT_EQ(saved.records, factory.records);
    EXPECT_EQ(slurp(home / "Macro_EN.dat"), enBefore);
    // The page shows them, the last one selected.
    ASSERT_EQ(page().macroList()->count(), factory.count);
    EXPECT_EQ(page().macroList()->currentRow(), factory.count - 1);
    EXPECT_EQ(page().macroList()->item(0)->text(),
              QString::fromStdU16String(std::u16string(factory.records[0].nameView())));
    EXPECT_EQ(events().count(),
              2 * factory.records[static_cast<std::size_t>(factory.count - 1)].eventCount - 1);
}

} // namespace
} // namespace torvex
