// The HID access the device link needs, behind one small interface so that the real hidraw
// backend and the virtual mouse are interchangeable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvex::device {

// What one top-level collection declares. Report lengths count the way the mouse's protocol
// expects them: the largest report of that kind in the collection plus one byte for the report
// id (present even when the collection uses no report ids); 0 when the collection has none.
struct HidCaps {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;

    friend bool operator==(const HidCaps&, const HidCaps&) = default;
};

// One enumeration entry: one top-level collection of one device node. A node with several
// top-level collections yields several entries with the same path.
struct HidInterfaceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    HidCaps caps;
    // Index of the collection within its node (0 for the first).
    int collection = 0;
    // True when the node's reports carry no report-id byte on the wire.
    bool unnumbered = false;
    // The report ids of this collection's input reports, sorted. Set by a backend whose node
    // delivers the input reports of all its collections (hidraw): on a numbered node its reader
    // passes on only these, as a handle on the collection alone would.
    std::vector<uint8_t> inputReportIds{};
};

enum class ReadStatus {
    Report, // one input report was stored; `size` bytes
    Woken,  // wake() was called
    Failed, // the handle is dead (device gone or read error)
};

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::size_t size = 0;
};

// An open handle on one collection. Thread-safe: one thread may block in readInputReport while
// others send feature reports or call wake().
class HidDevice {
public:
    virtual ~HidDevice() = default;

    // Hands `report` (report id in byte 0) to the device as one feature report.
    virtual bool sendFeatureReport(std::span<const uint8_t> report) = 0;

    // Blocks until one input report arrives (stored from buffer[0], report id first), wake() is
    // called, or the handle fails. A wake() that happens while nobody reads makes the next read
    // return Woken at once, so a wake-up is never lost.
    virtual ReadResult readInputReport(std::span<uint8_t> buffer) = 0;

    virtual void wake() = 0;
};

enum class DeviceChangeKind {
    Arrival, // an interface appeared
    Removal, // an interface was removed
    Other,   // anything else the platform reports (ignored by the link)
};

struct DeviceChange {
    DeviceChangeKind kind = DeviceChangeKind::Other;
    // The interface's path; compared with DeviceLink::devicePath without regard to case.
    std::string path;
    // False for notices about something that is not a HID interface.
    bool isInterface = true;
};

// Arrival and removal notices. fd() becomes readable when a notice waits, so a caller can watch
// it from a poll loop or an event-loop socket notifier; next() never blocks.
class HotplugMonitor {
public:
    virtual ~HotplugMonitor() = default;
    virtual int fd() const = 0;
    virtual std::optional<DeviceChange> next() = 0;
};

enum class Access {
    Read,  // input reports
    Write, // feature reports
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Present HID interfaces in a stable order: the same machine state gives the same order.
    virtual std::vector<HidInterfaceInfo> enumerate() = 0;

    // Opens the interface; nullptr when the open fails.
    virtual std::unique_ptr<HidDevice> open(const HidInterfaceInfo& interface, Access access) = 0;

    // A new monitor of arrivals and removals; nullptr when the platform cannot provide one.
    virtual std::unique_ptr<HotplugMonitor> createMonitor() = 0;
};

// A machine without HID devices: what stands in when the real ones cannot be reached, so that
// the file steps of a command still run.
class NoHidDevices final : public HidBackend {
public:
    std::vector<HidInterfaceInfo> enumerate() override { return {}; }
    std::unique_ptr<HidDevice> open(const HidInterfaceInfo&, Access) override { return nullptr; }
    std::unique_ptr<HotplugMonitor> createMonitor() override { return nullptr; }
};

} // namespace torvex::device
