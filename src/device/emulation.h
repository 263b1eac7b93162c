// The emulated keyboard and mouse buttons that macros and media-key functions drive: the state
// the mouse is told about, and the reports that tell it.
#pragma once

#include "device/feature_channel.h"
#include "device/timeline.h"

#include <array>
#include <cstdint>

namespace torvex::device {

inline constexpr uint8_t kCmdKeys = 0x15;
inline constexpr uint8_t kCmdMouseButtons = 0x16;
inline constexpr uint8_t kCmdMediaKey = 0x17;

// Consumer-control usage of media-key function code 21 + i; nullopt-like 0 outside 21..30.
uint16_t mediaKeyUsage(int functionCode);

// Used from the button-event worker only, so the state needs no lock; the channel serialises the
// reports against the window's thread.
class Emulator {
public:
    explicit Emulator(FeatureChannel& channel) : channel_(channel) {}

    // Press (1) or release (2) key or button `code`, then send the whole state (0x15 for keys
    // below 240, 0x16 for buttons). Any other action changes nothing but still sends.
    void emulateInput(uint8_t code, uint8_t action);

    // Removes `code` from the key slots and always empties the last slot (no report).
    void releaseKey(uint8_t code);

    // Waits 10 ms, releases the three buttons (0x16), waits 10 ms, releases every key (0x15).
    // Returns false, having sent nothing more, when a wait is cut short.
    bool releaseAll(Pacer& pacer);

    // Releases the three buttons (0x16), then every key (0x15), with no waits between: for the
    // program's end, when nothing is pressed again after them.
    void releaseAllNow();

    // Whether the mouse was last told of a key or one of the three buttons as down.
    bool holdsAny() const;

    // One consumer-control report for function code 21..30; other codes send nothing.
    void sendMediaKey(int functionCode);

    const std::array<uint8_t, 6>& keyReport() const { return keys_; }
    uint8_t mouseButtonState() const { return buttons_; }

private:
    void sendKeys();
    void sendButtons();
    void releaseButtons(); // all three up, and the 0x16 report
    void releaseKeys();    // every key slot empty, and the 0x15 report

    FeatureChannel& channel_;
    std::array<uint8_t, 6> keys_{};
    uint8_t buttons_ = 0xFF; // active low: bit 0 left, 1 right, 2 middle
};

} // namespace torvex::device
