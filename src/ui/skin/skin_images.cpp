#include "ui/skin/skin_images.h"

#include <QImageReader>
#include <system_error>
#include <vector>

namespace torvex::ui {
namespace fs = std::filesystem;

QImage ImageCache::load(const fs::path& file) {
    std::error_code ec;
    const auto mtime = fs::last_write_time(file, ec);
    if (ec) {
        entries_.erase(file);
        return {};
    }
    const auto size = fs::file_size(file, ec);
    if (enabled_) {
        const auto it = entries_.find(file);
        if (it != entries_.end() && it->second.mtime == mtime && it->second.size == size) {
            return it->second.image;
        }
    }
    QImageReader reader(QString::fromStdString(file.string()));
    reader.setAutoTransform(false);
    QImage image = reader.read();
    ++decodes_;
    if (!image.isNull()) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    if (enabled_) {
        entries_[file] = Entry{mtime, size, image};
    }
    return image;
}

void ImageCache::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        entries_.clear();
    }
}

QRegion regionFromMask(const QImage& mask) {
    const QImage image = mask.convertToFormat(QImage::Format_RGB32);
    // One rectangle per run of kept pixels; rows with the same runs as the band above extend
    // that band, which is the banded form QRegion keeps internally.
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> row;
    std::vector<std::pair<int, int>> band;
    std::size_t bandStart = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        row.clear();
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && cutAway(line[x])) {
                ++x;
            }
            const int start = x;
            while (x < image.width() && !cutAway(line[x])) {
                ++x;
            }
            if (x > start) {
                row.emplace_back(start, x);
            }
        }
        const bool continues = !row.empty() && row == band && bandStart < rects.size() &&
                               rects[bandStart].bottom() == y - 1;
        if (continues) {
            for (std::size_t i = bandStart; i < rects.size(); ++i) {
                rects[i].setBottom(y);
            }
            continue;
        }
        band = row;
        bandStart = rects.size();
        for (const auto& [from, to] : row) {
            rects.emplace_back(from, y, to - from, 1);
        }
    }
    QRegion region;
    if (!rects.empty()) {
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    }
    return region;
}

WindowShape BuildWindowShape(const QImage& mask, const SkinLayout& layout) {
    WindowShape shape;
    if (mask.isNull() || mask.width() <= 0 || mask.height() <= 0) {
        shape.size = kFallbackWindowSize;
        shape.windowRegion = QRegion(QRect(QPoint(0, 0), shape.size));
    } else {
        shape.size = mask.size();
        shape.windowRegion = regionFromMask(mask);
        shape.fromMask = true;
    }
    shape.advancedPaintRegion = shape.windowRegion;
    for (const QRect& r : {layout.macroNameEditRect, layout.eventListRect, layout.macroListRect}) {
        if (r.width() > 0 && r.height() > 0) {
            shape.advancedPaintRegion = shape.advancedPaintRegion.xored(QRegion(r));
        }
    }
    return shape;
}

} // namespace torvex::ui
