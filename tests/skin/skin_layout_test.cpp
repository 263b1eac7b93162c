// Checks the committed skin as the program will read it: files and keys, picture sizes, where
// the entries lie on the window's shape, captions against the caption fonts, and the names of
// the fixed macros.

#include "common/ini_store.h"
#include "common/utf16.h"
#include "macro/macro_file.h"
#include "skin_files.h"
#include "ui/skin/caption_fonts.h"

#include <QFontMetrics>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace torvex::skintest {
namespace {

struct KeyRange {
    const char* section;
    int first;
    int last;
    bool layout; // x, y, width, height and caption fields, as opposed to a function name
};

struct FileKeys {
    std::filesystem::path LayoutFiles::*file;
    std::vector<KeyRange> ranges;
};

// Every key the program reads, file by file.
const std::vector<FileKeys>& readKeys() {
    static const std::vector<FileKeys> keys{
        {&LayoutFiles::main, {{"BUTTONPOS", 0, 98, true}, {"FUN_STRING", 1, 54, false}}},
        {&LayoutFiles::color, {{"BUTTONPOS", 0, 12, true}}},
        {&LayoutFiles::advance,
         {{"BUTTONPOS", 0, 50, true}, {"EDIT", 3, 4, true}, {"MACRODISPLAY", 1, 2, true}}},
        {&LayoutFiles::warning, {{"BUTTONPOS", 0, 2, true}}},
    };
    return keys;
}

bool allDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

TEST(SkinFiles, EveryKeyTheProgramReadsIsPresentWellFormedAndNotCut) {
    for (int language : {0, 1}) {
        const LayoutFiles files = layoutFiles(language);
        for (const FileKeys& fk : readKeys()) {
            const std::filesystem::path& file = files.*fk.file;
            ASSERT_TRUE(std::filesystem::exists(file)) << file;
            for (const KeyRange& range : fk.ranges) {
                for (int key = range.first; key <= range.last; ++key) {
                    SCOPED_TRACE(file.filename().string() + " [" + range.section + "] " +
                                 std::to_string(key));
                    const std::string value =
                        ini::readString(file, range.section, std::to_string(key), kLayoutBuffer);
                    // A value the 260-character buffer would cut reads differently with a
                    // larger one.
                    EXPECT_EQ(value,
                              ini::readString(file, range.section, std::to_string(key), 4096));
                    ASSERT_FALSE(value.empty());
                    const Fields f = splitValue(value);
                    if (!range.layout) {
                        EXPECT_EQ(f.commas, 0) << value;
                        continue;
                    }
                    // Exactly six commas: fewer leave the caption's place open to the reader's
                    // choice, more make the program complain.
                    EXPECT_EQ(f.commas, 6) << value;
                    for (int i = 1; i <= 4; ++i) {
                        EXPECT_TRUE(allDigits(f.field[static_cast<std::size_t>(i)])) << value;
                    }
                    EXPECT_TRUE(f.field[6].empty()) << value;
                }
            }
        }
    }
}

TEST(SkinFiles, BothLanguagesHaveTheSameKeysAndTheSameRectangles) {
    const LayoutFiles cn = layoutFiles(0);
    const LayoutFiles en = layoutFiles(1);
    for (const FileKeys& fk : readKeys()) {
        const auto cnKeys = keysInFile(cn.*fk.file);
        const auto enKeys = keysInFile(en.*fk.file);
        EXPECT_EQ(cnKeys, enKeys) << (cn.*fk.file).filename();
        // The pictures serve both languages, so every rectangle must be the same in both.
        for (const auto& [section, key] : cnKeys) {
            if (section == "FUN_STRING") {
                continue;
            }
            const Fields a = splitValue(ini::readString(cn.*fk.file, section, key, kLayoutBuffer));
            const Fields b = splitValue(ini::readString(en.*fk.file, section, key, kLayoutBuffer));
            for (std::size_t i = 1; i <= 4; ++i) {
                EXPECT_EQ(a.field[i], b.field[i]) << section << " " << key;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Pictures.

const std::array<const char*, 11> kPagePictures{
    "main_normal.jpg",       "main_over.jpg",      "main_down.jpg",
    "advanced_normal.jpg",   "advanced_over.jpg",  "advanced_down.jpg",
    "color_normal_pink.jpg", "color_over_red.jpg", "color_down_purple.jpg",
    "color_normal_gray.jpg", "color_over_blue.jpg"};

TEST(SkinPictures, EveryPageHasItsPicturesAtTheMasksSize) {
    const QImage mask = loadPicture("main_mask.jpg");
    ASSERT_FALSE(mask.isNull());
    EXPECT_GE(mask.width(), 700);
    EXPECT_LE(mask.width(), 900);
    for (const char* name : kPagePictures) {
        const QImage image = loadPicture(name);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), mask.size()) << name;
    }
}

TEST(SkinPictures, PopupPicturesAgreeWithTheirMasksAndFitTheirWindows) {
    struct Popup {
        const char* mask;
        std::array<const char*, 3> pictures;
        int rows;
        int windowWidth;
        int windowHeight;
    };
    const std::array<Popup, 2> popups{{
        {"menu_mask.jpg", {"menu_normal.jpg", "menu_over.jpg", "menu_down.jpg"}, 10, 300, 300},
        {"advanced menu_mask.jpg",
         {"advanced menu_normal.jpg", "advanced menu_over.jpg", "advanced menu_down.jpg"},
         12,
         300,
         400},
    }};
    std::vector<int> rowHeights;
    for (const Popup& popup : popups) {
        const QImage mask = loadPicture(popup.mask);
        ASSERT_FALSE(mask.isNull()) << popup.mask;
        const int rowHeight = mask.height() / popup.rows;
        rowHeights.push_back(rowHeight);
        // The window shows rows x row height + 1 pixels; all of them must be painted.
        EXPECT_GE(rowHeight, 20) << popup.mask;
        EXPECT_LE(mask.width(), popup.windowWidth) << popup.mask;
        EXPECT_LE(popup.rows * rowHeight + 1, popup.windowHeight) << popup.mask;
        for (const char* name : popup.pictures) {
            const QImage image = loadPicture(name);
            ASSERT_FALSE(image.isNull()) << name;
            EXPECT_EQ(image.width(), mask.width()) << name;
            EXPECT_GE(image.height(), popup.rows * rowHeight + 1) << name;
        }
    }
    // Equal row heights let the submenu's last row end level with the hovered menu row.
    EXPECT_EQ(rowHeights[0], rowHeights[1]);

    const QImage warnMask = loadPicture("warning_mask.bmp");
    ASSERT_FALSE(warnMask.isNull());
    for (const char* name : {"warning_normal.jpg", "warning_over.jpg"}) {
        const QImage image = loadPicture(name);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), warnMask.size()) << name;
    }
}

// A mask must be two clean levels without specks, so that the shape has crisp edges and no
// JPEG noise becomes a stray window pixel or a pinhole.
TEST(SkinPictures, MasksAreCleanTwoLevelShapes) {
    for (const char* name : {"main_mask.jpg", "warning_mask.bmp"}) {
        SCOPED_TRACE(name);
        const QImage mask = loadPicture(name);
        ASSERT_FALSE(mask.isNull());
        int kept = 0;
        for (int y = 0; y < mask.height(); ++y) {
            for (int x = 0; x < mask.width(); ++x) {
                const QRgb c = mask.pixel(x, y);
                const int level = qGray(c);
                ASSERT_TRUE(level < 48 || level > 207) << x << "," << y << " level " << level;
                const bool k = keptPixel(c);
                kept += k ? 1 : 0;
                int same = 0;
                for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= mask.width() || ny >= mask.height()) {
                        continue;
                    }
                    same += keptPixel(mask.pixel(nx, ny)) == k ? 1 : 0;
                }
                ASSERT_GT(same, 0) << "isolated pixel at " << x << "," << y;
            }
        }
        // A shaped outline: most of the window is kept, but not all of it.
        const int total = mask.width() * mask.height();
        EXPECT_GT(kept, total * 8 / 10);
        EXPECT_LT(kept, total);
    }
}

// ---------------------------------------------------------------------------------------------
// Entries on the window.

struct Placed {
    std::string name;
    LayoutEntry e;
};

// Everything that a page draws or hit-tests, with the child controls of the macro page.
std::vector<Placed> pageEntries(int language, int page) {
    const LayoutFiles files = layoutFiles(language);
    std::vector<Placed> out;
    const auto main = readTable(files.main, 99);
    for (int i = 0; i <= (page == 0 ? 96 : 19); ++i) {
        if (i >= 84 && i <= 89) {
            continue;
        }
        out.push_back({"main " + std::to_string(i), main[static_cast<std::size_t>(i)]});
    }
    if (page == 1) {
        const auto adv = readTable(files.advance, 51);
        for (int i = 0; i < 51; ++i) {
            out.push_back({"advanced " + std::to_string(i), adv[static_cast<std::size_t>(i)]});
        }
        out.push_back({"EDIT 3", readEntry(files.advance, "EDIT", 3)});
        out.push_back({"EDIT 4", readEntry(files.advance, "EDIT", 4)});
        out.push_back({"MACRODISPLAY 1", readEntry(files.advance, "MACRODISPLAY", 1)});
        out.push_back({"MACRODISPLAY 2", readEntry(files.advance, "MACRODISPLAY", 2)});
    } else if (page == 2) {
        const auto color = readTable(files.color, 13);
        for (int i = 0; i < 13; ++i) {
            out.push_back({"colour " + std::to_string(i), color[static_cast<std::size_t>(i)]});
        }
    }
    return out;
}

bool onKeptPart(const QImage& mask, const LayoutEntry& e) {
    if (e.x < 0 || e.y < 0 || e.x + e.w > mask.width() || e.y + e.h > mask.height()) {
        return false;
    }
    for (int y = e.y; y < e.y + e.h; ++y) {
        for (int x = e.x; x < e.x + e.w; ++x) {
            if (!keptPixel(mask.pixel(x, y))) {
                return false;
            }
        }
    }
    return true;
}

TEST(SkinLayout, EveryEntryIsNonEmptyInsideTheWindowAndOnItsKeptPart) {
    const QImage mask = loadPicture("main_mask.jpg");
    ASSERT_FALSE(mask.isNull());
    for (int page = 0; page < 3; ++page) {
        for (const Placed& p : pageEntries(1, page)) {
            EXPECT_FALSE(p.e.empty()) << p.name;
            EXPECT_TRUE(onKeptPart(mask, p.e)) << p.name;
        }
    }
    const QImage warnMask = loadPicture("warning_mask.bmp");
    ASSERT_FALSE(warnMask.isNull());
    for (const LayoutEntry& e : readTable(layoutFiles(1).warning, 3)) {
        EXPECT_FALSE(e.empty());
        EXPECT_TRUE(onKeptPart(warnMask, e)) << e.caption;
    }
}

TEST(SkinLayout, NothingOnAPageOverlaps) {
    for (int page = 0; page < 3; ++page) {
        const auto entries = pageEntries(1, page);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            for (std::size_t j = i + 1; j < entries.size(); ++j) {
                EXPECT_FALSE(entries[i].e.intersects(entries[j].e))
                    << "page " << page << ": " << entries[i].name << " and " << entries[j].name;
            }
        }
    }
    const auto warn = readTable(layoutFiles(1).warning, 3);
    EXPECT_FALSE(warn[0].intersects(warn[1]));
    EXPECT_FALSE(warn[0].intersects(warn[2]));
    EXPECT_FALSE(warn[1].intersects(warn[2]));
}

TEST(SkinLayout, DpiRowsHoldTheirControlsAndNotchesInOrder) {
    const auto main = readTable(layoutFiles(1).main, 99);
    const QImage knob = loadPicture("dpi_slider.jpg");
    ASSERT_FALSE(knob.isNull());
    int previousBottom = -1;
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE("slot " + std::to_string(s));
        const LayoutEntry& first = main[static_cast<std::size_t>(60 + 5 * s)];
        EXPECT_GE(first.y, previousBottom);
        previousBottom = first.y + first.h;
        for (int v = 0; v < 5; ++v) {
            const LayoutEntry& n = main[static_cast<std::size_t>(60 + 5 * s + v)];
            EXPECT_EQ(n.y, first.y);
            EXPECT_EQ(n.h, first.h);
            EXPECT_EQ(n.w, first.w);
            // The knob is copied from the picture's top-left corner at the notch's size.
            EXPECT_LE(n.w, knob.width());
            EXPECT_LE(n.h, knob.height());
            if (v > 0) {
                const LayoutEntry& left = main[static_cast<std::size_t>(60 + 5 * s + v - 1)];
                EXPECT_GE(n.x, left.x + left.w);
            }
        }
        // Switch, label, level button and mark sit on the row, left of the slider.
        const int rowMiddle = first.y + first.h / 2;
        for (int base : {46, 50, 54, 80}) {
            const LayoutEntry& e = main[static_cast<std::size_t>(base + s)];
            EXPECT_LE(e.y, rowMiddle) << base + s;
            EXPECT_GT(e.y + e.h, rowMiddle) << base + s;
            EXPECT_LE(e.x + e.w, first.x) << base + s;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Captions in the caption fonts.

struct Caption {
    std::string where;
    LayoutEntry e;
    std::string text;
    bool dpiLabel; // drawn in font B, else in font A
    int reserve;   // pixels kept free on each side for a drawn indicator
};

std::vector<Caption> captions(int language) {
    const bool chinese = language == 0;
    const LayoutFiles files = layoutFiles(language);
    std::vector<Caption> out;
    const auto add = [&](const std::string& where, const LayoutEntry& e, const std::string& text,
                         int reserve, bool dpiLabel = false) {
        if (!text.empty()) {
            out.push_back({where, e, text, dpiLabel, reserve});
        }
    };
    const auto main = readTable(files.main, 99);
    for (int i = 0; i < 54; ++i) {
        if (i >= 25 && i <= 31) {
            continue; // button slots show function names, checked below
        }
        add("main " + std::to_string(i), main[static_cast<std::size_t>(i)],
            main[static_cast<std::size_t>(i)].caption, 3, i >= 50);
    }
    const auto adv = readTable(files.advance, 51);
    for (int k = 0; k < 51; ++k) {
        const LayoutEntry& e = adv[static_cast<std::size_t>(k)];
        const std::string where = "advanced " + std::to_string(k);
        // Entries whose captions the program replaces get the widest text they can show.
        if (k == 4) {
            add(where, e, chinese ? "录制" : "Record", 30);
            add(where, e, chinese ? "停止" : "Stop", 30);
        } else if (k == 33) {
            add(where, e, "300ms", 3);
        } else if (k == 43) {
            add(where, e, "[↓]254", 3);
        } else if (k == 44) {
            add(where, e, "[↑]254", 3);
        } else {
            add(where, e, e.caption, (k == 6 || k == 7) ? 28 : 3);
        }
    }
    const auto color = readTable(files.color, 13);
    for (int k = 0; k < 13; ++k) {
        const LayoutEntry& e = color[static_cast<std::size_t>(k)];
        add("colour " + std::to_string(k), e, k == 9 ? "3200" : e.caption, k <= 3 ? 32 : 3);
    }
    const auto warn = readTable(files.warning, 3);
    for (int k = 0; k < 3; ++k) {
        add("warning " + std::to_string(k), warn[static_cast<std::size_t>(k)],
            warn[static_cast<std::size_t>(k)].caption, 3);
    }
    return out;
}

TEST(SkinCaptions, EveryCaptionFitsItsEntryInBothLanguages) {
    ensureGuiApplication();
    for (int language : {0, 1}) {
        const auto list = captions(language);
        EXPECT_GT(list.size(), 60u);
        for (const Caption& c : list) {
            const QFontMetrics fm(c.dpiLabel ? ui::dpiLabelFont(language)
                                             : ui::captionFont(language));
            const QString text = QString::fromStdString(c.text);
            EXPECT_LE(fm.horizontalAdvance(text), c.e.w - 2 * c.reserve)
                << "language " << language << ", " << c.where << ": \"" << c.text << "\"";
            EXPECT_LE(fm.height(), c.e.h) << "language " << language << ", " << c.where;
        }
    }
}

// Names of user macros: the factory macro files of each language, and the longest name a
// record holds.
std::vector<QString> macroNames(int language) {
    const std::filesystem::path data = skinDir().parent_path();
    MacroTable table(MacroTableKind::User);
    LoadMacroFile(data / (language == 0 ? "Macro_CN.dat" : "Macro_EN.dat"), table);
    std::vector<QString> names;
    for (std::size_t i = 0; i < table.usedCount(); ++i) {
        names.push_back(QString::fromStdU16String(std::u16string(table.records[i].nameView())));
    }
    // The longest names a user can type: 19 wide letters, or 19 CJK characters.
    names.push_back(language != 0 ? QString(19, QLatin1Char('W')) : QString(19, QChar(0x5B8F)));
    return names;
}

TEST(SkinCaptions, FunctionNamesFitTheButtonSlotsAndTheMenus) {
    ensureGuiApplication();
    const int menuWidth = loadPicture("menu_mask.jpg").width();
    const int subWidth = loadPicture("advanced menu_mask.jpg").width();
    for (int language : {0, 1}) {
        SCOPED_TRACE("language " + std::to_string(language));
        const LayoutFiles files = layoutFiles(language);
        const QFontMetrics fm(ui::captionFont(language));
        const auto main = readTable(files.main, 99);
        std::vector<QString> slotTexts;
        for (int code = 1; code <= 54; ++code) {
            const QString name = QString::fromStdString(readFunString(files.main, code));
            slotTexts.push_back(name);
            const int width = fm.horizontalAdvance(name);
            if (code <= 10) {
                EXPECT_LE(width, menuWidth - 8) << "menu row " << code;
            } else if ((code >= 11 && code <= 16) || (code >= 21 && code <= 38)) {
                EXPECT_LE(width, subWidth - 8) << "submenu code " << code;
            }
        }
        const auto macros = macroNames(language);
        EXPECT_FALSE(macros.empty());
        for (const QString& name : macros) {
            slotTexts.push_back(name);
            EXPECT_LE(fm.horizontalAdvance(name), subWidth - 8) << name.toStdString();
        }
        // A slot's text starts 5 pixels in; the drop-down chevron takes the right end.
        for (int slot = 25; slot <= 31; ++slot) {
            const LayoutEntry& e = main[static_cast<std::size_t>(slot)];
            EXPECT_LE(fm.height(), e.h);
            for (const QString& text : slotTexts) {
                EXPECT_LE(5 + fm.horizontalAdvance(text), e.w - 24)
                    << "slot " << slot << ": " << text.toStdString();
            }
        }
    }
}

TEST(SkinNames, FunctionNamesAreCompleteAndTheFixedMacrosMatchTheirFile) {
    const LayoutFiles cn = layoutFiles(0);
    const LayoutFiles en = layoutFiles(1);
    std::set<std::string> seen;
    for (int code : {1,  2,  3,  4,  5,  6,  11, 12, 13, 14, 15, 16, 21, 22, 23, 24,
                     25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}) {
        // Every function the program can perform has its own name in each language.
        EXPECT_TRUE(seen.insert("cn:" + readFunString(cn.main, code)).second) << code;
        EXPECT_TRUE(seen.insert("en:" + readFunString(en.main, code)).second) << code;
    }
    MacroTable fixed(MacroTableKind::Fixed);
    const MacroLoadResult loaded = LoadMacroFile(skinDir().parent_path() / "constMacro.dat", fixed);
    ASSERT_TRUE(loaded.fileFound);
    ASSERT_GE(fixed.usedCount(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(readFunString(en.main, 31 + static_cast<int>(i)),
                  utf16ToUtf8(fixed.records[i].nameView()))
            << "fixed macro " << i;
    }
}

} // namespace
} // namespace torvex::skintest

namespace torvex::skintest {
namespace {

// Mean absolute difference per channel between two pictures inside a rectangle.
double meanDifference(const QImage& a, const QImage& b, const LayoutEntry& e) {
    double sum = 0;
    for (int y = e.y; y < e.y + e.h; ++y) {
        for (int x = e.x; x < e.x + e.w; ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * e.w * e.h);
}

constexpr double kVisible = 4.0;

// The rows of a popup menu picture, stacked from the top at the mask's width.
std::vector<std::pair<std::string, LayoutEntry>> menuRows(const char* mask, int rows,
                                                          const std::string& name) {
    const QImage m = loadPicture(mask);
    const int rowHeight = m.height() / rows;
    std::vector<std::pair<std::string, LayoutEntry>> out;
    for (int r = 1; r <= rows; ++r) {
        out.emplace_back(name + " row " + std::to_string(r),
                         LayoutEntry{0, (r - 1) * rowHeight, m.width(), rowHeight, {}});
    }
    return out;
}

TEST(SkinPictures, EveryHotEntryLooksDifferentWhenHoveredAndWhenPressed) {
    const LayoutFiles files = layoutFiles(1);
    // A window's normal, over and down pictures (no down picture: nullptr) and the entries
    // copied from them.
    struct PageCase {
        std::array<const char*, 3> pictures;
        std::vector<std::pair<std::string, LayoutEntry>> hot;
    };
    const auto main = readTable(files.main, 99);
    const auto adv = readTable(files.advance, 51);
    const auto color = readTable(files.color, 13);
    const auto warn = readTable(files.warning, 3);
    std::vector<PageCase> pages(3);
    pages[0].pictures = {"main_normal.jpg", "main_over.jpg", "main_down.jpg"};
    pages[1].pictures = {"advanced_normal.jpg", "advanced_over.jpg", "advanced_down.jpg"};
    pages[2].pictures = {"color_normal_pink.jpg", "color_over_red.jpg", "color_down_purple.jpg"};
    for (int i = 0; i <= 79; ++i) {
        const std::string name = "main " + std::to_string(i);
        pages[0].hot.emplace_back(name, main[static_cast<std::size_t>(i)]);
        if (i <= 19) {
            pages[1].hot.emplace_back(name, main[static_cast<std::size_t>(i)]);
            pages[2].hot.emplace_back(name, main[static_cast<std::size_t>(i)]);
        }
    }
    for (int k = 0; k <= 37; ++k) {
        pages[1].hot.emplace_back("advanced " + std::to_string(k),
                                  adv[static_cast<std::size_t>(k)]);
    }
    for (int k = 0; k <= 4; ++k) {
        pages[2].hot.emplace_back("colour " + std::to_string(k),
                                  color[static_cast<std::size_t>(k)]);
    }
    pages.push_back({{"menu_normal.jpg", "menu_over.jpg", "menu_down.jpg"},
                     menuRows("menu_mask.jpg", 10, "menu")});
    pages.push_back(
        {{"advanced menu_normal.jpg", "advanced menu_over.jpg", "advanced menu_down.jpg"},
         menuRows("advanced menu_mask.jpg", 12, "submenu")});
    pages.push_back({{"warning_normal.jpg", "warning_over.jpg", nullptr},
                     {{"warning answer 1", warn[0]}, {"warning answer 2", warn[1]}}});
    for (const PageCase& page : pages) {
        const QImage normal = loadPicture(page.pictures[0]);
        const QImage over = loadPicture(page.pictures[1]);
        ASSERT_FALSE(normal.isNull()) << page.pictures[0];
        ASSERT_EQ(over.size(), normal.size()) << page.pictures[1];
        const QImage down = page.pictures[2] != nullptr ? loadPicture(page.pictures[2]) : QImage();
        if (page.pictures[2] != nullptr) {
            ASSERT_EQ(down.size(), normal.size()) << page.pictures[2];
        }
        for (const auto& [name, e] : page.hot) {
            ASSERT_TRUE(normal.rect().contains(QRect(e.x, e.y, e.w, e.h)))
                << page.pictures[0] << " " << name;
            EXPECT_GT(meanDifference(normal, over, e), kVisible) << page.pictures[0] << " " << name;
            if (!down.isNull()) {
                EXPECT_GT(meanDifference(normal, down, e), kVisible)
                    << page.pictures[0] << " " << name;
                EXPECT_GT(meanDifference(over, down, e), kVisible)
                    << page.pictures[0] << " " << name;
            }
        }
    }
    // Drawn-only companions: the current-level marks come from the down picture, the button
    // highlights from the over picture.
    const QImage normal = loadPicture("main_normal.jpg");
    const QImage over = loadPicture("main_over.jpg");
    const QImage down = loadPicture("main_down.jpg");
    for (int s = 0; s < 4; ++s) {
        EXPECT_GT(meanDifference(normal, down, main[static_cast<std::size_t>(80 + s)]), kVisible);
    }
    for (int k = 0; k < 7; ++k) {
        EXPECT_GT(meanDifference(normal, over, main[static_cast<std::size_t>(90 + k)]), kVisible)
            << "highlight of slot " << k;
    }
}

TEST(SkinPictures, TheFivePreviewColoursDifferInsideThePreviewOnly) {
    const LayoutEntry preview = readTable(layoutFiles(1).color, 13)[11];
    const std::array<const char*, 5> names{"color_normal_gray.jpg", "color_over_blue.jpg",
                                           "color_normal_pink.jpg", "color_over_red.jpg",
                                           "color_down_purple.jpg"};
    std::vector<QImage> images;
    for (const char* n : names) {
        images.push_back(loadPicture(n));
    }
    for (std::size_t i = 0; i < images.size(); ++i) {
        for (std::size_t j = i + 1; j < images.size(); ++j) {
            EXPECT_GT(meanDifference(images[i], images[j], preview), kVisible)
                << names[i] << " and " << names[j];
        }
    }
    // Around the preview the lighting leaves no trace: a 4-pixel ring about it is the same in
    // every colour. Pictures of one kind are compared (normal with normal, over with over), so
    // that only the lighting can make a difference.
    const std::array<std::pair<const char*, LayoutEntry>, 4> ring{{
        {"above", {preview.x - 4, preview.y - 4, preview.w + 8, 4, {}}},
        {"below", {preview.x - 4, preview.y + preview.h, preview.w + 8, 4, {}}},
        {"left", {preview.x - 4, preview.y, 4, preview.h, {}}},
        {"right", {preview.x + preview.w, preview.y, 4, preview.h, {}}},
    }};
    for (const auto& [side, strip] : ring) {
        EXPECT_LT(meanDifference(images[0], images[2], strip), 2.0) << "gray and pink, " << side;
        EXPECT_LT(meanDifference(images[1], images[3], strip), 2.0) << "blue and red, " << side;
    }
}

} // namespace
} // namespace torvex::skintest
