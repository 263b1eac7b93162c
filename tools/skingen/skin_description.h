#pragma once

#include <array>
#include <string>
#include <vector>

namespace torvex::skingen {

// One rectangle in window pixels; covers x <= px < x + w and y <= py < y + h.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool empty() const { return w <= 0 || h <= 0; }
    bool intersects(const Rect& o) const {
        return x < o.right() && o.x < right() && y < o.bottom() && o.y < bottom();
    }
    bool contains(const Rect& o) const {
        return o.x >= x && o.y >= y && o.right() <= right() && o.bottom() <= bottom();
    }
};

// How an entry is painted. The painter draws every look in its normal, over and down state.
enum class Look {
    Plain,     // caption only, nothing behind it
    Heading,   // section title with an accent tick
    Label,     // hit-tested text with a hover underline
    Button,    // chamfered push button
    Accent,    // push button in the accent colour (apply, record)
    Tab,       // page tab (slanted)
    Segment,   // small square button in a row (profiles, speeds, languages)
    Minimise,  // title-bar glyph button
    Close,     // title-bar glyph button
    Slot,      // button-function field with a drop-down chevron
    Switch,    // sliding on/off switch (DPI enable)
    Check,     // check box at the left of the entry (repeat, hold)
    Radio,     // round selector (DPI level button)
    ModeRadio, // wide selector with a round indicator (lighting modes)
    Notch,     // one stop of a DPI slider
    Mark,      // current-level chevron, lit in the level's colour when down
    Bar,       // rapid-fire bar, filled in the down picture
    Value,     // framed read-out
    Plate,     // decorative emblem
    Scale,     // DPI slider scale with the five values
    Field,     // dark well under a child control or the mouse preview
    Highlight, // companion of a button slot on the mouse drawing
    Hidden,    // read but never drawn nor hit-tested
};

struct Entry {
    Rect r;
    Look look = Look::Hidden;
    std::string id; // field 1: a name for people reading the file; the program ignores it
    std::string cn; // caption in the Chinese file
    std::string en; // caption in the English file
    int level = 0;  // DPI level (marks) or slot number (highlights)
};

// The whole skin as one description: the layout files are written from it and the pictures are
// painted from the same rectangles, so the two cannot disagree.
struct SkinDescription {
    int width = 0;
    int height = 0;
    std::array<Entry, 99> main;
    std::array<Entry, 13> color;
    std::array<Entry, 51> adv;
    std::array<Entry, 3> warn;
    Rect repeatEdit;                   // EDIT 3
    Rect macroNameEdit;                // EDIT 4
    Rect macroList;                    // MACRODISPLAY 1
    Rect eventList;                    // MACRODISPLAY 2
    std::array<std::string, 55> funCn; // FUN_STRING 1..54; index 0 unused
    std::array<std::string, 55> funEn;
    // Window outline (clockwise polygon); pixels inside are kept, the rest is cut away.
    std::vector<std::array<int, 2>> outline;

    int menuWidth = 0;
    int menuRowHeight = 0; // function menu: ten rows plus a one-pixel closing line
    int subWidth = 0;
    int subRowHeight = 0; // submenu: twelve rows plus a one-pixel closing line
    int warnWidth = 0;
    int warnHeight = 0;
    std::vector<std::array<int, 2>> warnOutline;
    Rect knob; // size of dpi_slider.jpg
};

const SkinDescription& skin();

// The colour of each DPI level as the mouse lights it: blue, pink, red, purple.
struct Rgb {
    int r, g, b;
};
inline constexpr std::array<Rgb, 4> kLevelColours{
    {{40, 120, 255}, {255, 70, 190}, {255, 34, 48}, {150, 64, 255}}};

} // namespace torvex::skingen
