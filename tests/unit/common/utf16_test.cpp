#include "common/utf16.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

TEST(Utf16, RoundTripsAndRepairsMalformedInput) {
    const std::string text = "M1 宏 \xF0\x9F\x98\x80"; // ASCII, CJK and a pair outside the BMP
    const std::u16string units = utf8ToUtf16(text);
    EXPECT_EQ(units, u"M1 宏 \U0001F600");
    EXPECT_EQ(utf16ToUtf8(units), text);
    EXPECT_EQ(utf16Length(text), 7u);

    EXPECT_EQ(utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFD"
              "b");
    EXPECT_EQ(utf8ToUtf16("\xE5\xAE"), u"\uFFFD\uFFFD"); // truncated sequence
    EXPECT_EQ(utf16ToUtf8(u"x\xD800"), "x\xEF\xBF\xBD"); // lone surrogate
}

TEST(Utf16, PrefixNeverSplitsACharacter) {
    const std::string text = "ab宏\xF0\x9F\x98\x80z";
    EXPECT_EQ(utf8PrefixByUtf16Units(text, 0), "");
    EXPECT_EQ(utf8PrefixByUtf16Units(text, 3), "ab宏");
    EXPECT_EQ(utf8PrefixByUtf16Units(text, 4), "ab宏"); // the pair needs two units
    EXPECT_EQ(utf8PrefixByUtf16Units(text, 5), "ab宏\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8PrefixByUtf16Units(text, 100), text);
}

} // namespace
} // namespace torvex
