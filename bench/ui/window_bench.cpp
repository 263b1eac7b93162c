// Window benchmarks; prints Markdown tables for docs/performance.md.
//   torvex-bench-window [runs]
//   TORVEX_BENCH_USE_CYCLES=N   cycles of the simulated hour of use (default 1000)
#include "app/CQAV_VUvuvuDlg.h"
#include "common/paths.h"
#include "device/pointer_settings.h"
#include "settings/config_store.h"
#include "sim/virtual_mouse.h"
#include "ui/skin/page_composer.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"

#include <QApplication>
#include <QMouseEvent>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <malloc.h>
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

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

// Bytes the program holds on the heap now (allocated and not yet freed), in KiB.
long heapInUseKiB() {
    const struct mallinfo2 m = ::mallinfo2();
    return static_cast<long>((m.uordblks + m.hblkhd) / 1024);
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// The real main window on the offscreen platform and the in-process virtual mouse, started on a
// new settings folder seeded from the source tree, shown, first frame painted.
class LiveWindow {
public:
    explicit LiveWindow(const fs::path& home) {
        torvex::PathOptions options;
        options.home = home;
        options.compiledDataDir = fs::path(TORVEX_SOURCE_DIR) / "data";
        torvex::app::DialogEnvironment env;
        env.paths = torvex::resolvePaths(options);
        std::string error;
        if (!torvex::seedUserFolder(env.paths, &error)) {
            std::fprintf(stderr, "cannot seed %s: %s\n", home.c_str(), error.c_str());
            std::exit(1);
        }
        env.backend = &mouse_;
        env.pointer = &pointer_;
        env.message = [](const QString& text) {
            std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        };
        env.trayAvailable = [] { return true; };
        env.watchResume = false;
        dialog_ = std::make_unique<torvex::app::CQAV_VUvuvuDlg>(std::move(env));
        if (!dialog_->MainInit()) {
            std::fprintf(stderr, "the window did not start\n");
            std::exit(1);
        }
        dialog_->installEventFilter(&counter_);
        dialog_->show();
        waitForPaint(0);
    }
    ~LiveWindow() { dialog_->ExitProgram(); }
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    torvex::app::CQAV_VUvuvuDlg& dialog() { return *dialog_; }
    int paints() const { return counter_.paints; }

    // Moves the pointer to `p`; the time until the frame it causes has been painted (and
    // handed to the platform), or -1 when none followed within a second.
    double move(QPoint p) {
        const int before = counter_.paints;
        const auto t0 = Clock::now();
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
        if (!waitForPaint(before)) {
            return -1;
        }
        return ms(Clock::now() - t0);
    }
    bool paintedInsideLastMove() const { return paintedInside_; }

    void click(QPoint p) {
        (void)move(p);
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        // What the event loop does between two clicks, deferred deletions included.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QPoint mainEntry(int k) const { return dialog_->layout().mainLayout[k].rect().center(); }
    QPoint colourEntry(int k) const { return dialog_->layout().colorLayout[k].rect().center(); }
    QPoint macroEntry(int k) const { return dialog_->layout().advLayout[k].rect().center(); }

private:
    void send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(p), QPointF(dialog_->mapToGlobal(p)), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(dialog_.get(), &event);
    }
    bool waitForPaint(int before) {
        paintedInside_ = counter_.paints != before;
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        while (counter_.paints == before && Clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        return counter_.paints != before;
    }

    torvex::sim::VirtualMouse mouse_;
    torvex::device::NoPointerSettings pointer_;
    std::unique_ptr<torvex::app::CQAV_VUvuvuDlg> dialog_;
    PaintCounter counter_;
    bool paintedInside_ = false;
};

// Hovers back and forth between two entries, each move changing what is drawn.
struct HoverFigures {
    Stats stats;
    int samples = 0;
    int paintedInside = 0; // frames painted before the move event returned
    int paints = 0;
};

HoverFigures hoverBetween(LiveWindow& w, QPoint a, QPoint b, int samples) {
    (void)w.move(a);
    (void)w.move(b);
    std::vector<double> times;
    HoverFigures f;
    const int paintsBefore = w.paints();
    for (int i = 0; i < samples; ++i) {
        const double t = w.move(i % 2 == 0 ? a : b);
        if (t >= 0) {
            times.push_back(t);
            f.paintedInside += w.paintedInsideLastMove() ? 1 : 0;
        }
    }
    f.samples = static_cast<int>(times.size());
    f.paints = w.paints() - paintsBefore;
    if (!times.empty()) {
        f.stats = stats(times);
    }
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication app(argc, argv);
    using namespace torvex;

    const fs::path skinDir = fs::path(TORVEX_SOURCE_DIR) / "data" / "skins";
    const fs::path scratch =
        fs::temp_directory_path() / ("torvex-bench-window-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    std::printf("### Start-up to the first painted frame\n\n");
    std::printf("| runs | median ms | min ms | max ms |\n|---|---|---|---|\n");
    std::vector<double> starts;
    qputenv("TORVEX_EXIT_AFTER_FIRST_FRAME", "1"); // for the started copies only
    for (int i = 0; i < std::min(runs, 10); ++i) {
        const double t = startToFirstFrame(scratch, i);
        if (t >= 0) {
            starts.push_back(t);
        }
    }
    qunsetenv("TORVEX_EXIT_AFTER_FIRST_FRAME");
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

    LiveWindow live(scratch / "live-home");
    std::printf("\n### Hover to frame: the real window (offscreen), pointer moved between two "
                "entries\n\n");
    std::printf("| page, entries | cache | samples | median ms | min ms | max ms | painted "
                "before the move returned | paints |\n|---|---|---|---|---|---|---|---|\n");
    const auto hoverRows = [&](const char* what, QPoint a, QPoint b) {
        for (bool cached : {true, false}) {
            live.dialog().imageCache().setEnabled(cached);
            const HoverFigures f = hoverBetween(live, a, b, cached ? runs * 5 : runs);
            std::printf("| %s | %s | %d | %.2f | %.2f | %.2f | %d of %d | %d |\n", what,
                        cached ? "on" : "off", f.samples, f.stats.median, f.stats.min, f.stats.max,
                        f.paintedInside, f.samples, f.paints);
        }
        live.dialog().imageCache().setEnabled(true);
    };
    hoverRows("main, button slots 1 and 2", live.mainEntry(25), live.mainEntry(26));
    // Moves that stay on one entry change nothing and must not paint.
    const QRect slot = live.dialog().layout().mainLayout[25].rect();
    (void)live.move(slot.topLeft() + QPoint(2, slot.height() / 2));
    const int paintsBefore = live.paints();
    for (int i = 0; i < 50; ++i) {
        (void)live.move(slot.topLeft() + QPoint(2 + i % (slot.width() - 4), slot.height() / 2));
    }
    const int stillPaints = live.paints() - paintsBefore;
    live.click(live.mainEntry(11));
    hoverRows("colour, colour entries 1 and 2", live.colourEntry(0), live.colourEntry(1));
    live.click(live.mainEntry(10));
    hoverRows("macro, pointer speed 1 and 2", live.macroEntry(8), live.macroEntry(9));
    live.click(live.mainEntry(9));
    std::printf("\nPaints caused by 50 moves within one entry: %d\n", stillPaints);

    const char* cyclesEnv = std::getenv("TORVEX_BENCH_USE_CYCLES");
    const int cycles = cyclesEnv ? std::max(10, std::atoi(cyclesEnv)) : 1000;
    std::printf("\n### Resident memory of the process over simulated use\n\n");
    std::printf("One cycle: macro page, 10 hovers, colour page, 4 hovers, main page, 7 hovers "
                "(3 page switches, 21 hover repaints).\n\n");
    std::printf("| cycles | page switches | hover repaints | VmRSS KiB | heap in use KiB |\n"
                "|---|---|---|---|---|\n");
    const auto cycle = [&] {
        live.click(live.mainEntry(10));
        for (int k = 8; k <= 17; ++k) {
            (void)live.move(live.macroEntry(k));
        }
        live.click(live.mainEntry(11));
        for (int k = 0; k <= 3; ++k) {
            (void)live.move(live.colourEntry(k));
        }
        live.click(live.mainEntry(9));
        for (int k = 25; k <= 31; ++k) {
            (void)live.move(live.mainEntry(k));
        }
    };
    cycle(); // the first visit of each page fills the caches
    const long startKiB = residentKiB();
    const long startHeapKiB = heapInUseKiB();
    std::printf("| 0 | 0 | 0 | %ld | %ld |\n", startKiB, startHeapKiB);
    long lastHeapKiB = startHeapKiB;
    long lastKiB = startKiB;
    const int tenth = std::max(1, cycles / 10);
    long tenthKiB = startKiB;
    long tenthHeapKiB = startHeapKiB;
    const auto useStart = Clock::now();
    for (int i = 1; i <= cycles; ++i) {
        cycle();
        if (i % tenth == 0 || i == cycles) {
            lastKiB = residentKiB();
            lastHeapKiB = heapInUseKiB();
            if (i == tenth) {
                tenthKiB = lastKiB;
                tenthHeapKiB = lastHeapKiB;
            }
            std::printf("| %d | %d | %d | %ld | %ld |\n", i, 3 * i, 21 * i, lastKiB, lastHeapKiB);
        }
    }
    const double useSeconds = ms(Clock::now() - useStart) / 1000;
    // Then a pause on the macro page, long enough for Qt's pixmap cache to drop the index
    // entries of pictures it no longer holds (it does so every 30 s).
    live.click(live.mainEntry(10));
    const auto pauseEnd = Clock::now() + std::chrono::seconds(31);
    while (Clock::now() < pauseEnd) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(20);
    }
    live.click(live.mainEntry(9));
    std::printf("| %d, then 31 s on the macro page | %d | %d | %ld | %ld |\n", cycles,
                3 * cycles + 2, 21 * cycles, residentKiB(), heapInUseKiB());
    std::printf(
        "\nGrowth over %d cycles (%.1f s of simulated use): VmRSS %+ld KiB in all, %+ld KiB "
        "after the first %d cycles; heap in use %+ld KiB in all, %+ld KiB after the first "
        "%d cycles\n",
        cycles, useSeconds, lastKiB - startKiB, lastKiB - tenthKiB, tenth,
        lastHeapKiB - startHeapKiB, lastHeapKiB - tenthHeapKiB, tenth);
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return byPixel == runsRegion ? 0 : 1;
}
