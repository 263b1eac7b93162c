#include "device/device_link.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace torvex::device {
namespace {

DeviceHandle openHandle(HidBackend& backend, const HidInterfaceInfo& info, Access access) {
    std::shared_ptr<HidDevice> device = backend.open(info, access);
    if (!device) {
        return DeviceHandle{HandleState::Invalid, nullptr};
    }
    return DeviceHandle{HandleState::Open, std::move(device)};
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

DeviceLink::DeviceLink(HidBackend& backend) : backend_(backend) {}

DeviceLink::~DeviceLink() = default;

bool DeviceLink::findDevice() {
    // One enumeration per discovery: the index order is the backend's stable order.
    const std::vector<HidInterfaceInfo> interfaces = backend_.enumerate();
    bool found = false;
    for (int index = 0; index < kMaxInterfaceIndexes; ++index) {
        if (static_cast<std::size_t>(index) >= interfaces.size()) {
            continue; // like a failed enumeration at this index: look at the next one
        }
        const HidInterfaceInfo& info = interfaces[static_cast<std::size_t>(index)];
        found = false;
        if (info.vendorId != kMouseVendorId || info.productId != kMouseProductId) {
            continue;
        }
        found = true;
        const bool isRead =
            info.caps.usagePage == kReadUsagePage && info.caps.usage == kVendorUsage;
        const bool isWrite =
            info.caps.usagePage == kWriteUsagePage && info.caps.usage == kVendorUsage;
        // Open outside the lock: opening may be slow and the reader must not wait for it.
        DeviceHandle opened;
        if (isRead) {
            opened = openHandle(backend_, info, Access::Read);
        } else if (isWrite) {
            opened = openHandle(backend_, info, Access::Write);
        }
        std::lock_guard lock(mutex_);
        found_ = true;
        devicePath_ = info.path;
        if (isRead) {
            readCaps_ = info.caps;
            installReadHandle(std::move(opened));
        } else if (isWrite) {
            writeCaps_ = info.caps;
            write_ = std::move(opened);
        }
        if (!read_.isNull() && !write_.isNull()) {
            break;
        }
    }
    std::lock_guard lock(mutex_);
    found_ = found;
    return found;
}

void DeviceLink::installReadHandle(DeviceHandle handle) {
    read_ = std::move(handle);
    deadRead_.reset();
    // A reader blocked on the old handle moves over to the new one.
    if (readingFrom_) {
        readingFrom_->wake();
    }
    changed_.notify_all();
}

bool DeviceLink::isOurDevice(const DeviceChange& change) const {
    if (!change.isInterface) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return equalsIgnoringCase(change.path, devicePath_);
}

bool DeviceLink::onDeviceChange(const DeviceChange& change) {
    switch (change.kind) {
    case DeviceChangeKind::Arrival:
        if (isOurDevice(change) && !deviceFound()) {
            findDevice();
        }
        break;
    case DeviceChangeKind::Removal:
        if (isOurDevice(change)) {
            std::function<void()> handler;
            {
                std::lock_guard lock(mutex_);
                found_ = false;
                handler = onRemoval_;
            }
            if (handler) {
                handler();
            }
        }
        break;
    case DeviceChangeKind::Other:
        break;
    }
    return true;
}

void DeviceLink::setRemovalHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    onRemoval_ = std::move(handler);
}

std::size_t DeviceLink::pumpHotplug(HotplugMonitor& monitor) {
    std::size_t n = 0;
    while (std::optional<DeviceChange> change = monitor.next()) {
        onDeviceChange(*change);
        ++n;
    }
    return n;
}

DeviceHandle DeviceLink::readHandle() const {
    std::lock_guard lock(mutex_);
    return read_;
}

DeviceHandle DeviceLink::writeHandle() const {
    std::lock_guard lock(mutex_);
    return write_;
}

HidCaps DeviceLink::readCaps() const {
    std::lock_guard lock(mutex_);
    return readCaps_;
}

HidCaps DeviceLink::writeCaps() const {
    std::lock_guard lock(mutex_);
    return writeCaps_;
}

std::string DeviceLink::devicePath() const {
    std::lock_guard lock(mutex_);
    return devicePath_;
}

bool DeviceLink::deviceFound() const {
    std::lock_guard lock(mutex_);
    return found_;
}

ReadResult DeviceLink::readInputReport(std::span<uint8_t, kReportBufferSize> buffer) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (wakePending_) {
            wakePending_ = false;
            return {ReadStatus::Woken, 0};
        }
        const std::size_t length =
            std::min<std::size_t>(readCaps_.inputReportByteLength, kReportBufferSize);
        // A zero length would make every read return at once; wait for a better handle instead.
        if (read_.isOpen() && read_.device != deadRead_ && length > 0) {
            std::shared_ptr<HidDevice> device = read_.device;
            readingFrom_ = device;
            lock.unlock();
            const ReadResult r = device->readInputReport(buffer.first(length));
            lock.lock();
            readingFrom_.reset();
            if (r.status == ReadStatus::Report) {
                return r;
            }
            if (r.status == ReadStatus::Failed) {
                if (read_.device == device) {
                    deadRead_ = device;
                }
                return r;
            }
            continue; // woken: either wakeReader() or a new handle
        }
        changed_.wait(lock);
    }
}

void DeviceLink::wakeReader() {
    std::lock_guard lock(mutex_);
    wakePending_ = true;
    if (readingFrom_) {
        readingFrom_->wake();
    }
    changed_.notify_all();
}

} // namespace torvex::device
