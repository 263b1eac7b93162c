// The desktops' own pointer settings behind device::PointerSettings. The 1..20 system speed maps
// onto each desktop's scale here; where a desktop has no wheel-scroll-lines setting, the wheel
// lines read as unavailable (so a download leaves them alone) and the log says so once.
#pragma once

#include "device/pointer_settings.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvex::desktop {

// Receives one line for the log; empty means silence.
using Log = std::function<void(std::string_view)>;

// The libinput-style acceleration −1.0..1.0 that GNOME and KDE store, for a system speed:
// (speed − 10) / 10, as text with one decimal ("-0.9" .. "1.0"), independent of the locale.
std::string accelerationText(int systemSpeed);
// The system speed for an acceleration value as text, rounded to the nearest step; nullopt when
// the text is no number.
std::optional<int> speedFromAcceleration(std::string_view text);

// GNOME: `org.gnome.desktop.peripherals.mouse speed` through the `gsettings` tool.
class GnomePointerSettings final : public device::PointerSettings {
public:
    explicit GnomePointerSettings(Log log = {}, std::string tool = "gsettings");
    std::string name() const override { return "gnome"; }
    std::optional<int> speed() override;
    bool setSpeed(int systemSpeed) override;
    std::optional<int> wheelLines() override;
    bool setWheelLines(int) override { return false; }

private:
    Log log_;
    std::string tool_;
    bool toldNoWheel_ = false;
};

// The per-device groups KWin keeps in kcminputrc on Wayland, `[Libinput][vendor][product][name]`,
// each as its nested group names (unescaped as KConfig writes them), in the order of the file and
// without repeats. Groups whose names cannot be decoded are left out rather than guessed at.
std::vector<std::vector<std::string>> kdeDeviceGroups(std::string_view kcminputrc);

// KDE Plasma: the pointer acceleration (same −1..1 scale as GNOME) in `kcminputrc`, where Plasma
// reads it: `[Mouse] XLbInptPointerAcceleration` on X11 and `PointerAcceleration` in every device
// group that KWin has already written (see kdeDeviceGroups) on Wayland; the speed reads back from
// `[Mouse]`. Wheel lines: `kdeglobals [KDE] WheelScrollLines`. All through kreadconfig and
// kwriteconfig (5 or 6); the device groups are found in the kcminputrc the tools use,
// $XDG_CONFIG_HOME (or ~/.config). Plasma applies the values when it next loads them (login):
// nothing tells a running session.
class KdePointerSettings final : public device::PointerSettings {
public:
    KdePointerSettings(std::string readTool, std::string writeTool);
    std::string name() const override { return "kde"; }
    std::optional<int> speed() override;
    bool setSpeed(int systemSpeed) override;
    std::optional<int> wheelLines() override;
    bool setWheelLines(int lines) override;

private:
    std::optional<std::string> read(std::string_view file, std::string_view group,
                                    std::string_view key, std::string_view fallback) const;
    bool write(std::string_view file, const std::vector<std::string>& groups, std::string_view key,
               std::string_view value) const;
    std::string readTool_;
    std::string writeTool_;
};

// Plain X11: the server's pointer acceleration, speed / 10 (speed 10 = no acceleration; the
// threshold stays as it is). Each call opens its own connection to `display` (empty: $DISPLAY).
class X11PointerSettings final : public device::PointerSettings {
public:
    explicit X11PointerSettings(Log log = {}, std::string display = {});
    std::string name() const override { return "x11"; }
    std::optional<int> speed() override;
    bool setSpeed(int systemSpeed) override;
    std::optional<int> wheelLines() override;
    bool setWheelLines(int) override { return false; }

private:
    Log log_;
    std::string display_;
    bool toldNoWheel_ = false;
};

} // namespace torvex::desktop
