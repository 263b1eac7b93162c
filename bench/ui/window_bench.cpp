// Window benchmarks; prints Markdown tables for docs/performance.md.
//   torvex-bench-window [runs]
#include "settings/config_store.h"
#include "ui/skin/page_composer.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Stats {
    double median = 0, min = 0, max = 0;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::vector<double> timeRuns(int runs, const std::function<void()>& f) {
    std::vector<double> out;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        f();
        out.push_back(ms(Clock::now() - t0));
    }
    return out;
}

// Starts the real binary and waits for its "first frame" line on standard error.
double startToFirstFrame(const fs::path& scratch, int run) {
    const fs::path home = scratch / ("home-" + std::to_string(run));
    const fs::path vm = scratch / ("vm-" + std::to_string(run));
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string program = (fs::path(TORVEX_BINARY_DIR) / "bin" / "torvex").string();
    std::vector<std::string> args{program, "--virtual-mouse=" + vm.string(), "--home",
                                  home.string()};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const auto t0 = Clock::now();
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    double result = -1;
    std::string text;
    if (rc == 0) {
        char buf[512];
        pollfd pfd{pipeFds[0], POLLIN, 0};
        while (::poll(&pfd, 1, 20000) > 0) {
            const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            text.append(buf, static_cast<std::size_t>(n));
            if (text.find("first frame") != std::string::npos) {
                result = ms(Clock::now() - t0);
                break;
            }
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    ::close(pipeFds[0]);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    qputenv("TORVEX_EXIT_AFTER_FIRST_FRAME", "1");
    QGuiApplication app(argc, argv);
    using namespace torvex;

    const fs::path skinDir = fs::path(TORVEX_SOURCE_DIR) / "data" / "skins";
    const fs::path scratch =
        fs::temp_directory_path() / ("torvex-bench-window-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    std::printf("### Start-up to the first painted frame\n\n");
    std::printf("| runs | median ms | min ms | max ms |\n|---|---|---|---|\n");
    std::vector<double> starts;
    for (int i = 0; i < std::min(runs, 10); ++i) {
        const double t = startToFirstFrame(scratch, i);
        if (t >= 0) {
            starts.push_back(t);
        }
    }
    if (!starts.empty()) {
        const Stats s = stats(starts);
        std::printf("| %zu | %.1f | %.1f | %.1f |\n\n", starts.size(), s.median, s.min, s.max);
    } else {
        std::printf("| 0 | failed to start | | |\n\n");
    }

    ui::SkinLayout layout;
    const ui::LayoutReporter quiet;
    ui::LoadMainLayout(skinDir, 0, layout, quiet);
    ui::LoadColorLayout(skinDir, 0, layout, quiet);
    ui::LoadAdvancedLayout(skinDir, 0, layout, quiet);
    ui::LoadWarningLayout(skinDir, 0, layout, quiet);
    ui::UiModel model;
    LoadConfiguration(fs::path(TORVEX_SOURCE_DIR) / "data" / "config.ini", 1, false, 0,
                      model.settings);
    model.curConfig = 1;
    MacroTable macros(MacroTableKind::User);
    model.macros = &macros;
    ui::ImageCache cache;
    ui::PageComposer composer(skinDir, cache);
    const QImage mask = cache.load(skinDir / "main_mask.jpg");
    const QSize size = mask.size();

    std::printf("### One full repaint of a page (composition of the %dx%d frame)\n\n", size.width(),
                size.height());
    std::printf("| page | cache | median ms | min ms | max ms |\n|---|---|---|---|---|\n");
    const char* names[] = {"main", "macro", "colour"};
    for (int page : {ui::kMainPage, ui::kAdvancedPage, ui::kColourPage}) {
        model.pointer.curPage = static_cast<std::uint8_t>(page);
        for (bool cached : {true, false}) {
            cache.setEnabled(cached);
            composer.compose(model, layout, size); // warm the cache (and the fonts)
            const Stats s =
                stats(timeRuns(runs, [&] { (void)composer.compose(model, layout, size); }));
            std::printf("| %s | %s | %.2f | %.2f | %.2f |\n", names[page], cached ? "on" : "off",
                        s.median, s.min, s.max);
        }
    }

    std::printf("\n### Window region from the %dx%d mask\n\n", size.width(), size.height());
    std::printf("| method | median ms | min ms | max ms | rectangles |\n|---|---|---|---|---|\n");
    QRegion runsRegion;
    const Stats r = stats(timeRuns(runs, [&] { runsRegion = ui::regionFromMask(mask); }));
    std::printf("| runs of kept pixels | %.2f | %.2f | %.2f | %d |\n", r.median, r.min, r.max,
                runsRegion.rectCount());
    // The pixel-by-pixel toggling, for comparison (once: it is slow).
    QRegion byPixel;
    const double pixelMs = timeRuns(1, [&] {
        byPixel = QRegion(0, 0, size.width(), size.height());
        const QImage m = mask.convertToFormat(QImage::Format_RGB32);
        for (int x = 0; x < m.width(); ++x) {
            for (int y = 0; y < m.height(); ++y) {
                if (ui::cutAway(m.pixel(x, y))) {
                    byPixel = byPixel.xored(QRegion(x, y, 1, 1));
                }
            }
        }
    })[0];
    std::printf("| one 1x1 toggle per light pixel | %.0f | | | %d |\n", pixelMs,
                byPixel.rectCount());
    std::printf("\nSame pixels: %s\n", byPixel == runsRegion ? "yes" : "NO");
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return byPixel == runsRegion ? 0 : 1;
}
