// The DPI area of the main page and the colour page: what a press changes, and the animated
// preview of the mouse's lighting.
#pragma once

#include "settings/mouse_settings.h"
#include "ui/skin/ui_model.h"

#include <functional>
#include <memory>

namespace torvex::ui {

// Enable switch of DPI slot `slot` (0..3). Enabling always works; disabling the slot in use
// moves the level on to the next enabled slot (3 is followed by 0), and the last enabled slot
// cannot be disabled.
void toggleDpiSlot(MouseSettings& settings, int slot);
// Level button: the slot becomes the level in use when it is enabled.
void chooseDpiLevel(MouseSettings& settings, int slot);
// Slider notch `entry` (60..79): sets that slot's step, also for a disabled slot.
void chooseDpiNotch(MouseSettings& settings, int entry);

// Runs a callback after a delay; one pending callback at a time. The window uses a timer of its
// event loop; tests use a clock they advance by hand.
class AnimatorScheduler {
public:
    virtual ~AnimatorScheduler() = default;
    virtual void schedule(int milliseconds, std::function<void()> callback) = 0;
    virtual void cancel() = 0;
};

// A scheduler on a single-shot timer of the calling thread's event loop.
std::unique_ptr<AnimatorScheduler> makeTimerScheduler();

// The colour page's preview of the mouse's lighting. Modes 0 and 1 show the level colours in
// turn, each lit for one period and separated by an unlit period (1200 ms in mode 0, 800 ms in
// mode 1), and show a new level's colour for 2000 ms more first; mode 2 shows the level's colour
// steadily; mode 3 the unlit mouse. It reads the page, level and mode afresh on every pass and
// ends at the first check after the page was left. At most one runs; stop() ends it at once
// (the window stops it while hidden, so a hidden window does no work for it).
class LedPreviewAnimator {
public:
    struct Inputs {
        std::function<int()> page;     // curPage
        std::function<int()> level;    // dpiLevel
        std::function<int()> mode;     // ledStatusApplied
        std::function<void()> repaint; // whole window
    };
    static constexpr int kLevelHoldMs = 2000;
    static constexpr int kFastPeriodMs = 800;
    static constexpr int kPeriodMs = 1200;

    LedPreviewAnimator(PreviewState& state, AnimatorScheduler& scheduler, Inputs inputs);
    ~LedPreviewAnimator();
    LedPreviewAnimator(const LedPreviewAnimator&) = delete;
    LedPreviewAnimator& operator=(const LedPreviewAnimator&) = delete;

    // Starts when none runs; returns whether this call started one.
    bool start();
    void stop();
    bool running() const { return running_; }

private:
    void pass();
    void period();
    void check();

    PreviewState& state_;
    AnimatorScheduler& scheduler_;
    Inputs in_;
    bool running_ = false;
    int lastLevel_ = 0;
    int mode_ = 0;
};

} // namespace torvex::ui
