#pragma once

#include <QFont>
#include <QStringList>

namespace torvex::skingen {

// The caption fonts as the program sets them: the named face first, then faces that the build
// installs, at the pixel sizes of 10 pt, 9 pt and 7.5 pt at 96 dots per inch.
inline constexpr int kCaptionPixels = 13;
inline constexpr int kDpiLabelPixelsCn = 12;
inline constexpr int kDpiLabelPixelsEn = 10;

inline QFont captionFont(bool chinese, int pixelSize) {
    QFont font;
    if (chinese) {
        font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                          QStringLiteral("Noto Serif CJK SC"),
                          QStringLiteral("WenQuanYi Micro Hei")});
    } else {
        font.setFamilies({QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono")});
    }
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace torvex::skingen
