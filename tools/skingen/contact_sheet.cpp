#include "contact_sheet.h"

#include "skin_generator.h"
#include "ui/skin/caption_fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <array>
#include <vector>

namespace torvex::skingen {
namespace {

// A typical state to show: default button functions, level 2 current, level 4 off.
constexpr std::array<int, 7> kButtonFunction{1, 2, 3, 5, 4, 16, 15};
constexpr std::array<int, 4> kDpiSet{0, 1, 2, 4};
constexpr std::array<int, 4> kDpiEnabled{1, 1, 1, 0};
constexpr int kDpiLevel = 1;
constexpr int kCurConfig = 1;
constexpr int kWheelStatus = 1;
constexpr int kPointerSpeed = 4;
constexpr int kWheelSpeed = 2;
constexpr int kFireTime = 50;
constexpr int kLedStatus = 0;

QImage load(const QString& dir, const char* name) {
    QImage image(QDir(dir).filePath(QString::fromUtf8(name)));
    return image.convertToFormat(QImage::Format_RGB32);
}

void copyEntry(QPainter& p, const QImage& from, const Rect& r) {
    if (!r.empty()) {
        p.drawImage(QRect(r.x, r.y, r.w, r.h), from, QRect(r.x, r.y, r.w, r.h));
    }
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// Text at the program's position: the rectangle's top-left as the text's top-left.
void drawAt(QPainter& p, int x, int y, const QString& s) {
    p.drawText(QPoint(x, y + QFontMetrics(p.font()).ascent()), s);
}

void drawCentred(QPainter& p, const Rect& r, const QString& s) {
    const QFontMetrics fm(p.font());
    drawAt(p, r.x + (r.w - fm.horizontalAdvance(s)) / 2, r.y + (r.h - fm.height()) / 2, s);
}

const Entry& caption(const SkinDescription& skin, const Preview& pv, int i, Rect* rect,
                     QString* s) {
    const Entry& e = skin.main.at(static_cast<std::size_t>(i));
    *rect = e.r;
    *s = text(pv.language == 0 ? e.cn : e.en);
    return e;
}

void drawControls(QPainter& p, const SkinDescription& skin, bool chinese) {
    // Stand-ins for the four child controls: white on black in font A, as the program sets them.
    p.setFont(ui::captionFont(chinese ? 0 : 1));
    const QFontMetrics fm(p.font());
    for (const Rect* r :
         {&skin.macroList, &skin.eventList, &skin.macroNameEdit, &skin.repeatEdit}) {
        p.fillRect(QRect(r->x, r->y, r->w, r->h), Qt::black);
    }
    p.setPen(Qt::white);
    const QStringList macros =
        chinese ? QStringList{QStringLiteral("连招一"), QStringLiteral("快速建造"),
                              QStringLiteral("复制粘贴")}
                : QStringList{QStringLiteral("Combo 1"), QStringLiteral("Quick build"),
                              QStringLiteral("Copy & paste")};
    for (qsizetype i = 0; i < macros.size(); ++i) {
        const int y = skin.macroList.y + 2 + static_cast<int>(i) * (fm.height() + 2);
        if (i == 0) {
            p.fillRect(QRect(skin.macroList.x, y, skin.macroList.w, fm.height()),
                       QColor(0, 120, 215));
        }
        drawAt(p, skin.macroList.x + 3, y, macros[i]);
    }
    const QStringList events{QStringLiteral("[↓]Q"), QStringLiteral("    30ms"),
                             QStringLiteral("[↑]Q"), QStringLiteral("    120ms"),
                             QStringLiteral("[↓]E"), QStringLiteral("    30ms"),
                             QStringLiteral("[↑]E")};
    for (qsizetype i = 0; i < events.size(); ++i) {
        drawAt(p, skin.eventList.x + 3,
               skin.eventList.y + 2 + static_cast<int>(i) * (fm.height() + 2), events[i]);
    }
    drawCentred(p, skin.macroNameEdit, macros[0]);
    drawCentred(p, skin.repeatEdit, QStringLiteral("3"));
}

} // namespace

QImage composePage(const SkinDescription& skin, const QString& dir, const Preview& pv) {
    static constexpr std::array<std::array<const char*, 3>, 3> kNames{{
        {"main_normal.jpg", "main_over.jpg", "main_down.jpg"},
        {"advanced_normal.jpg", "advanced_over.jpg", "advanced_down.jpg"},
        {"color_normal_pink.jpg", "color_over_red.jpg", "color_down_purple.jpg"},
    }};
    const auto& names = kNames.at(static_cast<std::size_t>(pv.page));
    QImage target = load(dir, names[0]);
    const QImage over = load(dir, names[1]);
    const QImage down = load(dir, names[2]);
    const bool chinese = pv.language == 0;
    QPainter p(&target);

    // Hover or press of the page's own entry.
    const auto hotCopy = [&](const Rect& r, int hot) {
        if (hot != 255) {
            copyEntry(p, pv.mouseDown ? down : over, r);
        }
    };
    if (pv.page == 0 && pv.hotMain != 255) {
        hotCopy(skin.main.at(static_cast<std::size_t>(pv.hotMain)).r, pv.hotMain);
    } else if (pv.page == 1 && pv.hotAdv != 255 && !(pv.mouseDown && pv.hotAdv == 30)) {
        hotCopy(skin.adv.at(static_cast<std::size_t>(pv.hotAdv)).r, pv.hotAdv);
    } else if (pv.page == 2 && pv.hotColor != 255) {
        hotCopy(skin.color.at(static_cast<std::size_t>(pv.hotColor)).r, pv.hotColor);
    }
    if (pv.page == 0) {
        copyEntry(p, down, skin.main[80 + kDpiLevel].r);
        const QImage knob = load(dir, "dpi_slider.jpg");
        for (std::size_t s = 0; s < 4; ++s) {
            const Rect& e = skin.main.at(60 + 5 * s + static_cast<std::size_t>(kDpiSet[s])).r;
            p.drawImage(QPoint(e.x, e.y), knob, QRect(0, 0, e.w, e.h));
            if (kDpiEnabled[s] == 1) {
                copyEntry(p, down, skin.main.at(46 + s).r);
            }
        }
        copyEntry(p, down, skin.main[kWheelStatus == 0 ? 41 : 42].r);
        if (pv.hotMain >= 25 && pv.hotMain <= 31) {
            copyEntry(p, over, skin.main.at(static_cast<std::size_t>(pv.hotMain + 65)).r);
        }
    } else if (pv.page == 1) {
        copyEntry(p, down, skin.adv.at(8 + kPointerSpeed).r);
        copyEntry(p, down, skin.adv.at(18 + kWheelSpeed).r);
        const Rect& bar = skin.adv[30].r;
        copyEntry(p, down, Rect{bar.x, bar.y, kFireTime * bar.w / 300, bar.h});
        copyEntry(p, down, skin.adv[6].r); // the shown macro repeats
    } else {
        copyEntry(p, down, skin.color.at(kLedStatus).r);
        copyEntry(p, load(dir, "color_over_blue.jpg"), skin.color[11].r);
    }
    // Shared top entries.
    const int tab = 9 + pv.page;
    for (int i = 0; i < 20; ++i) {
        const Rect& r = skin.main.at(static_cast<std::size_t>(i)).r;
        if (i == kCurConfig + 3) {
            copyEntry(p, down, r);
        } else if (i == pv.hotMain) {
            copyEntry(p, pv.mouseDown ? down : over, r);
        } else if (i == tab || (i == 17 && pv.language == 0) || (i == 18 && pv.language == 1)) {
            copyEntry(p, down, r);
        }
    }

    // Captions.
    const QFont fontA = ui::captionFont(pv.language);
    const QFont fontB = ui::dpiLabelFont(pv.language);
    const int count = pv.page == 0 ? 54 : (pv.page == 1 ? 71 : 33);
    for (int i = 0; i < count; ++i) {
        p.setFont(fontA);
        QColor colour = i == 1 ? QColor(255, 255, 0) : QColor(255, 255, 255);
        Rect r;
        QString s;
        if (pv.page == 0 && i >= 25 && i <= 31) {
            const int f = kButtonFunction.at(static_cast<std::size_t>(i - 25));
            r = skin.main.at(static_cast<std::size_t>(i)).r;
            s = text(chinese ? skin.funCn.at(static_cast<std::size_t>(f))
                             : skin.funEn.at(static_cast<std::size_t>(f)));
            p.setPen(i == pv.hotMain ? QColor(255, 0, 0) : colour);
            drawAt(p, r.x + 5, r.y + (r.h - QFontMetrics(p.font()).height()) / 2, s);
            continue;
        }
        if (i <= 19 || pv.page == 0) {
            caption(skin, pv, i, &r, &s);
            if (pv.page == 0 && i >= 50 && i <= 53) {
                p.setFont(fontB);
                colour = kDpiEnabled.at(static_cast<std::size_t>(i - 50)) == 1
                             ? QColor(255, 0, 0)
                             : QColor(128, 128, 128);
            }
        } else if (pv.page == 2) {
            const Entry& e = skin.color.at(static_cast<std::size_t>(i - 20));
            r = e.r;
            s = i - 20 == 9 ? QStringLiteral("1200") : text(chinese ? e.cn : e.en);
        } else {
            const int k = i - 20;
            const Entry& e = skin.adv.at(static_cast<std::size_t>(k));
            r = e.r;
            s = text(chinese ? e.cn : e.en);
            if (k == 33) {
                s = QStringLiteral("%1ms").arg(kFireTime);
            } else if (k == 43) {
                s = QStringLiteral("[↓]2");
            } else if (k == 44) {
                s = QStringLiteral("[↑]2");
            }
            if (k == pv.hotAdv) {
                colour = QColor(255, 0, 0);
            }
        }
        p.setPen(colour);
        drawCentred(p, r, s);
    }
    if (pv.page == 1) {
        drawControls(p, skin, chinese);
    }
    p.end();
    // Outside the window shape nothing is shown.
    const QImage mask = load(dir, "main_mask.jpg");
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const QRgb m = mask.pixel(x, y);
            if (qRed(m) > 100 && qGreen(m) > 100 && qBlue(m) > 100) {
                target.setPixel(x, y, qRgb(40, 44, 52));
            }
        }
    }
    return target;
}

namespace {

QImage composeMenu(const SkinDescription& skin, const QString& dir, bool chinese, bool sub,
                   int hover, int group) {
    const char* normal = sub ? "advanced menu_normal.jpg" : "menu_normal.jpg";
    const char* over = sub ? "advanced menu_over.jpg" : "menu_over.jpg";
    const int width = sub ? skin.subWidth : skin.menuWidth;
    const int rowHeight = sub ? skin.subRowHeight : skin.menuRowHeight;
    int rows = 10;
    int base = 0;
    if (sub) {
        rows = group == 7 ? 6 : (group == 8 ? 10 : 8);
        base = group == 7 ? 10 : (group == 8 ? 20 : 30);
    }
    QImage image = load(dir, normal).copy(0, 0, width, rows * rowHeight + 1);
    QPainter p(&image);
    p.drawImage(QPoint(0, (hover - 1) * rowHeight), load(dir, over),
                QRect(0, (hover - 1) * rowHeight, width, rowHeight));
    p.setFont(ui::captionFont(chinese ? 0 : 1));
    const QFontMetrics fm(p.font());
    for (int r = 1; r <= rows; ++r) {
        const auto code = static_cast<std::size_t>(base + r);
        const QString s = text(chinese ? skin.funCn.at(code) : skin.funEn.at(code));
        p.setPen(r == hover ? QColor(255, 0, 0) : QColor(255, 255, 255));
        drawAt(p, (width - fm.horizontalAdvance(s)) / 2,
               (r - 1) * rowHeight + (rowHeight - fm.height()) / 2, s);
    }
    p.end();
    return image;
}

QImage composeWarning(const SkinDescription& skin, const QString& dir, bool chinese) {
    QImage image = load(dir, "warning_normal.jpg");
    QPainter p(&image);
    copyEntry(p, load(dir, "warning_over.jpg"), skin.warn[0].r);
    p.setFont(ui::captionFont(chinese ? 0 : 1));
    p.setPen(QColor(255, 0, 0));
    for (const Entry& e : skin.warn) {
        drawCentred(p, e.r, text(chinese ? e.cn : e.en));
    }
    p.end();
    const QImage mask = load(dir, "warning_mask.bmp");
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb m = mask.pixel(x, y);
            if (qRed(m) > 100 && qGreen(m) > 100 && qBlue(m) > 100) {
                image.setPixel(x, y, qRgb(40, 44, 52));
            }
        }
    }
    return image;
}

} // namespace

bool writeContactSheet(const SkinDescription& skin, const QString& dir, const QString& path,
                       QString* error) {
    constexpr int kGap = 24;
    const int column = skin.width;
    const QColor backdrop(40, 44, 52);
    const QFont heading = [] {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(16);
        f.setBold(true);
        return f;
    }();
    const QFont small = [] {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(12);
        return f;
    }();

    // Pages in both languages: the main page with its first button slot (entry 25) hovered, the
    // macro page with the record button hovered, the lighting page with its second mode
    // (entry 1) hovered.
    std::vector<std::array<QImage, 2>> pages;
    for (int page = 0; page < 3; ++page) {
        std::array<QImage, 2> pair;
        for (int language = 0; language < 2; ++language) {
            Preview pv;
            pv.language = language;
            pv.page = page;
            pv.hotMain = page == 0 ? 25 : 255;
            pv.hotAdv = page == 1 ? 4 : 255;
            pv.hotColor = page == 2 ? 1 : 255;
            pair[static_cast<std::size_t>(language)] = composePage(skin, dir, pv);
        }
        pages.push_back(pair);
    }
    const QStringList files = generatedFiles();
    std::vector<std::pair<QString, QImage>> raw;
    for (const QString& f : files) {
        if (f.endsWith(QLatin1String(".ini")) || f.endsWith(QLatin1String(".svg"))) {
            continue;
        }
        QImage image(QDir(dir).filePath(f));
        if (image.isNull()) {
            *error = QStringLiteral("cannot read %1 for the contact sheet").arg(f);
            return false;
        }
        if (image.width() >= skin.width) {
            image = image.scaled(image.width() / 4, image.height() / 4, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
        } else if (image.width() >= skin.menuWidth) {
            image = image.scaled(image.width() / 2, image.height() / 2, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
        }
        raw.emplace_back(f, image);
    }

    const int width = kGap * 3 + column * 2;
    const int popupHeight = 620;
    // Lay out the raw pictures in rows first to know the height.
    int rawHeight = 0;
    {
        int x = kGap;
        int rowH = 0;
        for (const auto& [name, image] : raw) {
            if (x + image.width() > width - kGap) {
                rawHeight += rowH + 22 + 12;
                x = kGap;
                rowH = 0;
            }
            x += std::max(image.width(), 120) + 16;
            rowH = std::max(rowH, image.height());
        }
        rawHeight += rowH + 22 + 12;
    }
    const int height =
        kGap + 30 + 3 * (skin.height + kGap + 24) + popupHeight + 40 + rawHeight + kGap;
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(backdrop);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(heading);
    p.setPen(Qt::white);
    int y = kGap;
    p.drawText(QPoint(kGap, y + 18), QStringLiteral("Chinese"));
    p.drawText(QPoint(kGap * 2 + column, y + 18), QStringLiteral("English"));
    y += 30;
    static const std::array<const char*, 3> kPageNames{
        "Main page (slot 1 hovered; level 2 current, level 4 off)",
        "Macro page (record hovered; child controls drawn as stand-ins)",
        "Lighting page (mode 2 hovered; preview lit blue)"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        p.setFont(small);
        p.drawText(QPoint(kGap, y + 14), QString::fromLatin1(kPageNames.at(i)));
        y += 24;
        p.drawImage(QPoint(kGap, y), pages[i][0]);
        p.drawImage(QPoint(kGap * 2 + column, y), pages[i][1]);
        y += skin.height + kGap;
    }
    // Popups: function menu with row 8 hovered and its submenu, and the warning window.
    p.setFont(small);
    p.drawText(QPoint(kGap, y + 14),
               QStringLiteral("Function menu (row 8 hovered) with its submenu, warning window"));
    y += 24;
    for (int language = 0; language < 2; ++language) {
        const bool chinese = language == 0;
        const int x0 = kGap + language * (column + kGap);
        const QImage menu = composeMenu(skin, dir, chinese, false, 8, 0);
        const QImage sub = composeMenu(skin, dir, chinese, true, 3, 8);
        p.drawImage(QPoint(x0, y + 60), menu);
        p.drawImage(QPoint(x0 + menu.width(), y + 60 + (8 - 10) * skin.menuRowHeight), sub);
        p.drawImage(QPoint(x0 + 40, y + 60 + menu.height() + 24),
                    composeWarning(skin, dir, chinese));
    }
    y += popupHeight;
    p.setFont(heading);
    p.drawText(QPoint(kGap, y + 18), QStringLiteral("Pictures (pages at 1/4, popups at 1/2)"));
    y += 40;
    int x = kGap;
    int rowH = 0;
    p.setFont(small);
    for (const auto& [name, image] : raw) {
        if (x + image.width() > width - kGap) {
            y += rowH + 22 + 12;
            x = kGap;
            rowH = 0;
        }
        p.drawImage(QPoint(x, y), image);
        p.drawText(QPoint(x, y + image.height() + 16), name);
        x += std::max(image.width(), 120) + 16;
        rowH = std::max(rowH, image.height());
    }
    p.end();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !sheet.save(path, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace torvex::skingen
