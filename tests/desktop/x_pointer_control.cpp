#include "x_pointer_control.h"

#include <X11/Xlib.h>

namespace torvex::desktop::testing {

std::optional<PointerControl> readPointerControl(const std::string& display) {
    ::Display* d = XOpenDisplay(display.c_str());
    if (!d) {
        return std::nullopt;
    }
    PointerControl pc;
    XGetPointerControl(d, &pc.numerator, &pc.denominator, &pc.threshold);
    XCloseDisplay(d);
    return pc;
}

} // namespace torvex::desktop::testing
