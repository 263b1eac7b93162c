#include "ui/skin/caption_fonts.h"

#include <QStringList>

namespace torvex::ui {

QFont captionFont(int language) {
    QFont font;
    if (language != 0) {
        font.setFamilies({QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono"),
                          QStringLiteral("monospace")});
    } else {
        font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                          QStringLiteral("Noto Serif CJK SC"),
                          QStringLiteral("WenQuanYi Micro Hei")});
    }
    font.setPixelSize(kCaptionPixels);
    return font;
}

QFont dpiLabelFont(int language) {
    QFont font = captionFont(language);
    font.setPixelSize(language != 0 ? kDpiLabelPixelsEn : kDpiLabelPixelsCn);
    return font;
}

} // namespace torvex::ui
