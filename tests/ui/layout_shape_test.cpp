// Layout files, picture cache and the window shape.
#include "test_skin.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"

#include <QPainter>
#include <QRandomGenerator>
#include <climits>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace torvex::ui {
namespace {
namespace fs = std::filesystem;
using uitest::TestSkin;

struct Reports {
    int missing = 0;
    std::vector<int> malformedKeys;
    LayoutReporter reporter() {
        return {
            [this](const fs::path&) { ++missing; },
            [this](const fs::path&, const std::string&, int key) { malformedKeys.push_back(key); }};
    }
};

TEST(SkinLayout, ReadSkinEntrySplitsValuesIntoSevenFields) {
    TestSkin skin;
    struct Case {
        const char* value;
        std::array<const char*, 7> fields;
        bool malformed;
    } cases[] = {
        {"label,10,20,30,40,Caption,", {"label", "10", "20", "30", "40", "Caption", ""}, false},
        {"a,1,2,3,4,cap,x,y,z", {"a", "1", "2", "3", "4", "cap", "x,y,z"}, true},
        {"just a name", {"just a name", "", "", "", "", "", ""}, false},
        {"a,5,6", {"a", "5", "6", "", "", "", ""}, false},
        {"", {"", "", "", "", "", "", ""}, false},
    };
    for (int k = 0; k < static_cast<int>(std::size(cases)); ++k) {
        skin.writeLayoutValue(1, LayoutFile::Color, "TEST", k, cases[k].value);
    }
    Reports reports;
    const fs::path file = layoutFilePath(skin.dir(), 1, LayoutFile::Color);
    for (int k = 0; k < static_cast<int>(std::size(cases)); ++k) {
        const SkinFields f = ReadSkinEntry(file, "TEST", k, reports.reporter());
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(f[i].toStdString(), cases[k].fields[i]) << cases[k].value << " field " << i;
        }
    }
    EXPECT_EQ(reports.malformedKeys, std::vector<int>{1});
    EXPECT_EQ(reports.missing, 0);
}

TEST(SkinLayout, LoadersFillEveryTableFromTheLanguagesFiles) {
    TestSkin skin;
    for (int language : {0, 1, 2}) {
        SkinLayout layout;
        Reports reports;
        EXPECT_TRUE(LoadMainLayout(skin.dir(), language, layout, reports.reporter()));
        EXPECT_TRUE(LoadColorLayout(skin.dir(), language, layout, reports.reporter()));
        EXPECT_TRUE(LoadAdvancedLayout(skin.dir(), language, layout, reports.reporter()));
        EXPECT_TRUE(LoadWarningLayout(skin.dir(), language, layout, reports.reporter()));
        const QString tag = language == 0 ? "Z" : "E";
        EXPECT_EQ(layout.mainLayout[98].rect(), uitest::mainRect(98));
        EXPECT_EQ(layout.mainLayout[17].caption, tag + "17");
        EXPECT_EQ(layout.colorLayout[11].rect(), uitest::colorRect(11));
        EXPECT_EQ(layout.advLayout[30].rect(), uitest::advRect(30));
        EXPECT_EQ(layout.warnLayout[2].caption, tag + "w2");
        EXPECT_TRUE(layout.funString[0].isEmpty());
        EXPECT_EQ(layout.funString[54], (language == 0 ? QString("函54") : QString("F54")));
        EXPECT_EQ(layout.repeatEditRect, uitest::kRepeatEdit);
        EXPECT_EQ(layout.macroNameEditRect, uitest::kNameEdit);
        EXPECT_EQ(layout.macroListRect, uitest::kMacroList);
        EXPECT_EQ(layout.eventListRect, uitest::kEventList);
        EXPECT_EQ(reports.missing, 0);
        EXPECT_TRUE(reports.malformedKeys.empty());
    }
}

TEST(SkinLayout, BadValuesGiveEmptyOrZeroEntriesAndAMissingFileIsReportedOnce) {
    TestSkin skin;
    skin.writeLayoutValue(1, LayoutFile::Main, "BUTTONPOS", 5, "no commas here");
    skin.writeLayoutValue(1, LayoutFile::Main, "BUTTONPOS", 6, "x, 12abc,-3,zz,40,cap,");
    SkinLayout layout;
    Reports reports;
    LoadMainLayout(skin.dir(), 1, layout, reports.reporter());
    EXPECT_EQ(layout.mainLayout[5], SkinEntry{});
    EXPECT_EQ(layout.mainLayout[6], (SkinEntry{12, -3, 0, 40, "cap"}));
    // Numbers past int's range are cut, so hit tests and painting never overflow on them.
    skin.writeLayoutValue(1, LayoutFile::Main, "BUTTONPOS", 7, "big,2147483647,-99999999999,9,9,");
    LoadMainLayout(skin.dir(), 1, layout, reports.reporter());
    EXPECT_EQ(layout.mainLayout[7], (SkinEntry{kLayoutNumberLimit, -kLayoutNumberLimit, 9, 9, ""}));
    EXPECT_FALSE(layout.mainLayout[7].contains(INT_MAX, 0));
    EXPECT_FALSE(layout.mainLayout[5].contains(0, 0));

    fs::remove(layoutFilePath(skin.dir(), 1, LayoutFile::Advanced));
    EXPECT_FALSE(LoadAdvancedLayout(skin.dir(), 1, layout, reports.reporter()));
    EXPECT_EQ(reports.missing, 1);
    EXPECT_EQ(layout.advLayout[4], SkinEntry{});
    EXPECT_TRUE(layout.eventListRect.isEmpty());
    EXPECT_TRUE(functionName(layout, 55).isEmpty());
    EXPECT_TRUE(functionName(layout, -1).isEmpty());
}

TEST(SkinLayout, ATenMegabyteLayoutFileStillLoadsItsEntries) {
    TestSkin skin;
    const fs::path file = layoutFilePath(skin.dir(), 1, LayoutFile::Main);
    std::string original;
    {
        std::ifstream in(file, std::ios::binary);
        original.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Ten megabytes of junk lines before the real sections.
    std::string junk;
    const std::string line = "junk=" + std::string(1000, 'x') + "\n";
    while (junk.size() < 10u * 1024 * 1024) {
        junk += line;
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "[JUNK]\n" << junk << original;
    // A skin file as installed: written long before it is read.
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    SkinLayout layout;
    Reports reports;
    EXPECT_TRUE(LoadMainLayout(skin.dir(), 1, layout, reports.reporter()));
    EXPECT_EQ(layout.mainLayout[98].rect(), uitest::mainRect(98));
    EXPECT_EQ(layout.mainLayout[17].caption, "E17");
    EXPECT_EQ(reports.missing, 0);
}

TEST(SkinImages, APictureThatIsNotAJpegLoadsAsNothing) {
    uitest::ensureApplication();
    TestSkin skin;
    const fs::path picture = skin.dir() / "main_over.jpg";
    std::ofstream(picture, std::ios::binary | std::ios::trunc) << "not a picture at all";
    ImageCache cache;
    EXPECT_TRUE(cache.load(picture).isNull());
    EXPECT_TRUE(cache.load(skin.dir() / "absent.jpg").isNull());
}

TEST(WindowShape, PixelRuleCutsOnlyPixelsLightInAllThreeChannels) {
    QImage mask(4, 1, QImage::Format_RGB32);
    mask.setPixel(0, 0, qRgb(101, 101, 101));
    mask.setPixel(1, 0, qRgb(100, 255, 255));
    mask.setPixel(2, 0, qRgb(255, 255, 100));
    mask.setPixel(3, 0, qRgb(255, 255, 255));
    const QRegion r = regionFromMask(mask);
    EXPECT_FALSE(r.contains(QPoint(0, 0)));
    EXPECT_TRUE(r.contains(QPoint(1, 0)));
    EXPECT_TRUE(r.contains(QPoint(2, 0)));
    EXPECT_FALSE(r.contains(QPoint(3, 0)));

    QImage black(30, 20, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(regionFromMask(black), QRegion(0, 0, 30, 20));
    QImage white = black;
    white.fill(Qt::white);
    EXPECT_TRUE(regionFromMask(white).isEmpty());
}

TEST(WindowShape, RegionFromRunsHoldsExactlyTheKeptPixels) {
    // Random blobs and single pixels, including shapes that repeat over several rows.
    QImage mask(97, 61, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QRandomGenerator rng(7);
    QPainter p(&mask);
    for (int i = 0; i < 25; ++i) {
        p.fillRect(rng.bounded(90), rng.bounded(55), rng.bounded(1, 30), rng.bounded(1, 20),
                   QColor(255, 255, 255));
    }
    p.end();
    for (int i = 0; i < 300; ++i) {
        mask.setPixel(rng.bounded(97), rng.bounded(61),
                      rng.bounded(2) ? qRgb(240, 240, 240) : qRgb(10, 200, 10));
    }
    QRegion byPixel;
    for (int x = 0; x < mask.width(); ++x) {
        for (int y = 0; y < mask.height(); ++y) {
            if (!cutAway(mask.pixel(x, y))) {
                byPixel += QRect(x, y, 1, 1);
            }
        }
    }
    const QRegion runs = regionFromMask(mask);
    EXPECT_EQ(runs, byPixel);
    EXPECT_TRUE(runs.xored(byPixel).isEmpty());
    EXPECT_LT(runs.rectCount(), mask.width() * mask.height() / 4);
}

TEST(WindowShape, AdvancedRegionTogglesThreeControlRectanglesAndAMissingMaskFallsBack) {
    QImage mask(100, 80, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter(&mask).fillRect(QRect(60, 0, 40, 80), Qt::white); // right part cut away
    SkinLayout layout;
    layout.macroNameEditRect = QRect(10, 10, 20, 10); // on the window: becomes a hole
    layout.eventListRect = QRect(70, 10, 20, 10);     // on a cut-away part: added
    layout.macroListRect = QRect(10, 40, 20, 10);
    layout.repeatEditRect = QRect(10, 60, 20, 10); // never toggled
    const WindowShape shape = BuildWindowShape(mask, layout);
    EXPECT_EQ(shape.size, QSize(100, 80));
    EXPECT_TRUE(shape.fromMask);
    EXPECT_EQ(shape.windowRegion, QRegion(0, 0, 60, 80));
    EXPECT_FALSE(shape.advancedPaintRegion.contains(QPoint(15, 15)));
    EXPECT_TRUE(shape.advancedPaintRegion.contains(QPoint(75, 15)));
    EXPECT_FALSE(shape.advancedPaintRegion.contains(QPoint(15, 45)));
    EXPECT_TRUE(shape.advancedPaintRegion.contains(QPoint(15, 65)));
    EXPECT_TRUE(shape.windowRegion.contains(QPoint(15, 15)));

    const WindowShape fallback = BuildWindowShape(QImage(), layout);
    EXPECT_FALSE(fallback.fromMask);
    EXPECT_EQ(fallback.size, kFallbackWindowSize);
    EXPECT_EQ(fallback.windowRegion, QRegion(QRect(QPoint(0, 0), kFallbackWindowSize)));
}

TEST(ImageCache, DecodesOncePerFileVersionAndAgainWhenTheFileChanges) {
    TestSkin skin;
    const fs::path file = skin.dir() / "main_over.jpg";
    ImageCache cache;
    const QImage first = cache.load(file);
    cache.load(file);
    EXPECT_EQ(cache.decodeCount(), 1);
    EXPECT_EQ(QColor(first.pixel(0, 0)), skin.colour("main_over.jpg"));

    skin.writePicture("main_over.jpg", QColor(200, 200, 0), {50, 40});
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
    const QImage changed = cache.load(file);
    EXPECT_EQ(cache.decodeCount(), 2);
    EXPECT_EQ(changed.size(), QSize(50, 40));
    EXPECT_EQ(QColor(changed.pixel(0, 0)), skin.colour("main_over.jpg"));

    ImageCache uncached(false);
    uncached.load(file);
    uncached.load(file);
    EXPECT_EQ(uncached.decodeCount(), 2);
    EXPECT_TRUE(cache.load(skin.dir() / "missing.jpg").isNull());
}

} // namespace
} // namespace torvex::ui
