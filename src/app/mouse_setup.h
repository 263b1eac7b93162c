// The HID backend and the desktop pointer settings the window drives the mouse through.
#pragma once

#include "app/app_options.h"
#include "device/hid_backend.h"
#include "device/pointer_settings.h"

#include <memory>
#include <string>

namespace torvex::sim {
class VirtualMouse;
}

namespace torvex::app {

struct MouseBackend {
    std::unique_ptr<device::HidBackend> backend;
    sim::VirtualMouse* virtualMouse = nullptr; // set when backend is the virtual mouse
    std::unique_ptr<device::PointerSettings> pointer;
};

// The one place that chooses the pointer settings: the virtual mouse with a folder keeps them
// in DIR/pointer.ini, without one it leaves them alone (a demo must not change the desktop);
// otherwise the session's desktop backend (desktop::createPointerSettings, which logs why).
std::unique_ptr<device::PointerSettings> createPointerSettings(const AppOptions& options);

// The virtual mouse (serving its folder when one was given) or the hidraw backend. On failure
// `error` tells why; the backend is then one that finds no mouse.
MouseBackend createMouseBackend(const AppOptions& options, std::string* error);

} // namespace torvex::app
