#include "device/emulation.h"

#include <algorithm>

namespace torvex::device {
namespace {

constexpr std::array<uint16_t, 10> kMediaUsages{0x0223, 0x0183, 0x018A, 0x00E9, 0x00EA,
                                                0x00B6, 0x00B5, 0x00E2, 0x00CD, 0x0192};
constexpr uint8_t kFirstButtonCode = 240;
constexpr uint8_t kPress = 1;
constexpr uint8_t kRelease = 2;

} // namespace

uint16_t mediaKeyUsage(int functionCode) {
    const int index = functionCode - 21;
    return index >= 0 && index < static_cast<int>(kMediaUsages.size()) ? kMediaUsages[index] : 0;
}

void Emulator::emulateInput(uint8_t code, uint8_t action) {
    if (code < kFirstButtonCode) {
        if (action == kPress) {
            const auto free = std::find(keys_.begin(), keys_.end(), 0);
            if (free != keys_.end()) {
                *free = code; // a seventh key has no slot and is dropped
            }
        } else if (action == kRelease) {
            releaseKey(code);
        }
        sendKeys();
        return;
    }
    if (code <= kFirstButtonCode + 2) {
        const auto bit = static_cast<uint8_t>(1u << (code - kFirstButtonCode));
        if (action == kPress) {
            buttons_ = static_cast<uint8_t>(buttons_ & ~bit);
        } else if (action == kRelease) {
            buttons_ = static_cast<uint8_t>(buttons_ | bit);
        }
    }
    sendButtons();
}

void Emulator::releaseKey(uint8_t code) {
    const auto found = std::find(keys_.begin(), keys_.end(), code);
    if (found != keys_.end()) {
        std::copy(found + 1, keys_.end(), found);
    }
    // Emptied in every case: the mouse has always been told this, even for a key never stored.
    keys_[5] = 0;
}

bool Emulator::releaseAll(Pacer& pacer) {
    if (!pacer.wait(std::chrono::milliseconds(10))) {
        return false;
    }
    releaseButtons();
    if (!pacer.wait(std::chrono::milliseconds(10))) {
        return false;
    }
    releaseKeys();
    return true;
}

void Emulator::releaseAllNow() {
    releaseButtons();
    releaseKeys();
}

void Emulator::releaseButtons() {
    buttons_ = static_cast<uint8_t>(buttons_ | 0x07);
    sendButtons();
}

void Emulator::releaseKeys() {
    keys_.fill(0);
    sendKeys();
}

bool Emulator::holdsAny() const {
    return (buttons_ & 0x07) != 0x07 ||
           std::any_of(keys_.begin(), keys_.end(), [](uint8_t k) { return k != 0; });
}

void Emulator::sendMediaKey(int functionCode) {
    const uint16_t usage = mediaKeyUsage(functionCode);
    if (usage == 0) {
        return;
    }
    channel_.send([&](FeatureChannel::Buffer b) {
        // Normally already 0x07 from earlier reports; written so that a media key sent before
        // any other report still carries the right report id.
        b[0] = kFeatureReportId;
        b[1] = kCmdMediaKey;
        b[2] = static_cast<uint8_t>(usage >> 8);
        b[3] = static_cast<uint8_t>(usage & 0xFF);
    });
}

void Emulator::sendKeys() {
    channel_.send([&](FeatureChannel::Buffer b) {
        b[0] = kFeatureReportId;
        b[1] = kCmdKeys;
        std::copy(keys_.begin(), keys_.end(), b.begin() + 2);
    });
}

void Emulator::sendButtons() {
    channel_.send([&](FeatureChannel::Buffer b) {
        b[0] = kFeatureReportId;
        b[1] = kCmdMouseButtons;
        b[3] = buttons_; // byte 2 keeps what the previous report left
    });
}

} // namespace torvex::device
