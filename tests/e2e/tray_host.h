// Kept apart from the tests: Xlib's macros (None, Bool, Status) clash with GoogleTest's names.
#pragma once

namespace torvex::testing {

// Whether a tray host owns the tray selection of the screen of $DISPLAY.
bool trayHostPresent();

} // namespace torvex::testing
