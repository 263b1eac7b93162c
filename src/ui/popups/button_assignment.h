// The rules of assigning a function to a button through the function menu and its submenu:
// the left-click rule, the rows of both menus and what each submenu group offers.
#pragma once

#include "settings/mouse_settings.h"

#include <QPoint>

namespace torvex::ui {

inline constexpr int kNoRow = 255;

// Function-menu rows 7..10 open these submenu groups.
inline constexpr int kAdvancedGroup = 7;
inline constexpr int kMediaGroup = 8;
inline constexpr int kUserMacroGroup = 9;
inline constexpr int kFixedMacroGroup = 10;

inline constexpr int kMenuRows = 10;
inline constexpr int kMenuHitRows = 12; // rows 11 and 12 exist for hit testing only
inline constexpr int kSubMenuPictureRows = 12;

// Stores `code` for `slot`; when then no button holds the left click any more, the next slot
// gets it, or for the last slot the choice itself is replaced by it. A slot outside 0..6 changes
// nothing.
void AssignButtonFunction(MouseSettings& settings, int slot, int code);

// Row 1..12 of the function menu under a client point, or kNoRow. The line just below row 10
// belongs to row 11.
int menuHitTest(QPoint point, int menuWidth, int itemHeight);

// Row 1..rows of a submenu under a client point, or kNoRow.
int subMenuHitTest(QPoint point, int subWidth, int rowHeight, int rows);

// Rows of a submenu group (macroCount for the user's macros); 0 for a value that is no group.
int groupRowCount(int group, int macroCount);

// The function code of a group's first row minus one.
int groupCodeBase(int group);

} // namespace torvex::ui
