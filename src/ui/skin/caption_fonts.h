// The fonts captions are drawn in, shared by the window, its popups and the skin generator, so
// that what the generator lays out and the skin checks measure is what the program draws.
#pragma once

#include <QFont>

namespace torvex::ui {

// The named face first, then installed fallbacks, by pixel size (the point sizes at 96 dots per
// inch) so captions sit where the skin's author put them whatever the display's DPI.
inline constexpr int kCaptionPixels = 13;    // 10 pt
inline constexpr int kDpiLabelPixelsCn = 12; // 9 pt
inline constexpr int kDpiLabelPixelsEn = 10; // 7.5 pt

// `language`: 0 Chinese, anything else English.
QFont captionFont(int language);  // font A
QFont dpiLabelFont(int language); // font B

} // namespace torvex::ui
