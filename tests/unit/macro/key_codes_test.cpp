#include "macro/key_codes.h"

#include <gtest/gtest.h>
#include <set>

namespace torvex {
namespace {

TEST(KeyCodes, Names) {
    const struct {
        int code;
        const char* name;
    } cases[] = {
        {4, "A"},
        {29, "Z"},
        {30, "1"},
        {38, "9"},
        {39, "0"},
        {40, "RETURN"},
        {49, "\\|"},
        {50, "`~"},
        {52, " ' "},
        {53, "NON-AVAILABLE"},
        {58, "F1"},
        {69, "F12"},
        {88, "NON-AVAILABLE"},
        {89, "NUMPAD1"},
        {97, "NUMPAD9"},
        {98, "NUMPAD0"},
        {104, "F13"},
        {115, "F24"},
        {118, "MENU"},
        {119, "SELECT"},
        {224, "LCONTROL"},
        {231, "RWIN"},
        {240, "L-KEY"},
        {241, "R-KEY"},
        {242, "M-KEY"},
        {-1, "NON-AVAILABLE"},
        {256 + 4, "NON-AVAILABLE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyName(c.code), c.name) << c.code;
    }
}

TEST(KeyCodes, ExactlyTheseCodesHaveNoName) {
    std::set<int> unnamed = {53, 88, 100, 102, 103, 157, 158};
    const std::pair<int, int> ranges[] = {{0, 3}, {120, 155}, {160, 223}, {232, 239}, {243, 255}};
    for (const auto& [first, last] : ranges) {
        for (int c = first; c <= last; ++c) {
            unnamed.insert(c);
        }
    }
    std::set<std::string> names;
    for (int code = 0; code < 256; ++code) {
        const std::string name = KeyName(code);
        EXPECT_EQ(name == "NON-AVAILABLE", unnamed.contains(code)) << code;
        if (!unnamed.contains(code)) {
            // Names are unique, so a readable definition can name every key.
            EXPECT_TRUE(names.insert(name).second) << name;
            EXPECT_EQ(EventCodeForKeyName(name), code) << name;
        }
    }
    EXPECT_EQ(EventCodeForKeyName("NON-AVAILABLE"), std::nullopt);
    EXPECT_EQ(EventCodeForKeyName("a"), std::nullopt);
}

TEST(KeyCodes, Conversions) {
    const struct {
        int vk;
        int code;
    } toHid[] = {
        {65, 4},
        {90, 29},
        {49, 30},
        {57, 38},
        {48, 39},
        {13, 40},
        {112, 58},
        {123, 69},
        {124, 104},
        {135, 115},
        {97, 89},
        {105, 97},
        {96, 98},
        {164, 226},
        {192, 50},
        {222, 52},
        {12, 156},
        {108, 159},
        {16, 16},      // the side-less Shift has no
                       // mapping
        {240, 240},    // nor do the mouse-button codes
        {256 + 65, 4}, // only the low 8 bits count
    };
    for (const auto& c : toHid) {
        EXPECT_EQ(VirtualKeyToHid(c.vk), c.code) << c.vk;
    }
    const struct {
        int code;
        int vk;
    } toVk[] = {
        {40, 13}, {4, 65},  {50, 192},  {241, 241}, {240, 240}, {242, 242},
        {88, 88}, {53, 53}, {100, 100}, {118, 118}, {16, 77}}; // event code 16 is the letter M
    for (const auto& c : toVk) {
        EXPECT_EQ(HidToVirtualKey(static_cast<std::uint8_t>(c.code)), c.vk) << c.code;
    }
}

TEST(KeyCodes, EveryMappedPairRoundTrips) {
    std::set<int> codes;
    for (int vk = 0; vk < 256; ++vk) {
        const std::uint8_t code = VirtualKeyToHid(vk);
        if (code != vk) {
            EXPECT_EQ(HidToVirtualKey(code), vk) << vk;
            EXPECT_TRUE(codes.insert(code).second) << "two keys give code " << int(code);
        }
    }
    // 68 keys in the five ranges and 52 single pairs.
    EXPECT_EQ(codes.size(), 120u);
    // And the other way: a code that is not the image of a mapped key passes unchanged.
    for (int code = 0; code < 256; ++code) {
        const std::uint8_t vk = HidToVirtualKey(static_cast<std::uint8_t>(code));
        if (codes.contains(code)) {
            EXPECT_EQ(VirtualKeyToHid(vk), code) << code;
        } else {
            EXPECT_EQ(vk, code) << code;
        }
    }
}

} // namespace
} // namespace torvex
