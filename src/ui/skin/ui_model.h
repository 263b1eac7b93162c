// What the main window shows and edits: the settings model, the pointer state of the three
// pages and the colour preview. Owned by the window, read by painting, changed by the pointer
// dispatch; all on the window's thread.
#pragma once

#include "macro/macro_record.h"
#include "settings/mouse_settings.h"

#include <QPoint>
#include <array>
#include <cstdint>

namespace torvex::ui {

inline constexpr int kNoEntry = 255;

enum Page : std::uint8_t { kMainPage = 0, kAdvancedPage = 1, kColourPage = 2 };

struct PointerState {
    std::uint8_t curPage = kMainPage;
    int hotMain = kNoEntry;
    int hotColor = kNoEntry;
    int hotAdv = kNoEntry;
    int prevHotMain = kNoEntry;
    int prevHotColor = kNoEntry;
    int prevHotAdv = kNoEntry;
    bool mouseDown = false;
    bool functionMenuOpen = false;
    int editedSlot = 0;
    QPoint popupOrigin;
};

struct MacroPageState {
    bool recording = false;
    int downCount = 0;
    int upCount = 0;
};

// The colour page's picture of the mouse, advanced by LedPreviewAnimator.
struct PreviewState {
    int colour = 0; // 0 blue, 1 pink, 2 red, 3 purple
    bool off = false;
};

struct UiModel {
    MouseSettings settings;
    int curConfig = 0; // 1..5 when valid; a file may hold anything
    int language = 0;  // 0 Chinese, anything else English
    // From the last download: the device DPI code of each level and the lighting mode sent.
    std::array<std::uint8_t, kDpiLevelCount> dpiCode{};
    std::uint8_t ledStatusApplied = 0;

    PointerState pointer;
    MacroPageState macroPage;
    PreviewState preview;
    const MacroTable* macros = nullptr; // the user macro table, for names and repeat modes
};

inline bool english(int language) {
    return language != 0;
}

} // namespace torvex::ui
