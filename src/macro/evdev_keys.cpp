#include "macro/evdev_keys.h"

#include <algorithm>
#include <array>
#include <utility>

namespace torvex {

namespace {

// evdev code -> virtual key. Several evdev codes may give the same virtual key (the two menu
// keys); each evdev code appears once.
constexpr std::pair<int, int> kEvdevToVk[] = {
    // Digit row: 1..9, 0.
    {2, 49},
    {3, 50},
    {4, 51},
    {5, 52},
    {6, 53},
    {7, 54},
    {8, 55},
    {9, 56},
    {10, 57},
    {11, 48},
    // Letters, by their place on the keyboard.
    {16, 'Q'},
    {17, 'W'},
    {18, 'E'},
    {19, 'R'},
    {20, 'T'},
    {21, 'Y'},
    {22, 'U'},
    {23, 'I'},
    {24, 'O'},
    {25, 'P'},
    {30, 'A'},
    {31, 'S'},
    {32, 'D'},
    {33, 'F'},
    {34, 'G'},
    {35, 'H'},
    {36, 'J'},
    {37, 'K'},
    {38, 'L'},
    {44, 'Z'},
    {45, 'X'},
    {46, 'C'},
    {47, 'V'},
    {48, 'B'},
    {49, 'N'},
    {50, 'M'},
    // Editing and white space.
    {1, 27},  // Esc
    {14, 8},  // Backspace
    {15, 9},  // Tab
    {28, 13}, // Enter
    {57, 32}, // Space
    {58, 20}, // Caps Lock
    // Punctuation (the US layout's OEM keys).
    {12, 189}, // -_
    {13, 187}, // =+
    {26, 219}, // [{
    {27, 221}, // ]}
    {39, 186}, // ;:
    {40, 222}, // '"
    {41, 192}, // `~
    {43, 220}, // \|
    {51, 188}, // ,<
    {52, 190}, // .>
    {53, 191}, // /?
    // Modifiers, left and right.
    {42, 160},  // Shift_L
    {54, 161},  // Shift_R
    {29, 162},  // Control_L
    {97, 163},  // Control_R
    {56, 164},  // Alt_L
    {100, 165}, // Alt_R / AltGr
    {125, 91},  // Super_L
    {126, 92},  // Super_R
    {127, 93},  // Menu (compose)
    {139, 93},  // Menu
    // Function keys.
    {59, 112},
    {60, 113},
    {61, 114},
    {62, 115},
    {63, 116},
    {64, 117},
    {65, 118},
    {66, 119},
    {67, 120},
    {68, 121},
    {87, 122},
    {88, 123},
    {183, 124},
    {184, 125},
    {185, 126},
    {186, 127},
    {187, 128},
    {188, 129},
    {189, 130},
    {190, 131},
    {191, 132},
    {192, 133},
    {193, 134},
    {194, 135},
    // Keypad.
    {69, 144}, // Num Lock
    {98, 111}, // /
    {55, 106}, // *
    {74, 109}, // -
    {78, 107}, // +
    {96, 13},  // Enter: Windows reports it as the main Enter key
    {83, 110}, // .
    {82, 96},
    {79, 97},
    {80, 98},
    {81, 99},
    {75, 100},
    {76, 101},
    {77, 102},
    {71, 103},
    {72, 104},
    {73, 105},
    // Navigation.
    {110, 45}, // Insert
    {111, 46}, // Delete
    {102, 36}, // Home
    {107, 35}, // End
    {104, 33}, // Page Up
    {109, 34}, // Page Down
    {105, 37}, // Left
    {103, 38}, // Up
    {106, 39}, // Right
    {108, 40}, // Down
    // System keys.
    {99, 44},  // Print / SysRq
    {70, 145}, // Scroll Lock
    {119, 19}, // Pause
    {138, 47}, // Help
    {353, 41}, // Select
    {355, 12}, // Clear
    {142, 95}, // Sleep
    // Media and browser keys.
    {113, 173}, // Mute
    {114, 174}, // Volume down
    {115, 175}, // Volume up
    {163, 176}, // Next track
    {165, 177}, // Previous track
    {166, 178}, // Stop
    {164, 179}, // Play/Pause
    {155, 180}, // Mail
    {226, 181}, // Media select
    {157, 182}, // Computer (launch application 1)
    {140, 183}, // Calculator (launch application 2)
    {158, 166}, // Browser back
    {159, 167}, // Browser forward
    {173, 168}, // Refresh
    {128, 169}, // Stop
    {217, 170}, // Search
    {156, 171}, // Bookmarks
    {172, 172}, // Home page
};

constexpr bool eachEvdevCodeOnce() {
    std::array<int, std::size(kEvdevToVk)> codes{};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        codes[i] = kEvdevToVk[i].first;
    }
    std::sort(codes.begin(), codes.end());
    return std::adjacent_find(codes.begin(), codes.end()) == codes.end();
}
static_assert(eachEvdevCodeOnce(), "an evdev code is mapped twice");

} // namespace

std::optional<int> evdevToVirtualKey(int evdevCode) {
    for (const auto& [evdev, vk] : kEvdevToVk) {
        if (evdev == evdevCode) {
            return vk;
        }
    }
    return std::nullopt;
}

std::optional<int> x11KeycodeToVirtualKey(int x11Keycode) {
    return evdevToVirtualKey(x11Keycode - kX11KeycodeOffset);
}

} // namespace torvex
