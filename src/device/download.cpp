#include "device/download.h"

#include "settings/config_store.h"
#include "settings/function_codes.h"

namespace torvex::device {
namespace {

constexpr std::array<uint8_t, 5> kDpiCodes{4, 6, 7, 11, 13};
constexpr std::array<uint8_t, 4> kLightingCodes{0, 3, 6, 7};

void keepFirstError(DownloadResult& result, bool ok, const std::string& error) {
    if (!ok && result.saved) {
        result.saved = false;
        result.error = error;
    }
}

} // namespace

uint8_t dpiDeviceCode(uint8_t dpiStep) {
    return dpiStep < kDpiCodes.size() ? kDpiCodes[dpiStep] : kDpiCodes.back();
}

uint8_t lightingCode(uint8_t ledStatus) {
    return ledStatus < kLightingCodes.size() ? kLightingCodes[ledStatus] : kLightingCodes[0];
}

DownloadResult DownloadSettings(const DownloadTarget& target, const MouseSettings& settings,
                                int curConfig) {
    DownloadResult result;
    std::string error;
    keepFirstError(result, WriteCurConfig(target.configPath, curConfig, &error), error);
    keepFirstError(result,
                   SaveConfiguration(target.configPath, kAppliedConfigNumber, settings, &error),
                   error);

    FeatureChannel& channel = target.channel;
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        const FunctionInfo info = functionInfo(settings.buttonFunction[i]);
        result.state.dpiTrackingButton[i] = info.category == FunctionCategory::DpiTracking;
        auto session = channel.lock();
        const auto b = session.buffer();
        b[0] = kFeatureReportId;
        b[1] = kCmdButtonFunction;
        b[2] = physicalButton[i];
        b[3] = info.deviceCode;
        if (!target.link.writeHandle().isInvalid()) {
            session.send();
        }
    }

    channel.send([&](FeatureChannel::Buffer b) {
        b[1] = kCmdWheel;
        b[2] = static_cast<uint8_t>(settings.wheelStatus);
        b[3] = 0;
    });

    uint8_t mask = 0;
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        if (settings.dpiSetEnabled[j] != 0) {
            mask = static_cast<uint8_t>(mask | (1u << j));
        }
    }
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        result.state.dpiCode[j] = dpiDeviceCode(settings.dpiSet(j));
        channel.send([&](FeatureChannel::Buffer b) {
            b[0] = kFeatureReportId;
            b[1] = kCmdDpiLevel;
            b[2] = static_cast<uint8_t>(0x40 + settings.dpiLevel);
            b[3] = static_cast<uint8_t>(result.state.dpiCode[j] * 16 + 8 + j);
            b[4] = mask;
        });
    }

    result.state.ledStatusApplied = settings.ledStatus;
    channel.send([&](FeatureChannel::Buffer b) {
        b[0] = kFeatureReportId;
        b[1] = kCmdLighting;
        b[2] = 0x3F;
        b[3] = static_cast<uint8_t>(0x10 + lightingCode(settings.ledStatus));
    });

    if (target.repaint) {
        target.repaint();
    }
    if (target.pointer.speed()) {
        target.pointer.setSpeed(systemPointerSpeed(settings.pointerSpeed));
    }
    if (target.pointer.wheelLines()) {
        target.pointer.setWheelLines(wheelScrollLines(settings.wheelSpeed));
    }

    // Integer division truncates toward zero, negative times included.
    const int units = settings.fireTime / 8;
    channel.send([&](FeatureChannel::Buffer b) {
        b[0] = kFeatureReportId;
        b[1] = kCmdFireTime;
        b[2] = static_cast<uint8_t>(units / 256);
        b[3] = static_cast<uint8_t>(units % 256);
        b[4] = b[5] = b[6] = b[7] = 0;
    });

    keepFirstError(result, SaveConfiguration(target.configPath, curConfig, settings, &error),
                   error);
    return result;
}

void SendExitReport(FeatureChannel& channel, const DeviceLink& link) {
    if (link.writeHandle().isInvalid()) {
        return;
    }
    channel.send([](FeatureChannel::Buffer b) {
        b[0] = kFeatureReportId;
        b[1] = kCmdExit;
        b[2] = 0;
        b[3] = 0;
    });
}

} // namespace torvex::device
