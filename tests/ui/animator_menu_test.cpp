// The colour preview's sequence on a hand-driven clock, and the owner-drawn menus.
#include "test_skin.h"
#include "ui/popups/qav_menu.h"
#include "ui/skin/dpi_colour.h"

#include <QAction>
#include <QStyleOptionMenuItem>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace torvex::ui {
namespace {

class ManualClock final : public AnimatorScheduler {
public:
    int now = 0;
    void schedule(int ms, std::function<void()> callback) override {
        pending = Pending{now + ms, std::move(callback)};
    }
    void cancel() override { pending.reset(); }
    void runUntil(int time) {
        while (pending && pending->due <= time) {
            Pending p = std::move(*pending);
            pending.reset();
            now = p.due;
            p.callback();
        }
        now = time;
    }
    struct Pending {
        int due;
        std::function<void()> callback;
    };
    std::optional<Pending> pending;
};

struct Frame {
    int time;
    int colour;
    bool off;
    bool operator==(const Frame&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Frame& f) {
    return o << "{" << f.time << ", " << f.colour << (f.off ? ", off}" : ", lit}");
}

class Preview : public ::testing::Test {
protected:
    LedPreviewAnimator make() {
        return LedPreviewAnimator(state, clock,
                                  {[this] { return page; }, [this] { return level; },
                                   [this] { return mode; },
                                   [this] {
                                       frames.push_back({clock.now, state.colour, state.off});
                                   }});
    }
    PreviewState state;
    ManualClock clock;
    int page = kColourPage;
    int level = 1;
    int mode = 0;
    std::vector<Frame> frames;
};

TEST_F(Preview, ModesZeroAndOneAlternateLitAndUnlitColoursAtTheirPeriods) {
    for (auto [m, period] : {std::pair{0, 1200}, std::pair{1, 800}}) {
        frames.clear();
        clock = ManualClock{};
        state = {};
        mode = m;
        level = 1;
        LedPreviewAnimator a(state, clock,
                             {[this] { return page; }, [this] { return level; },
                              [this] { return mode; },
                              [this] {
                                  frames.push_back({clock.now, state.colour, state.off});
                              }});
        ASSERT_TRUE(a.start());
        EXPECT_FALSE(a.start()) << "at most one runs";
        clock.runUntil(5 * period);
        const std::vector<Frame> expected{{0, 2, true},          {period, 2, false},
                                          {2 * period, 3, true}, {3 * period, 3, false},
                                          {4 * period, 0, true}, {5 * period, 0, false}};
        EXPECT_EQ(frames, expected) << "mode " << m;
    }
}

TEST_F(Preview, ALevelChangeShowsTheNewColourForTwoSecondsAndAPeriod) {
    auto a = make();
    a.start();
    clock.runUntil(1200);
    frames.clear();
    level = 3;
    clock.runUntil(1200 + 2400 + 3400);
    const std::vector<Frame> expected{
        {2400, 3, false}, {4400, 3, false}, {5600, 0, true}, {6800, 0, false}};
    EXPECT_EQ(frames, expected);
}

TEST_F(Preview, ModeTwoIsSteadyModeThreeUnlitAndTheModeIsReadEveryPass) {
    mode = 2;
    auto a = make();
    a.start();
    clock.runUntil(2400);
    EXPECT_EQ(frames, (std::vector<Frame>{{0, 1, false}, {1200, 1, false}, {2400, 1, false}}));
    level = 0;
    clock.runUntil(3600);
    EXPECT_EQ(frames.back(), (Frame{3600, 0, false})) << "a new level within one period";
    mode = 3;
    clock.runUntil(4800);
    EXPECT_EQ(frames.back(), (Frame{4800, 0, true}));
}

TEST_F(Preview, EndsAtTheFirstCheckAfterThePageIsLeftAndStopEndsAtOnce) {
    auto a = make();
    a.start();
    clock.runUntil(100);
    page = kMainPage;
    clock.runUntil(1200);
    EXPECT_FALSE(a.running());
    EXPECT_FALSE(clock.pending.has_value());
    EXPECT_EQ(frames.size(), 1u);

    page = kColourPage;
    EXPECT_TRUE(a.start());
    a.stop();
    EXPECT_FALSE(a.running());
    EXPECT_FALSE(clock.pending.has_value()) << "nothing wakes a stopped preview";

    page = kAdvancedPage;
    frames.clear();
    EXPECT_TRUE(a.start());
    EXPECT_FALSE(a.running()) << "started off the colour page it ends at once";
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(state.colour, level);
}

TEST(OwnerDrawnMenu, TablesRecordsAndItemSizes) {
    uitest::ensureApplication();
    CQavMenu menu;
    menu.load(MenuResource::TrayEnglish);
    ASSERT_EQ(menu.entryCount(), 3);
    EXPECT_EQ(menu.entries()[0].text, "Menu_Tray");
    EXPECT_EQ(menu.entries()[0].id, -1);
    EXPECT_EQ(menu.entries()[1].id, 32801);
    EXPECT_EQ(menu.entries()[2].id, 32800);
    EXPECT_EQ(CQavMenu::MeasureItem(menu.entries()[1]), QSize(88, 20));
    ASSERT_NE(menu.popup(), nullptr);
    const auto actions = menu.popup()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Show Window");
    EXPECT_EQ(actions[1]->text(), "Exit Driver");

    menu.load(MenuResource::TrayChinese);
    EXPECT_EQ(menu.entryCount(), 3);
    EXPECT_EQ(menu.entries()[1].text, "显示窗口   ");
    EXPECT_EQ(CQavMenu::MeasureItem(menu.entries()[1]), QSize(56, 20));
    EXPECT_EQ(menu.entries()[1].id, 32837);
    EXPECT_EQ(menu.commandCount(), 4) << "the running number is never reset";
    EXPECT_EQ(CQavMenu::MeasureItem({"", 0, 0}), QSize(0, 1)) << "a separator is 1 px high";

    for (MenuResource r : {MenuResource::ContextEnglish, MenuResource::ContextChinese}) {
        CQavMenu context;
        context.load(r);
        EXPECT_EQ(context.entryCount(), 23);
        EXPECT_EQ(context.commandCount(), 14);
    }
    CQavMenu context;
    context.load(MenuResource::ContextEnglish);
    EXPECT_EQ(context.entries()[3].text, "Down ") << "trailing space kept";
    EXPECT_EQ(context.entries()[3].id, 32802);
    EXPECT_EQ(context.entries()[22].id, 32781);
    context.load(MenuResource::ContextChinese);
    EXPECT_EQ(context.entries()[1].text, "项前插入    ");
    EXPECT_EQ(context.entries()[12].text, "左键   ");
    EXPECT_EQ(context.entries()[13].text, "向下  ");
    EXPECT_EQ(context.entries()[13].id, 32829);

    // Commands reach the handler with their ids.
    std::vector<int> chosen;
    menu.setCommandHandler([&](int id) { chosen.push_back(id); });
    menu.load(MenuResource::TrayEnglish);
    menu.popup()->actions()[1]->trigger();
    EXPECT_EQ(chosen, std::vector<int>{32800});
}

TEST(OwnerDrawnMenu, TheTableNeverOverflows) {
    uitest::ensureApplication();
    static std::vector<MenuItem> many(40, MenuItem{u"x", 40000, {}});
    static const MenuItem top[] = {{u"top", -1, many}};
    static const MenuItem resource{u"big", 1, top};
    CQavMenu menu;
    menu.load(resource);
    EXPECT_EQ(menu.entryCount(), kMenuEntryCapacity);
    EXPECT_EQ(menu.popup()->actions().size(), kMenuEntryCapacity - 1);
}

TEST(OwnerDrawnMenu, HighlightedAndPlainRowPixels) {
    uitest::ensureApplication();
    const MenuEntry entry{"Show Window", 0, 32801};
    QImage image(88, 20, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
        QPainter p(&image);
        CQavMenu::DrawItem(p, image.rect(), true, entry);
    }
    for (QPoint corner : {QPoint(0, 0), QPoint(87, 0), QPoint(0, 19), QPoint(87, 19)}) {
        EXPECT_EQ(QColor(image.pixel(corner)), QColor(Qt::black))
            << corner.x() << "," << corner.y();
    }
    // 18 gradient lines from blue towards cyan, green in steps of 14; sampled left of the text.
    for (int y = 1; y <= 18; ++y) {
        EXPECT_EQ(QColor(image.pixel(3, y)), QColor(0, 14 * (y - 1), 255)) << "row " << y;
        EXPECT_EQ(QColor(image.pixel(9, y)), QColor(0, 14 * (y - 1), 255)) << "row " << y;
    }
    bool white = false;
    for (int x = 10; x < 88; ++x) {
        for (int y = 1; y < 19; ++y) {
            white = white || QColor(image.pixel(x, y)) == QColor(255, 255, 255);
        }
    }
    EXPECT_TRUE(white) << "white text from x + 10";

    image.fill(Qt::magenta);
    {
        QPainter p(&image);
        CQavMenu::DrawItem(p, image.rect(), false, entry);
    }
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(0, 120, 153));
    EXPECT_EQ(QColor(image.pixel(87, 19)), QColor(0, 120, 153));
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(QColor(image.pixel(x, 10)), QColor(0, 120, 153)) << "no text left of x + 10";
    }
}

TEST(OwnerDrawnMenu, TheStyleGivesRealMenusTheMeasuredItemSize) {
    uitest::ensureApplication();
    QavMenuStyle style;
    QStyleOptionMenuItem option;
    option.text = "Show Window";
    option.menuItemType = QStyleOptionMenuItem::Normal;
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_MenuItem, &option, {}, nullptr),
              QSize(88 + kMenuCheckAllowance, 20));
    option.menuItemType = QStyleOptionMenuItem::Separator;
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_MenuItem, &option, {}, nullptr).height(), 1);

    CQavMenu menu;
    menu.load(MenuResource::TrayChinese);
    QMenu* popup = menu.popup();
    popup->popup(QPoint(0, 0));
    const auto actions = popup->actions();
    EXPECT_EQ(popup->actionGeometry(actions[0]).height(), 20);
    EXPECT_EQ(popup->actionGeometry(actions[0]).width(), 56 + kMenuCheckAllowance);
    EXPECT_EQ(popup->actionGeometry(actions[1]).top(), 20);
    popup->hide();
}

} // namespace
} // namespace torvex::ui
