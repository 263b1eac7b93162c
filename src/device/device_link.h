// The mouse's two handles and how they are found: discovery over the HID interfaces, the three
// handle states, and arrival/removal notices.
//
// Threads: findDevice() and onDeviceChange() run on one controlling thread (the window's or the
// CLI's). Any thread may read the getters; they return snapshots taken under the link's lock.
// One thread (the input reader) may block in readInputReport(); stop it (wakeReader(), then
// join) before the link is destroyed.
#pragma once

#include "device/hid_backend.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace torvex::device {

inline constexpr uint16_t kMouseVendorId = 0x18F8;
inline constexpr uint16_t kMouseProductId = 0x1286;
inline constexpr uint16_t kReadUsagePage = 0xFF00;
inline constexpr uint16_t kWriteUsagePage = 0xFF01;
inline constexpr uint16_t kVendorUsage = 0x0001;
// Discovery looks at this many enumeration indexes and no more.
inline constexpr int kMaxInterfaceIndexes = 100;
// Size of the report buffers on both directions; longer declared lengths are cut to it.
inline constexpr std::size_t kReportBufferSize = 256;

enum class HandleState {
    Null,    // never opened: discovery found no such collection
    Invalid, // an open was attempted and failed
    Open,
};

struct DeviceHandle {
    HandleState state = HandleState::Null;
    std::shared_ptr<HidDevice> device; // set exactly when state is Open

    bool isNull() const { return state == HandleState::Null; }
    bool isInvalid() const { return state == HandleState::Invalid; }
    bool isOpen() const { return state == HandleState::Open; }
};

class DeviceLink {
public:
    explicit DeviceLink(HidBackend& backend);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Discovery: walks enumeration indexes 0..99, matches the vendor and product id, opens the
    // read collection (0xFF00/1) and the write collection (0xFF01/1), and stops as soon as both
    // handles are non-null (a handle left from an earlier discovery counts). Returns the found
    // flag as the walk left it.
    bool findDevice();

    // The device-change handler: an arrival of our device while not found runs discovery again;
    // a removal of our device clears the found flag and runs the removal handler (the program's
    // exit path). Always returns true.
    bool onDeviceChange(const DeviceChange& change);

    // True for an interface notice whose path equals devicePath() ignoring letter case.
    bool isOurDevice(const DeviceChange& change) const;

    // Runs on removal of our device, on the thread that called onDeviceChange.
    void setRemovalHandler(std::function<void()> handler);

    // Feeds every notice waiting in `monitor` to onDeviceChange; returns how many there were.
    std::size_t pumpHotplug(HotplugMonitor& monitor);

    DeviceHandle readHandle() const;
    DeviceHandle writeHandle() const;
    HidCaps readCaps() const;
    HidCaps writeCaps() const;
    std::string devicePath() const;
    bool deviceFound() const;

    // Blocks until one input report of readCaps().inputReportByteLength bytes (at most 256) has
    // been read from the read handle, or wakeReader() is called. While there is no usable read
    // handle (null, invalid, or one that failed) it waits without polling until discovery
    // installs a new one. Failed is returned once per dead handle.
    ReadResult readInputReport(std::span<uint8_t, kReportBufferSize> buffer);

    // Makes the blocked (or the next) readInputReport() return Woken; for shutting the reader
    // down.
    void wakeReader();

private:
    void installReadHandle(DeviceHandle handle); // caller holds mutex_

    HidBackend& backend_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    DeviceHandle read_;
    DeviceHandle write_;
    HidCaps readCaps_;
    HidCaps writeCaps_;
    std::string devicePath_;
    bool found_ = false;
    std::function<void()> onRemoval_;

    // Reader bookkeeping.
    bool wakePending_ = false;
    std::shared_ptr<HidDevice> readingFrom_;
    std::shared_ptr<HidDevice> deadRead_;
};

} // namespace torvex::device
