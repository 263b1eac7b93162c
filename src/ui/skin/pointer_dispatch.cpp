#include "ui/skin/pointer_dispatch.h"

#include "settings/function_codes.h"
#include "ui/skin/dpi_colour.h"

#include <algorithm>

namespace torvex::ui {

int HitTest(QPoint point, std::span<const SkinEntry> table, int last) {
    const int end = std::min(last, static_cast<int>(table.size()) - 1);
    for (int k = 0; k <= end; ++k) {
        if (table[static_cast<std::size_t>(k)].contains(point.x(), point.y())) {
            return k;
        }
    }
    return kNoEntry;
}

void PointerDispatcher::move(QPoint point) {
    PointerState& p = m_.pointer;
    p.hotMain = HitTest(point, layout_.mainLayout, p.curPage == kMainPage ? 79 : 19);
    p.hotColor = HitTest(point, layout_.colorLayout, 4);
    p.hotAdv = HitTest(point, layout_.advLayout, 37);
    const bool changed =
        p.hotMain != p.prevHotMain || p.hotColor != p.prevHotColor || p.hotAdv != p.prevHotAdv;
    if (!changed) {
        return;
    }
    p.prevHotMain = p.hotMain;
    p.prevHotColor = p.hotColor;
    p.prevHotAdv = p.hotAdv;
    // One frame shows every change: the tables overlap (a colour-page entry also lies on macro
    // page entries), and a paint per changed index would paint the same frame again.
    if (p.curPage == kAdvancedPage) {
        actions_.repaintAdvancedRegion();
    } else {
        actions_.repaint();
    }
    actions_.paintNow();
}

void PointerDispatcher::press(QPoint point) {
    PointerState& p = m_.pointer;
    if (p.hotMain != kNoEntry || p.hotColor != kNoEntry || p.hotAdv != kNoEntry) {
        p.mouseDown = true;
        actions_.repaint();
    }
    switch (p.curPage) {
    case kMainPage:
        pressMain(point);
        break;
    case kAdvancedPage:
        pressAdvanced(point);
        break;
    case kColourPage:
        pressColour(point);
        break;
    default:
        break;
    }
}

void PointerDispatcher::pressMain(QPoint point) {
    PointerState& p = m_.pointer;
    if (p.functionMenuOpen) {
        actions_.closeFunctionMenu();
        p.functionMenuOpen = false;
    }
    const int hot = p.hotMain;
    MouseSettings& s = m_.settings;
    if (hot == 0) {
        actions_.saveProfile();
        actions_.repaint();
    } else if (hot == 10) {
        goToPage(kAdvancedPage);
    } else if (hot == 11) {
        goToPage(kColourPage);
    } else if (hot == 14) {
        actions_.importConfiguration();
    } else if (hot == 15) {
        actions_.exportConfiguration();
    } else if (hot >= 25 && hot <= 31) {
        openFunctionMenu(hot);
    } else if (hot == 41 || hot == 42) {
        s.wheelStatus = hot - 41;
    } else if (hot >= 46 && hot <= 49) {
        toggleDpiSlot(s, hot - 46);
    } else if (hot >= 54 && hot <= 57) {
        chooseDpiLevel(s, hot - 54);
    } else if (hot >= 60 && hot <= 79) {
        chooseDpiNotch(s, hot);
    } else if (hot == kNoEntry) {
        actions_.moveWindow(point);
    }
}

void PointerDispatcher::pressAdvanced(QPoint point) {
    PointerState& p = m_.pointer;
    if (p.hotMain == 9) {
        goToPage(kMainPage);
        return;
    }
    if (p.hotMain == 11) {
        goToPage(kColourPage);
        return;
    }
    MouseSettings& s = m_.settings;
    const int hot = p.hotAdv;
    if (hot >= 0 && hot <= 6) {
        actions_.macroCommand(static_cast<MacroCommand>(hot));
    } else if (hot == 7) {
        s.macroMode = s.macroMode == 0 ? 1 : 0;
    } else if (hot >= 8 && hot <= 17) {
        s.pointerSpeed = static_cast<std::uint8_t>(hot - 8);
    } else if (hot >= 18 && hot <= 27) {
        s.wheelSpeed = static_cast<std::uint8_t>(hot - 18);
    } else if (hot == 30) {
        const SkinEntry& bar = layout_.advLayout[30];
        if (bar.width > 0) {
            s.fireTime =
                static_cast<int>(static_cast<long long>(point.x() - bar.x) * 300 / bar.width);
        }
        actions_.repaint();
    } else if (hot == 31) {
        s.fireTime = std::min(s.fireTime + 1, 300);
        actions_.repaint();
    } else if (hot == 32) {
        s.fireTime = std::max(s.fireTime - 1, 0);
        actions_.repaint();
    } else if (hot == kNoEntry && p.hotMain == kNoEntry) {
        actions_.moveWindow(point);
    }
}

void PointerDispatcher::pressColour(QPoint point) {
    PointerState& p = m_.pointer;
    if (p.hotMain == 9) {
        goToPage(kMainPage);
    } else if (p.hotMain == 10) {
        goToPage(kAdvancedPage);
    } else if (p.hotColor >= 0 && p.hotColor <= 3) {
        m_.settings.ledStatus = static_cast<std::uint8_t>(p.hotColor);
    } else if (p.hotColor == kNoEntry && p.hotMain == kNoEntry) {
        actions_.moveWindow(point);
    }
}

void PointerDispatcher::release(QPoint) {
    PointerState& p = m_.pointer;
    p.mouseDown = false;
    actions_.repaint();
    const int hot = p.hotMain;
    if (hot == 2) {
        p.hotMain = kNoEntry;
        actions_.saveDpiAndHide();
        actions_.repaint();
    } else if (hot == 3) {
        actions_.downloadSettings();
    } else if (hot >= 4 && hot <= 8) {
        m_.curConfig = hot - 3;
        actions_.loadProfile();
        actions_.repaint();
    } else if (hot == 12) {
        p.hotMain = kNoEntry;
        actions_.minimise();
    } else if (hot == 13) {
        p.hotMain = kNoEntry;
        actions_.hideToTray();
    } else if (hot == 16) {
        actions_.restoreDefaults();
    } else if (hot == 17) {
        actions_.switchLanguage(0);
    } else if (hot == 18) {
        actions_.switchLanguage(1);
    } else if (hot == 19) {
        actions_.openWebSite();
    }
}

void PointerDispatcher::goToPage(int page) {
    PointerState& p = m_.pointer;
    if (page == p.curPage || page < kMainPage || page > kColourPage) {
        return;
    }
    const bool leavingAdvanced = p.curPage == kAdvancedPage;
    p.curPage = static_cast<std::uint8_t>(page);
    if (page == kColourPage) {
        actions_.startLedPreview();
    }
    if (leavingAdvanced) {
        actions_.destroyMacroControls();
        actions_.repaint();
        return;
    }
    if (page == kAdvancedPage) {
        actions_.repaintAdvancedRegion();
        actions_.createMacroControls();
        actions_.paintNow();
        actions_.refillMacroList();
        actions_.paintNow();
        return;
    }
    actions_.repaint();
}

void PointerDispatcher::openFunctionMenu(int entry) {
    PointerState& p = m_.pointer;
    const int slot = entry - 25;
    p.editedSlot = slot;
    const SkinEntry& e = layout_.mainLayout[static_cast<std::size_t>(entry)];
    const QPoint origin = actions_.windowTopLeft();
    p.popupOrigin = QPoint(origin.x() + e.x, origin.y() + e.y + e.height);
    bool warn = true;
    for (int j = 0; j < static_cast<int>(kButtonCount); ++j) {
        if (j != slot &&
            m_.settings.buttonFunction[static_cast<std::size_t>(j)] == kLeftClickCode) {
            warn = false;
        }
    }
    if (warn && actions_.showWarning() == 2) {
        return;
    }
    actions_.openFunctionMenu();
    p.functionMenuOpen = true;
}

} // namespace torvex::ui
