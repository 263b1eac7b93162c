// Any bytes as one of the four skin layout files: the loaders fill their tables and nothing else,
// every value splits into fields that give the value back, and the rectangles read from the file
// are safe to hit-test and to build the window shape from.
#include "common/ini_store.h"
#include "fuzz_support.h"
#include "ui/skin/pointer_dispatch.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"

#include <QStringList>
#include <array>
#include <chrono>
#include <string>

namespace {
using namespace torvex;
using namespace torvex::ui;

struct Counts {
    int missing = 0;
    int malformed = 0;
};

// The four loaders, and the sections and largest key each reads.
struct Table {
    LayoutFile file;
    bool (*load)(const std::filesystem::path&, int, SkinLayout&, const LayoutReporter&);
};
constexpr std::array<Table, 4> kTables{{{LayoutFile::Main, LoadMainLayout},
                                        {LayoutFile::Color, LoadColorLayout},
                                        {LayoutFile::Advanced, LoadAdvancedLayout},
                                        {LayoutFile::Warning, LoadWarningLayout}}};
constexpr std::array<const char*, 4> kSections{"BUTTONPOS", "FUN_STRING", "EDIT", "MACRODISPLAY"};

template <std::size_t N>
void hitTestAll(const std::array<SkinEntry, N>& table, QPoint p) {
    const int hit = HitTest(p, table, static_cast<int>(N) - 1);
    if (hit != 255 && (hit < 0 || hit >= static_cast<int>(N) ||
                       !table[static_cast<std::size_t>(hit)].contains(p.x(), p.y()))) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    const Table& table = kTables[choice & 3];
    const int language = (choice >> 2) & 1;
    const int probeKey = in.byte() % 100;
    const char* probeSection = kSections[(choice >> 3) & 3];
    const QPoint probe(static_cast<int16_t>(in.integer()), static_cast<int16_t>(in.integer()));

    const auto skin = fuzz::scratch() / "skin";
    const auto file = layoutFilePath(skin, language, table.file);
    std::filesystem::create_directories(file.parent_path());
    fuzz::writeFile(file, in.rest());
    // An installed skin file is old: its reads then share one parse, as they do for the window.
    // Each input gets its own time stamp, so no input is ever read through an earlier one's parse.
    static long long inputs = 0;
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::hours(24 * 365) +
                                               std::chrono::seconds(++inputs));

    Counts counts;
    const LayoutReporter reporter{
        [&](const std::filesystem::path&) { ++counts.missing; },
        [&](const std::filesystem::path&, const std::string&, int) { ++counts.malformed; }};

    SkinLayout layout;
    if (!table.load(skin, language, layout, reporter) || counts.missing != 0) {
        __builtin_trap();
    }
    if (!layout.funString[0].isEmpty()) {
        __builtin_trap();
    }

    // One value: the fields joined by commas are the value, and only a value with more than six
    // commas is reported.
    counts.malformed = 0;
    const SkinFields fields = ReadSkinEntry(file, probeSection, probeKey, reporter);
    const QString value = QString::fromStdString(
        ini::readString(file, probeSection, std::to_string(probeKey), kLayoutBufferSize));
    const auto commas = value.count(QLatin1Char(','));
    const auto used = static_cast<std::size_t>(std::min<qsizetype>(commas, 6)) + 1;
    QStringList parts;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k < used) {
            parts.push_back(fields[k]);
        } else if (!fields[k].isEmpty()) {
            __builtin_trap();
        }
    }
    if (parts.join(QLatin1Char(',')) != value || (counts.malformed != 0) != (commas > 6)) {
        __builtin_trap();
    }

    for (const QPoint p : {probe, QPoint(0, 0), QPoint(-1, -1)}) {
        hitTestAll(layout.mainLayout, p);
        hitTestAll(layout.colorLayout, p);
        hitTestAll(layout.advLayout, p);
        hitTestAll(layout.warnLayout, p);
    }
    static const QImage mask = [] {
        QImage m(64, 48, QImage::Format_RGB32);
        m.fill(Qt::black);
        m.setPixel(3, 3, qRgb(255, 255, 255));
        return m;
    }();
    const WindowShape shape = BuildWindowShape(mask, layout);
    if (shape.size != mask.size()) {
        __builtin_trap();
    }
    return 0;
}
