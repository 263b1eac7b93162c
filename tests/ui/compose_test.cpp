// Composition of the three pages and the captions, checked pixel by pixel against the flat
// colours of the test skin.
#include "test_skin.h"
#include "ui/skin/page_composer.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace torvex::ui {
namespace {
using uitest::advRect;
using uitest::colorRect;
using uitest::mainRect;

class Compose : public ::testing::Test {
protected:
    void SetUp() override {
        LayoutReporter none;
        for (auto load : {LoadMainLayout, LoadColorLayout, LoadAdvancedLayout, LoadWarningLayout}) {
            ASSERT_TRUE(load(skin.dir(), 1, layout, none));
        }
        model.language = 1;
        model.curConfig = 2;
        model.settings.dpiSetEnabled = {1, 1, 1, 1};
        model.macros = &macros;
        macros.records[0].setName(u"Combo");
        macros.count = 1;
    }
    QImage frame() { return composer.compose(model, layout, {uitest::kWidth, uitest::kHeight}); }
    // A pixel of an entry away from its centred caption.
    static QColor at(const QImage& image, const QRect& r) {
        return QColor(image.pixel(r.x() + 1, r.y() + 1));
    }
    QColor c(const char* picture) const { return skin.colour(picture); }

    uitest::TestSkin skin;
    SkinLayout layout;
    ImageCache cache;
    PageComposer composer{skin.dir(), cache};
    UiModel model;
    MacroTable macros{MacroTableKind::User};
};

TEST_F(Compose, MainPageCommonEntriesHoverPressProfileTabAndLanguage) {
    QImage img = frame();
    EXPECT_EQ(at(img, mainRect(20)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(5)), c("main_down.jpg")) << "current profile 2";
    EXPECT_EQ(at(img, mainRect(4)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(9)), c("main_down.jpg")) << "tab of the main page";
    EXPECT_EQ(at(img, mainRect(10)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(18)), c("main_down.jpg")) << "English";
    EXPECT_EQ(at(img, mainRect(17)), c("main_normal.jpg"));

    model.pointer.hotMain = 0;
    EXPECT_EQ(at(frame(), mainRect(0)), c("main_over.jpg"));
    model.pointer.mouseDown = true;
    EXPECT_EQ(at(frame(), mainRect(0)), c("main_down.jpg"));
    model.pointer.mouseDown = false;
    model.pointer.hotMain = 5;
    EXPECT_EQ(at(frame(), mainRect(5)), c("main_down.jpg")) << "profile stays down when hovered";

    model.pointer.hotMain = kNoEntry;
    for (auto [language, seventeen, eighteen] :
         {std::tuple{0, "main_down.jpg", "main_normal.jpg"},
          std::tuple{2, "main_normal.jpg", "main_normal.jpg"}}) {
        model.language = language;
        img = frame();
        EXPECT_EQ(at(img, mainRect(17)), c(seventeen)) << language;
        EXPECT_EQ(at(img, mainRect(18)), c(eighteen)) << language;
    }
    // A profile number outside 1..5 marks nothing, in particular not Apply (entry 3).
    model.curConfig = 0;
    EXPECT_EQ(at(frame(), mainRect(3)), c("main_normal.jpg"));
}

TEST_F(Compose, DpiAreaLevelKnobsSwitchesWheelAndSlotHighlight) {
    model.settings.dpiLevel = 2;
    model.settings.dpiSetEnabled = {1, 0, 1, 0};
    model.settings.setDpiSet(1, 3);
    model.settings.wheelStatus = 0;
    model.pointer.hotMain = 27;
    QImage img = frame();
    EXPECT_EQ(at(img, mainRect(82)), c("main_down.jpg"));
    EXPECT_EQ(at(img, mainRect(80)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(46)), c("main_down.jpg"));
    EXPECT_EQ(at(img, mainRect(47)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(68)), c("dpi_slider.jpg")) << "knob of slot 1 on step 3";
    EXPECT_EQ(at(img, mainRect(65)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(60)), c("dpi_slider.jpg")) << "knob of slot 0 on step 0";
    EXPECT_EQ(at(img, mainRect(41)), c("main_down.jpg"));
    EXPECT_EQ(at(img, mainRect(42)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(92)), c("main_over.jpg")) << "highlight of slot 2";
    EXPECT_EQ(at(img, mainRect(27)), c("main_over.jpg"));

    model.settings.wheelStatus = 5;
    model.settings.dpiLevel = 9;    // from a hand-edited file: no mark, no crash
    model.settings.setDpiSet(3, 7); // entry 82, a level mark: no knob there
    model.settings.setDpiSet(2, 200);
    img = frame();
    EXPECT_EQ(at(img, mainRect(82)), c("main_normal.jpg"));
    EXPECT_EQ(at(img, mainRect(42)), c("main_down.jpg"));
    for (int k = 80; k < 84; ++k) {
        EXPECT_EQ(at(img, mainRect(k)), c("main_normal.jpg"));
    }
}

TEST_F(Compose, AdvancedPageSpeedsRapidFireBarSwitchesAndRecordButton) {
    model.pointer.curPage = kAdvancedPage;
    model.settings.pointerSpeed = 3;
    model.settings.wheelSpeed = 9;
    QImage img = frame();
    EXPECT_EQ(at(img, advRect(11)), c("advanced_down.jpg"));
    EXPECT_EQ(at(img, advRect(8)), c("advanced_normal.jpg"));
    EXPECT_EQ(at(img, advRect(27)), c("advanced_down.jpg"));
    EXPECT_EQ(at(img, mainRect(10)), c("advanced_down.jpg")) << "tab of the macro page";
    EXPECT_EQ(at(img, advRect(7)), c("advanced_normal.jpg"));
    EXPECT_EQ(at(img, advRect(6)), c("advanced_normal.jpg"));
    EXPECT_EQ(at(img, advRect(4)), c("advanced_normal.jpg"));

    const QRect bar = advRect(30);
    for (auto [fire, filled] : {std::pair{0, 0}, std::pair{150, 150}, std::pair{300, 300},
                                std::pair{1000, 300}, std::pair{-5, 0}}) {
        model.settings.fireTime = fire;
        img = frame();
        for (int x = bar.left(); x <= bar.right(); ++x) {
            const bool down = x - bar.x() < filled;
            ASSERT_EQ(QColor(img.pixel(x, bar.bottom())),
                      c(down ? "advanced_down.jpg" : "advanced_normal.jpg"))
                << "fireTime " << fire << " x " << x;
        }
    }

    model.settings.fireTime = 0;
    model.settings.macroMode = 1;
    macros.records[0].repeatMode = 1;
    model.macroPage.recording = true;
    img = frame();
    EXPECT_EQ(at(img, advRect(7)), c("advanced_down.jpg"));
    EXPECT_EQ(at(img, advRect(6)), c("advanced_down.jpg"));
    EXPECT_EQ(at(img, advRect(4)), c("advanced_down.jpg"));

    // The bar has no pressed picture; hovering it shows the over picture.
    model.pointer.hotAdv = 30;
    model.pointer.mouseDown = true;
    EXPECT_EQ(at(frame(), bar), c("advanced_normal.jpg"));
    model.pointer.mouseDown = false;
    EXPECT_EQ(at(frame(), bar), c("advanced_over.jpg"));

    model.settings.pointerSpeed = 10; // outside 0..9: nothing drawn, entry 18 untouched
    img = frame();
    EXPECT_EQ(at(img, advRect(18)), c("advanced_normal.jpg"));
}

TEST_F(Compose, AdvancedPageHotEntryHoverAndPress) {
    model.pointer.curPage = kAdvancedPage;
    model.settings.pointerSpeed = 3; // entry 11 is drawn pressed whatever the pointer does
    model.settings.fireTime = 0;
    struct Case {
        int hot;
        bool down;
        const char* picture;
    } cases[] = {
        {2, false, "advanced_over.jpg"},  {2, true, "advanced_down.jpg"},
        {31, false, "advanced_over.jpg"}, {31, true, "advanced_down.jpg"},
        {37, true, "advanced_down.jpg"},  {8, true, "advanced_down.jpg"},
        {11, false, "advanced_down.jpg"}, {kNoEntry, true, "advanced_normal.jpg"},
    };
    for (const Case& k : cases) {
        model.pointer.hotAdv = k.hot;
        model.pointer.mouseDown = k.down;
        const QImage img = frame();
        const int entry = k.hot == kNoEntry ? 2 : k.hot;
        EXPECT_EQ(at(img, advRect(entry)), c(k.picture)) << k.hot << (k.down ? " down" : " up");
        // Only the hot entry changes: its neighbour keeps the normal picture.
        EXPECT_EQ(at(img, advRect(entry == 2 ? 3 : 2)), c("advanced_normal.jpg")) << k.hot;
    }
}

// The filled part is fireTime / 300 of the bar's own width, so a bar of another width than
// 300 px tells the scaling from fireTime itself.
TEST_F(Compose, RapidFireBarFillScalesWithTheBarWidth) {
    skin.writeLayoutValue(1, LayoutFile::Advanced, "BUTTONPOS", 30, "a,10,310,200,16,Ea30,");
    LayoutReporter none;
    ASSERT_TRUE(LoadAdvancedLayout(skin.dir(), 1, layout, none));
    const QRect bar(10, 310, 200, 16);
    ASSERT_EQ(layout.advLayout[30].rect(), bar);
    model.pointer.curPage = kAdvancedPage;
    for (auto [fire, filled] : {std::pair{150, 100}, std::pair{300, 200}, std::pair{1, 0},
                                std::pair{2, 1}, std::pair{299, 199}, std::pair{450, 200}}) {
        model.settings.fireTime = fire;
        const QImage img = frame();
        // Up to where a 300 px bar would reach: nothing beyond the entry is drawn.
        for (int x = bar.left(); x < bar.left() + 300; ++x) {
            const bool down = x - bar.x() < filled;
            ASSERT_EQ(QColor(img.pixel(x, bar.bottom())),
                      c(down ? "advanced_down.jpg" : "advanced_normal.jpg"))
                << "fireTime " << fire << " x " << x;
        }
    }
}

TEST_F(Compose, ColourPageSelectionAndPreview) {
    model.pointer.curPage = kColourPage;
    model.settings.ledStatus = 2;
    const QRect preview = colorRect(11);
    struct Case {
        bool off;
        int colour;
        const char* picture;
    } cases[] = {{true, 0, "color_normal_gray.jpg"},  {false, 0, "color_over_blue.jpg"},
                 {false, 1, "color_normal_pink.jpg"}, {false, 2, "color_over_red.jpg"},
                 {false, 3, "color_down_purple.jpg"}, {false, 7, "color_normal_pink.jpg"}};
    for (const Case& k : cases) {
        model.preview = {k.colour, k.off};
        const QImage img = frame();
        EXPECT_EQ(QColor(img.pixel(preview.right(), preview.bottom())), c(k.picture))
            << k.colour << (k.off ? " off" : "");
        EXPECT_EQ(at(img, colorRect(2)), c("color_down_purple.jpg"));
        EXPECT_EQ(at(img, colorRect(1)), c("color_normal_pink.jpg"));
        EXPECT_EQ(at(img, mainRect(11)), c("color_down_purple.jpg"));
    }
    model.settings.ledStatus = 9; // not a mode: no entry drawn pressed
    const QImage img = frame();
    EXPECT_EQ(at(img, colorRect(9)), c("color_normal_pink.jpg"));
}

TEST_F(Compose, ColourPageHotEntryHoverAndPress) {
    model.pointer.curPage = kColourPage;
    model.settings.ledStatus = 2; // drawn pressed whatever the pointer does
    model.preview = {1, false};
    struct Case {
        int hotColor;
        int hotMain;
        bool down;
        QRect probe;
        const char* picture;
    } cases[] = {
        {0, kNoEntry, false, colorRect(0), "color_over_red.jpg"},
        {0, kNoEntry, true, colorRect(0), "color_down_purple.jpg"},
        {4, kNoEntry, false, colorRect(4), "color_over_red.jpg"},
        {4, kNoEntry, true, colorRect(4), "color_down_purple.jpg"},
        {2, kNoEntry, false, colorRect(2), "color_down_purple.jpg"},
        {kNoEntry, kNoEntry, true, colorRect(0), "color_normal_pink.jpg"},
        // The shared entries take the colour page's pictures.
        {kNoEntry, 9, false, mainRect(9), "color_over_red.jpg"},
        {kNoEntry, 9, true, mainRect(9), "color_down_purple.jpg"},
    };
    for (const Case& k : cases) {
        model.pointer.hotColor = k.hotColor;
        model.pointer.hotMain = k.hotMain;
        model.pointer.mouseDown = k.down;
        const QImage img = frame();
        EXPECT_EQ(at(img, k.probe), c(k.picture))
            << k.hotColor << "/" << k.hotMain << (k.down ? " down" : " up");
        EXPECT_EQ(at(img, colorRect(1)), c("color_normal_pink.jpg")) << k.hotColor;
    }
}

TEST_F(Compose, CaptionTextsPositionsAndColours) {
    const QFont fontA = captionFont(1);
    const QFontMetrics fm(fontA);
    model.settings.buttonFunction = {1, 41, 3, 60, 53, 54, -2};
    model.pointer.hotMain = 26;
    model.settings.dpiSetEnabled = {1, 0, 1, 1};

    CaptionDraw d = captionFor(model, layout, 1);
    EXPECT_EQ(d.colour, QColor(255, 255, 0));
    d = captionFor(model, layout, 20);
    EXPECT_EQ(d.text, "E20");
    EXPECT_EQ(d.colour, QColor(255, 255, 255));
    EXPECT_EQ(d.topLeft, QPoint(mainRect(20).x() + (36 - fm.horizontalAdvance("E20")) / 2,
                                mainRect(20).y() + (26 - fm.height()) / 2));

    d = captionFor(model, layout, 26);
    EXPECT_EQ(d.text, "Combo") << "code 41 shows macro 0's name";
    EXPECT_EQ(d.colour, QColor(255, 0, 0));
    EXPECT_EQ(d.topLeft, QPoint(mainRect(26).x() + 5, mainRect(26).y() + (26 - fm.height()) / 2));
    EXPECT_EQ(captionFor(model, layout, 25).text, "F1");
    EXPECT_EQ(captionFor(model, layout, 25).colour, QColor(255, 255, 255));
    EXPECT_EQ(captionFor(model, layout, 27).text, "F3");
    for (int slot : {28, 29, 30, 31}) { // codes 60, 53 (blank record), 54, -2: no text
        EXPECT_TRUE(captionFor(model, layout, slot).text.isEmpty()) << slot;
    }
    d = captionFor(model, layout, 50);
    EXPECT_TRUE(d.dpiLabelFont);
    EXPECT_EQ(d.colour, QColor(255, 0, 0));
    EXPECT_EQ(captionFor(model, layout, 51).colour, QColor(128, 128, 128));

    // The hot slot's name is really drawn in red in the composed frame.
    const QImage img = frame();
    bool red = false;
    const QRect slotText(mainRect(26).x() + 5, mainRect(26).y(), fm.horizontalAdvance("Combo"), 26);
    for (int x = slotText.left(); x <= slotText.right(); ++x) {
        for (int y = slotText.top(); y <= slotText.bottom(); ++y) {
            const QColor p(img.pixel(x, y));
            red = red || (p.red() > 200 && p.green() < 60 && p.blue() < 60);
        }
    }
    EXPECT_TRUE(red);

    model.pointer.curPage = kColourPage;
    model.pointer.hotMain = 3;
    EXPECT_EQ(captionFor(model, layout, 3).colour, QColor(255, 255, 255))
        << "main entries keep their colour on other pages";
    for (auto [code, text] : {std::pair{13, "3200"}, std::pair{11, "2400"}, std::pair{9, "2000"},
                              std::pair{7, "1600"}, std::pair{6, "1200"}, std::pair{5, "800"}}) {
        model.dpiCode[0] = static_cast<std::uint8_t>(code);
        model.settings.dpiLevel = 0;
        EXPECT_EQ(captionFor(model, layout, 29).text, text);
    }
    model.settings.dpiLevel = 4;
    EXPECT_TRUE(captionFor(model, layout, 29).text.isEmpty());
    EXPECT_EQ(captionFor(model, layout, 20).text, "Ec0");

    model.pointer.curPage = kAdvancedPage;
    model.pointer.hotAdv = 33;
    model.settings.fireTime = 150;
    model.macroPage = {true, 3, 2};
    EXPECT_EQ(captionFor(model, layout, 24).text, "Stop");
    EXPECT_EQ(captionFor(model, layout, 53).text, "150ms");
    EXPECT_EQ(captionFor(model, layout, 53).colour, QColor(255, 0, 0));
    EXPECT_EQ(captionFor(model, layout, 63).text, "[↓]3");
    EXPECT_EQ(captionFor(model, layout, 64).text, "[↑]2");
    EXPECT_EQ(captionFor(model, layout, 70).text, "Ea50");
    model.language = 0;
    model.macroPage.recording = false;
    EXPECT_EQ(captionFor(model, layout, 24).text, "录制");
}

} // namespace
} // namespace torvex::ui
