#include "ui/skin/skin_layout.h"

#include "common/ini_store.h"
#include "common/leading_int.h"

#include <algorithm>
#include <system_error>

namespace torvex::ui {
namespace fs = std::filesystem;

QString functionName(const SkinLayout& layout, int code) {
    if (code < 0 || code >= kFunStrings) {
        return {};
    }
    return layout.funString[static_cast<std::size_t>(code)];
}

SkinFields ReadSkinEntry(const fs::path& file, const std::string& section, int key,
                         const LayoutReporter& reporter) {
    SkinFields fields;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        if (reporter.missingFile) {
            reporter.missingFile(file);
        }
        return fields;
    }
    const QString value = QString::fromStdString(
        ini::readString(file, section, std::to_string(key), kLayoutBufferSize));
    if (value.count(QLatin1Char(',')) > 6 && reporter.malformedValue) {
        reporter.malformedValue(file, section, key);
    }
    qsizetype start = 0;
    for (std::size_t k = 0; k < 6; ++k) {
        const qsizetype comma = value.indexOf(QLatin1Char(','), start);
        if (comma < 0) {
            fields[k] = value.mid(start);
            return fields;
        }
        fields[k] = value.mid(start, comma - start);
        start = comma + 1;
    }
    fields[6] = value.mid(start);
    return fields;
}

fs::path layoutFilePath(const fs::path& skinDir, int language, LayoutFile which) {
    const bool english = language != 0;
    const char* name = nullptr;
    switch (which) {
    case LayoutFile::Main:
        name = english ? "skin_main_en.ini" : "skin_main.ini";
        break;
    case LayoutFile::Color:
        name = english ? "skin_color_en.ini" : "skin_color.ini";
        break;
    case LayoutFile::Advanced:
        name = english ? "skin_advance_en.ini" : "skin_advance.ini";
        break;
    case LayoutFile::Warning:
        name = english ? "LBWarning_en.ini" : "LBWarning.ini";
        break;
    }
    return skinDir / (english ? "INI_EN" : "INI_CN") / name;
}

namespace {

// Positions and sizes are limited to +-kLayoutNumberLimit, so that the sums hit tests and
// painting make of them (x + width and the like) stay within int.
int number(const QString& field) {
    return std::clamp(leadingInt(field.toStdU16String()), -kLayoutNumberLimit, kLayoutNumberLimit);
}

SkinEntry entryFrom(const SkinFields& f) {
    return SkinEntry{number(f[1]), number(f[2]), number(f[3]), number(f[4]), f[5]};
}

QRect rectFrom(const SkinFields& f) {
    const SkinEntry e = entryFrom(f);
    return QRect(QPoint(e.x, e.y), QPoint(e.x + e.width - 1, e.y + e.height - 1));
}

// The file exists; otherwise it is reported once and the caller leaves its tables empty.
bool present(const fs::path& file, const LayoutReporter& reporter) {
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) {
        return true;
    }
    if (reporter.missingFile) {
        reporter.missingFile(file);
    }
    return false;
}

template <std::size_t N>
void readButtons(const fs::path& file, std::array<SkinEntry, N>& table,
                 const LayoutReporter& reporter) {
    for (std::size_t k = 0; k < N; ++k) {
        table[k] = entryFrom(ReadSkinEntry(file, "BUTTONPOS", static_cast<int>(k), reporter));
    }
}

template <std::size_t N>
void clear(std::array<SkinEntry, N>& table) {
    table.fill(SkinEntry{});
}

} // namespace

bool LoadMainLayout(const fs::path& skinDir, int language, SkinLayout& layout,
                    const LayoutReporter& reporter) {
    const fs::path file = layoutFilePath(skinDir, language, LayoutFile::Main);
    if (!present(file, reporter)) {
        clear(layout.mainLayout);
        layout.funString.fill(QString());
        return false;
    }
    readButtons(file, layout.mainLayout, reporter);
    layout.funString[0].clear();
    for (int k = 1; k < kFunStrings; ++k) {
        layout.funString[static_cast<std::size_t>(k)] =
            ReadSkinEntry(file, "FUN_STRING", k, reporter)[0];
    }
    return true;
}

bool LoadColorLayout(const fs::path& skinDir, int language, SkinLayout& layout,
                     const LayoutReporter& reporter) {
    const fs::path file = layoutFilePath(skinDir, language, LayoutFile::Color);
    if (!present(file, reporter)) {
        clear(layout.colorLayout);
        return false;
    }
    readButtons(file, layout.colorLayout, reporter);
    return true;
}

bool LoadAdvancedLayout(const fs::path& skinDir, int language, SkinLayout& layout,
                        const LayoutReporter& reporter) {
    const fs::path file = layoutFilePath(skinDir, language, LayoutFile::Advanced);
    if (!present(file, reporter)) {
        clear(layout.advLayout);
        layout.repeatEditRect = layout.macroNameEditRect = QRect();
        layout.macroListRect = layout.eventListRect = QRect();
        return false;
    }
    readButtons(file, layout.advLayout, reporter);
    layout.repeatEditRect = rectFrom(ReadSkinEntry(file, "EDIT", 3, reporter));
    layout.macroNameEditRect = rectFrom(ReadSkinEntry(file, "EDIT", 4, reporter));
    layout.macroListRect = rectFrom(ReadSkinEntry(file, "MACRODISPLAY", 1, reporter));
    layout.eventListRect = rectFrom(ReadSkinEntry(file, "MACRODISPLAY", 2, reporter));
    return true;
}

bool LoadWarningLayout(const fs::path& skinDir, int language, SkinLayout& layout,
                       const LayoutReporter& reporter) {
    const fs::path file = layoutFilePath(skinDir, language, LayoutFile::Warning);
    if (!present(file, reporter)) {
        clear(layout.warnLayout);
        return false;
    }
    readButtons(file, layout.warnLayout, reporter);
    return true;
}

} // namespace torvex::ui
