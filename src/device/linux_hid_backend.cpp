#include "device/linux_hid_backend.h"

#include "device/report_descriptor.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace torvex::device {
namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

// A file descriptor that closes itself.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            reset();
            fd_ = std::exchange(o.fd_, -1);
        }
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

class LinuxHidDevice final : public HidDevice {
public:
    LinuxHidDevice(Fd fd, Fd wake, const HidInterfaceInfo& info)
        : fd_(std::move(fd)), wake_(std::move(wake)), unnumbered_(info.unnumbered) {
        for (uint8_t id : info.inputReportIds) {
            ours_.set(id);
        }
    }

    bool sendFeatureReport(std::span<const uint8_t> report) override {
        if (report.empty() || report.size() > kMaxReport) {
            return false;
        }
        // The ioctl takes a writable buffer.
        std::array<uint8_t, kMaxReport> copy{};
        std::copy(report.begin(), report.end(), copy.begin());
        int r;
        do {
            r = ::ioctl(fd_.get(), HIDIOCSFEATURE(report.size()), copy.data());
        } while (r < 0 && errno == EINTR);
        return r >= 0;
    }

    ReadResult readInputReport(std::span<uint8_t> buffer) override {
        if (buffer.empty()) {
            return {ReadStatus::Failed, 0};
        }
        for (;;) {
            std::array<pollfd, 2> fds{{{wake_.get(), POLLIN, 0}, {fd_.get(), POLLIN, 0}}};
            const int n = ::poll(fds.data(), fds.size(), -1);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return {ReadStatus::Failed, 0};
            }
            if (fds[0].revents & POLLIN) {
                uint64_t count;
                [[maybe_unused]] ssize_t ignored = ::read(wake_.get(), &count, sizeof count);
                return {ReadStatus::Woken, 0};
            }
            if (fds[1].revents & POLLIN) {
                // Nodes without report ids deliver the data alone; callers always find the
                // report id in byte 0, so put a zero there.
                const std::size_t skip = unnumbered_ ? 1 : 0;
                if (buffer.size() <= skip) {
                    return {ReadStatus::Failed, 0};
                }
                const ssize_t got = ::read(fd_.get(), buffer.data() + skip, buffer.size() - skip);
                if (got < 0) {
                    if (errno == EINTR || errno == EAGAIN) {
                        continue;
                    }
                    return {ReadStatus::Failed, 0};
                }
                if (got == 0) {
                    return {ReadStatus::Failed, 0};
                }
                if (unnumbered_) {
                    buffer[0] = 0;
                } else if (!ours_.test(buffer[0])) {
                    // Another collection's report on the same node: a handle on our collection
                    // would never see it, and its bytes could pass for a button event.
                    continue;
                }
                return {ReadStatus::Report, static_cast<std::size_t>(got) + skip};
            }
            if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                return {ReadStatus::Failed, 0};
            }
        }
    }

    void wake() override {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = ::write(wake_.get(), &one, sizeof one);
    }

private:
    static constexpr std::size_t kMaxReport = 4096;
    Fd fd_;
    Fd wake_;
    bool unnumbered_;
    // Input report ids of the opened collection, used only on a numbered node: there every
    // report starts with its id. A node without ids may hold only one collection, so there is
    // nothing to tell apart.
    std::bitset<256> ours_;
};

class UdevMonitor final : public HotplugMonitor {
public:
    UdevMonitor(UdevPtr<udev> u, UdevPtr<udev_monitor> m)
        : udev_(std::move(u)), mon_(std::move(m)) {}

    int fd() const override { return udev_monitor_get_fd(mon_.get()); }

    std::optional<DeviceChange> next() override {
        UdevPtr<udev_device> dev(udev_monitor_receive_device(mon_.get()));
        if (!dev) {
            return std::nullopt;
        }
        DeviceChange change;
        const char* action = udev_device_get_action(dev.get());
        const std::string_view a = action ? action : "";
        change.kind = a == "add"      ? DeviceChangeKind::Arrival
                      : a == "remove" ? DeviceChangeKind::Removal
                                      : DeviceChangeKind::Other;
        const char* node = udev_device_get_devnode(dev.get());
        change.path = node ? node : "";
        change.isInterface = node != nullptr;
        return change;
    }

private:
    UdevPtr<udev> udev_;
    UdevPtr<udev_monitor> mon_;
};

struct NodeInfo {
    std::string devnode;
    dev_t devnum = 0;
    bool haveIds = false;
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::vector<uint8_t> descriptor;
    bool haveDescriptor = false;
};

// Vendor, product and descriptor through the node itself.
void queryNode(NodeInfo& info) {
    Fd fd(::open(info.devnode.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return;
    }
    hidraw_devinfo di{};
    if (::ioctl(fd.get(), HIDIOCGRAWINFO, &di) >= 0) {
        info.haveIds = true;
        info.vendor = static_cast<uint16_t>(di.vendor);
        info.product = static_cast<uint16_t>(di.product);
    }
    int size = 0;
    if (::ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) >= 0 && size >= 0 &&
        size <= HID_MAX_DESCRIPTOR_SIZE) {
        hidraw_report_descriptor rd{};
        rd.size = static_cast<__u32>(size);
        if (::ioctl(fd.get(), HIDIOCGRDESC, &rd) >= 0) {
            info.descriptor.assign(rd.value,
                                   rd.value + std::min<__u32>(rd.size, HID_MAX_DESCRIPTOR_SIZE));
            info.haveDescriptor = true;
        }
    }
}

// The same facts from sysfs, for nodes this user may not open.
void querySysfs(udev_device* hidraw, NodeInfo& info) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!hid) {
        return;
    }
    if (!info.haveIds) {
        if (const char* id = udev_device_get_property_value(hid, "HID_ID")) {
            unsigned bus = 0, vendor = 0, product = 0;
            if (std::sscanf(id, "%x:%x:%x", &bus, &vendor, &product) == 3) {
                info.haveIds = true;
                info.vendor = static_cast<uint16_t>(vendor);
                info.product = static_cast<uint16_t>(product);
            }
        }
    }
    if (!info.haveDescriptor) {
        if (const char* syspath = udev_device_get_syspath(hid)) {
            std::ifstream in(std::string(syspath) + "/report_descriptor", std::ios::binary);
            if (in) {
                std::vector<uint8_t> bytes;
                char c;
                while (bytes.size() <= HID_MAX_DESCRIPTOR_SIZE && in.get(c)) {
                    bytes.push_back(static_cast<uint8_t>(c));
                }
                if (!bytes.empty() && bytes.size() <= HID_MAX_DESCRIPTOR_SIZE) {
                    info.descriptor = std::move(bytes);
                    info.haveDescriptor = true;
                }
            }
        }
    }
}

class LinuxHidBackend final : public HidBackend {
public:
    explicit LinuxHidBackend(UdevPtr<udev> u) : udev_(std::move(u)) {}

    std::vector<HidInterfaceInfo> enumerate() override {
        std::vector<NodeInfo> nodes;
        UdevPtr<udev_enumerate> en(udev_enumerate_new(udev_.get()));
        if (!en) {
            return {};
        }
        udev_enumerate_add_match_subsystem(en.get(), "hidraw");
        udev_enumerate_scan_devices(en.get());
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(en.get())) {
            UdevPtr<udev_device> dev(
                udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
            if (!dev) {
                continue;
            }
            const char* node = udev_device_get_devnode(dev.get());
            if (!node) {
                continue;
            }
            NodeInfo info;
            info.devnode = node;
            info.devnum = udev_device_get_devnum(dev.get());
            queryNode(info);
            if (!info.haveIds || !info.haveDescriptor) {
                querySysfs(dev.get(), info);
            }
            nodes.push_back(std::move(info));
        }
        // Device numbers give the same order for the same set of nodes on every call.
        std::sort(nodes.begin(), nodes.end(), [](const NodeInfo& a, const NodeInfo& b) {
            return a.devnum != b.devnum ? a.devnum < b.devnum : a.devnode < b.devnode;
        });

        std::vector<HidInterfaceInfo> out;
        for (const NodeInfo& n : nodes) {
            HidInterfaceInfo base;
            base.path = n.devnode;
            base.vendorId = n.vendor;
            base.productId = n.product;
            const ParsedDescriptor parsed = parseReportDescriptor(n.descriptor);
            base.unnumbered = !parsed.usesReportIds;
            if (!n.haveDescriptor || !parsed.ok() || parsed.collections.empty()) {
                // Still listed, so that indexes stay put; it matches no collection.
                out.push_back(base);
                continue;
            }
            for (std::size_t i = 0; i < parsed.collections.size(); ++i) {
                HidInterfaceInfo e = base;
                e.caps = parsed.collections[i].caps;
                e.collection = static_cast<int>(i);
                e.inputReportIds = parsed.collections[i].inputReportIds;
                out.push_back(std::move(e));
            }
        }
        return out;
    }

    std::unique_ptr<HidDevice> open(const HidInterfaceInfo& info, Access access) override {
        const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
        Fd fd(::open(info.path.c_str(), flags));
        if (!fd) {
            return nullptr;
        }
        Fd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!wake) {
            return nullptr;
        }
        return std::make_unique<LinuxHidDevice>(std::move(fd), std::move(wake), info);
    }

    std::unique_ptr<HotplugMonitor> createMonitor() override {
        UdevPtr<udev> u(udev_ref(udev_.get()));
        UdevPtr<udev_monitor> m(udev_monitor_new_from_netlink(u.get(), "udev"));
        if (!m) {
            return nullptr;
        }
        if (udev_monitor_filter_add_match_subsystem_devtype(m.get(), "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(m.get()) < 0) {
            return nullptr;
        }
        // receive_device must never block the caller's loop.
        const int fd = udev_monitor_get_fd(m.get());
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        return std::make_unique<UdevMonitor>(std::move(u), std::move(m));
    }

private:
    UdevPtr<udev> udev_;
};

} // namespace

std::unique_ptr<HidBackend> createLinuxHidBackend() {
    UdevPtr<udev> u(udev_new());
    if (!u) {
        return nullptr;
    }
    return std::make_unique<LinuxHidBackend>(std::move(u));
}

} // namespace torvex::device
