#include "settings/function_codes.h"
#include "settings/mouse_settings.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

using enum FunctionCategory;

TEST(FunctionCodes, EveryRangeAndItsBoundaries) {
    const struct {
        int code;
        FunctionInfo info;
    } cases[] = {
        {-1, {None, 0xFF, -1}}, // only from a hand-edited file: its low byte is sent
        {0, {None, 0, -1}},          {1, {Native, 1, -1}},      {5, {Native, 5, -1}},
        {6, {DpiTracking, 6, -1}},   {7, {None, 0, -1}},        {10, {None, 0, -1}},
        {11, {Native, 7, -1}},       {14, {Native, 10, -1}},    {15, {DpiTracking, 11, -1}},
        {16, {DpiTracking, 12, -1}}, {17, {Native, 13, -1}},    {18, {None, 0, -1}},
        {20, {None, 0, -1}},         {21, {MediaKey, 0, 0}},    {30, {MediaKey, 0, 9}},
        {31, {FixedMacro, 0, 0}},    {38, {FixedMacro, 0, 7}},  {39, {Calculator, 0, -1}},
        {40, {Terminal, 0, -1}},     {41, {UserMacro, 0, 0}},   {52, {UserMacro, 0, 11}},
        {53, {None, 0, -1}},         {256 + 41, {None, 0, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(functionInfo(c.code), c.info);
        EXPECT_EQ(isDpiTracking(c.code), c.info.category == DpiTracking);
    }
}

TEST(FunctionCodes, DefaultButtonsAsTheMouseIsTold) {
    // The built-in buttons go out as 1, 2, 3, 5, 4, 0x0C, 0x0B; the last two follow the DPI level.
    const MouseSettings defaults = builtInDefaults();
    const std::uint8_t expected[kButtonCount] = {1, 2, 3, 5, 4, 0x0C, 0x0B};
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        const FunctionInfo info = functionInfo(defaults.buttonFunction[i]);
        EXPECT_EQ(info.deviceCode, expected[i]) << i;
        EXPECT_EQ(info.category == DpiTracking, i >= 5) << i;
        EXPECT_FALSE(info.performedByProgram()) << i;
    }
}

} // namespace
} // namespace torvex
