// The two threads that act on the mouse's button reports: the input reader turns each report into
// a pending button event or a stop request, and the button worker performs the pressed button's
// host-side function (DPI follow-up, media keys, programs, macros).
//
// Both block instead of polling: the reader in the device read, the worker on a condition
// variable. An idle program wakes neither.
#pragma once

#include "device/device_link.h"
#include "device/emulation.h"
#include "device/timeline.h"
#include "macro/macro_record.h"
#include "settings/mouse_settings.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

namespace torvex::device {

inline constexpr uint8_t kButtonEventBase = 0xF0;
inline constexpr uint8_t kReleaseMarker = 0x80;
// With hold mode on, a held user macro repeats at most this often.
inline constexpr int kHoldRepetitions = 10000;

// What the threads read of the settings model, copied out by whoever owns the model.
struct ButtonSettings {
    std::array<int, kButtonCount> buttonFunction{};
    int macroMode = 0;
    int curConfig = 0;
};

struct ButtonEventHooks {
    // The current values of the model; called from both threads, must be thread-safe.
    std::function<ButtonSettings()> settings;
    // The mouse changed its DPI level; called on the worker thread after the level was saved to
    // the profile. The owner updates its model and repaints.
    std::function<void(int level)> dpiLevelChanged;
    // Starts the calculator (function 39) or a terminal (40); called on the worker thread.
    std::function<void(int functionCode)> launch;
    // Every macro repetition played, for logs and tests (worker thread; may be empty).
    std::function<void(MacroTableKind, int slot, int repetition)> repetitionPlayed;
};

// How many times one press plays a macro.
int macroRepetitions(MacroTableKind kind, const MacroPlaybackHeader& header, int macroMode);

class ButtonEventService {
public:
    ButtonEventService(DeviceLink& link, FeatureChannel& channel, MacroTables& macros,
                       Timeline& timeline, std::filesystem::path configPath,
                       ButtonEventHooks hooks);
    ~ButtonEventService();
    ButtonEventService(const ButtonEventService&) = delete;
    ButtonEventService& operator=(const ButtonEventService&) = delete;

    // Starts both threads; stop() (or the destructor) ends them, cutting a macro short.
    void start();
    void stop();

    // After stop(): when a macro cut short left a key or button down in the mouse, sends the
    // all-up reports at once. Does nothing while the threads run, as the emulator is the
    // worker's; once the worker has been joined, the caller may use it.
    void releaseHeldInputs();

    // The DPI-tracking flags worked out by the last settings download.
    void setDpiTracking(const std::array<bool, kButtonCount>& tracking);

    // The reader's handling of one input report of any length (missing bytes read as 0). Public
    // so that the rules can be driven without a device.
    void handleInputReport(std::span<const uint8_t> report);

    // Performs a pending event, if any, on the calling thread; returns whether there was one.
    // The worker thread runs this in a loop; tests may call it directly instead of start().
    bool performPending();

    bool eventPending() const;
    bool stopRequested() const { return stopRequest_.load(); }

    // Plays one macro as a press of a button holding it would (the `macro play` command).
    void playMacro(MacroTableKind kind, int slot, int macroMode);

private:
    void readerLoop();
    void workerLoop();
    void perform(uint8_t code, uint8_t dpi);

    DeviceLink& link_;
    MacroTables& macros_;
    Timeline& timeline_;
    std::filesystem::path configPath_;
    ButtonEventHooks hooks_;
    Emulator emulator_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool pending_ = false;
    uint8_t eventCode_ = 0;
    uint8_t eventDpi_ = 0;
    bool stopping_ = false;
    std::atomic<bool> stopRequest_{false};
    std::array<std::atomic<bool>, kButtonCount> dpiTracking_{};

    std::thread reader_;
    std::thread worker_;
};

} // namespace torvex::device
