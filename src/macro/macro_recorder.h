// Recording keystrokes into a user macro. The window captures the keyboard while recording runs
// (an X11 grab), turns each key into a Windows virtual key (evdev_keys.h) and hands it here; the
// recorder applies the recording limits and measures the pauses.
#pragma once

#include "macro/macro_editor.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace torvex {

// The four key messages of the recording branch, by their Windows numbers.
enum class KeyMessage : int {
    KeyDown = 256,
    KeyUp = 257,
    SysKeyDown = 260,
    SysKeyUp = 261,
};

// The message a key event stands for: the system variants while Alt is held (an Alt press
// counts as held, its release does not).
KeyMessage keyMessageFor(bool down, bool altHeld);

// The main window's message filter after its recording branch: Esc and Enter downs (not the
// system variants) and every F10 message are swallowed so none of them reaches the window.
bool messageFilterSwallows(KeyMessage message, int virtualKey);

inline constexpr int kMaxRecordedEvents = 216;
inline constexpr int kMaxRecordedDowns = 108;
inline constexpr std::size_t kHeldKeySlots = 9;
inline constexpr int kMillisecondsPerDay = 86'400'000;

// Time of day in UTC, in milliseconds since midnight (0..86'399'999).
int utcTimeOfDayMs();

enum class RecordingToggle {
    Ignored, // the macro list is empty
    Started, // take the keyboard now
    Stopped, // release the keyboard now
};

enum class KeyOutcome {
    Recorded,    // appended; the message filter's last step follows
    NotRecorded, // a key-repeat or past the event limit; the filter's last step follows
    PassedOn,    // not recorded: goes straight to the window's normal key handling
};

class MacroRecorder {
public:
    using Clock = std::function<int()>; // UTC time of day in ms

    explicit MacroRecorder(MacroEditor& editor, Clock clock = utcTimeOfDayMs);

    bool recording() const { return editor_.state().recording; }

    // Page entry 4: starts recording into the macroList selection (clearing that macro but
    // keeping its name) or stops and sets the recorded event count.
    RecordingToggle toggle(MacroPageControls& page);

    // One key message while recording. `page` is null while the macro page is not showing:
    // the keys are still recorded, only the list is not updated. Only the low 8 bits of the
    // key count. Does nothing (PassedOn) while not recording.
    KeyOutcome keyMessage(KeyMessage message, int virtualKey, MacroPageControls* page);

    // A key event as X11 delivers it. Auto-repeat arrives as release/press pairs: the release
    // is dropped and the press goes on as a repeated down, which the recorder drops as Windows
    // delivers them.
    KeyOutcome keyEvent(int virtualKey, bool down, bool autoRepeat, bool altHeld,
                        MacroPageControls* page);

    // The pause since the previous measurement, across midnight, at most 65535 ms.
    int measureDelay();

    int recordMacro() const { return recordMacro_; }
    int recordedCount() const { return recordedCount_; }
    std::span<const std::uint8_t> heldKeys() const {
        return std::span(heldKeys_).first(static_cast<std::size_t>(heldKeyCount_));
    }

private:
    MacroEditor& editor_;
    Clock clock_;
    int recordMacro_ = 0;
    int recordedCount_ = 0;
    std::array<std::uint8_t, kHeldKeySlots> heldKeys_{};
    int heldKeyCount_ = 0;
    int lastKeyMessage_ = 0;
    int lastKeyCode_ = 0;
    int lastEventTime_ = 0;
};

} // namespace torvex
