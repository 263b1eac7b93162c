// The main window offscreen, on the virtual mouse: start-up, pointer input, hide, restore, exit,
// the two start-up failures, device removal and the language switch.
#include "app/CQAV_VUvuvuDlg.h"
#include "app/app_log.h"
#include "common/ini_store.h"
#include "device/pointer_settings.h"
#include "macro/macro_file.h"
#include "settings/config_store.h"
#include "settings/function_codes.h"
#include "sim/virtual_mouse.h"
#include "test_skin.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sstream>
#include <unistd.h>

namespace torvex::app {
namespace {
namespace fs = std::filesystem;
using uitest::advRect;
using uitest::mainRect;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class NullClock final : public ui::AnimatorScheduler {
public:
    int scheduled = 0;
    void schedule(int, std::function<void()>) override { ++scheduled; }
    void cancel() override {}
};

// Counts the paint events of the objects it is installed on.
class PaintCount : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        home = fs::path(tmp.path().toStdString()) / "home";
        uitest::makeHome(home, skin);
        pointer = std::make_unique<device::FilePointerSettings>(home / "pointer.ini");
    }
    std::unique_ptr<CQAV_VUvuvuDlg> make() {
        DialogEnvironment env;
        env.paths.appDir = home;
        env.paths.skinDir = home / "skins";
        env.backend = &mouse;
        env.pointer = pointer.get();
        env.message = [this](const QString& text) { messages.push_back(text); };
        auto clock = std::make_unique<NullClock>();
        clockPtr = clock.get();
        env.scheduler = std::move(clock);
        env.trayAvailable = [this] { return trayShown; };
        env.watchResume = false; // the resume is driven directly; no bus thread in the tests
        return std::make_unique<CQAV_VUvuvuDlg>(std::move(env));
    }
    std::vector<std::vector<uint8_t>> commands() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : mouse.reports()) {
            out.push_back(r.bytes);
        }
        return out;
    }
    static QPoint inside(const QRect& r) { return r.topLeft() + QPoint(2, 2); }
    void click(QWidget& w, QPoint p) {
        QTest::mouseMove(&w, p);
        QTest::mouseClick(&w, Qt::LeftButton, {}, p);
    }

    QTemporaryDir tmp;
    uitest::TestSkin skin;
    fs::path home;
    sim::VirtualMouse mouse;
    std::unique_ptr<device::FilePointerSettings> pointer;
    std::vector<QString> messages;
    NullClock* clockPtr = nullptr;
    bool trayShown = true;
};

TEST_F(Window, StartUpSendsTheProfileAddsTheIconAndApplySendsAgain) {
    ini::writeString(home / "config.ini", "Init", "CurConfig", "3");
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(w->windowTitle(), "TORVEX V3宏编程游戏鼠标驱动");
    EXPECT_EQ(w->size(), QSize(uitest::kWidth, uitest::kHeight));
    EXPECT_EQ(w->shape().windowRegion, QRegion(0, 0, uitest::kWidth, uitest::kHeight));
    EXPECT_EQ(commands().size(), 14u);
    EXPECT_EQ(w->model().curConfig, 3);
    EXPECT_TRUE(w->trayIcon().present());
    EXPECT_EQ(w->trayIcon().tip(), "TORVEX V3宏编程游戏鼠标驱动");
    EXPECT_EQ(w->trayMenu().popup()->actions()[0]->text(), "显示窗口   ");
    EXPECT_GT(w->macros().macroTable.count, 0);
    EXPECT_GT(w->macros().constMacroTable.count, 0);
    // Config6 now equals Config3.
    for (const char* key : {"K0", "K3", "DPI_LEVEL", "LED_STATUS", "FIRE_TIME"}) {
        EXPECT_EQ(ini::readString(home / "config.ini", "Config6", key, 16),
                  ini::readString(home / "config.ini", "Config3", key, 16))
            << key;
    }

    w->show();
    click(*w, inside(mainRect(3)));
    EXPECT_EQ(commands().size(), 28u) << "Apply sends the fourteen reports again";
    // The frame on screen is the composition.
    const QImage frame = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(frame, w->composeFrame());
}

TEST_F(Window, CloseHidesToTheTrayRestoreBringsItBackAndExitEndsWithTheExitSteps) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    QSignalSpy ended(w.get(), &CQAV_VUvuvuDlg::programEnded);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->trayIcon().present());
    EXPECT_FALSE(w->ended());

    w->onMenuCommand(32837); // Chinese "Show Window"
    EXPECT_TRUE(w->isVisible());
    click(*w, inside(mainRect(13))); // the skin's close button
    EXPECT_FALSE(w->isVisible());
    w->onMenuCommand(32801); // English "Show Window", whatever the language
    EXPECT_TRUE(w->isVisible());
    click(*w, inside(mainRect(12))); // minimise: no icon change, still shown on the taskbar
    EXPECT_TRUE(w->isMinimized() || w->windowState().testFlag(Qt::WindowMinimized));

    pointer->setSpeed(3);
    const std::size_t before = commands().size();
    w->onMenuCommand(32838); // Chinese "Exit Driver"
    EXPECT_TRUE(w->ended());
    EXPECT_EQ(w->endReason(), EndReason::Exit);
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended[0][0].toInt(), 0);
    EXPECT_FALSE(w->trayIcon().present());
    EXPECT_FALSE(w->isVisible());
    const auto all = commands();
    ASSERT_EQ(all.size(), before + 1);
    EXPECT_EQ(all.back()[1], 0x20);
    EXPECT_EQ(pointer->speed(), 10);
    w->onMenuCommand(32800);
    EXPECT_EQ(ended.count(), 1) << "the exit steps run once";
}

TEST_F(Window, SaveAndHideKeepsTheLevelAndDropsUnsentEdits) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    const int wheel = w->model().settings.wheelStatus;
    click(*w, inside(mainRect(wheel == 0 ? 42 : 41))); // an edit that is not sent
    EXPECT_NE(w->model().settings.wheelStatus, wheel);
    auto& s = w->model().settings;
    s.dpiSetEnabled = {1, 1, 1, 1};
    click(*w, inside(mainRect(57))); // level 3
    EXPECT_EQ(s.dpiLevel, 3);
    click(*w, inside(mainRect(2)));
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->trayIcon().present());
    EXPECT_EQ(w->model().settings.wheelStatus, wheel);
    EXPECT_EQ(w->model().settings.dpiLevel, 3);
    EXPECT_EQ(ini::readString(home / "config.ini", "Config6", "DPI_LEVEL", 8), "3");
}

TEST_F(Window, WithoutAMouseThePlugInMessageAndTheExitStepsEndTheStart) {
    for (int language : {0, 1}) {
        ini::writeString(home / "config.ini", "Init", "VER_SEL", std::to_string(language));
        const std::string config = slurp(home / "config.ini");
        messages.clear();
        pointer->setSpeed(4);
        mouse.unplug();
        auto w = make();
        QSignalSpy ended(w.get(), &CQAV_VUvuvuDlg::programEnded);
        EXPECT_FALSE(w->MainInit());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], language ? QString("Please plug-in【TORVEX V3】USB Mouse")
                                        : QString("请插入【TORVEX V3】USB鼠标"));
        EXPECT_EQ(w->endReason(), EndReason::NoMouse);
        EXPECT_EQ(ended.count(), 1);
        EXPECT_EQ(ended[0][0].toInt(), 1);
        EXPECT_FALSE(w->trayIcon().present());
        EXPECT_EQ(pointer->speed(), 10);
        EXPECT_EQ(slurp(home / "config.ini"), config) << "nothing downloaded, nothing saved";
        EXPECT_TRUE(commands().empty());
        mouse.plug();
    }
}

TEST_F(Window, AMissingLayoutFileShowsItsMessageAndEndsBeforeTheMouseSearch) {
    fs::remove(ui::layoutFilePath(home / "skins", 0, ui::LayoutFile::Warning));
    auto w = make();
    EXPECT_FALSE(w->MainInit());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "找不到配置文件");
    EXPECT_EQ(w->endReason(), EndReason::MissingLayout);
    EXPECT_TRUE(commands().empty()) << "no download, no exit report without a handle";
    EXPECT_EQ(pointer->speed(), 10);
    EXPECT_EQ(mouse.state().exitReports, 0);
}

TEST_F(Window, AMalformedLayoutValueIsReportedAndStillUsed) {
    skin.writeLayoutValue(0, ui::LayoutFile::Main, "BUTTONPOS", 20, "m,1,2,3,4,cap,7,8");
    fs::copy_file(ui::layoutFilePath(skin.dir(), 0, ui::LayoutFile::Main),
                  ui::layoutFilePath(home / "skins", 0, ui::LayoutFile::Main),
                  fs::copy_options::overwrite_existing);
    auto w = make();
    EXPECT_TRUE(w->MainInit());
    EXPECT_EQ(messages, std::vector<QString>{"加载ini错误！"});
    EXPECT_EQ(w->layout().mainLayout[20], (ui::SkinEntry{1, 2, 3, 4, "cap"}));
}

TEST_F(Window, RemovingTheMouseEndsTheProgram) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    QSignalSpy ended(w.get(), &CQAV_VUvuvuDlg::programEnded);
    mouse.unplug();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->ended(); }, 5000));
    EXPECT_EQ(w->endReason(), EndReason::MouseRemoved);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(w->trayIcon().present());
}

TEST_F(Window, SwitchingTheLanguageReloadsLayoutMacrosMenusAndTitle) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    click(*w, inside(mainRect(18)));
    EXPECT_EQ(ini::readString(home / "config.ini", "Init", "VER_SEL", 8), "1");
    EXPECT_EQ(w->windowTitle(), "TORVEX V3 Gaming Mouse Driver");
    EXPECT_EQ(w->layout().mainLayout[20].caption, "E20");
    EXPECT_EQ(w->layout().funString[3], "F3");
    EXPECT_EQ(w->trayMenu().popup()->actions()[0]->text(), "Show Window");
    EXPECT_EQ(w->contextMenu().entries()[1].text, "Add Forward");
    EXPECT_EQ(w->trayIcon().tip(), "TORVEX V3宏编程游戏鼠标驱动")
        << "the icon keeps the tip it was added with";
    MacroTable english(MacroTableKind::User);
    LoadMacroFile(home / "Macro_EN.dat", english);
    EXPECT_EQ(w->macros().macroTable.count, english.count);
    EXPECT_EQ(w->macros().macroTable.records, english.records);

    // The same language again still rewrites the key.
    ini::writeString(home / "config.ini", "Init", "VER_SEL", "7");
    click(*w, inside(mainRect(18)));
    EXPECT_EQ(ini::readString(home / "config.ini", "Init", "VER_SEL", 8), "1");
    click(*w, inside(mainRect(17)));
    EXPECT_EQ(w->windowTitle(), "TORVEX V3宏编程游戏鼠标驱动");
    EXPECT_EQ(w->layout().mainLayout[20].caption, "Z20");
}

TEST_F(Window, TheMacroPageControlsLiveOnlyOnThatPageAndThePreviewOnlyWhileShown) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    click(*w, inside(mainRect(10)));
    ASSERT_TRUE(w->macroControlsPresent());
    EXPECT_EQ(w->macroControl(10004)->geometry(), uitest::kRepeatEdit);
    EXPECT_EQ(w->macroControl(10000)->geometry(), uitest::kNameEdit);
    EXPECT_EQ(w->macroControl(10001)->geometry(), uitest::kMacroList);
    EXPECT_EQ(w->macroControl(10002)->geometry(), uitest::kEventList);
    EXPECT_NE(qobject_cast<QLineEdit*>(w->macroControl(10004)), nullptr);
    EXPECT_NE(qobject_cast<QListWidget*>(w->macroControl(10001)), nullptr);
    // A hover on the page repaints the page around its lists, not the lists.
    QCoreApplication::processEvents();
    PaintCount windowPaints, listPaints;
    w->installEventFilter(&windowPaints);
    qobject_cast<QListWidget*>(w->macroControl(10002))->viewport()->installEventFilter(&listPaints);
    QTest::mouseMove(w.get(), inside(advRect(8)));
    QTest::mouseMove(w.get(), inside(advRect(9)));
    EXPECT_GE(windowPaints.paints, 2);
    EXPECT_EQ(listPaints.paints, 0);
    click(*w, inside(mainRect(11)));
    EXPECT_FALSE(w->macroControlsPresent());
    EXPECT_EQ(w->model().pointer.curPage, ui::kColourPage);
    EXPECT_TRUE(w->animator().running());
    w->HideToTray();
    EXPECT_FALSE(w->animator().running()) << "a hidden window does no work for the preview";
    w->RestoreWindow();
    EXPECT_TRUE(w->animator().running());
    // Minimised, by its own button or for want of a notification area, it stops too; brought
    // back from the taskbar, it runs again.
    click(*w, inside(mainRect(12)));
    EXPECT_FALSE(w->animator().running());
    w->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(w->animator().running());
    trayShown = false;
    w->HideToTray();
    EXPECT_FALSE(w->animator().running());
    w->RestoreWindow();
    EXPECT_TRUE(w->animator().running());
    click(*w, inside(mainRect(9)));
    EXPECT_EQ(w->model().pointer.curPage, ui::kMainPage);
}

// Each visit creates the page's controls anew; nothing of them may stay behind (Qt's caches
// keyed by a control's own palette did, about a kilobyte a visit).
TEST_F(Window, VisitingTheMacroPageAgainAndAgainDoesNotGrowTheHeap) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocator does not report the heap in use";
#else
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    const auto visits = [&](int n) {
        for (int i = 0; i < n; ++i) {
            click(*w, inside(mainRect(10)));
            QCoreApplication::processEvents();
            click(*w, inside(mainRect(9)));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    const auto heapInUse = [] { return static_cast<long>(::mallinfo2().uordblks); };
    visits(100); // caches that fill once, hash tables at their size
    const long before = heapInUse();
    visits(200);
    EXPECT_LT(heapInUse() - before, 64 * 1024) << "bytes left behind by 200 visits";
#endif
}

TEST_F(Window, LevelChangesFromTheMouseAndResumeFromStandbyReachTheWindow) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    // Slot 5 holds a DPI-tracking function in the factory profile 1.
    ASSERT_TRUE(isDpiTracking(w->model().settings.buttonFunction[5]));
    ASSERT_TRUE(mouse.press(physicalButton[5], 2));
    ASSERT_TRUE(mouse.release(physicalButton[5]));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->model().settings.dpiLevel == 2; }, 5000));

    const std::size_t before = commands().size();
    w->onPrepareForSleep(true);
    EXPECT_EQ(commands().size(), before);
    w->onPrepareForSleep(false);
    EXPECT_EQ(commands().size(), before + 14);
}

TEST_F(Window, WithoutANotificationAreaClosingMinimisesInstead) {
    trayShown = false;
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    w->close();
    EXPECT_TRUE(w->isVisible()) << "not hidden where no tray could bring it back";
    EXPECT_TRUE(w->windowState().testFlag(Qt::WindowMinimized));
    EXPECT_FALSE(w->ended());
}

TEST_F(Window, PressingTheBackgroundMovesTheWindow) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    w->move(100, 100);
    const QPoint background(uitest::kWidth - 3, uitest::kHeight - 3);
    QTest::mouseMove(w.get(), background);
    QTest::mousePress(w.get(), Qt::LeftButton, {}, background);
    EXPECT_EQ(w->moveRequests(), 1);
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, background);
    QTest::mouseMove(w.get(), inside(mainRect(3)));
    QTest::mousePress(w.get(), Qt::LeftButton, {}, inside(mainRect(3)));
    EXPECT_EQ(w->moveRequests(), 1) << "an entry is not background";
}

TEST_F(Window, ImportsAndExportsOfConfigurationsAndMacros) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    const MouseSettings before = w->model().settings;

    // A file without the exchange section is refused rather than imported as all zeros.
    const fs::path empty = home / "empty.ini";
    ini::writeString(empty, "Other", "K0", "9");
    EXPECT_FALSE(w->importConfigurationFrom(empty));
    EXPECT_EQ(w->model().settings, before);

    const fs::path exchange = home / "exchange.ini";
    MouseSettings other = before;
    other.buttonFunction[6] = 22;
    other.fireTime = 123;
    ASSERT_TRUE(ExportConfiguration(exchange, other));
    EXPECT_TRUE(w->importConfigurationFrom(exchange));
    EXPECT_EQ(w->model().settings.buttonFunction[6], 22);
    EXPECT_EQ(w->model().settings.fireTime, 123);

    // Macros go out and come back unchanged; a missing file shows its message.
    const fs::path macros = home / "mine.dat";
    ASSERT_TRUE(w->exportMacrosTo(macros));
    const MacroTable saved = w->macros().macroTable;
    ASSERT_GT(saved.count, 0);
    MacroTable none(MacroTableKind::User);
    ASSERT_TRUE(SaveMacroFile(home / "none.dat", none));
    EXPECT_TRUE(w->importMacrosFrom(home / "none.dat"));
    EXPECT_EQ(w->macros().macroTable.count, 0);
    EXPECT_TRUE(w->importMacrosFrom(macros));
    EXPECT_EQ(w->macros().macroTable.count, saved.count);
    EXPECT_EQ(w->macros().macroTable.records, saved.records);
    EXPECT_FALSE(w->importMacrosFrom(home / "missing.dat"));
    EXPECT_EQ(messages, std::vector<QString>{"找不到配置文件"});
    EXPECT_EQ(w->macros().macroTable.count, saved.count) << "a missing file changes nothing";
}

// A file that is there but cannot serve is reported by what is wrong with it; only a missing
// one gets the program's "not found" text. Either way the table stays empty.
TEST_F(Window, AnUnusableMacroFileIsReportedByWhatIsWrongWithIt) {
    struct Case {
        const char* what;
        void (*make)(const fs::path&);
        const char* shown; // a part of the message
    } cases[] = {
        {"missing", [](const fs::path&) {}, "找不到配置文件"},
        {"folder", [](const fs::path& f) { fs::create_directory(f); }, "is a folder"},
        {"unreadable",
         [](const fs::path& f) {
             std::ofstream(f) << "[Macros]\nmacroNum=1\n";
             fs::permissions(f, fs::perms::none);
         },
         "cannot be read"},
    };
    const fs::path file = home / "Macro_CN.dat";
    for (const Case& k : cases) {
        if (std::string_view(k.what) == "unreadable" && ::geteuid() == 0) {
            continue; // root reads any file
        }
        fs::remove_all(file);
        k.make(file);
        messages.clear();
        auto w = make();
        ASSERT_TRUE(w->MainInit()) << k.what;
        ASSERT_EQ(messages.size(), 1u) << k.what;
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(k.shown)))
            << k.what << ": " << messages[0].toStdString();
        EXPECT_EQ(messages[0].contains("找不到配置文件"), std::string_view(k.what) == "missing")
            << k.what;
        EXPECT_EQ(w->macros().macroTable.count, 0) << k.what;
        EXPECT_GT(w->macros().constMacroTable.count, 0) << k.what;
    }

    // Imported, a folder is refused by name too and changes nothing.
    fs::remove_all(file);
    fs::copy_file(fs::path(TORVEX_SOURCE_DIR) / "data" / "Macro_CN.dat", file);
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    const int before = w->macros().macroTable.count;
    ASSERT_GT(before, 0);
    fs::create_directory(home / "folder.dat");
    messages.clear();
    EXPECT_FALSE(w->importMacrosFrom(home / "folder.dat"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("is a folder")) << messages[0].toStdString();
    EXPECT_EQ(w->macros().macroTable.count, before);
}

// Collects what the program logs through its category while it lives (logging on, as with
// --verbose; off again after, as without).
class LogCapture {
public:
    LogCapture() {
        lines_ = &lines;
        enableLog(true);
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        enableLog(false);
        lines_ = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<QString> lines;

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (lines_ != nullptr && context.category != nullptr &&
            std::string_view(context.category) == lcTorvex().categoryName()) {
            lines_->push_back(text);
        }
    }
    static inline std::vector<QString>* lines_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

TEST_F(Window, SavingUnderAProfileNumberOutsideOneToFiveSavesNothingAndSaysSo) {
    ini::writeString(home / "config.ini", "Init", "CurConfig", "9");
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    const std::string config = slurp(home / "config.ini");
    LogCapture log;
    // From elsewhere first: a move to where the pointer already is (a repeated run) is dropped.
    QTest::mouseMove(w.get(), inside(mainRect(1)));
    click(*w, inside(mainRect(0)));
    ASSERT_EQ(w->model().pointer.hotMain, 0);
    EXPECT_EQ(slurp(home / "config.ini"), config);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_TRUE(log.lines[0].contains("profile 9")) << log.lines[0].toStdString();

    log.lines.clear();
    w->model().curConfig = 2;
    click(*w, inside(mainRect(0)));
    EXPECT_TRUE(log.lines.empty()) << "a real profile is saved without a word";
    EXPECT_NE(slurp(home / "config.ini"), config);
}

// The about entry of the skin's context menu opens a box with the program's name and version.
// The menu and the box each run their own loop: a timer answers them from inside.
TEST_F(Window, TheContextMenuOfTheSkinOpensTheAboutBox) {
    auto w = make();
    ASSERT_TRUE(w->MainInit());
    w->show();
    bool menuSeen = false;
    QString title, text;
    QElapsedTimer since;
    since.start();
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        } else if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuSeen = true;
            for (QAction* action : menu->actions()) {
                if (action->text().contains("About")) {
                    menu->setActiveAction(action);
                }
            }
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (since.elapsed() > 10000) {
            // Never leave the suite waiting on a loop nobody answers.
            for (QWidget* open :
                 {QApplication::activePopupWidget(), QApplication::activeModalWidget()}) {
                if (open != nullptr) {
                    open->close();
                }
            }
        }
    });
    driver.start(20);
    const QPoint background(uitest::kWidth - 3, uitest::kHeight - 3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, background, w->mapToGlobal(background));
    QApplication::sendEvent(w.get(), &event);
    driver.stop();
    EXPECT_TRUE(menuSeen);
    EXPECT_EQ(title, "About torvex");
    EXPECT_TRUE(text.startsWith(QStringLiteral("torvex " TORVEX_VERSION "\n")))
        << text.toStdString();
    EXPECT_FALSE(w->ended());
    EXPECT_TRUE(w->isVisible());
}

} // namespace
} // namespace torvex::app
