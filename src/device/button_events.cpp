#include "device/button_events.h"

#include "settings/config_store.h"
#include "settings/function_codes.h"

#include <algorithm>
#include <sys/prctl.h>

namespace torvex::device {

int macroRepetitions(MacroTableKind kind, const MacroPlaybackHeader& header, int macroMode) {
    if (kind == MacroTableKind::Fixed) {
        return 1;
    }
    if (macroMode != 0) {
        return kHoldRepetitions;
    }
    return header.repeatMode == 0 ? 1 : header.repeatCount;
}

ButtonEventService::ButtonEventService(DeviceLink& link, FeatureChannel& channel,
                                       MacroTables& macros, Timeline& timeline,
                                       std::filesystem::path configPath, ButtonEventHooks hooks)
    : link_(link), macros_(macros), timeline_(timeline), configPath_(std::move(configPath)),
      hooks_(std::move(hooks)), emulator_(channel) {}

ButtonEventService::~ButtonEventService() {
    stop();
}

void ButtonEventService::start() {
    if (reader_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        pending_ = false;
    }
    stopRequest_ = false;
    timeline_.resume();
    reader_ = std::thread([this] { readerLoop(); });
    worker_ = std::thread([this] { workerLoop(); });
}

void ButtonEventService::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_all();
    timeline_.abort(); // a macro in progress ends at its next pause, sending nothing more
    link_.wakeReader();
    if (reader_.joinable()) {
        reader_.join();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
}

void ButtonEventService::releaseHeldInputs() {
    if (worker_.joinable() || !emulator_.holdsAny()) {
        return;
    }
    emulator_.releaseAllNow();
}

void ButtonEventService::setDpiTracking(const std::array<bool, kButtonCount>& tracking) {
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        dpiTracking_[i] = tracking[i];
    }
}

void ButtonEventService::handleInputReport(std::span<const uint8_t> report) {
    const uint8_t code = report.size() > 1 ? report[1] : 0;
    const uint8_t value = report.size() > 2 ? report[2] : 0;
    if (code <= kButtonEventBase) {
        return;
    }
    const int macroMode = hooks_.settings ? hooks_.settings().macroMode : 0;
    std::lock_guard lock(mutex_);
    if (value == kReleaseMarker) {
        // Ends a hold-to-repeat macro. A request while nothing plays would only be discarded.
        if (macroMode != 0 && pending_) {
            stopRequest_ = true;
        }
        return;
    }
    if (!pending_) {
        eventCode_ = code;
        eventDpi_ = value;
        pending_ = true;
        cv_.notify_all();
    } else if (macroMode == 0) {
        stopRequest_ = true; // a second press ends the macro the first one started
    }
}

bool ButtonEventService::eventPending() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

bool ButtonEventService::performPending() {
    uint8_t code = 0;
    uint8_t dpi = 0;
    {
        std::lock_guard lock(mutex_);
        if (!pending_) {
            stopRequest_ = false;
            return false;
        }
        code = eventCode_;
        dpi = eventDpi_;
    }
    perform(code, dpi);
    {
        // Clearing both under the reader's lock: a press that arrives from here on is a new event.
        std::lock_guard lock(mutex_);
        pending_ = false;
        stopRequest_ = false;
    }
    return true;
}

void ButtonEventService::perform(uint8_t code, uint8_t dpi) {
    const ButtonSettings settings = hooks_.settings ? hooks_.settings() : ButtonSettings{};
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        if (kButtonEventBase + physicalButton[i] != code) {
            continue;
        }
        if (dpiTracking_[i]) {
            SaveDpiLevel(configPath_, settings.curConfig, dpi);
            if (hooks_.dpiLevelChanged) {
                hooks_.dpiLevelChanged(dpi);
            }
        }
        const int function = settings.buttonFunction[i];
        const FunctionInfo info = functionInfo(function);
        switch (info.category) {
        case FunctionCategory::UserMacro:
            playMacro(MacroTableKind::User, info.slot, settings.macroMode);
            break;
        case FunctionCategory::FixedMacro:
            playMacro(MacroTableKind::Fixed, info.slot, settings.macroMode);
            break;
        case FunctionCategory::MediaKey:
            emulator_.sendMediaKey(function);
            break;
        case FunctionCategory::Calculator:
        case FunctionCategory::Terminal:
            if (hooks_.launch) {
                hooks_.launch(function);
            }
            break;
        default:
            break;
        }
    }
}

void ButtonEventService::playMacro(MacroTableKind kind, int slot, int macroMode) {
    const auto header = macros_.header(kind, static_cast<std::size_t>(slot));
    if (!header) {
        return;
    }
    const int repetitions = macroRepetitions(kind, *header, macroMode);
    Pacer pacer(timeline_);
    for (int j = 0; j < repetitions; ++j) {
        for (std::size_t k = 0; k < header->eventCount; ++k) {
            // One event at a time under the tables' lock: edits reach the events not yet played.
            const auto step = macros_.step(kind, static_cast<std::size_t>(slot), k);
            if (!step) {
                break; // the macro was shortened while it played
            }
            emulator_.emulateInput(step->event.code, step->event.action);
            const auto pause = std::max<std::uint16_t>(step->delay, 10);
            if (!pacer.wait(std::chrono::milliseconds(pause))) {
                return;
            }
        }
        if (!emulator_.releaseAll(pacer)) {
            return;
        }
        if (hooks_.repetitionPlayed) {
            hooks_.repetitionPlayed(kind, slot, j);
        }
        if (stopRequest_) {
            return;
        }
    }
}

void ButtonEventService::readerLoop() {
    std::array<uint8_t, kReportBufferSize> buffer{};
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
        }
        buffer.fill(0);
        const ReadResult result = link_.readInputReport(buffer);
        if (result.status == ReadStatus::Report) {
            handleInputReport(std::span(buffer).first(std::min(result.size, buffer.size())));
        }
        // Woken: loop and look at stopping_. Failed: the link blocks until a new handle exists.
    }
}

void ButtonEventService::workerLoop() {
    // Macro pauses end on time: the kernel may otherwise defer this thread's wake-ups by its
    // default timer slack.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [&] { return stopping_ || pending_; });
            if (stopping_) {
                return;
            }
        }
        performPending();
    }
}

} // namespace torvex::device
