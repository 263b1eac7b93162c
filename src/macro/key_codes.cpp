#include "macro/key_codes.h"

#include <array>
#include <utility>

namespace torvex {

namespace {

struct VkRange {
    int firstVk;
    int lastVk;
    int firstCode;
};

// The one mapping from virtual keys to event codes; the inverse is derived from it.
constexpr VkRange kRanges[] = {
    {65, 90, 4},     // letters A..Z
    {49, 57, 30},    // digits 1..9
    {112, 123, 58},  // F1..F12
    {124, 135, 104}, // F13..F24
    {97, 105, 89},   // keypad 1..9
};

constexpr std::pair<int, int> kPairs[] = {
    {8, 42},    {9, 43},   {12, 156}, {13, 40},   {19, 72},   {20, 57},   {27, 41},   {32, 44},
    {33, 75},   {34, 78},  {35, 77},  {36, 74},   {37, 80},   {38, 82},   {39, 79},   {40, 81},
    {41, 119},  {43, 116}, {44, 70},  {45, 73},   {46, 76},   {47, 117},  {48, 39},   {91, 227},
    {92, 231},  {93, 101}, {96, 98},  {106, 85},  {107, 87},  {108, 159}, {109, 86},  {110, 99},
    {111, 84},  {144, 83}, {145, 71}, {160, 225}, {161, 229}, {162, 224}, {163, 228}, {164, 226},
    {165, 230}, {186, 51}, {187, 46}, {188, 54},  {189, 45},  {190, 55},  {191, 56},  {192, 50},
    {219, 47},  {220, 49}, {221, 48}, {222, 52},
};

struct CodeMaps {
    std::array<std::uint8_t, 256> vkToCode{};
    std::array<std::uint8_t, 256> codeToVk{};
    std::array<bool, 256> vkMapped{};
    std::array<bool, 256> codeMapped{};
    bool oneToOne = true;

    constexpr void add(int vk, int code) {
        if (vkMapped[vk] || codeMapped[code]) {
            oneToOne = false;
        }
        vkToCode[vk] = static_cast<std::uint8_t>(code);
        codeToVk[code] = static_cast<std::uint8_t>(vk);
        vkMapped[vk] = codeMapped[code] = true;
    }
};

constexpr CodeMaps buildMaps() {
    CodeMaps maps;
    for (int i = 0; i < 256; ++i) {
        maps.vkToCode[i] = maps.codeToVk[i] = static_cast<std::uint8_t>(i);
    }
    for (const VkRange& r : kRanges) {
        for (int vk = r.firstVk; vk <= r.lastVk; ++vk) {
            maps.add(vk, r.firstCode + (vk - r.firstVk));
        }
    }
    for (const auto& [vk, code] : kPairs) {
        maps.add(vk, code);
    }
    return maps;
}

constexpr CodeMaps kMaps = buildMaps();
static_assert(kMaps.oneToOne, "each virtual key and each event code is mapped at most once");

constexpr std::pair<int, std::string_view> kNames[] = {
    {39, "0"},         {40, "RETURN"},  {41, "ESCAPE"},  {42, "BACK"},     {43, "TAB"},
    {44, "SPACE"},     {45, "-"},       {46, "+"},       {47, "[{"},       {48, "]}"},
    {49, "\\|"},       {50, "`~"},      {51, ";:"},      {52, " ' "},      {54, ","},
    {55, "."},         {56, "/?"},      {57, "CAPITAL"}, {70, "SNAPSHOT"}, {71, "SCROLL"},
    {72, "PAUSE"},     {73, "INSERT"},  {74, "HOME"},    {75, "PRIOR"},    {76, "DELETE"},
    {77, "END"},       {78, "NEXT"},    {79, "RIGHT"},   {80, "LEFT"},     {81, "DOWN"},
    {82, "UP"},        {83, "NUMLOCK"}, {84, "DIVIDE"},  {85, "MULTIPLY"}, {86, "SUBTRACT"},
    {87, "ADD"},       {98, "NUMPAD0"}, {99, "DECIMAL"}, {101, "APPS"},    {116, "EXECUTE"},
    {117, "HELP"},     {118, "MENU"},   {119, "SELECT"}, {156, "CLEAR"},   {159, "SEPARATOR"},
    {224, "LCONTROL"}, {225, "LSHIFT"}, {226, "LMENU"},  {227, "LWIN"},    {228, "RCONTROL"},
    {229, "RSHIFT"},   {230, "RMENU"},  {231, "RWIN"},   {240, "L-KEY"},   {241, "R-KEY"},
    {242, "M-KEY"},
};

constexpr std::string_view kNoName = "NON-AVAILABLE";

} // namespace

std::string KeyName(int code) {
    if (code >= 4 && code <= 29) {
        return std::string(1, static_cast<char>(code + 61));
    }
    if (code >= 30 && code <= 38) {
        return std::to_string(code - 29);
    }
    if (code >= 58 && code <= 69) {
        return "F" + std::to_string(code - 57);
    }
    if (code >= 89 && code <= 97) {
        return "NUMPAD" + std::to_string(code - 88);
    }
    if (code >= 104 && code <= 115) {
        return "F" + std::to_string(code - 91);
    }
    for (const auto& [c, name] : kNames) {
        if (c == code) {
            return std::string(name);
        }
    }
    return std::string(kNoName);
}

std::uint8_t VirtualKeyToHid(int virtualKey) {
    return kMaps.vkToCode[virtualKey & 0xFF];
}

std::uint8_t HidToVirtualKey(std::uint8_t code) {
    return kMaps.codeToVk[code];
}

std::optional<std::uint8_t> EventCodeForKeyName(std::string_view name) {
    if (name == kNoName) {
        return std::nullopt;
    }
    for (int code = 0; code < 256; ++code) {
        if (KeyName(code) == name) {
            return static_cast<std::uint8_t>(code);
        }
    }
    return std::nullopt;
}

} // namespace torvex
