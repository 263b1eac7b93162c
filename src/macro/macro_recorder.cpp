#include "macro/macro_recorder.h"

#include "common/utf16.h"
#include "macro/event_rows.h"
#include "macro/key_codes.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace torvex {

namespace {

constexpr int kEscape = 27;
constexpr int kEnter = 13;
constexpr int kF10 = 121;
constexpr int kMaxMeasuredDelay = 65535;

bool isDown(KeyMessage m) {
    return m == KeyMessage::KeyDown || m == KeyMessage::SysKeyDown;
}

} // namespace

KeyMessage keyMessageFor(bool down, bool altHeld) {
    if (down) {
        return altHeld ? KeyMessage::SysKeyDown : KeyMessage::KeyDown;
    }
    return altHeld ? KeyMessage::SysKeyUp : KeyMessage::KeyUp;
}

bool messageFilterSwallows(KeyMessage message, int virtualKey) {
    if (virtualKey == kF10) {
        return true;
    }
    return message == KeyMessage::KeyDown && (virtualKey == kEscape || virtualKey == kEnter);
}

int utcTimeOfDayMs() {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    // The system clock counts UTC days of exactly 86,400 s.
    const long long ms = sinceEpoch.count() % kMillisecondsPerDay;
    return static_cast<int>(ms < 0 ? ms + kMillisecondsPerDay : ms);
}

MacroRecorder::MacroRecorder(MacroEditor& editor, Clock clock)
    : editor_(editor), clock_(clock ? std::move(clock) : Clock(utcTimeOfDayMs)) {}

RecordingToggle MacroRecorder::toggle(MacroPageControls& page) {
    page.focusEventList();
    if (page.macroRowCount() == 0) {
        return RecordingToggle::Ignored;
    }
    MacroEditState& state = editor_.state();
    MacroTables& tables = editor_.tables();
    state.recording = !state.recording;
    if (!state.recording) {
        {
            const std::lock_guard lock(tables.mutex);
            tables.macroTable.records[static_cast<std::size_t>(recordMacro_)].eventCount =
                static_cast<std::uint8_t>(recordedCount_);
        }
        page.invalidate();
        return RecordingToggle::Stopped;
    }
    heldKeyCount_ = 0;
    heldKeys_.fill(0);
    // The list holds at most the twelve user macros; anything else records into the first.
    const int selection = page.macroSelection();
    const int s =
        selection >= 0 && selection < static_cast<int>(kUserMacroCapacity) ? selection : 0;
    recordMacro_ = s;
    state.downCount = 0;
    state.upCount = 0;
    recordedCount_ = 0;
    const std::u16string name = page.macroRowText(s);
    {
        const std::lock_guard lock(tables.mutex);
        ClearRecord(tables.macroTable, static_cast<std::size_t>(s));
        MacroRecord& r = tables.macroTable.records[static_cast<std::size_t>(s)];
        r.setName(name);
        tables.macroTable.currentMacro = s;
        r.repeatMode = 0;
        r.setRepeatCount(1);
    }
    page.setRepeatText(u"1");
    page.setRepeatEnabled(false);
    page.clearEventRows();
    page.invalidate();
    return RecordingToggle::Started;
}

KeyOutcome MacroRecorder::keyEvent(int virtualKey, bool down, bool autoRepeat, bool altHeld,
                                   MacroPageControls* page) {
    if (autoRepeat && !down) {
        return KeyOutcome::NotRecorded;
    }
    return keyMessage(keyMessageFor(down, altHeld), virtualKey, page);
}

KeyOutcome MacroRecorder::keyMessage(KeyMessage message, int virtualKey, MacroPageControls* page) {
    MacroEditState& state = editor_.state();
    if (!state.recording) {
        return KeyOutcome::PassedOn;
    }
    const int key = virtualKey & 0xFF;
    const int messageNumber = static_cast<int>(message);
    const auto finish = [&](KeyOutcome outcome) {
        lastKeyMessage_ = messageNumber;
        lastKeyCode_ = key;
        return outcome;
    };
    // A held key repeats its down: only the first one counts.
    if (messageNumber == lastKeyMessage_ && key == lastKeyCode_) {
        return finish(KeyOutcome::NotRecorded);
    }
    if (recordedCount_ >= kMaxRecordedEvents) {
        return finish(KeyOutcome::NotRecorded);
    }
    const bool down = isDown(message);
    if (down && state.downCount >= kMaxRecordedDowns) {
        return KeyOutcome::PassedOn;
    }
    MacroTables& tables = editor_.tables();
    const auto slot = static_cast<std::size_t>(recordedCount_);
    const std::uint8_t code = VirtualKeyToHid(key);
    {
        const std::lock_guard lock(tables.mutex);
        tables.macroTable.records[static_cast<std::size_t>(recordMacro_)].events[slot].code = code;
    }
    std::uint8_t action = 0;
    if (down) {
        // Nine keys can be held at once; a tenth is not recorded, nor later its release.
        if (heldKeyCount_ >= static_cast<int>(kHeldKeySlots)) {
            return KeyOutcome::PassedOn;
        }
        heldKeys_[static_cast<std::size_t>(heldKeyCount_++)] = static_cast<std::uint8_t>(key);
        action = kActionDown;
    } else {
        const auto held = heldKeys();
        const auto it = std::find(held.begin(), held.end(), static_cast<std::uint8_t>(key));
        if (it == held.end()) {
            return KeyOutcome::PassedOn; // its down was never recorded
        }
        std::copy(it + 1, held.end(), heldKeys_.begin() + (it - held.begin()));
        heldKeys_[static_cast<std::size_t>(--heldKeyCount_)] = 0;
        action = kActionUp;
    }
    const int pause = measureDelay();
    {
        const std::lock_guard lock(tables.mutex);
        MacroRecord& r = tables.macroTable.records[static_cast<std::size_t>(recordMacro_)];
        r.events[slot].action = action;
        // The first event's pause stays 0 until the second event measures it.
        if (slot > 0) {
            r.setDelay(slot - 1, static_cast<std::uint16_t>(pause));
            r.setDelay(slot, kDefaultEventDelay);
        }
    }
    if (page != nullptr) {
        if (slot > 0) {
            page->addEventRow(utf8ToUtf16(delayRowText(static_cast<std::uint16_t>(pause))));
        }
        page->addEventRow(utf8ToUtf16(eventRowText({code, action})));
    }
    (down ? state.downCount : state.upCount) += 1;
    if (page != nullptr) {
        page->invalidate();
        page->selectEventRow(page->eventRowCount() - 1);
    }
    ++recordedCount_;
    return finish(KeyOutcome::Recorded);
}

int MacroRecorder::measureDelay() {
    const int now = clock_();
    int d = now - lastEventTime_;
    lastEventTime_ = now;
    if (d < 0) {
        d += kMillisecondsPerDay; // midnight passed
    }
    return std::clamp(d, 0, kMaxMeasuredDelay);
}

} // namespace torvex
