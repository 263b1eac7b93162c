#include "ui/skin/page_composer.h"

#include "common/utf16.h"

#include <QFontMetrics>

namespace torvex::ui {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kGray(128, 128, 128);

template <std::size_t N>
const SkinEntry* entryAt(const std::array<SkinEntry, N>& table, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < N ? &table[static_cast<std::size_t>(i)]
                                                     : nullptr;
}

template <std::size_t N>
void copyEntry(QPainter& target, const QImage& source, const std::array<SkinEntry, N>& table,
               int i) {
    if (const SkinEntry* e = entryAt(table, i)) {
        CopyEntry(target, source, e->rect());
    }
}

// Table and hot index of a page.
int hotOf(const UiModel& m) {
    switch (m.pointer.curPage) {
    case kAdvancedPage:
        return m.pointer.hotAdv;
    case kColourPage:
        return m.pointer.hotColor;
    default:
        return m.pointer.hotMain;
    }
}

QString macroName(const UiModel& m, int slot) {
    if (m.macros == nullptr || slot < 0 || static_cast<std::size_t>(slot) >= kMacroTableSlots) {
        return {};
    }
    const auto name = m.macros->records[static_cast<std::size_t>(slot)].nameView();
    return QString::fromStdU16String(std::u16string(name));
}

QPoint centred(const SkinEntry& e, const QString& text, const QFont& font) {
    const QFontMetrics fm(font);
    return {e.x + (e.width - fm.horizontalAdvance(text)) / 2, e.y + (e.height - fm.height()) / 2};
}

} // namespace

PageFiles pageFiles(int page) {
    switch (page) {
    case kAdvancedPage:
        return {"advanced_normal.jpg", "advanced_over.jpg", "advanced_down.jpg"};
    case kColourPage:
        return {"color_normal_pink.jpg", "color_over_red.jpg", "color_down_purple.jpg"};
    default:
        return {"main_normal.jpg", "main_over.jpg", "main_down.jpg"};
    }
}

int dpiValueForCode(int code) {
    switch (code) {
    case 13:
        return 3200;
    case 11:
        return 2400;
    case 9:
        return 2000;
    case 7:
        return 1600;
    case 6:
        return 1200;
    default:
        return 800;
    }
}

QString recordCaption(bool recording, int language) {
    if (english(language)) {
        return recording ? QStringLiteral("Stop") : QStringLiteral("Record");
    }
    return recording ? QStringLiteral("停止") : QStringLiteral("录制");
}

void CopyEntry(QPainter& target, const QImage& source, const QRect& area) {
    if (source.isNull() || area.width() <= 0 || area.height() <= 0) {
        return;
    }
    const QRect clipped = area & source.rect();
    if (!clipped.isEmpty()) {
        target.drawImage(clipped.topLeft(), source, clipped);
    }
}

PagePictures PageComposer::loadPage(int page) {
    const PageFiles f = pageFiles(page);
    return {picture(f.normal), picture(f.over), picture(f.down)};
}

QImage PageComposer::compose(const UiModel& model, const SkinLayout& layout, QSize size) {
    const PagePictures pics = loadPage(model.pointer.curPage);
    QImage target(size, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter p(&target);
    if (!pics.normal.isNull()) {
        p.drawImage(QPoint(0, 0), pics.normal);
    }
    ComposePage(p, pics, model, layout);
    switch (model.pointer.curPage) {
    case kAdvancedPage:
        DrawCommonEntries(p, pics, model, layout, 10);
        DrawCaptions(p, model, layout, 71);
        break;
    case kColourPage:
        DrawCommonEntries(p, pics, model, layout, 11);
        DrawCaptions(p, model, layout, 33);
        break;
    default:
        DrawCommonEntries(p, pics, model, layout, 9);
        DrawCaptions(p, model, layout, 54);
        break;
    }
    p.end();
    return target;
}

void PageComposer::ComposePage(QPainter& target, const PagePictures& pics, const UiModel& model,
                               const SkinLayout& layout) {
    const int page = model.pointer.curPage;
    const int hot = hotOf(model);
    if (hot != kNoEntry) {
        const bool barPressed = page == kAdvancedPage && hot == 30;
        const QImage& source = model.pointer.mouseDown ? pics.down : pics.over;
        if (!(model.pointer.mouseDown && barPressed)) {
            if (page == kAdvancedPage) {
                copyEntry(target, source, layout.advLayout, hot);
            } else if (page == kColourPage) {
                copyEntry(target, source, layout.colorLayout, hot);
            } else {
                copyEntry(target, source, layout.mainLayout, hot);
            }
        }
    }
    if (page == kMainPage) {
        ComposeDpiArea(target, pics, model, layout);
    } else if (page == kAdvancedPage) {
        const MouseSettings& s = model.settings;
        if (model.macroPage.recording) {
            copyEntry(target, pics.down, layout.advLayout, 4);
        }
        // Speeds and the interval come from files: values outside their ranges draw nothing.
        if (s.pointerSpeed <= 9) {
            copyEntry(target, pics.down, layout.advLayout, 8 + s.pointerSpeed);
        }
        if (s.wheelSpeed <= 9) {
            copyEntry(target, pics.down, layout.advLayout, 18 + s.wheelSpeed);
        }
        const SkinEntry& bar = layout.advLayout[30];
        if (s.fireTime > 0 && bar.width > 0) {
            const long long width = std::min<long long>(
                static_cast<long long>(s.fireTime) * bar.width / 300, bar.width);
            CopyEntry(target, pics.down, QRect(bar.x, bar.y, static_cast<int>(width), bar.height));
        }
        if (s.macroMode != 0) {
            copyEntry(target, pics.down, layout.advLayout, 7);
        }
        if (model.macros != nullptr && model.macros->currentMacro >= 0 &&
            static_cast<std::size_t>(model.macros->currentMacro) < kMacroTableSlots &&
            model.macros->records[static_cast<std::size_t>(model.macros->currentMacro)]
                    .repeatMode == 1) {
            copyEntry(target, pics.down, layout.advLayout, 6);
        }
    } else if (page == kColourPage) {
        ComposeColourPage(target, pics, model, layout);
    }
}

void PageComposer::ComposeDpiArea(QPainter& target, const PagePictures& pics, const UiModel& model,
                                  const SkinLayout& layout) {
    const MouseSettings& s = model.settings;
    if (s.dpiLevel >= 0 && s.dpiLevel < static_cast<int>(kDpiLevelCount)) {
        copyEntry(target, pics.down, layout.mainLayout, 80 + s.dpiLevel);
    }
    const QImage knob = picture("dpi_slider.jpg");
    for (std::size_t slot = 0; slot < kDpiLevelCount; ++slot) {
        // A step read from the file beyond 0..4 would put the knob on another slot's notch or
        // on a level mark: no knob then.
        const SkinEntry* e =
            s.dpiSet(slot) <= 4 ? entryAt(layout.mainLayout, s.dpiChoiceEntry(slot)) : nullptr;
        if (e != nullptr) {
            if (!knob.isNull() && e->width > 0 && e->height > 0) {
                const QRect from = QRect(0, 0, e->width, e->height) & knob.rect();
                target.drawImage(QPoint(e->x, e->y), knob, from);
            }
        }
        if (s.dpiSetEnabled[slot] == 1) {
            copyEntry(target, pics.down, layout.mainLayout, 46 + static_cast<int>(slot));
        }
    }
    copyEntry(target, pics.down, layout.mainLayout, s.wheelStatus == 0 ? 41 : 42);
    const int hot = model.pointer.hotMain;
    if (hot >= 25 && hot <= 31) {
        copyEntry(target, pics.over, layout.mainLayout, hot + 65);
    }
}

void PageComposer::ComposeColourPage(QPainter& target, const PagePictures& pics,
                                     const UiModel& model, const SkinLayout& layout) {
    if (model.settings.ledStatus <= 3) {
        copyEntry(target, pics.down, layout.colorLayout, model.settings.ledStatus);
    }
    const QRect preview = layout.colorLayout[11].rect();
    if (model.preview.off) {
        CopyEntry(target, picture("color_normal_gray.jpg"), preview);
        return;
    }
    switch (model.preview.colour) {
    case 0:
        CopyEntry(target, picture("color_over_blue.jpg"), preview);
        break;
    case 2:
        CopyEntry(target, pics.over, preview);
        break;
    case 3:
        CopyEntry(target, pics.down, preview);
        break;
    default: // 1: the normal picture already shows pink
        break;
    }
}

void PageComposer::DrawCommonEntries(QPainter& target, const PagePictures& pics,
                                     const UiModel& model, const SkinLayout& layout, int tabIndex) {
    const PointerState& ptr = model.pointer;
    // A profile number outside 1..5 (read from the file) marks no profile button.
    const int profileEntry =
        model.curConfig >= 1 && model.curConfig <= 5 ? model.curConfig + 3 : -1;
    for (int i = 0; i < 20; ++i) {
        const QRect r = layout.mainLayout[static_cast<std::size_t>(i)].rect();
        if (i == profileEntry) {
            CopyEntry(target, pics.down, r);
        } else if (i == ptr.hotMain) {
            CopyEntry(target, ptr.mouseDown ? pics.down : pics.over, r);
        } else if (i == tabIndex) {
            CopyEntry(target, pics.down, r);
        } else if ((i == 17 && model.language == 0) || (i == 18 && model.language == 1)) {
            CopyEntry(target, pics.down, r);
        }
    }
}

CaptionDraw captionFor(const UiModel& model, const SkinLayout& layout, int i) {
    CaptionDraw d;
    const int page = model.pointer.curPage;
    const QFont fontA = captionFont(model.language);
    const QColor standard = i == 1 ? kYellow : kWhite;
    d.colour = standard;
    if (page == kMainPage && i >= 25 && i <= 31) {
        const SkinEntry& e = layout.mainLayout[static_cast<std::size_t>(i)];
        const int f = model.settings.buttonFunction[static_cast<std::size_t>(i - 25)];
        // Codes outside the name table (and user macro codes past the table) show no text.
        d.text = f >= 41 ? (f < kFunStrings ? macroName(model, f - 41) : QString())
                         : functionName(layout, f);
        d.topLeft = {e.x + 5, e.y + (e.height - QFontMetrics(fontA).height()) / 2};
        d.colour = i == model.pointer.hotMain ? kRed : standard;
        return d;
    }
    if (i <= 19 || page == kMainPage) {
        if (i < 0 || i >= kMainEntries) {
            return d;
        }
        const SkinEntry& e = layout.mainLayout[static_cast<std::size_t>(i)];
        d.text = e.caption;
        if (page == kMainPage && i >= 50 && i <= 53) {
            d.dpiLabelFont = true;
            d.colour =
                model.settings.dpiSetEnabled[static_cast<std::size_t>(i - 50)] == 1 ? kRed : kGray;
            d.topLeft = centred(e, d.text, dpiLabelFont(model.language));
        } else {
            d.topLeft = centred(e, d.text, fontA);
        }
        return d;
    }
    const int k = i - 20;
    if (page == kColourPage) {
        if (k < 0 || k >= kColorEntries) {
            return d;
        }
        const SkinEntry& e = layout.colorLayout[static_cast<std::size_t>(k)];
        if (k == 9) {
            const int level = model.settings.dpiLevel;
            if (level < 0 || level >= static_cast<int>(kDpiLevelCount)) {
                return d; // a level outside 0..3 from the file shows no value
            }
            d.text =
                QString::number(dpiValueForCode(model.dpiCode[static_cast<std::size_t>(level)]));
        } else {
            d.text = e.caption;
        }
        d.topLeft = centred(e, d.text, fontA);
        return d;
    }
    if (k < 0 || k >= kAdvEntries) {
        return d;
    }
    const SkinEntry& e = layout.advLayout[static_cast<std::size_t>(k)];
    switch (k) {
    case 4:
        d.text = recordCaption(model.macroPage.recording, model.language);
        break;
    case 33:
        d.text = QString::number(model.settings.fireTime) + QStringLiteral("ms");
        break;
    case 43:
        d.text = QStringLiteral("[↓]") + QString::number(model.macroPage.downCount);
        break;
    case 44:
        d.text = QStringLiteral("[↑]") + QString::number(model.macroPage.upCount);
        break;
    default:
        d.text = e.caption;
        break;
    }
    d.colour = k == model.pointer.hotAdv ? kRed : standard;
    d.topLeft = centred(e, d.text, fontA);
    return d;
}

void PageComposer::DrawCaptions(QPainter& target, const UiModel& model, const SkinLayout& layout,
                                int count) {
    const QFont fontA = captionFont(model.language);
    const QFont fontB = dpiLabelFont(model.language);
    target.setBackgroundMode(Qt::TransparentMode);
    for (int i = 0; i < count; ++i) {
        const CaptionDraw d = captionFor(model, layout, i);
        if (d.text.isEmpty()) {
            continue;
        }
        const QFont& font = d.dpiLabelFont ? fontB : fontA;
        target.setFont(font);
        target.setPen(d.colour);
        target.drawText(d.topLeft + QPoint(0, QFontMetrics(font).ascent()), d.text);
    }
}

} // namespace torvex::ui
