#include "ui/skin/dpi_colour.h"

#include <QTimer>

namespace torvex::ui {

void toggleDpiSlot(MouseSettings& s, int slot) {
    if (slot < 0 || slot >= static_cast<int>(kDpiLevelCount)) {
        return;
    }
    auto& enabled = s.dpiSetEnabled;
    const auto i = static_cast<std::size_t>(slot);
    if (enabled[i] == 0) {
        enabled[i] = 1;
        return;
    }
    enabled[i] = 0;
    if (slot != s.dpiLevel) {
        return;
    }
    for (int step = 0; step < 4; ++step) {
        s.dpiLevel = (s.dpiLevel + 1) % 4;
        if (enabled[static_cast<std::size_t>(s.dpiLevel)] == 1) {
            return;
        }
    }
    s.dpiLevel = slot;
    enabled[i] = 1;
}

void chooseDpiLevel(MouseSettings& s, int slot) {
    if (slot >= 0 && slot < static_cast<int>(kDpiLevelCount) &&
        s.dpiSetEnabled[static_cast<std::size_t>(slot)] != 0) {
        s.dpiLevel = slot;
    }
}

void chooseDpiNotch(MouseSettings& s, int entry) {
    if (entry < 60 || entry > 79) {
        return;
    }
    s.setDpiSet(static_cast<std::size_t>((entry - 60) / 5),
                static_cast<std::uint8_t>((entry - 60) % 5));
}

namespace {

class TimerScheduler final : public AnimatorScheduler {
public:
    TimerScheduler() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto callback = std::move(callback_);
            callback_ = nullptr;
            if (callback) {
                callback();
            }
        });
    }
    void schedule(int ms, std::function<void()> callback) override {
        callback_ = std::move(callback);
        timer_.start(ms);
    }
    void cancel() override {
        timer_.stop();
        callback_ = nullptr;
    }

private:
    QTimer timer_;
    std::function<void()> callback_;
};

} // namespace

std::unique_ptr<AnimatorScheduler> makeTimerScheduler() {
    return std::make_unique<TimerScheduler>();
}

LedPreviewAnimator::LedPreviewAnimator(PreviewState& state, AnimatorScheduler& scheduler,
                                       Inputs inputs)
    : state_(state), scheduler_(scheduler), in_(std::move(inputs)) {}

LedPreviewAnimator::~LedPreviewAnimator() {
    stop();
}

bool LedPreviewAnimator::start() {
    if (running_) {
        return false;
    }
    running_ = true;
    state_.colour = in_.level();
    lastLevel_ = state_.colour;
    if (in_.page() != kColourPage) {
        running_ = false;
        return true;
    }
    pass();
    return true;
}

void LedPreviewAnimator::stop() {
    if (running_) {
        scheduler_.cancel();
        running_ = false;
    }
}

void LedPreviewAnimator::pass() {
    mode_ = in_.mode();
    const int level = in_.level();
    if (mode_ == 3) {
        state_.off = true;
        state_.colour = level;
    } else if (mode_ == 2) {
        state_.off = false;
        state_.colour = level;
    } else if (level != lastLevel_) {
        state_.colour = level;
        state_.off = false;
        lastLevel_ = level;
        in_.repaint();
        scheduler_.schedule(kLevelHoldMs, [this] { period(); });
        return;
    } else if (state_.off) {
        state_.off = false;
    } else {
        state_.off = true;
        state_.colour = (state_.colour + 1) % 4;
    }
    period();
}

void LedPreviewAnimator::period() {
    in_.repaint();
    scheduler_.schedule(mode_ == 1 ? kFastPeriodMs : kPeriodMs, [this] { check(); });
}

void LedPreviewAnimator::check() {
    if (in_.page() != kColourPage) {
        running_ = false;
        return;
    }
    pass();
}

} // namespace torvex::ui
