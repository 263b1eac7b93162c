#pragma once

#include <optional>

namespace torvex {

// X11 reports a key by its X keycode, which is the Linux evdev code plus 8.
inline constexpr int kX11KeycodeOffset = 8;

// The Windows virtual-key code of a Linux evdev key code, the code space the recorder works in.
// The keypad keys give their digit keys whatever the Num Lock state. Keys without a virtual key
// give nothing and are not recorded.
std::optional<int> evdevToVirtualKey(int evdevCode);

// The same for an X keycode (QKeyEvent::nativeScanCode()).
std::optional<int> x11KeycodeToVirtualKey(int x11Keycode);

} // namespace torvex
