#include "app/mouse_setup.h"

#include "app/app_log.h"
#include "desktop/pointer_choice.h"
#include "device/linux_hid_backend.h"
#include "sim/virtual_mouse.h"

namespace torvex::app {
std::unique_ptr<device::PointerSettings> createPointerSettings(const AppOptions& options) {
    if (options.virtualMouse && options.virtualMouseDir) {
        return std::make_unique<device::FilePointerSettings>(*options.virtualMouseDir /
                                                             "pointer.ini");
    }
    if (options.virtualMouse) {
        return std::make_unique<device::NoPointerSettings>(); // leave a desktop alone in a demo
    }
    return desktop::createPointerSettings(
        [](std::string_view line) { qCInfo(lcTorvex, "%.*s", int(line.size()), line.data()); });
}

MouseBackend createMouseBackend(const AppOptions& options, std::string* error) {
    MouseBackend m;
    m.pointer = createPointerSettings(options);
    if (options.virtualMouse) {
        auto vm = std::make_unique<sim::VirtualMouse>();
        m.virtualMouse = vm.get();
        if (options.virtualMouseDir && !vm->serve(*options.virtualMouseDir, error)) {
            m.virtualMouse = nullptr;
            m.backend = std::make_unique<device::NoHidDevices>();
            return m;
        }
        m.backend = std::move(vm);
        return m;
    }
    m.backend = device::createLinuxHidBackend();
    if (!m.backend) {
        if (error) {
            *error = "cannot reach the HID devices (libudev failed)";
        }
        m.backend = std::make_unique<device::NoHidDevices>();
    }
    return m;
}

} // namespace torvex::app
