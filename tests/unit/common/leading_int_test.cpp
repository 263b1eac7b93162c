#include "common/leading_int.h"

#include <climits>
#include <gtest/gtest.h>

namespace torvex {
namespace {

TEST(LeadingInt, FollowsTheRule) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {"  \t42", 42},
        {"+7", 7},
        {"-5", -5},
        {"12abc", 12},
        {"4 2", 4},
        {"-", 0},
        {"+-3", 0},
        {" - 3", 0},
        {"007", 7},
        {"    250ms", 250},
        {"1234", 1234},
        {"-1", -1},
        {"255", 255},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(leadingInt(std::string_view(c.text)), c.value) << '"' << c.text << '"';
    }
}

TEST(LeadingInt, Utf16TextGivesTheSameResult) {
    EXPECT_EQ(leadingInt(std::u16string_view(u"  -30x")), -30);
    EXPECT_EQ(leadingInt(std::u16string_view(u"\u00a0"
                                             "5")),
              0);                                             // only ASCII white space skips
    EXPECT_EQ(leadingInt(std::u16string_view(u"\uff15")), 0); // full-width digits are not digits
}

} // namespace
} // namespace torvex
