// Putting a configuration into effect: saving it, sending it to the mouse as its fourteen
// reports, and setting the desktop's pointer speed and wheel lines.
#pragma once

#include "device/device_link.h"
#include "device/feature_channel.h"
#include "device/pointer_settings.h"
#include "settings/mouse_settings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace torvex::device {

inline constexpr uint8_t kCmdDpiLevel = 0x09;
inline constexpr uint8_t kCmdButtonFunction = 0x10;
inline constexpr uint8_t kCmdWheel = 0x11;
inline constexpr uint8_t kCmdFireTime = 0x12;
inline constexpr uint8_t kCmdLighting = 0x13;
inline constexpr uint8_t kCmdExit = 0x20;

// Device code of each DPI step 0..4 (800, 1200, 1600, 2400, 3200 dpi); other steps send 3200's.
uint8_t dpiDeviceCode(uint8_t dpiStep);
// Lighting code of each lighting mode 0..3. A mode outside that range (only a hand-edited file
// holds one) is sent as mode 0's code, the factory lighting.
uint8_t lightingCode(uint8_t ledStatus);

// What a download worked out, for the button worker, painting and the colour page.
struct DownloadState {
    std::array<bool, kButtonCount> dpiTrackingButton{};
    std::array<uint8_t, kDpiLevelCount> dpiCode{};
    uint8_t ledStatusApplied = 0;
};

struct DownloadTarget {
    std::filesystem::path configPath;
    FeatureChannel& channel;
    const DeviceLink& link;
    PointerSettings& pointer;
    std::function<void()> repaint; // may be empty
};

struct DownloadResult {
    DownloadState state;
    bool saved = true; // every file write succeeded
    std::string error; // the first file error, for the caller to report
};

// The whole download, in its fixed order: CurConfig, Config6, seven button reports, wheel, four
// DPI reports, lighting, repaint, pointer speed, wheel lines, rapid fire, Config<curConfig>.
// Send failures are not examined; a file error is reported in the result, and the reports are
// sent regardless.
DownloadResult DownloadSettings(const DownloadTarget& target, const MouseSettings& settings,
                                int curConfig);

// The report that tells the mouse the program ends (skipped when the write handle failed to open).
void SendExitReport(FeatureChannel& channel, const DeviceLink& link);

} // namespace torvex::device
