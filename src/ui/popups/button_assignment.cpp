#include "ui/popups/button_assignment.h"

#include "settings/function_codes.h"

namespace torvex::ui {

void AssignButtonFunction(MouseSettings& settings, int slot, int code) {
    constexpr int last = static_cast<int>(kButtonCount) - 1;
    if (slot < 0 || slot > last) {
        return;
    }
    auto& f = settings.buttonFunction;
    f[static_cast<std::size_t>(slot)] = code;
    for (int j = last; j >= 0; --j) {
        if (f[static_cast<std::size_t>(j)] == kLeftClickCode) {
            return;
        }
    }
    f[static_cast<std::size_t>(slot == last ? last : slot + 1)] = kLeftClickCode;
}

int menuHitTest(QPoint point, int menuWidth, int itemHeight) {
    for (int r = 1; r <= kMenuHitRows; ++r) {
        if (point.x() >= 0 && point.x() < menuWidth && point.y() >= (r - 1) * itemHeight &&
            point.y() < r * itemHeight) {
            return r;
        }
    }
    return kNoRow;
}

int subMenuHitTest(QPoint point, int subWidth, int rowHeight, int rows) {
    for (int r = 1; r <= rows; ++r) {
        if (point.x() >= 0 && point.x() < subWidth && point.y() >= (r - 1) * rowHeight &&
            point.y() < r * rowHeight) {
            return r;
        }
    }
    return kNoRow;
}

int groupRowCount(int group, int macroCount) {
    switch (group) {
    case kAdvancedGroup:
        return 6;
    case kMediaGroup:
        return 10;
    case kUserMacroGroup:
        return macroCount;
    case kFixedMacroGroup:
        return 8;
    default:
        return 0;
    }
}

int groupCodeBase(int group) {
    switch (group) {
    case kAdvancedGroup:
        return 10;
    case kMediaGroup:
        return 20;
    case kUserMacroGroup:
        return 40;
    case kFixedMacroGroup:
        return 30;
    default:
        return 0;
    }
}

} // namespace torvex::ui
