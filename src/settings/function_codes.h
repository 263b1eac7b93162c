#pragma once

#include <cstdint>

namespace torvex {

// What a button's function code means: who performs it and what the mouse is told.
enum class FunctionCategory {
    None,        // 0, unused codes: the button does nothing
    Native,      // performed by the mouse itself
    DpiTracking, // performed by the mouse, which then reports its new DPI level
    MediaKey,    // 21..30: the program sends a consumer-control key
    FixedMacro,  // 31..38: the program plays a fixed macro
    Calculator,  // 39: the program starts a calculator
    Terminal,    // 40: the program starts a terminal
    UserMacro,   // 41..52: the program plays a user macro
};

inline constexpr int kFirstMediaKeyCode = 21;
inline constexpr int kFirstFixedMacroCode = 31;
inline constexpr int kCalculatorCode = 39;
inline constexpr int kTerminalCode = 40;
inline constexpr int kFirstUserMacroCode = 41;
inline constexpr int kMediaKeyCount = 10;
inline constexpr int kFixedMacroCodeCount = 8;
inline constexpr int kUserMacroCodeCount = 12;
inline constexpr int kLeftClickCode = 1;

struct FunctionInfo {
    FunctionCategory category = FunctionCategory::None;
    // The byte sent to the mouse in the button-function command. Everything the program performs
    // itself is sent as 0, so the mouse only reports the press.
    std::uint8_t deviceCode = 0;
    // Media key index (code - 21), fixed macro slot (code - 31) or user macro slot (code - 41);
    // -1 for the other categories.
    int slot = -1;

    bool performedByProgram() const {
        return category != FunctionCategory::None && category != FunctionCategory::Native &&
               category != FunctionCategory::DpiTracking;
    }
    bool operator==(const FunctionInfo&) const = default;
};

// Classifies any int, including values read unchecked from a file. Codes below 6 are sent as
// their own low byte, as the mouse has always been told; they are native only for 1..5.
FunctionInfo functionInfo(int code);

// True for the codes after which the mouse reports its DPI level (6, 15, 16).
inline bool isDpiTracking(int code) {
    return functionInfo(code).category == FunctionCategory::DpiTracking;
}

} // namespace torvex
