// The hidraw + udev backend against device nodes simulated by umockdev. Run through
// umockdev-wrapper, which preloads the library that redirects /dev and /sys.
#include "device/device_link.h"
#include "device/feature_channel.h"
#include "device/linux_hid_backend.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <umockdev.h>
#include <unistd.h>
#include <vector>

namespace torvex::device {
namespace {

using Bytes = std::vector<uint8_t>;

// A boot keyboard without report ids: 8 bytes of input.
const Bytes kKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29,
                                   0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
                                   0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15,
                                   0x00, 0x25, 0x65, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// The mouse: a pointer collection (id 1), the vendor input collection (id 6, 8 data bytes) and
// the vendor feature collection (id 7, 8 data bytes).
const Bytes kMouseDescriptor = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01,
    0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25,
    0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1,
    0x01, 0x85, 0x06, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x81,
    0x02, 0xC0, 0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07, 0x15, 0x00, 0x26, 0xFF,
    0x00, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0xC0};

// Two vendor collections without report ids, known only from sysfs (no ioctl answers).
const Bytes kSysfsOnlyDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x05, 0xA1, 0x01, 0x75, 0x08, 0x95,
                                    0x03, 0x81, 0x02, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x06, 0xA1,
                                    0x01, 0x75, 0x08, 0x95, 0x04, 0xB1, 0x02, 0xC0};

struct NodeAnswers {
    uint16_t vendor = 0;
    uint16_t product = 0;
    Bytes descriptor;
};

// What the simulated kernel answers, and the feature reports it was handed.
struct IoctlLog {
    std::mutex mutex;
    std::map<std::string, NodeAnswers> nodes;
    std::vector<std::pair<std::string, Bytes>> features;

    std::vector<std::pair<std::string, Bytes>> takeFeatures() {
        std::lock_guard lock(mutex);
        return std::exchange(features, {});
    }
};

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer userData) {
    auto* log = static_cast<IoctlLog*>(userData);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const std::string node = umockdev_ioctl_client_get_devnode(client);
    std::lock_guard lock(log->mutex);
    const NodeAnswers& answers = log->nodes[node];
    auto resolve = [&](std::size_t size) {
        GError* error = nullptr;
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, size, &error);
        if (error) {
            g_error_free(error);
        }
        return data;
    };
    if (request == HIDIOCGRAWINFO) {
        UMockdevIoctlData* data = resolve(sizeof(hidraw_devinfo));
        hidraw_devinfo info{};
        info.bustype = 3;
        info.vendor = static_cast<__s16>(answers.vendor);
        info.product = static_cast<__s16>(answers.product);
        std::memcpy(data->data, &info, sizeof info);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRDESCSIZE) {
        UMockdevIoctlData* data = resolve(sizeof(int));
        const int size = static_cast<int>(answers.descriptor.size());
        std::memcpy(data->data, &size, sizeof size);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRDESC) {
        UMockdevIoctlData* data = resolve(sizeof(hidraw_report_descriptor));
        auto* rd = reinterpret_cast<hidraw_report_descriptor*>(data->data);
        if (rd->size < answers.descriptor.size()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        std::copy(answers.descriptor.begin(), answers.descriptor.end(), rd->value);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (_IOC_TYPE(request) == 'H' && _IOC_NR(request) == 0x06 &&
        _IOC_DIR(request) == (_IOC_WRITE | _IOC_READ)) { // HIDIOCSFEATURE(len)
        const std::size_t len = _IOC_SIZE(request);
        UMockdevIoctlData* data = resolve(len);
        log->features.emplace_back(node, Bytes(data->data, data->data + len));
        umockdev_ioctl_client_complete(client, static_cast<glong>(len), 0);
        return TRUE;
    }
    return FALSE;
}

std::string hexAttribute(const Bytes& bytes) {
    std::string out;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

// Waits until `fd` is readable; false after the time limit.
bool readable(int fd, int timeoutMs = 3000) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

class HidrawBackend : public ::testing::Test {
protected:
    void SetUp() override {
        const char* preload = std::getenv("LD_PRELOAD");
        if (!preload || !std::strstr(preload, "umockdev")) {
            GTEST_SKIP() << "run through umockdev-wrapper";
        }
        testbed_ = umockdev_testbed_new();
        // Parent folders sort opposite to the device numbers, so the order must come from
        // the numbers.
        addNode("z-keyboard", "hidraw0", 0, "0003:0000046D:0000C31C", kKeyboardDescriptor);
        addNode("a-mouse", "hidraw1", 1, "0003:000018F8:00001286", kMouseDescriptor);
        addNode("m-gadget", "hidraw2", 2, "0003:00001234:00005678", kSysfsOnlyDescriptor);
        log_.nodes["/dev/hidraw0"] = {0x046D, 0xC31C, kKeyboardDescriptor};
        log_.nodes["/dev/hidraw1"] = {0x18F8, 0x1286, kMouseDescriptor};
        attach("/dev/hidraw0");
        attach("/dev/hidraw1");
        backend_ = createLinuxHidBackend();
        ASSERT_NE(backend_, nullptr);
    }

    void TearDown() override {
        backend_.reset();
        for (UMockdevIoctlBase* h : handlers_) {
            g_object_unref(h);
        }
        if (testbed_) {
            g_object_unref(testbed_);
        }
    }

    void addNode(const std::string& parent, const std::string& name, int minor,
                 const std::string& hidId, const Bytes& descriptor) {
        const std::string text =
            "P: /devices/" + parent + "\nE: SUBSYSTEM=hid\nE: HID_ID=" + hidId +
            "\nH: report_descriptor=" + hexAttribute(descriptor) + "\n\nP: /devices/" + parent +
            "/hidraw/" + name + "\nN: " + name + "\nE: DEVNAME=/dev/" + name +
            "\nE: SUBSYSTEM=hidraw\nE: MAJOR=240\nE: MINOR=" + std::to_string(minor) + "\n";
        GError* error = nullptr;
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, text.c_str(), &error))
            << (error ? error->message : "");
    }

    void attach(const char* node) {
        UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), &log_);
        GError* error = nullptr;
        ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed_, node, handler, &error))
            << (error ? error->message : "");
        handlers_.push_back(handler);
    }

    int devFd(const char* node) { return umockdev_testbed_get_dev_fd(testbed_, node); }

    UMockdevTestbed* testbed_ = nullptr;
    std::vector<UMockdevIoctlBase*> handlers_;
    IoctlLog log_;
    std::unique_ptr<HidBackend> backend_;
};

TEST_F(HidrawBackend, EnumeratesByDeviceNumberWithOneEntryPerTopLevelCollection) {
    const std::vector<HidInterfaceInfo> list = backend_->enumerate();
    struct Expected {
        const char* path;
        uint16_t vendor, product;
        HidCaps caps;
    };
    const std::vector<Expected> expected = {
        {"/dev/hidraw0", 0x046D, 0xC31C, {0x0001, 0x0006, 9, 0, 0}},
        {"/dev/hidraw1", 0x18F8, 0x1286, {0x0001, 0x0002, 5, 0, 0}},
        {"/dev/hidraw1", 0x18F8, 0x1286, {0xFF00, 0x0001, 9, 0, 0}},
        {"/dev/hidraw1", 0x18F8, 0x1286, {0xFF01, 0x0001, 0, 0, 9}},
        // No ioctl answers here: the ids and the descriptor come from sysfs.
        {"/dev/hidraw2", 0x1234, 0x5678, {0xFF00, 0x0005, 4, 0, 0}},
        {"/dev/hidraw2", 0x1234, 0x5678, {0xFF00, 0x0006, 0, 0, 5}},
    };
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i].path, expected[i].path);
        EXPECT_EQ(list[i].vendorId, expected[i].vendor);
        EXPECT_EQ(list[i].productId, expected[i].product);
        EXPECT_EQ(list[i].caps, expected[i].caps);
    }
    EXPECT_EQ(backend_->enumerate().size(), list.size()) << "same machine, same list";
}

TEST_F(HidrawBackend, FindDeviceOpensBothHandlesAndFeatureReportsReachTheNode) {
    DeviceLink link(*backend_);
    ASSERT_TRUE(link.findDevice());
    EXPECT_TRUE(link.readHandle().isOpen());
    EXPECT_TRUE(link.writeHandle().isOpen());
    EXPECT_EQ(link.devicePath(), "/dev/hidraw1");
    EXPECT_EQ(link.writeCaps().featureReportByteLength, 9);

    FeatureChannel channel(link);
    log_.takeFeatures(); // discovery sends nothing, but be sure
    ASSERT_TRUE(channel.send([](FeatureChannel::Buffer b) {
        b[0] = 0x07;
        b[1] = 0x12;
        b[2] = 0x00;
        b[3] = 0x06;
        b[4] = b[5] = b[6] = b[7] = 0;
    }));
    // The next report writes only bytes 1..3; bytes 4..8 are what the previous one left.
    ASSERT_TRUE(channel.send([](FeatureChannel::Buffer b) {
        b[1] = 0x13;
        b[2] = 0x3F;
        b[3] = 0x10;
    }));
    const auto sent = log_.takeFeatures();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].first, "/dev/hidraw1");
    EXPECT_EQ(sent[0].second, (Bytes{0x07, 0x12, 0x00, 0x06, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sent[1].second, (Bytes{0x07, 0x13, 0x3F, 0x10, 0, 0, 0, 0, 0}));
}

TEST_F(HidrawBackend, ScriptedInputReportsAreReadBackAndTheReaderCanBeWoken) {
    DeviceLink link(*backend_);
    ASSERT_TRUE(link.findDevice());
    std::mutex mutex;
    std::vector<Bytes> got;
    std::promise<ReadStatus> ended;
    std::thread reader([&] {
        std::array<uint8_t, kReportBufferSize> buffer{};
        for (;;) {
            const ReadResult r = link.readInputReport(buffer);
            if (r.status != ReadStatus::Report) {
                ended.set_value(r.status);
                return;
            }
            std::lock_guard lock(mutex);
            got.emplace_back(buffer.begin(), buffer.begin() + static_cast<long>(r.size));
        }
    });
    auto waitFor = [&](std::size_t n) {
        for (int i = 0; i < 300; ++i) {
            {
                std::lock_guard lock(mutex);
                if (got.size() >= n) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    const std::vector<Bytes> script = {{0x06, 0xF6, 0x02, 0, 0, 0, 0, 0, 0},
                                       {0x06, 0xF6, 0x80, 0, 0, 0, 0, 0, 0}};
    for (std::size_t i = 0; i < script.size(); ++i) {
        // One report at a time: the node underneath would merge quick writes into one read.
        ASSERT_EQ(::write(devFd("/dev/hidraw1"), script[i].data(), script[i].size()), 9);
        ASSERT_TRUE(waitFor(i + 1));
    }
    link.wakeReader();
    auto status = ended.get_future();
    ASSERT_EQ(status.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_EQ(status.get(), ReadStatus::Woken);
    reader.join();
    EXPECT_EQ(got, script);
}

TEST_F(HidrawBackend, NodeWithoutReportIdsGetsAZeroIdByteInFront) {
    const std::vector<HidInterfaceInfo> list = backend_->enumerate();
    ASSERT_FALSE(list.empty());
    ASSERT_EQ(list[0].path, "/dev/hidraw0");
    EXPECT_TRUE(list[0].unnumbered);
    std::unique_ptr<HidDevice> keyboard = backend_->open(list[0], Access::Read);
    ASSERT_NE(keyboard, nullptr);
    const Bytes data = {0x02, 0x00, 0x04, 0, 0, 0, 0, 0};
    ASSERT_EQ(::write(devFd("/dev/hidraw0"), data.data(), data.size()), 8);
    std::array<uint8_t, 9> buffer{};
    const ReadResult r = keyboard->readInputReport(buffer);
    ASSERT_EQ(r.status, ReadStatus::Report);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(r.size)),
              (Bytes{0x00, 0x02, 0x00, 0x04, 0, 0, 0, 0, 0}));
}

TEST_F(HidrawBackend, ReaderTakesOnlyItsOwnCollectionsReportsFromASharedNode) {
    const std::vector<HidInterfaceInfo> list = backend_->enumerate();
    ASSERT_GE(list.size(), 4u);
    // hidraw1's collections: pointer (input id 1), vendor input (id 6), vendor feature (none).
    EXPECT_EQ(list[1].inputReportIds, Bytes{1});
    EXPECT_EQ(list[2].inputReportIds, Bytes{6});
    EXPECT_EQ(list[3].inputReportIds, Bytes{});
    ASSERT_EQ(list[2].caps.usagePage, 0xFF00);
    ASSERT_FALSE(list[2].unnumbered);
    std::unique_ptr<HidDevice> vendor = backend_->open(list[2], Access::Read);
    ASSERT_NE(vendor, nullptr);

    // The simulated node is a byte stream that joins reports written back to back; with every
    // report 9 bytes long and a 9-byte buffer, each read still takes exactly one report.
    std::array<uint8_t, 9> buffer{};
    auto read = std::async(std::launch::async, [&] { return vendor->readInputReport(buffer); });
    // Declared after the future, so a failed check below ends the read before the future's
    // destructor waits for it.
    struct WakeOnExit {
        HidDevice& device;
        ~WakeOnExit() { device.wake(); }
    } wakeOnExit{*vendor};
    const Bytes pointerReport = {0x01, 0xF1, 0x02, 0, 0, 0, 0, 0, 0}; // byte 1 looks like a press
    const Bytes ours = {0x06, 0xF3, 0x01, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(::write(devFd("/dev/hidraw1"), pointerReport.data(), pointerReport.size()), 9);
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
        << "the pointer collection's report was delivered";
    ASSERT_EQ(::write(devFd("/dev/hidraw1"), ours.data(), ours.size()), 9);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(3)), std::future_status::ready)
        << "our report did not arrive";
    const ReadResult r = read.get();
    ASSERT_EQ(r.status, ReadStatus::Report);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(r.size)), ours);
}

TEST_F(HidrawBackend, MonitorSeesAddAndRemoveAndRemovalRunsTheExitPath) {
    std::unique_ptr<HotplugMonitor> monitor = backend_->createMonitor();
    ASSERT_NE(monitor, nullptr);
    DeviceLink link(*backend_);
    ASSERT_TRUE(link.findDevice());
    int exits = 0;
    link.setRemovalHandler([&] { ++exits; });

    const char* syspath = "/sys/devices/a-mouse/hidraw/hidraw1";
    umockdev_testbed_uevent(testbed_, syspath, "add");
    ASSERT_TRUE(readable(monitor->fd()));
    std::optional<DeviceChange> change = monitor->next();
    ASSERT_TRUE(change);
    EXPECT_EQ(change->kind, DeviceChangeKind::Arrival);
    EXPECT_EQ(change->path, "/dev/hidraw1");
    link.onDeviceChange(*change); // already found: nothing happens
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(link.deviceFound());

    umockdev_testbed_uevent(testbed_, syspath, "remove");
    ASSERT_TRUE(readable(monitor->fd()));
    EXPECT_EQ(link.pumpHotplug(*monitor), 1u);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(link.deviceFound());
    EXPECT_FALSE(monitor->next()) << "next() must not block when nothing waits";
}

} // namespace
} // namespace torvex::device
