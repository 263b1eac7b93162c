// Composition of the main window's three pages into one image: the page's normal picture with
// rectangles copied from its over and down pictures, then the captions.
#pragma once

#include "ui/skin/caption_fonts.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"
#include "ui/skin/ui_model.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <filesystem>
#include <span>

namespace torvex::ui {

// Picture names of a page: normal, over, down.
struct PageFiles {
    const char* normal;
    const char* over;
    const char* down;
};
PageFiles pageFiles(int page);

struct PagePictures {
    QImage normal;
    QImage over;
    QImage down;
};

// The DPI value shown for a device DPI code.
int dpiValueForCode(int code);

// The text of the record button, in the interface language.
QString recordCaption(bool recording, int language);

// A 1:1 copy of `area` from `source` to the same place of the target, clipped to the source.
void CopyEntry(QPainter& target, const QImage& source, const QRect& area);

class PageComposer {
public:
    PageComposer(std::filesystem::path skinDir, ImageCache& cache)
        : skinDir_(std::move(skinDir)), cache_(cache) {}

    void setSkinDir(std::filesystem::path dir) { skinDir_ = std::move(dir); }
    QImage picture(const char* name) { return cache_.load(skinDir_ / name); }
    PagePictures loadPage(int page);

    // The whole current page, window-sized, ready to be shown in one step.
    QImage compose(const UiModel& model, const SkinLayout& layout, QSize size);

    // The steps of a composition, each drawing onto `target` (the normal picture's copy).
    void ComposePage(QPainter& target, const PagePictures& pics, const UiModel& model,
                     const SkinLayout& layout);
    void ComposeDpiArea(QPainter& target, const PagePictures& pics, const UiModel& model,
                        const SkinLayout& layout);
    void ComposeColourPage(QPainter& target, const PagePictures& pics, const UiModel& model,
                           const SkinLayout& layout);
    static void DrawCommonEntries(QPainter& target, const PagePictures& pics, const UiModel& model,
                                  const SkinLayout& layout, int tabIndex);
    static void DrawCaptions(QPainter& target, const UiModel& model, const SkinLayout& layout,
                             int count);

private:
    std::filesystem::path skinDir_;
    ImageCache& cache_;
};

// Where and in which colour one caption is drawn, for tests and for DrawCaptions itself.
struct CaptionDraw {
    QString text;
    QPoint topLeft;
    QColor colour;
    bool dpiLabelFont = false;
};
// The caption of entry i of a page's caption list (no text when nothing is drawn there).
CaptionDraw captionFor(const UiModel& model, const SkinLayout& layout, int i);

} // namespace torvex::ui
