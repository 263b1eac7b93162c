#include "settings/function_codes.h"

namespace torvex {

namespace {

FunctionInfo make(FunctionCategory category, int deviceCode, int slot = -1) {
    return {category, static_cast<std::uint8_t>(deviceCode), slot};
}

} // namespace

FunctionInfo functionInfo(int code) {
    using enum FunctionCategory;
    if (code == 6) {
        return make(DpiTracking, 6);
    }
    if (code < 6) {
        // 0 and negative values come only from a file; the mouse is still sent the low byte.
        return make(code >= 1 ? Native : None, code & 0xFF);
    }
    if (code >= 11 && code <= 14) {
        return make(Native, code - 4);
    }
    if (code == 15) {
        return make(DpiTracking, 11);
    }
    if (code == 16) {
        return make(DpiTracking, 12);
    }
    if (code == 17) {
        return make(Native, 13);
    }
    if (code >= kFirstMediaKeyCode && code < kFirstMediaKeyCode + kMediaKeyCount) {
        return make(MediaKey, 0, code - kFirstMediaKeyCode);
    }
    if (code >= kFirstFixedMacroCode && code < kFirstFixedMacroCode + kFixedMacroCodeCount) {
        return make(FixedMacro, 0, code - kFirstFixedMacroCode);
    }
    if (code == kCalculatorCode) {
        return make(Calculator, 0);
    }
    if (code == kTerminalCode) {
        return make(Terminal, 0);
    }
    if (code >= kFirstUserMacroCode && code < kFirstUserMacroCode + kUserMacroCodeCount) {
        return make(UserMacro, 0, code - kFirstUserMacroCode);
    }
    return make(None, 0);
}

} // namespace torvex
