// The function menu, its submenu and the warning window offscreen, on flat-coloured pictures:
// rows and hit tests, hover, press and release, the submenu groups and their places, the
// left-click rule, and when the warning shows and what its answers do.
#include "settings/function_codes.h"
#include "test_skin.h"
#include "ui/popups/function_menus.h"
#include "ui/skin/language.h"
#include "ui/skin/pointer_dispatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace torvex::ui {
namespace {

constexpr int kItem = 20; // menu_mask 150 x 201: rows of 20 pixels
constexpr int kMenuW = 150;
constexpr int kSubW = 160; // advanced menu_mask 160 x 241: rows of 20 pixels
const QColor kNormal(20, 20, 120);
const QColor kOver(0, 120, 0);
const QColor kDown(120, 0, 120);
const QColor kSubNormal(60, 60, 0);
const QColor kSubOver(0, 90, 90);
const QColor kSubDown(90, 30, 0);
const QPoint kOrigin(200, 300);

// The main window as far as the popups see it: a title, and a paint that runs their hook.
class MainStub final : public QWidget {
public:
    std::function<void()> beforePaint;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        if (beforePaint) {
            beforePaint();
        }
    }
};

void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void key(QWidget* w, int k) {
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}
QPoint row(int r) {
    return {2, (r - 1) * kItem + 2};
}
bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}
// Whether the band of rows holds a pixel of the colour (text pixels).
bool bandHas(const QImage& img, int top, int height, QColor c) {
    for (int y = top; y < top + height && y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (QColor(img.pixel(x, y)) == c) {
                return true;
            }
        }
    }
    return false;
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        skin.writePicture("menu_mask.jpg", Qt::black, {kMenuW, 201});
        skin.writePicture("menu_normal.jpg", kNormal, {kMenuW, 201});
        skin.writePicture("menu_over.jpg", kOver, {kMenuW, 201});
        skin.writePicture("menu_down.jpg", kDown, {kMenuW, 201});
        skin.writePicture("advanced menu_mask.jpg", Qt::black, {kSubW, 241});
        skin.writePicture("advanced menu_normal.jpg", kSubNormal, {kSubW, 241});
        skin.writePicture("advanced menu_over.jpg", kSubOver, {kSubW, 241});
        skin.writePicture("advanced menu_down.jpg", kSubDown, {kSubW, 241});
        QImage mask(200, 100, QImage::Format_RGB32);
        mask.fill(Qt::black);
        QPainter(&mask).fillRect(0, 0, 8, 8, Qt::white); // a cut-away corner
        skin.writeImage("warning_mask.bmp", mask, "BMP");
        skin.writePicture("warning_normal.jpg", kNormal, {200, 100});
        skin.writePicture("warning_over.jpg", kOver, {200, 100});

        LayoutReporter none;
        ASSERT_TRUE(LoadMainLayout(skin.dir(), 1, layout, none));
        ASSERT_TRUE(LoadWarningLayout(skin.dir(), 1, layout, none));
        model.language = 1;
        model.settings.buttonFunction = {1, 2, 3, 4, 5, 1, 0};
        model.pointer.popupOrigin = kOrigin;
        model.pointer.editedSlot = 2;
        setMacros({u"alpha", u"beta", u"gamma"});

        main.setWindowTitle(windowTitle(1));
        main.setGeometry(50, 50, 100, 100);
        main.show();
        menus = std::make_unique<FunctionMenus>(
            PopupContext{main, model, layout, macros, cache, skin.dir()});
        main.beforePaint = [this] { menus->beforePaint(); };
    }
    void TearDown() override {
        main.beforePaint = nullptr;
        menus.reset();
        settle();
    }
    void setMacros(std::initializer_list<std::u16string_view> names) {
        std::lock_guard lock(macros.mutex);
        macros.macroTable = MacroTable(MacroTableKind::User);
        for (const auto n : names) {
            macros.macroTable.records[static_cast<std::size_t>(macros.macroTable.count++)].setName(
                n);
        }
    }
    CMenuDlg* open() {
        menus->openFunctionMenu();
        settle();
        return menus->functionMenu();
    }
    void hover(CMenuDlg* m, int r) {
        send(m, QEvent::MouseMove, row(r));
        settle();
    }
    void click(QWidget* w, QPoint p) {
        send(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
        settle();
        send(w, QEvent::MouseButtonRelease, p, Qt::LeftButton);
        settle();
    }
    // Runs the warning; `drive` acts on the window while it is modal.
    int warn(std::function<void(WarningDlg&)> drive) {
        QTimer::singleShot(0, [this, drive] {
            WarningDlg* w = menus->warning();
            ASSERT_NE(w, nullptr);
            drive(*w);
        });
        return menus->showWarning();
    }

    uitest::TestSkin skin;
    SkinLayout layout;
    UiModel model;
    MacroTables macros;
    ImageCache cache{false};
    MainStub main;
    std::unique_ptr<FunctionMenus> menus;
};

TEST(ButtonAssignment, TheLeftClickRuleOnEverySlot) {
    for (int slot = 0; slot < 7; ++slot) {
        // Another slot keeps the left click: only the edited slot changes.
        MouseSettings s;
        s.buttonFunction = {9, 9, 9, 9, 9, 9, 9};
        s.buttonFunction[static_cast<std::size_t>(slot == 3 ? 4 : 3)] = 1;
        auto expected = s.buttonFunction;
        expected[static_cast<std::size_t>(slot)] = 22;
        AssignButtonFunction(s, slot, 22);
        EXPECT_EQ(s.buttonFunction, expected) << "slot " << slot;

        // The edited slot held the only left click: the next slot takes it, slot 6 keeps it.
        s.buttonFunction = {9, 9, 9, 9, 9, 9, 9};
        s.buttonFunction[static_cast<std::size_t>(slot)] = 1;
        expected = {9, 9, 9, 9, 9, 9, 9};
        if (slot < 6) {
            expected[static_cast<std::size_t>(slot)] = 3;
            expected[static_cast<std::size_t>(slot + 1)] = 1;
        } else {
            expected[6] = 1;
        }
        AssignButtonFunction(s, slot, 3);
        EXPECT_EQ(s.buttonFunction, expected) << "slot " << slot;

        // No slot held it (a file can say so); choosing the left click itself changes one slot.
        s.buttonFunction = {0, 0, 0, 0, 0, 0, 0};
        expected = {0, 0, 0, 0, 0, 0, 0};
        expected[static_cast<std::size_t>(slot)] = 1;
        AssignButtonFunction(s, slot, 1);
        EXPECT_EQ(s.buttonFunction, expected) << "slot " << slot;
    }
    MouseSettings s;
    s.buttonFunction = {2, 2, 2, 2, 2, 2, 2};
    for (int bad : {-1, 7, 255}) {
        AssignButtonFunction(s, bad, 1);
        EXPECT_EQ(s.buttonFunction, (std::array<int, 7>{2, 2, 2, 2, 2, 2, 2}));
    }
}

TEST(ButtonAssignment, RowsOfBothMenus) {
    struct Case {
        QPoint p;
        int row;
    };
    for (const Case& c :
         {Case{{0, 0}, 1}, Case{{149, 19}, 1}, Case{{0, 20}, 2}, Case{{5, 199}, 10},
          Case{{5, 200}, 11}, Case{{5, 219}, 11}, Case{{5, 220}, 12}, Case{{5, 239}, 12},
          Case{{5, 240}, kNoRow}, Case{{150, 5}, kNoRow}, Case{{-1, 5}, kNoRow}}) {
        EXPECT_EQ(menuHitTest(c.p, 150, 20), c.row) << c.p.x() << "," << c.p.y();
    }
    EXPECT_EQ(subMenuHitTest({3, 59}, 160, 20, 3), 3);
    EXPECT_EQ(subMenuHitTest({3, 60}, 160, 20, 3), kNoRow) << "the line below the last row";
    EXPECT_EQ(subMenuHitTest({3, 0}, 160, 20, 0), kNoRow);
}

TEST_F(Menus, OpensBelowTheSlotAsASkinnedRectangle) {
    CMenuDlg* m = open();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->windowTitle(), "MainMenuDlg");
    EXPECT_EQ(m->geometry(), QRect(kOrigin, QSize(300, 300)));
    EXPECT_EQ(m->itemHeight(), kItem);
    EXPECT_EQ(m->menuHeight(), 201);
    EXPECT_EQ(m->shape(), QRegion(0, 0, kMenuW, 201));
    EXPECT_TRUE(m->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(m->parentWidget(), &main);

    const QImage img = m->compose();
    ASSERT_EQ(img.size(), QSize(kMenuW, 201));
    for (int r = 1; r <= 10; ++r) {
        EXPECT_TRUE(near(img.pixel(1, (r - 1) * kItem + 1), kNormal)) << r;
        EXPECT_TRUE(bandHas(img, (r - 1) * kItem, kItem, Qt::white)) << "text of row " << r;
        EXPECT_FALSE(bandHas(img, (r - 1) * kItem, kItem, Qt::red)) << r;
    }
}

TEST_F(Menus, HoverPressAndReleaseOnADirectRow) {
    CMenuDlg* m = open();
    hover(m, 3);
    QImage img = m->compose();
    EXPECT_TRUE(near(img.pixel(1, 2 * kItem + 1), kOver));
    EXPECT_TRUE(near(img.pixel(1, 1), kNormal));
    EXPECT_TRUE(bandHas(img, 2 * kItem, kItem, Qt::red));
    EXPECT_FALSE(bandHas(img, 0, kItem, Qt::red));

    send(m, QEvent::MouseButtonPress, row(3), Qt::LeftButton);
    settle();
    EXPECT_TRUE(near(m->compose().pixel(1, 2 * kItem + 1), kDown));
    EXPECT_EQ(model.settings.buttonFunction[2], 3) << "nothing stored before the release";

    hover(m, 4);
    send(m, QEvent::MouseButtonRelease, row(4), Qt::LeftButton);
    settle();
    EXPECT_EQ(model.settings.buttonFunction, (std::array<int, 7>{1, 2, 4, 4, 5, 1, 0}));
    EXPECT_EQ(menus->functionMenu(), nullptr) << "the menu frees itself after a choice";
    EXPECT_FALSE(menus->state().menuPressed);
    menus->closeFunctionMenu(); // the main window's next press: harmless
    menus->closeFunctionMenu();
}

TEST_F(Menus, ReleasesOnGroupRowsAndBelowRowTenStoreNothing) {
    CMenuDlg* m = open();
    const auto before = model.settings.buttonFunction;
    hover(m, 8);
    QPointer<CSubMenuDlg> first = menus->subMenu();
    ASSERT_TRUE(first);
    click(m, row(8));
    EXPECT_EQ(model.settings.buttonFunction, before);
    EXPECT_EQ(menus->functionMenu(), m);
    EXPECT_TRUE(m->isVisible());
    EXPECT_FALSE(first) << "press and release repaint the menu, which renews the submenu";
    ASSERT_NE(menus->subMenu(), nullptr);
    EXPECT_EQ(menus->subMenu()->group(), 8);

    send(m, QEvent::MouseMove, {5, 200}); // the line below row 10
    settle();
    EXPECT_EQ(menus->state().menuHover, 11);
    EXPECT_EQ(menus->subMenu(), nullptr) << "leaving the group row closes its submenu";
    click(m, {5, 200});
    EXPECT_EQ(model.settings.buttonFunction, before);
    EXPECT_TRUE(m->isVisible());
}

TEST_F(Menus, GroupRowsOpenTheirSubmenuBesideTheRow) {
    struct Case {
        int group;
        int rows;
        int rowsBelowTop; // how far the submenu's top lies below the menu's, in menu rows
        QString second;   // text of row 2
    };
    for (const Case& c : {Case{7, 6, 1, "F12"}, Case{8, 10, -2, "F22"}, Case{9, 3, 6, "beta"},
                          Case{10, 8, 2, "F32"}}) {
        CMenuDlg* m = open();
        hover(m, c.group);
        CSubMenuDlg* sub = menus->subMenu();
        ASSERT_NE(sub, nullptr) << c.group;
        EXPECT_TRUE(menus->state().subMenuOpen);
        EXPECT_TRUE(sub->isVisible());
        EXPECT_EQ(sub->parentWidget(), m);
        EXPECT_EQ(sub->rows(), c.rows);
        EXPECT_EQ(sub->geometry(),
                  QRect(kOrigin + QPoint(kMenuW, c.rowsBelowTop * kItem), QSize(300, 400)));
        EXPECT_EQ(sub->shape(), QRegion(0, 0, kSubW, c.rows * 20 + 1));
        EXPECT_EQ(sub->rowText(2), c.second);
        const QImage img = sub->compose();
        EXPECT_TRUE(near(img.pixel(1, 1), kSubNormal));
        send(sub, QEvent::MouseMove, {3, 23});
        settle();
        EXPECT_TRUE(near(sub->compose().pixel(1, 21), kSubOver));
        EXPECT_TRUE(bandHas(sub->compose(), 20, 20, Qt::red));
        menus->closeFunctionMenu();
        settle();
        EXPECT_EQ(menus->subMenu(), nullptr) << "the submenu goes with its menu";
    }
}

TEST_F(Menus, AChoiceInTheSubmenuStoresItsCodeAndClosesBothPopups) {
    struct Case {
        int group;
        int row;
        int slot;
        std::array<int, 7> before;
        std::array<int, 7> after;
    };
    for (const Case& c : {
             Case{9, 2, 2, {1, 2, 3, 4, 5, 1, 0}, {1, 2, 42, 4, 5, 1, 0}},
             Case{7, 1, 0, {1, 2, 3, 4, 5, 6, 0}, {11, 1, 3, 4, 5, 6, 0}}, // next slot takes 1
             Case{8, 10, 6, {0, 2, 3, 4, 5, 6, 1}, {0, 2, 3, 4, 5, 6, 1}}, // slot 6 keeps it
             Case{10, 8, 5, {1, 2, 3, 4, 5, 6, 0}, {1, 2, 3, 4, 5, 38, 0}},
         }) {
        model.settings.buttonFunction = c.before;
        model.pointer.editedSlot = c.slot;
        CMenuDlg* m = open();
        hover(m, c.group);
        QPointer<CSubMenuDlg> sub = menus->subMenu();
        ASSERT_TRUE(sub);
        const QPoint p(3, (c.row - 1) * 20 + 3);
        send(sub, QEvent::MouseMove, p);
        const int paints = main.paints;
        click(sub, p);
        EXPECT_EQ(model.settings.buttonFunction, c.after) << c.group << "/" << c.row;
        EXPECT_GT(main.paints, paints) << "the main window repaints at once";
        EXPECT_FALSE(menus->state().subMenuChosen) << "cleared by that paint";
        EXPECT_EQ(menus->functionMenu(), nullptr);
        EXPECT_FALSE(sub);
    }
}

TEST_F(Menus, WithoutTheMainWindowTheChoiceStandsAndTheMenuWaitsForTheNextPaint) {
    main.setWindowTitle("something else");
    CMenuDlg* m = open();
    hover(m, 7);
    CSubMenuDlg* sub = menus->subMenu();
    send(sub, QEvent::MouseMove, {3, 3});
    click(sub, {3, 3});
    EXPECT_EQ(model.settings.buttonFunction[2], 11);
    EXPECT_TRUE(menus->state().subMenuChosen);
    ASSERT_NE(menus->functionMenu(), nullptr);
    EXPECT_FALSE(menus->functionMenu()->isVisible()) << "closed by its title";
    menus->beforePaint();
    settle();
    EXPECT_EQ(menus->functionMenu(), nullptr);
    EXPECT_FALSE(menus->state().subMenuChosen);
}

TEST_F(Menus, SubmenuEdgesEmptyMacroGroupAndTheLineBelowTheLastRow) {
    setMacros({});
    CMenuDlg* m = open();
    hover(m, 9);
    CSubMenuDlg* sub = menus->subMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(menus->state().subMenuOpen);
    EXPECT_EQ(sub->rows(), 0);
    EXPECT_EQ(sub->subHeight(), 0);
    EXPECT_FALSE(sub->isVisible()) << "nothing to see or click";
    EXPECT_EQ(sub->geometry().topLeft(), kOrigin + QPoint(kMenuW, 9 * kItem));
    click(sub, {3, 0});
    EXPECT_EQ(model.settings.buttonFunction[2], 3);

    hover(m, 7);
    sub = menus->subMenu();
    send(sub, QEvent::MouseMove, {3, 120}); // the line below row 6
    click(sub, {3, 120});
    EXPECT_EQ(sub->hoverRow(), kNoRow);
    EXPECT_EQ(model.settings.buttonFunction[2], 3);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_TRUE(m->isVisible());
}

TEST_F(Menus, TheLastHoveredRowIsCarriedIntoTheNextMenu) {
    CMenuDlg* m = open();
    hover(m, 7);
    ASSERT_NE(menus->subMenu(), nullptr);
    menus->closeFunctionMenu();
    m = open();
    hover(m, 7);
    EXPECT_EQ(menus->state().menuHover, 7);
    EXPECT_EQ(menus->subMenu(), nullptr) << "same row as last time: no repaint, no submenu";
    EXPECT_TRUE(near(m->compose().pixel(1, 6 * kItem + 1), kOver))
        << "only a repaint would show it";
    hover(m, 2);
    hover(m, 7);
    EXPECT_NE(menus->subMenu(), nullptr);
}

TEST_F(Menus, APressReleasedOutsideKeepsTheDownPictureIntoTheNextMenu) {
    CMenuDlg* m = open();
    hover(m, 2);
    send(m, QEvent::MouseButtonPress, row(2), Qt::LeftButton);
    send(m, QEvent::MouseMove, {5, 260}); // outside the shape: not ours
    send(m, QEvent::MouseButtonRelease, {5, 260}, Qt::LeftButton);
    settle();
    EXPECT_TRUE(menus->state().menuPressed);
    EXPECT_EQ(model.settings.buttonFunction[2], 3);
    menus->closeFunctionMenu();
    m = open();
    hover(m, 5);
    EXPECT_TRUE(near(m->compose().pixel(1, 4 * kItem + 1), kDown));
    click(m, row(5));
    EXPECT_FALSE(menus->state().menuPressed);
    EXPECT_EQ(model.settings.buttonFunction[2], 5);
}

TEST_F(Menus, EnterAndEscHideWithoutAChoice) {
    for (int k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        CMenuDlg* m = open();
        hover(m, 4);
        key(m, k);
        settle();
        EXPECT_FALSE(m->isVisible());
        EXPECT_EQ(menus->functionMenu(), m) << "hidden, freed by the next press";
        EXPECT_EQ(model.settings.buttonFunction[2], 3);
        menus->closeFunctionMenu();
        menus->closeFunctionMenu();
        settle();
        EXPECT_EQ(menus->functionMenu(), nullptr);
    }
}

TEST_F(Menus, WithoutItsPicturesNoMenuOpens) {
    std::filesystem::remove(skin.dir() / "menu_mask.jpg");
    std::filesystem::remove(skin.dir() / "menu_normal.jpg");
    menus->openFunctionMenu();
    settle();
    EXPECT_EQ(menus->functionMenu(), nullptr);
    menus->closeFunctionMenu();
}

TEST_F(Menus, TheWarningIsShapedPlacedAndAnswered) {
    const QRect area1 = layout.warnLayout[0].rect();
    const QRect area2 = layout.warnLayout[1].rect();
    const QRect message = layout.warnLayout[2].rect();
    const QPoint in1 = area1.center();
    const QPoint in2 = area2.center();
    struct Case {
        const char* what;
        std::function<void(WarningDlg&)> drive;
        int result;
    };
    const auto clickAt = [](QPoint p) {
        return [p](WarningDlg& w) {
            send(&w, QEvent::MouseMove, p);
            send(&w, QEvent::MouseButtonPress, p, Qt::LeftButton);
            send(&w, QEvent::MouseButtonRelease, p, Qt::LeftButton);
        };
    };
    const Case cases[] = {
        {"area 1", clickAt(in1), 1},
        {"area 2", clickAt(in2), 2},
        {"Esc", [](WarningDlg& w) { key(&w, Qt::Key_Escape); }, 2},
        {"close", [](WarningDlg& w) { w.close(); }, 2},
        {"Enter, then Esc",
         [](WarningDlg& w) {
             key(&w, Qt::Key_Return);
             key(&w, Qt::Key_Enter);
             EXPECT_TRUE(w.isVisible()) << "Enter does nothing";
             key(&w, Qt::Key_Escape);
         },
         2},
        {"press in area 1, release on the message, then area 2",
         [&](WarningDlg& w) {
             send(&w, QEvent::MouseMove, in1);
             send(&w, QEvent::MouseButtonPress, in1, Qt::LeftButton);
             send(&w, QEvent::MouseMove, message.center());
             send(&w, QEvent::MouseButtonRelease, message.center(), Qt::LeftButton);
             EXPECT_TRUE(w.isVisible());
             clickAt(in2)(w);
         },
         2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(warn([&](WarningDlg& w) {
                      EXPECT_TRUE(w.isModal());
                      EXPECT_EQ(w.geometry(), QRect(kOrigin, QSize(200, 100)));
                      EXPECT_FALSE(w.shape().contains(QPoint(3, 3)));
                      EXPECT_TRUE(w.shape().contains(QPoint(8, 3)));
                      c.drive(w);
                  }),
                  c.result)
            << c.what;
    }
    EXPECT_EQ(model.settings.buttonFunction, (std::array<int, 7>{1, 2, 3, 4, 5, 1, 0}));
}

TEST_F(Menus, TheWarningPaintsAndCarriesItsHoverIntoTheNextShowing) {
    const QRect area1 = layout.warnLayout[0].rect();
    const QRect area2 = layout.warnLayout[1].rect();
    warn([&](WarningDlg& w) {
        QImage img = w.compose();
        EXPECT_TRUE(near(img.pixel(area1.topLeft()), kNormal)) << "nothing hovered at first";
        EXPECT_TRUE(bandHas(img, area1.y(), area1.height(), Qt::red));
        EXPECT_FALSE(bandHas(img, area1.y(), area1.height(), Qt::white));
        send(&w, QEvent::MouseMove, area2.center());
        img = w.compose();
        EXPECT_TRUE(near(img.pixel(area2.topLeft()), kOver));
        EXPECT_TRUE(near(img.pixel(area1.topLeft()), kNormal));
        send(&w, QEvent::MouseButtonRelease, area2.center(), Qt::LeftButton);
    });
    warn([&](WarningDlg& w) {
        EXPECT_TRUE(near(w.compose().pixel(area2.topLeft()), kOver))
            << "the area under the pointer when the last one closed";
        w.reject();
    });
}

// The main window's dispatch with the real popups behind its hooks.
class PopupWindow final : public WindowActions {
public:
    explicit PopupWindow(FunctionMenus& m) : menus(m) {}
    FunctionMenus& menus;
    int answer = 1;
    int warnings = 0;
    void repaint() override {}
    void repaintAdvancedRegion() override {}
    void paintNow() override {}
    void moveWindow(QPoint) override {}
    void minimise() override {}
    void hideToTray() override {}
    QPoint windowTopLeft() const override { return {1000, 500}; }
    void saveProfile() override {}
    void saveDpiAndHide() override {}
    void downloadSettings() override {}
    void loadProfile() override {}
    void importConfiguration() override {}
    void exportConfiguration() override {}
    void restoreDefaults() override {}
    void switchLanguage(int) override {}
    void openWebSite() override {}
    int showWarning() override {
        ++warnings;
        QTimer::singleShot(0, [this] {
            if (WarningDlg* w = menus.warning()) {
                w->done(answer);
            }
        });
        return menus.showWarning();
    }
    void openFunctionMenu() override { menus.openFunctionMenu(); }
    void closeFunctionMenu() override { menus.closeFunctionMenu(); }
    void createMacroControls() override {}
    void destroyMacroControls() override {}
    void refillMacroList() override {}
    void macroCommand(MacroCommand) override {}
    void startLedPreview() override {}
};

TEST_F(Menus, PressingASlotWarnsOnlyForTheLastLeftClick) {
    LayoutReporter none;
    ASSERT_TRUE(LoadColorLayout(skin.dir(), 1, layout, none));
    ASSERT_TRUE(LoadAdvancedLayout(skin.dir(), 1, layout, none));
    PopupWindow window(*menus);
    PointerDispatcher dispatcher(model, layout, window);
    struct Case {
        std::array<int, 7> functions;
        int slot;
        bool warns;
    };
    const Case cases[] = {
        {{1, 2, 3, 1, 5, 6, 0}, 0, false}, {{1, 2, 3, 1, 5, 6, 0}, 3, false},
        {{2, 2, 1, 4, 5, 6, 0}, 2, true},  {{2, 2, 1, 4, 5, 6, 0}, 0, false},
        {{2, 2, 1, 4, 5, 6, 0}, 6, false}, {{0, 0, 0, 0, 0, 0, 0}, 4, true},
        {{2, 2, 3, 4, 5, 6, 1}, 6, true},
    };
    for (const Case& c : cases) {
        for (int answer : {1, 2}) {
            model.settings.buttonFunction = c.functions;
            window.answer = answer;
            window.warnings = 0;
            const QPoint p = uitest::mainRect(25 + c.slot).topLeft() + QPoint(2, 2);
            dispatcher.move(p);
            dispatcher.press(p);
            settle();
            EXPECT_EQ(window.warnings, c.warns ? 1 : 0) << "slot " << c.slot;
            const bool opened = !c.warns || answer == 1;
            ASSERT_EQ(menus->functionMenu() != nullptr, opened) << "slot " << c.slot;
            EXPECT_EQ(model.settings.buttonFunction, c.functions) << "the warning changes nothing";
            if (opened) {
                EXPECT_EQ(menus->functionMenu()->geometry().topLeft(),
                          QPoint(1000, 500) + uitest::mainRect(25 + c.slot).bottomLeft() +
                              QPoint(0, 1));
                // A choice other than the left click on the last left-click slot moves it on.
                hover(menus->functionMenu(), 2);
                click(menus->functionMenu(), row(2));
                auto expected = c.functions;
                expected[static_cast<std::size_t>(c.slot)] = 2;
                if (c.warns) {
                    expected[static_cast<std::size_t>(c.slot < 6 ? c.slot + 1 : 6)] = 1;
                }
                EXPECT_EQ(model.settings.buttonFunction, expected) << "slot " << c.slot;
            }
            dispatcher.release(p);
            menus->closeFunctionMenu();
            settle();
        }
    }
}

} // namespace
} // namespace torvex::ui
