// The real main window for benchmarks: offscreen, on the in-process virtual mouse, started on a
// new settings folder seeded from the source tree, driven by synthetic pointer events.
#pragma once

#include "app/CQAV_VUvuvuDlg.h"
#include "common/paths.h"
#include "device/pointer_settings.h"
#include "sim/virtual_mouse.h"

#include <QApplication>
#include <QMouseEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace torvex::bench {

using Clock = std::chrono::steady_clock;

inline double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
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

// The real main window on the offscreen platform and the in-process virtual mouse, started on a
// new settings folder seeded from the source tree, shown, first frame painted.
class LiveWindow {
public:
    explicit LiveWindow(const std::filesystem::path& home) {
        torvex::PathOptions options;
        options.home = home;
        options.compiledDataDir = std::filesystem::path(TORVEX_SOURCE_DIR) / "data";
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

} // namespace torvex::bench
