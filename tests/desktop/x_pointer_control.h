// The X server's pointer control, read over a connection of the test's own (kept apart from the
// test sources: Xlib's macros clash with GoogleTest's).
#pragma once

#include <optional>
#include <string>

namespace torvex::desktop::testing {

struct PointerControl {
    int numerator = 0;
    int denominator = 0;
    int threshold = 0;
};

// nullopt when the display cannot be opened.
std::optional<PointerControl> readPointerControl(const std::string& display);

} // namespace torvex::desktop::testing
