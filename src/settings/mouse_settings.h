#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace torvex {

inline constexpr std::size_t kButtonCount = 7;
inline constexpr std::size_t kDpiLevelCount = 4;

// The mouse's own number for each of the seven programmable buttons, as used in the button
// reports and the button-function commands.
inline constexpr std::array<std::uint8_t, kButtonCount> physicalButton{1, 2, 3, 5, 4, 6, 8};

// The main-page layout entry that shows DPI step `step` chosen for level `level`.
constexpr int dpiChoiceEntryFor(std::size_t level, std::uint8_t step) {
    return 60 + 5 * static_cast<int>(level) + step;
}

// One mouse configuration as the user sees and edits it. A plain copyable value; whoever shares
// it between threads guards it. Values loaded from a file are kept as they are, unvalidated:
// code that uses one as an index must check its range.
struct MouseSettings {
    std::array<int, kButtonCount> buttonFunction{}; // function codes, see function_codes.h
    int wheelStatus = 0;                            // 0 or 1
    int macroMode = 0;                              // 1: a user macro repeats while held
    int dpiLevel = 0;                               // level in use, 0..3
    std::array<std::uint8_t, kDpiLevelCount> dpiSetEnabled{};
    std::uint8_t ledStatus = 0;    // lighting mode 0..3
    std::uint8_t pointerSpeed = 0; // system pointer speed choice 0..9
    std::uint8_t wheelSpeed = 0;   // wheel scroll lines minus one, 0..9
    std::uint8_t usbSpeed = 0;     // stored and exchanged only
    int fireTime = 0;              // rapid-fire interval in ms, 0..300

    // DPI step (0..4 = 800, 1200, 1600, 2400, 3200 dpi) chosen for each level. Set only through
    // setDpiSet so that the derived layout entry stays in step. `level` is 0..3; another value
    // throws std::out_of_range (a value from a file must be checked before it is used here).
    std::uint8_t dpiSet(std::size_t level) const { return dpiSet_.at(level); }
    int dpiChoiceEntry(std::size_t level) const { return dpiChoiceEntry_.at(level); }
    const std::array<std::uint8_t, kDpiLevelCount>& dpiSets() const { return dpiSet_; }
    const std::array<int, kDpiLevelCount>& dpiChoiceEntries() const { return dpiChoiceEntry_; }
    void setDpiSet(std::size_t level, std::uint8_t step) {
        dpiSet_.at(level) = step;
        dpiChoiceEntry_.at(level) = dpiChoiceEntryFor(level, step);
    }

    bool operator==(const MouseSettings&) const = default;

private:
    std::array<std::uint8_t, kDpiLevelCount> dpiSet_{};
    // An all-zero configuration still points each level at its own layout entry for step 0.
    std::array<int, kDpiLevelCount> dpiChoiceEntry_{
        dpiChoiceEntryFor(0, 0), dpiChoiceEntryFor(1, 0), dpiChoiceEntryFor(2, 0),
        dpiChoiceEntryFor(3, 0)};
};

// Puts the built-in factory configuration into `settings`; macroMode keeps its value.
void applyBuiltInDefaults(MouseSettings& settings);

// The built-in factory configuration with macroMode 0.
MouseSettings builtInDefaults();

} // namespace torvex
