#include "settings/mouse_settings.h"

namespace torvex {

void applyBuiltInDefaults(MouseSettings& settings) {
    settings.buttonFunction = {1, 2, 3, 5, 4, 16, 15};
    settings.wheelStatus = 0;
    settings.dpiLevel = 0;
    constexpr std::array<std::uint8_t, kDpiLevelCount> steps{0, 1, 2, 4};
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        settings.setDpiSet(j, steps[j]);
        settings.dpiSetEnabled[j] = 1;
    }
    settings.ledStatus = 0;
    settings.pointerSpeed = 4;
    settings.wheelSpeed = 2;
    settings.usbSpeed = 2;
    settings.fireTime = 50;
}

MouseSettings builtInDefaults() {
    MouseSettings settings;
    applyBuiltInDefaults(settings);
    return settings;
}

} // namespace torvex
