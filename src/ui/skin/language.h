// What the interface language decides besides the skin files.
#pragma once

#include <QString>

namespace torvex::ui {

// The main window's title, by which a second start and the popups find the window.
inline QString windowTitle(int language) {
    return language != 0 ? QStringLiteral("TORVEX V3 Gaming Mouse Driver")
                         : QStringLiteral("TORVEX V3宏编程游戏鼠标驱动");
}

// The message shown when no mouse is found at start-up.
inline QString plugInMessage(int language) {
    const QString brand = QStringLiteral("TORVEX V3");
    return language != 0 ? QStringLiteral("Please plug-in【%1】USB Mouse").arg(brand)
                         : QStringLiteral("请插入【%1】USB鼠标").arg(brand);
}

} // namespace torvex::ui
