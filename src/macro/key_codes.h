#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvex {

// Display name of a macro event code (HID keyboard usage or mouse-button code), as the event
// list shows it; "NON-AVAILABLE" for a code without a name.
std::string KeyName(int code);

// Windows virtual-key code to event code; only the low 8 bits of `virtualKey` count. Unmapped
// values pass unchanged.
std::uint8_t VirtualKeyToHid(int virtualKey);

// The exact inverse of the mapped part of VirtualKeyToHid; every other code passes unchanged.
std::uint8_t HidToVirtualKey(std::uint8_t code);

// The event code whose KeyName is `name` (exact match), for readable macro definitions.
std::optional<std::uint8_t> EventCodeForKeyName(std::string_view name);

} // namespace torvex
