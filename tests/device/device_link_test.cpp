// Discovery, device-change handling and the feature-report channel, on a scripted backend
// and on the virtual mouse with real threads.
#include "device/device_link.h"
#include "device/feature_channel.h"
#include "sim/virtual_mouse.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <thread>

namespace torvex::device {
namespace {

using Bytes = std::vector<uint8_t>;

// A backend whose interface list and open failures are set by the test.
class ScriptedBackend final : public HidBackend {
public:
    struct Device final : HidDevice {
        ScriptedBackend* owner;
        std::string path;
        bool sendFeatureReport(std::span<const uint8_t> r) override {
            owner->sent.emplace_back(r.begin(), r.end());
            return true;
        }
        ReadResult readInputReport(std::span<uint8_t>) override {
            ++owner->reads;
            return {};
        }
        void wake() override {}
    };

    std::vector<HidInterfaceInfo> interfaces;
    std::vector<std::string> failingPaths;
    std::vector<std::pair<std::string, Access>> opened;
    std::vector<Bytes> sent;
    std::atomic<int> reads{0};
    int enumerations = 0;

    std::vector<HidInterfaceInfo> enumerate() override {
        ++enumerations;
        return interfaces;
    }
    std::unique_ptr<HidDevice> open(const HidInterfaceInfo& i, Access a) override {
        opened.emplace_back(i.path, a);
        if (std::find(failingPaths.begin(), failingPaths.end(), i.path) != failingPaths.end()) {
            return nullptr;
        }
        auto d = std::make_unique<Device>();
        d->owner = this;
        d->path = i.path;
        return d;
    }
    std::unique_ptr<HotplugMonitor> createMonitor() override { return nullptr; }
};

HidInterfaceInfo other(int n) {
    return {"/dev/other" + std::to_string(n), 0x046D, 0xC077, {0x0001, 0x0002, 5, 0, 0}};
}
HidInterfaceInfo pointer() {
    return {"/dev/mouse-pointer", kMouseVendorId, kMouseProductId, {0x0001, 0x0002, 5, 0, 0}};
}
HidInterfaceInfo readCollection() {
    return {"/dev/mouse-in", kMouseVendorId, kMouseProductId, {0xFF00, 0x0001, 9, 0, 0}};
}
HidInterfaceInfo writeCollection(uint16_t featureLength = 9) {
    return {
        "/dev/mouse-feat", kMouseVendorId, kMouseProductId, {0xFF01, 0x0001, 0, 0, featureLength}};
}

TEST(FindDevice, WalksAtMostOneHundredIndexesAndStopsWhenBothHandlesAreOpen) {
    struct Case {
        const char* name;
        std::vector<HidInterfaceInfo> list;
        bool found;
        HandleState read, write;
        std::string path;
        std::size_t opens;
    };
    std::vector<HidInterfaceInfo> crowded;
    for (int i = 0; i < 100; ++i) {
        crowded.push_back(other(i));
    }
    crowded.push_back(readCollection());
    crowded.push_back(writeCollection());
    std::vector<HidInterfaceInfo> almostCrowded(crowded.begin() + 2, crowded.end());

    const std::vector<Case> cases = {
        {"no interfaces", {}, false, HandleState::Null, HandleState::Null, "", 0},
        {"mouse after index 99 is not found", crowded, false, HandleState::Null, HandleState::Null,
         "", 0},
        {"mouse at indexes 98 and 99 is found", almostCrowded, true, HandleState::Open,
         HandleState::Open, "/dev/mouse-feat", 2},
        {"the pointer collection opens nothing; the walk stops at the second vendor one",
         {pointer(), writeCollection(), other(1), readCollection(), other(2)},
         true,
         HandleState::Open,
         HandleState::Open,
         "/dev/mouse-in",
         2},
        {"only the read collection, then another device: the flag of the last one wins",
         {readCollection(), other(1)},
         false,
         HandleState::Open,
         HandleState::Null,
         "/dev/mouse-in",
         1},
        {"only the pointer collection, examined last",
         {other(1), pointer()},
         true,
         HandleState::Null,
         HandleState::Null,
         "/dev/mouse-pointer",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBackend backend;
        backend.interfaces = c.list;
        DeviceLink link(backend);
        EXPECT_EQ(link.findDevice(), c.found);
        EXPECT_EQ(link.deviceFound(), c.found);
        EXPECT_EQ(link.readHandle().state, c.read);
        EXPECT_EQ(link.writeHandle().state, c.write);
        EXPECT_EQ(link.devicePath(), c.path);
        EXPECT_EQ(backend.opened.size(), c.opens);
    }
}

TEST(FindDevice, AFailedOpenCountsAsOpenedAndLeavesTheInvalidState) {
    ScriptedBackend backend;
    backend.interfaces = {readCollection(), writeCollection(), other(1)};
    backend.failingPaths = {"/dev/mouse-in"};
    DeviceLink link(backend);
    EXPECT_TRUE(link.findDevice());
    EXPECT_TRUE(link.readHandle().isInvalid());
    EXPECT_EQ(link.readHandle().device, nullptr);
    EXPECT_TRUE(link.writeHandle().isOpen());
    EXPECT_EQ(link.readCaps().inputReportByteLength, 9);

    // Senders fail quietly on an invalid handle; this one is open and goes through.
    FeatureChannel channel(link);
    EXPECT_TRUE(channel.send([](FeatureChannel::Buffer b) { b[0] = 0x07; }));
    EXPECT_EQ(backend.sent.size(), 1u);
}

TEST(FindDevice, HandlesFromAnEarlierDiscoveryCountAsOpen) {
    ScriptedBackend backend;
    backend.interfaces = {readCollection(), writeCollection()};
    DeviceLink link(backend);
    ASSERT_TRUE(link.findDevice());
    ASSERT_EQ(backend.opened.size(), 2u);
    // Again: both handles are already non-null, so the walk ends at the first interface of the
    // mouse, replacing only the read handle.
    EXPECT_TRUE(link.findDevice());
    ASSERT_EQ(backend.opened.size(), 3u);
    EXPECT_EQ(backend.opened[2].first, "/dev/mouse-in");
    EXPECT_EQ(backend.opened[2].second, Access::Read);
    EXPECT_EQ(link.devicePath(), "/dev/mouse-in");
}

TEST(DeviceChange, ArrivalOnlyWhenNotFoundRemovalRunsTheExitPath) {
    ScriptedBackend backend;
    backend.interfaces = {readCollection(), writeCollection()};
    DeviceLink link(backend);
    int exits = 0;
    link.setRemovalHandler([&] { ++exits; });
    ASSERT_TRUE(link.findDevice());
    ASSERT_EQ(backend.enumerations, 1);

    const std::string path = "/DEV/Mouse-FEAT"; // other letter case, same interface
    const DeviceChange notInterface{DeviceChangeKind::Removal, "/dev/mouse-feat", false};
    EXPECT_TRUE(link.isOurDevice({DeviceChangeKind::Removal, path, true}));
    EXPECT_FALSE(link.isOurDevice(notInterface));
    EXPECT_FALSE(link.isOurDevice({DeviceChangeKind::Removal, "/dev/mouse-in", true}));

    EXPECT_TRUE(link.onDeviceChange({DeviceChangeKind::Arrival, path, true}));
    EXPECT_EQ(backend.enumerations, 1) << "arrival while found does nothing";
    EXPECT_TRUE(link.onDeviceChange(notInterface));
    EXPECT_TRUE(link.onDeviceChange({DeviceChangeKind::Other, path, true}));
    EXPECT_TRUE(link.onDeviceChange({DeviceChangeKind::Removal, "/dev/other1", true}));
    EXPECT_EQ(exits, 0);

    EXPECT_TRUE(link.onDeviceChange({DeviceChangeKind::Removal, path, true}));
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(link.deviceFound());

    EXPECT_TRUE(link.onDeviceChange({DeviceChangeKind::Arrival, path, true}));
    EXPECT_EQ(backend.enumerations, 2) << "arrival while not found runs discovery";
    EXPECT_TRUE(link.deviceFound());
}

TEST(FeatureChannel, UnwrittenBytesKeepTheirValuesAndTheDeclaredLengthIsSent) {
    struct Case {
        uint16_t declared;
        std::size_t sentLength;
    };
    for (const Case c : {Case{9, 9}, Case{64, 64}, Case{256, 256}, Case{300, 256}}) {
        SCOPED_TRACE(c.declared);
        ScriptedBackend backend;
        backend.interfaces = {readCollection(), writeCollection(c.declared)};
        DeviceLink link(backend);
        ASSERT_TRUE(link.findDevice());
        FeatureChannel channel(link);
        channel.send([](FeatureChannel::Buffer b) {
            b[0] = 0x07;
            b[1] = 0x15;
            b[2] = 0x04;
            b[3] = 0x05;
            b[4] = b[5] = b[6] = b[7] = 0;
        });
        channel.send([](FeatureChannel::Buffer b) {
            b[1] = 0x16;
            b[3] = 0xFE;
        });
        ASSERT_EQ(backend.sent.size(), 2u);
        EXPECT_EQ(backend.sent[1].size(), c.sentLength);
        // Byte 2 still holds the key of the report before.
        const Bytes head(backend.sent[1].begin(), backend.sent[1].begin() + 9);
        EXPECT_EQ(head, (Bytes{0x07, 0x16, 0x04, 0xFE, 0, 0, 0, 0, 0}));
    }
}

TEST(FeatureChannel, WithoutAWriteHandleNothingIsSentOrTraced) {
    ScriptedBackend backend;
    DeviceLink link(backend);
    FeatureChannel channel(link);
    int traced = 0;
    channel.setTraceHook([&](const FeatureTrace&) { ++traced; });
    EXPECT_FALSE(channel.send([](FeatureChannel::Buffer b) { b[1] = 0x20; }));
    EXPECT_EQ(traced, 0);
    EXPECT_EQ(channel.contents()[1], 0x20) << "the buffer is still written";
}

TEST(ReadInputReport, AReadHandleDeclaringNoInputLengthIsNeverSpunOn) {
    ScriptedBackend backend;
    HidInterfaceInfo in = readCollection();
    in.caps.inputReportByteLength = 0;
    backend.interfaces = {in, writeCollection()};
    DeviceLink link(backend);
    ASSERT_TRUE(link.findDevice());
    ASSERT_TRUE(link.readHandle().isOpen());
    auto result = std::async(std::launch::async, [&] {
        std::array<uint8_t, kReportBufferSize> buf{};
        return link.readInputReport(buf).status;
    });
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    link.wakeReader();
    EXPECT_EQ(result.get(), ReadStatus::Woken);
    EXPECT_EQ(backend.reads.load(), 0);
}

TEST(ReadInputReport, AFailedHandleIsReportedOnceThenWaitedOnNotRetried) {
    ScriptedBackend backend; // its handles fail every read
    backend.interfaces = {readCollection(), writeCollection()};
    DeviceLink link(backend);
    ASSERT_TRUE(link.findDevice());
    std::array<uint8_t, kReportBufferSize> buf{};
    EXPECT_EQ(link.readInputReport(buf).status, ReadStatus::Failed);
    auto second = std::async(std::launch::async, [&] { return link.readInputReport(buf).status; });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    link.wakeReader();
    EXPECT_EQ(second.get(), ReadStatus::Woken);
    EXPECT_EQ(backend.reads.load(), 1);
}

// From here on: the virtual mouse, with real threads.

class WithVirtualMouse : public ::testing::Test {
protected:
    sim::VirtualMouse mouse;
    DeviceLink link{mouse};
    FeatureChannel channel{link};
};

TEST_F(WithVirtualMouse, DiscoveryOpensTheTwoVendorCollections) {
    ASSERT_TRUE(link.findDevice());
    EXPECT_TRUE(link.readHandle().isOpen());
    EXPECT_TRUE(link.writeHandle().isOpen());
    EXPECT_EQ(link.devicePath(), sim::kInterfacePaths[2]);
    EXPECT_EQ(link.readCaps().inputReportByteLength, 9);
    EXPECT_EQ(link.writeCaps().featureReportByteLength, 9);
}

TEST_F(WithVirtualMouse, TraceSeesEveryReportInOrderWithMonotonicTimes) {
    ASSERT_TRUE(link.findDevice());
    std::vector<std::pair<std::chrono::steady_clock::time_point, Bytes>> trace;
    channel.setTraceHook([&](const FeatureTrace& t) {
        EXPECT_TRUE(t.accepted);
        trace.emplace_back(t.time, Bytes(t.bytes.begin(), t.bytes.end()));
    });
    for (uint8_t cmd : {0x11, 0x13, 0x12}) {
        channel.send([cmd](FeatureChannel::Buffer b) {
            b[0] = 0x07;
            b[1] = cmd;
        });
    }
    const auto received = mouse.reports();
    ASSERT_EQ(trace.size(), 3u);
    ASSERT_EQ(received.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(trace[i].second, received[i].bytes);
        EXPECT_EQ(trace[i].second.size(), 9u);
        if (i > 0) {
            EXPECT_LE(trace[i - 1].first, trace[i].first);
        }
    }
}

TEST_F(WithVirtualMouse, ConcurrentSendersNeverInterleave) {
    ASSERT_TRUE(link.findDevice());
    constexpr int kPerThread = 1500;
    // Each report is built byte by byte with yields in between; any interleaving shows as a
    // report whose bytes come from two senders.
    auto sender = [&](uint8_t tag, bool useSession) {
        for (int i = 0; i < kPerThread; ++i) {
            auto fill = [tag](FeatureChannel::Buffer b) {
                b[0] = 0x07;
                for (std::size_t k = 1; k < 9; ++k) {
                    b[k] = tag;
                    std::this_thread::yield();
                }
            };
            if (useSession) {
                auto session = channel.lock();
                fill(session.buffer());
                session.send();
            } else {
                channel.send(fill);
            }
        }
    };
    std::thread a(sender, uint8_t{0x15}, false);
    std::thread b(sender, uint8_t{0x16}, true);
    a.join();
    b.join();
    const auto reports = mouse.reports();
    ASSERT_EQ(reports.size(), 2u * kPerThread);
    for (const auto& r : reports) {
        ASSERT_EQ(r.bytes.size(), 9u);
        for (std::size_t k = 2; k < 9; ++k) {
            ASSERT_EQ(r.bytes[k], r.bytes[1]) << "mixed report";
        }
    }
}

TEST_F(WithVirtualMouse, ReaderWaitsForAHandleThenReadsPressesAndIsWoken) {
    std::promise<void> started;
    std::vector<Bytes> got;
    std::atomic<int> count{0};
    ReadStatus last = ReadStatus::Report;
    std::thread reader([&] {
        std::array<uint8_t, kReportBufferSize> buf{};
        started.set_value();
        for (;;) {
            const ReadResult r = link.readInputReport(buf);
            if (r.status != ReadStatus::Report) {
                last = r.status;
                return;
            }
            got.emplace_back(buf.begin(), buf.begin() + static_cast<long>(r.size));
            count.fetch_add(1);
            count.notify_all();
        }
    });
    started.get_future().wait();
    // The reader is waiting with no handle; discovery hands it one.
    ASSERT_TRUE(link.findDevice());
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let it reach the new handle
    ASSERT_TRUE(mouse.press(8));                                // device code 11: one level up
    ASSERT_TRUE(mouse.release(8));
    for (int seen = count.load(); seen < 2; seen = count.load()) {
        count.wait(seen);
    }
    link.wakeReader();
    reader.join();
    EXPECT_EQ(last, ReadStatus::Woken);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0][1], 0xF8);
    EXPECT_EQ(got[0][2], 1);
    EXPECT_EQ(got[1][1], 0xF8);
    EXPECT_EQ(got[1][2], 0x80);
}

TEST_F(WithVirtualMouse, UnplugFailsTheHandlesRunsTheExitPathAndPlugFindsItAgain) {
    auto monitor = mouse.createMonitor();
    ASSERT_NE(monitor, nullptr);
    ASSERT_TRUE(link.findDevice());
    int exits = 0;
    link.setRemovalHandler([&] { ++exits; });

    std::promise<ReadStatus> firstEnd;
    std::thread reader([&] {
        std::array<uint8_t, kReportBufferSize> buf{};
        firstEnd.set_value(link.readInputReport(buf).status);
    });
    mouse.unplug();
    EXPECT_EQ(firstEnd.get_future().get(), ReadStatus::Failed);
    reader.join();
    EXPECT_FALSE(channel.send([](FeatureChannel::Buffer b) { b[1] = 0x11; }));

    pollfd p{monitor->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_EQ(link.pumpHotplug(*monitor), 3u); // one removal per interface
    EXPECT_EQ(exits, 1);                       // only devicePath's counts
    EXPECT_FALSE(link.deviceFound());
    EXPECT_EQ(::poll(&p, 1, 0), 0) << "the monitor's fd is quiet once drained";

    // The arrival runs discovery again, but the old handles are not reset by it: they count as
    // open, so the walk ends at the mouse's first interface and reports still go nowhere.
    mouse.plug();
    EXPECT_EQ(link.pumpHotplug(*monitor), 3u);
    EXPECT_TRUE(link.deviceFound());
    EXPECT_EQ(link.devicePath(), sim::kInterfacePaths[0]);
    EXPECT_FALSE(channel.send([](FeatureChannel::Buffer b) { b[1] = 0x11; }));
}

} // namespace
} // namespace torvex::device
