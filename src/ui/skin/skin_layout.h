// The skin's layout files: the rectangles and captions of every entry of the three pages and of
// the warning window, and the function names.
#pragma once

#include <QRect>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace torvex::ui {

// One layout entry: it covers x <= px < x + width and y <= py < y + height.
struct SkinEntry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    QString caption;

    bool contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
    QRect rect() const { return {x, y, width, height}; }
    bool operator==(const SkinEntry&) const = default;
};

inline constexpr int kMainEntries = 99;
inline constexpr int kColorEntries = 13;
inline constexpr int kAdvEntries = 51;
inline constexpr int kWarnEntries = 3;
inline constexpr int kFunStrings = 55; // entry 0 stays empty
inline constexpr std::size_t kLayoutBufferSize = 260;
// Larger numbers in a layout entry's position and size are cut to this (no screen comes near it).
inline constexpr int kLayoutNumberLimit = 1'000'000;

struct SkinLayout {
    std::array<SkinEntry, kMainEntries> mainLayout{};
    std::array<SkinEntry, kColorEntries> colorLayout{};
    std::array<SkinEntry, kAdvEntries> advLayout{};
    std::array<SkinEntry, kWarnEntries> warnLayout{};
    std::array<QString, kFunStrings> funString{};
    QRect repeatEditRect;
    QRect macroNameEditRect;
    QRect macroListRect;
    QRect eventListRect;
};

// The name of a function code, or an empty string for a code without one (a value read from a
// file is never used as an index unchecked).
QString functionName(const SkinLayout& layout, int code);

// What the loaders report. The window shows the two messages and ends on a missing file.
struct LayoutReporter {
    std::function<void(const std::filesystem::path& file)> missingFile;
    std::function<void(const std::filesystem::path& file, const std::string& section, int key)>
        malformedValue;
};

inline constexpr const char* kMissingLayoutMessage = "找不到配置文件";
inline constexpr const char* kMalformedLayoutMessage = "加载ini错误！";

using SkinFields = std::array<QString, 7>;

// Reads one value (260-character buffer) and splits it into its seven fields: no comma puts the
// whole value into field 1; otherwise fields 1..6 end at the first six commas and field 7 is the
// rest, further commas included. More than six commas are reported as malformed; a value with
// one to five commas fills the fields it has. A missing file is reported (once per read) and
// reads as empty.
SkinFields ReadSkinEntry(const std::filesystem::path& file, const std::string& section, int key,
                         const LayoutReporter& reporter);

// The layout file of a table in the skin folder for a language (0 Chinese, else English).
enum class LayoutFile { Main, Color, Advanced, Warning };
std::filesystem::path layoutFilePath(const std::filesystem::path& skinDir, int language,
                                     LayoutFile which);

// The four loaders. Each returns false when its file is missing (after reporting it once); the
// table is then filled with empty entries, as reading a missing file gives.
bool LoadMainLayout(const std::filesystem::path& skinDir, int language, SkinLayout& layout,
                    const LayoutReporter& reporter);
bool LoadColorLayout(const std::filesystem::path& skinDir, int language, SkinLayout& layout,
                     const LayoutReporter& reporter);
bool LoadAdvancedLayout(const std::filesystem::path& skinDir, int language, SkinLayout& layout,
                        const LayoutReporter& reporter);
bool LoadWarningLayout(const std::filesystem::path& skinDir, int language, SkinLayout& layout,
                       const LayoutReporter& reporter);

} // namespace torvex::ui
