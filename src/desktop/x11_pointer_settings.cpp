#include "desktop/pointer_backends.h"

#include <X11/Xlib.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>

namespace torvex::desktop {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Xlib's default error handler ends the process; a failed request of ours must only fail. Errors
// on other connections go to whichever handler was there before.
std::mutex errorMutex;
XErrorHandler previousHandler = nullptr;
std::atomic<Display*> watchedDisplay{nullptr};
std::atomic<bool> errorSeen{false};

int recordError(Display* d, XErrorEvent* e) {
    if (d == watchedDisplay.load()) {
        errorSeen = true;
        return 0;
    }
    return previousHandler ? previousHandler(d, e) : 0;
}

DisplayPtr open(const std::string& name) {
    static const bool handlerSet = [] {
        previousHandler = XSetErrorHandler(recordError);
        return true;
    }();
    (void)handlerSet;
    return DisplayPtr(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
}

} // namespace

X11PointerSettings::X11PointerSettings(Log log, std::string display)
    : log_(std::move(log)), display_(std::move(display)) {}

std::optional<int> X11PointerSettings::speed() {
    const DisplayPtr d = open(display_);
    if (!d) {
        return std::nullopt;
    }
    int numerator = 0;
    int denominator = 0;
    int threshold = 0;
    XGetPointerControl(d.get(), &numerator, &denominator, &threshold);
    if (denominator <= 0) {
        return std::nullopt;
    }
    const double speed = std::round(10.0 * numerator / denominator);
    return static_cast<int>(std::clamp(speed, 1.0, 20.0));
}

bool X11PointerSettings::setSpeed(int systemSpeed) {
    const DisplayPtr d = open(display_);
    if (!d) {
        return false;
    }
    const std::lock_guard lock(errorMutex);
    watchedDisplay = d.get();
    errorSeen = false;
    // Acceleration speed/10 as an exact fraction; the server rejects a zero numerator.
    XChangePointerControl(d.get(), True, False, std::clamp(systemSpeed, 1, 20), 10, 0);
    XSync(d.get(), False);
    watchedDisplay = nullptr;
    return !errorSeen;
}

std::optional<int> X11PointerSettings::wheelLines() {
    if (!toldNoWheel_ && log_) {
        log_("x11 has no wheel scroll lines setting; the wheel speed is left alone");
    }
    toldNoWheel_ = true;
    return std::nullopt;
}

} // namespace torvex::desktop
