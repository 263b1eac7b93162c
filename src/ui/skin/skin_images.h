// Skin pictures and the main window's shape.
#pragma once

#include "ui/skin/skin_layout.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <filesystem>
#include <map>
#include <string>

namespace torvex::ui {

// Decodes skin pictures. With the cache on, a decoded picture is kept under its path, its
// modification time and its size, so a skin file that changes on disk is decoded again on the
// next use; with it off every load decodes the file. A picture that cannot be loaded is an
// empty QImage; painting goes on with nothing copied from it.
class ImageCache {
public:
    explicit ImageCache(bool enabled = true) : enabled_(enabled) {}

    QImage load(const std::filesystem::path& file);
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }
    void clear() { entries_.clear(); }
    // Decodes performed so far (a cache hit decodes nothing).
    int decodeCount() const { return decodes_; }

private:
    struct Entry {
        std::filesystem::file_time_type mtime;
        std::uintmax_t size = 0;
        QImage image;
    };
    bool enabled_;
    int decodes_ = 0;
    std::map<std::filesystem::path, Entry> entries_;
};

// The window-shape rule: a mask pixel whose red, green and blue all exceed 100 is cut away.
inline bool cutAway(QRgb c) {
    return qRed(c) > 100 && qGreen(c) > 100 && qBlue(c) > 100;
}

// The region of the mask's kept pixels, built from one rectangle per horizontal run.
QRegion regionFromMask(const QImage& mask);

struct WindowShape {
    QSize size;
    QRegion windowRegion;
    // The window region with the macro-name edit, the event list and the macro list toggled in
    // (exclusive or), in that order: what the macro page repaints around its child controls.
    QRegion advancedPaintRegion;
    bool fromMask = false; // false: the mask was missing or undecodable
};

// The size a window has without a usable mask: the dialog's own 533 x 395 dialog units.
inline constexpr QSize kFallbackWindowSize{800, 642};

// The window size and both regions from the mask picture and the advanced page's rectangles.
// A missing or undecodable mask gives a rectangular window of the fallback size.
WindowShape BuildWindowShape(const QImage& mask, const SkinLayout& layout);

} // namespace torvex::ui
