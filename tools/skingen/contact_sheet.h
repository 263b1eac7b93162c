#pragma once

#include "skin_description.h"

#include <QImage>
#include <QString>

namespace torvex::skingen {

// A page of the skin composed the way the program composes it, with captions, for review.
struct Preview {
    int language = 0;  // 0 Chinese, 1 English
    int page = 0;      // 0 main, 1 macros, 2 lighting
    int hotMain = 255; // entry under the pointer, 255 none
    int hotAdv = 255;
    int hotColor = 255;
    bool mouseDown = false;
};

QImage composePage(const SkinDescription& skin, const QString& skinDir, const Preview& preview);

// All pictures and each page composed in both languages, in one PNG.
bool writeContactSheet(const SkinDescription& skin, const QString& skinDir, const QString& path,
                       QString* error);

} // namespace torvex::skingen
