// The virtual mouse: a device model of the TORVEX V3 behind the HID backend interface, so the
// whole program runs and is tested without the hardware.
//
// It enumerates as three interfaces of 0x18F8:0x1286: a boot mouse (usage page 1, usage 2), the
// input collection (0xFF00/1, input reports of 9 bytes) and the feature collection (0xFF01/1,
// feature reports of 9 bytes). Every feature report it receives is kept with its time and decoded
// into a DeviceState. A hand on the mouse is simulated with press()/release(), unplug()/plug().
// serve(DIR) adds the control socket DIR/control and the trace DIR/reports.log.
//
// Thread-safe throughout.
#pragma once

#include "device/hid_backend.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace torvex::sim {

inline constexpr uint16_t kVirtualReportLength = 9;

// Enumeration order and paths of the three interfaces.
inline constexpr std::array<const char*, 3> kInterfacePaths = {
    "virtual/torvex-v3/if0", // boot mouse
    "virtual/torvex-v3/if1", // input collection
    "virtual/torvex-v3/if2", // feature collection
};

struct ReceivedReport {
    std::chrono::steady_clock::time_point time;
    std::vector<uint8_t> bytes; // as handed over, in full
};

// What the mouse has been told, decoded.
struct DeviceState {
    bool plugged = true;
    // Device function code per physical button number (0..15), from command 0x10.
    std::array<uint8_t, 16> buttonMap{};
    uint8_t wheelStatus = 0;
    std::array<uint8_t, 4> dpiCode{}; // step code per level, from command 0x09
    uint8_t dpiMask = 0x0F;           // enabled levels, bit j = level j
    uint8_t dpiLevel = 0;             // level in use (0..3)
    uint8_t lightingCode = 0;         // from command 0x13
    uint16_t fireUnits = 0;           // rapid-fire interval in units of 8 ms
    std::array<uint8_t, 6> keysHeld{};
    uint8_t buttonsHeld = 0; // bit 0 left, bit 1 right, bit 2 middle
    std::vector<uint16_t> mediaKeys;
    // What it typed and clicked, in order: "down key 04", "up key 04", "down left", "media 00CD";
    // the latest 50000 to 100000 entries.
    std::vector<std::string> typed;
    int exitReports = 0;      // command 0x20
    int malformedReports = 0; // wrong report id, length or command
    std::size_t reportCount = 0;
    std::size_t inputReportCount = 0;
};

// The state as one line of JSON.
std::string toJson(const DeviceState& state);

class VirtualMouse final : public device::HidBackend {
public:
    VirtualMouse();
    ~VirtualMouse() override;
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    // HidBackend. Nothing is enumerated while unplugged.
    std::vector<device::HidInterfaceInfo> enumerate() override;
    std::unique_ptr<device::HidDevice> open(const device::HidInterfaceInfo& interface,
                                            device::Access access) override;
    std::unique_ptr<device::HotplugMonitor> createMonitor() override;

    // A press of physical button `button` (1..15): byte 1 = 0xF0 + button, byte 2 = the level in
    // use. A button whose device code is 6 (cycle), 11 (up) or 12 (down) first moves the level
    // over the enabled levels; `dpi` instead sets the level to report. False with a message when
    // unplugged or the arguments are out of range.
    bool press(int button, std::optional<int> dpi = std::nullopt, std::string* error = nullptr);
    // A release: byte 1 = 0xF0 + button, byte 2 = 0x80.
    bool release(int button, std::string* error = nullptr);

    // Pulling the cable: open handles fail from now on, monitors see a removal per interface.
    void unplug();
    // Plugging back in: new handles may be opened, monitors see an arrival per interface.
    void plug();

    DeviceState state() const;
    // The reports received, oldest first: the latest 2^19 to 2^20 of them.
    std::vector<ReceivedReport> reports() const;
    std::chrono::steady_clock::time_point startTime() const;

    // Serves the control socket DIR/control and writes DIR/reports.log. DIR is created if
    // missing and made private to the user. False with a message on failure.
    bool serve(const std::filesystem::path& dir, std::string* error = nullptr);

    struct Core;

private:
    std::shared_ptr<Core> core_;
    class ControlServer;
    std::unique_ptr<ControlServer> server_;
};

// The client side of the control socket. Commands: "press N [dpi L]", "release N",
// "click N [dpi L]", "unplug", "plug", "state"; N is the physical button number.
struct ControlReply {
    bool ok = false;
    std::string text; // the state's JSON for "state", the reason when !ok, else empty
};

// nullopt with `error` set when DIR/control cannot be reached.
std::optional<ControlReply> sendControlCommand(const std::filesystem::path& dir,
                                               const std::string& command,
                                               std::string* error = nullptr);

} // namespace torvex::sim
