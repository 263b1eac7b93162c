// In-process window figures with Google Benchmark: a page's full repaint with the picture cache
// against decoding its pictures on every paint, the window region from the mask by runs against
// one toggle per pixel, and hover to frame in the real window (offscreen).
//   torvex-bench-paint [--benchmark_filter=...] [--benchmark_repetitions=N]
// Prints a Markdown table (see bench/markdown_reporter.h).
#include "live_window.h"
#include "markdown_reporter.h"
#include "settings/config_store.h"
#include "support/temp_dir.h"
#include "ui/skin/page_composer.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace torvex;

const fs::path kSkinDir = fs::path(TORVEX_SOURCE_DIR) / "data" / "skins";

const char* pageName(int page) {
    switch (page) {
    case ui::kMainPage:
        return "main";
    case ui::kAdvancedPage:
        return "macro";
    default:
        return "colour";
    }
}

// The composer with the real skin and the factory settings, as the window paints them.
struct Composition {
    ui::SkinLayout layout;
    ui::UiModel model;
    MacroTable macros{MacroTableKind::User};
    ui::ImageCache cache;
    ui::PageComposer composer{kSkinDir, cache};
    QImage mask;

    Composition() {
        const ui::LayoutReporter quiet;
        ui::LoadMainLayout(kSkinDir, 0, layout, quiet);
        ui::LoadColorLayout(kSkinDir, 0, layout, quiet);
        ui::LoadAdvancedLayout(kSkinDir, 0, layout, quiet);
        ui::LoadWarningLayout(kSkinDir, 0, layout, quiet);
        LoadConfiguration(fs::path(TORVEX_SOURCE_DIR) / "data" / "config.ini", 1, false, 0,
                          model.settings);
        model.curConfig = 1;
        model.macros = &macros;
        mask = cache.load(kSkinDir / "main_mask.jpg");
    }
};

void composePage(benchmark::State& state, Composition& c, int page, bool cached) {
    c.model.pointer.curPage = static_cast<std::uint8_t>(page);
    c.cache.setEnabled(cached);
    (void)c.composer.compose(c.model, c.layout, c.mask.size()); // warm the cache and the fonts
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.composer.compose(c.model, c.layout, c.mask.size()));
    }
    c.cache.setEnabled(true);
}

void regionByRuns(benchmark::State& state, const QImage& mask) {
    QRegion region;
    for (auto _ : state) {
        region = ui::regionFromMask(mask);
        benchmark::DoNotOptimize(region);
    }
    state.counters["rectangles"] = region.rectCount();
}

// The original design: start from the whole window and toggle one 1x1 square per light pixel.
QRegion regionByPixels(const QImage& mask) {
    QRegion region(0, 0, mask.width(), mask.height());
    const QImage m = mask.convertToFormat(QImage::Format_RGB32);
    for (int x = 0; x < m.width(); ++x) {
        for (int y = 0; y < m.height(); ++y) {
            if (ui::cutAway(m.pixel(x, y))) {
                region = region.xored(QRegion(x, y, 1, 1));
            }
        }
    }
    return region;
}

void regionPixelByPixel(benchmark::State& state, const QImage& mask) {
    if (regionByPixels(mask) != ui::regionFromMask(mask)) {
        state.SkipWithError("the two methods disagree on the window's pixels");
        return;
    }
    QRegion region;
    for (auto _ : state) {
        region = regionByPixels(mask);
        benchmark::DoNotOptimize(region);
    }
    state.counters["rectangles"] = region.rectCount();
}

// One iteration: the pointer moves to the other of two entries and the frame it causes is
// painted and handed to the platform.
void hoverToFrame(benchmark::State& state, bench::LiveWindow& live, int page, QPoint a, QPoint b,
                  bool cached) {
    live.click(live.mainEntry(page == ui::kMainPage ? 9 : page == ui::kAdvancedPage ? 10 : 11));
    live.dialog().imageCache().setEnabled(cached);
    (void)live.move(a);
    (void)live.move(b);
    bool toA = true;
    const int paintsBefore = live.paints();
    for (auto _ : state) {
        if (live.move(toA ? a : b) < 0) {
            state.SkipWithError("a move caused no frame within a second");
            break;
        }
        toA = !toA;
    }
    state.counters["paints per move"] =
        static_cast<double>(live.paints() - paintsBefore) / static_cast<double>(state.iterations());
    live.dialog().imageCache().setEnabled(true);
    live.click(live.mainEntry(9));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    // A decoded picture or a composed frame is a 2 MB block. glibc serves the first such blocks
    // with fresh pages from the kernel and keeps later ones in the heap once one has been freed
    // (it raises its thresholds then), so a figure would depend on which benchmark ran before
    // it. Freeing one such block first starts every benchmark in the state a running window
    // reaches after its first frame.
    void* block = std::malloc(4 << 20);
    benchmark::DoNotOptimize(block);
    std::free(block);
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);

    Composition composition;
    for (int page : {ui::kMainPage, ui::kAdvancedPage, ui::kColourPage}) {
        for (bool cached : {true, false}) {
            const std::string name = std::string("repaint, ") + pageName(page) + " page, " +
                                     (cached ? "picture cache" : "decode every paint");
            bench::addBenchmark(name, [&composition, page, cached](auto& s) {
                composePage(s, composition, page, cached);
            });
        }
    }
    bench::addBenchmark("window region, runs of kept pixels",
                        [&](auto& s) { regionByRuns(s, composition.mask); });
    bench::addBenchmark("window region, one toggle per light pixel",
                        [&](auto& s) { regionPixelByPixel(s, composition.mask); });

    const testing::TempDir scratch("torvex-bench-paint");
    bench::LiveWindow live(scratch.path() / "home");
    struct Hover {
        const char* what;
        int page;
        QPoint a, b;
    };
    const std::vector<Hover> hovers{
        {"main page, button slots 1 and 2", ui::kMainPage, live.mainEntry(25), live.mainEntry(26)},
        {"colour page, entries 1 and 2", ui::kColourPage, live.colourEntry(0), live.colourEntry(1)},
        {"macro page, pointer speed 1 and 2", ui::kAdvancedPage, live.macroEntry(8),
         live.macroEntry(9)},
    };
    for (const Hover& h : hovers) {
        for (bool cached : {true, false}) {
            const std::string name = std::string("hover to frame, ") + h.what + ", " +
                                     (cached ? "picture cache" : "decode every paint");
            bench::addBenchmark(name, [&live, h, cached](auto& s) {
                hoverToFrame(s, live, h.page, h.a, h.b, cached);
            });
        }
    }

    return bench::runBenchmarks("In-process window figures (Google Benchmark)");
}
