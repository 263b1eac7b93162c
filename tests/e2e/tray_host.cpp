#include "tray_host.h"

#include <X11/Xlib.h>
#include <string>

namespace torvex::testing {

bool trayHostPresent() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const bool owned =
        XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False)) != None;
    XCloseDisplay(display);
    return owned;
}

} // namespace torvex::testing
