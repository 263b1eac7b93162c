#pragma once

// Reading the committed skin the way the program reads it: one key at a time through the
// profile-string reader with the program's 260-character buffer, split into seven fields.

#include <QImage>
#include <QString>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace torvex::skintest {

inline constexpr std::size_t kLayoutBuffer = 260;

std::filesystem::path skinDir();

struct Fields {
    std::array<std::string, 7> field;
    int commas = 0;
};

// Splits a value as the layout reader does: no comma -> field 1 is everything; otherwise fields
// 1..6 end at the first six commas and field 7 is the rest.
Fields splitValue(const std::string& value);

struct LayoutEntry {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    std::string caption;

    bool empty() const { return w <= 0 || h <= 0; }
    bool intersects(const LayoutEntry& o) const {
        return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
};

// One language's four layout files.
struct LayoutFiles {
    std::filesystem::path main, color, advance, warning;
};
LayoutFiles layoutFiles(int language);

LayoutEntry readEntry(const std::filesystem::path& file, const char* section, int key);
std::vector<LayoutEntry> readTable(const std::filesystem::path& file, int count);
std::string readFunString(const std::filesystem::path& mainFile, int code);

// Every (section, key) present in a file, in file order, read from the raw text.
std::vector<std::pair<std::string, std::string>> keysInFile(const std::filesystem::path& file);

QImage loadPicture(const char* name);

// The window-shape rule: a pixel is kept unless red, green and blue all exceed 100.
bool keptPixel(QRgb c);

// A Qt application for fonts and image plug-ins, created once, without a display.
void ensureGuiApplication();

} // namespace torvex::skintest
