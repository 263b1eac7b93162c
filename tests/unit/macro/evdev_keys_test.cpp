#include "macro/evdev_keys.h"
#include "macro/key_codes.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace torvex {
namespace {

TEST(EvdevKeys, X11KeycodesOfTheRecordingKeys) {
    // X keycodes as a grab reports them (evdev + 8), with the key each must record as.
    const struct {
        int x11;
        int vk;
        const char* keyName; // what the event list then shows
    } cases[] = {
        {38, 65, "A"},         {50, 160, "LSHIFT"},    {37, 162, "LCONTROL"}, {67, 112, "F1"},
        {87, 97, "NUMPAD1"},   {133, 91, "LWIN"},      {107, 44, "SNAPSHOT"}, {9, 27, "ESCAPE"},
        {10, 49, "1"},         {19, 48, "0"},          {36, 13, "RETURN"},    {104, 13, "RETURN"},
        {62, 161, "RSHIFT"},   {105, 163, "RCONTROL"}, {64, 164, "LMENU"},    {108, 165, "RMENU"},
        {134, 92, "RWIN"},     {135, 93, "APPS"},      {96, 123, "F12"},      {191, 124, "F13"},
        {202, 135, "F24"},     {90, 96, "NUMPAD0"},    {91, 110, "DECIMAL"},  {106, 111, "DIVIDE"},
        {63, 106, "MULTIPLY"}, {82, 109, "SUBTRACT"},  {86, 107, "ADD"},      {77, 144, "NUMLOCK"},
        {78, 145, "SCROLL"},   {127, 19, "PAUSE"},     {118, 45, "INSERT"},   {119, 46, "DELETE"},
        {110, 36, "HOME"},     {115, 35, "END"},       {112, 33, "PRIOR"},    {117, 34, "NEXT"},
        {113, 37, "LEFT"},     {111, 38, "UP"},        {114, 39, "RIGHT"},    {116, 40, "DOWN"},
        {22, 8, "BACK"},       {23, 9, "TAB"},         {65, 32, "SPACE"},     {66, 20, "CAPITAL"},
        {20, 189, "-"},        {21, 187, "+"},         {34, 219, "[{"},       {35, 221, "]}"},
        {47, 186, ";:"},       {48, 222, " ' "},       {49, 192, "`~"},       {51, 220, "\\|"},
        {59, 188, ","},        {60, 190, "."},         {61, 191, "/?"},
    };
    for (const auto& c : cases) {
        const auto vk = x11KeycodeToVirtualKey(c.x11);
        ASSERT_TRUE(vk.has_value()) << c.x11;
        EXPECT_EQ(*vk, c.vk) << c.x11;
        EXPECT_EQ(KeyName(VirtualKeyToHid(*vk)), c.keyName) << c.x11;
    }
}

TEST(EvdevKeys, LettersAndDigitsAreComplete) {
    std::set<int> letters;
    std::set<int> digits;
    for (int evdev = 0; evdev < 0x300; ++evdev) {
        if (const auto vk = evdevToVirtualKey(evdev)) {
            if (*vk >= 'A' && *vk <= 'Z') {
                letters.insert(*vk);
            } else if (*vk >= '0' && *vk <= '9') {
                digits.insert(*vk);
            }
        }
    }
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_EQ(digits.size(), 10u);
}

TEST(EvdevKeys, MediaKeysKeepTheirVirtualKeys) {
    const std::map<int, int> media = {{113, 173}, {114, 174}, {115, 175}, {163, 176},
                                      {165, 177}, {166, 178}, {164, 179}};
    for (const auto& [evdev, vk] : media) {
        EXPECT_EQ(evdevToVirtualKey(evdev), vk) << evdev;
    }
}

TEST(EvdevKeys, UnmappedCodesGiveNothing) {
    // Reserved, the ISO "<>" key (no virtual key of its own here), power, codes out of range.
    for (int evdev : {0, 84, 86, 116, 240, 0x2ff, -1, -8, 100000}) {
        EXPECT_FALSE(evdevToVirtualKey(evdev).has_value()) << evdev;
    }
    EXPECT_FALSE(x11KeycodeToVirtualKey(0).has_value());
    EXPECT_FALSE(x11KeycodeToVirtualKey(8).has_value());
}

} // namespace
} // namespace torvex
