#include "sim/virtual_mouse.h"

#include "device/report_trace.h"
#include "sim/control_server.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvex::sim {

using device::Access;
using device::DeviceChange;
using device::DeviceChangeKind;
using device::HidInterfaceInfo;
using device::ReadResult;
using device::ReadStatus;

namespace {

constexpr uint8_t kInputReportId = 0x06;
constexpr std::size_t kReaderQueueLimit = 64; // like the kernel's per-reader buffer
constexpr int kFeatureInterface = 2;
constexpr std::size_t kTypedLogLimit = 100000;
constexpr std::size_t kReportKeepLimit = std::size_t{1} << 20;
constexpr int kInputInterface = 1;

struct ReaderQueue {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::array<uint8_t, kVirtualReportLength>> reports;
    bool receivesInput = false; // only the input collection's handles get input reports
    bool woken = false;
    bool dead = false;
};

struct MonitorQueue {
    std::mutex mutex;
    std::deque<DeviceChange> changes;
    int fd = -1;

    MonitorQueue() : fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~MonitorQueue() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    void push(DeviceChange change) {
        std::lock_guard lock(mutex);
        changes.push_back(std::move(change));
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = ::write(fd, &one, sizeof one);
    }
};

std::string hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

std::string hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

template <typename Range, typename F>
std::string jsonArray(const Range& r, F item) {
    std::string out = "[";
    bool first = true;
    for (const auto& v : r) {
        if (!first) {
            out += ",";
        }
        first = false;
        out += item(v);
    }
    return out + "]";
}

} // namespace

struct VirtualMouse::Core {
    mutable std::mutex mutex;
    DeviceState state;
    std::vector<ReceivedReport> reports;
    unsigned generation = 0; // changes on every unplug: handles of an earlier one are dead
    std::vector<std::weak_ptr<ReaderQueue>> readers;
    std::vector<std::weak_ptr<MonitorQueue>> monitors;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int logFd = -1;

    Core() {
        // Factory state: what a download of the default settings leaves in the mouse.
        state.buttonMap[1] = 1;
        state.buttonMap[2] = 2;
        state.buttonMap[3] = 3;
        state.buttonMap[4] = 4;
        state.buttonMap[5] = 5;
        state.buttonMap[6] = 12;
        state.buttonMap[8] = 11;
        state.dpiCode = {4, 6, 7, 13};
        state.fireUnits = 6;
    }
    ~Core() {
        if (logFd >= 0) {
            ::close(logFd);
        }
    }

    void notifyMonitors(DeviceChangeKind kind) {
        for (auto& weak : monitors) {
            if (auto m = weak.lock()) {
                for (const char* path : kInterfacePaths) {
                    m->push(DeviceChange{kind, path, true});
                }
            }
        }
        std::erase_if(monitors, [](const auto& w) { return w.expired(); });
    }

    void log(const ReceivedReport& r) {
        if (logFd < 0) {
            return;
        }
        const std::string line =
            device::millisecondsSince(start, r.time) + " " + device::hexBytes(r.bytes) + "\n";
        // One write per line on an O_APPEND descriptor: readers never see half a line.
        [[maybe_unused]] ssize_t ignored = ::write(logFd, line.data(), line.size());
    }

    void decode(const std::vector<uint8_t>& bytes);
    void pushInput(const std::array<uint8_t, kVirtualReportLength>& report);
};

void VirtualMouse::Core::decode(const std::vector<uint8_t>& r) {
    DeviceState& s = state;
    // A long macro session must not grow the state without bound: keep the latest entries.
    if (s.typed.size() >= kTypedLogLimit) {
        s.typed.erase(s.typed.begin(), s.typed.begin() + kTypedLogLimit / 2);
    }
    auto b = [&](std::size_t i) -> uint8_t { return i < r.size() ? r[i] : 0; };
    if (r.size() != kVirtualReportLength || b(0) != 0x07) {
        ++s.malformedReports;
        if (b(0) != 0x07) {
            return;
        }
    }
    switch (b(1)) {
    case 0x09: {
        const int level = b(2) - 0x40;
        const int j = (b(3) & 0x0F) - 8;
        if (level >= 0 && level <= 3) {
            s.dpiLevel = static_cast<uint8_t>(level);
        }
        if (j >= 0 && j <= 3) {
            s.dpiCode[static_cast<std::size_t>(j)] = static_cast<uint8_t>(b(3) >> 4);
        }
        s.dpiMask = b(4) & 0x0F;
        break;
    }
    case 0x10:
        if (b(2) < s.buttonMap.size()) {
            s.buttonMap[b(2)] = b(3);
        } else {
            ++s.malformedReports;
        }
        break;
    case 0x11:
        s.wheelStatus = b(2);
        break;
    case 0x12:
        s.fireUnits = static_cast<uint16_t>(b(2) * 256 + b(3));
        break;
    case 0x13:
        s.lightingCode = static_cast<uint8_t>(b(3) - 0x10);
        break;
    case 0x15: {
        std::array<uint8_t, 6> keys{};
        for (std::size_t i = 0; i < 6; ++i) {
            keys[i] = b(2 + i);
        }
        auto holds = [](const std::array<uint8_t, 6>& k, uint8_t code) {
            return std::find(k.begin(), k.end(), code) != k.end();
        };
        for (uint8_t k : s.keysHeld) {
            if (k != 0 && !holds(keys, k)) {
                s.typed.push_back("up key " + hex2(k));
            }
        }
        for (uint8_t k : keys) {
            if (k != 0 && !holds(s.keysHeld, k)) {
                s.typed.push_back("down key " + hex2(k));
            }
        }
        s.keysHeld = keys;
        break;
    }
    case 0x16: {
        static constexpr std::array<const char*, 3> names = {"left", "right", "middle"};
        const auto held = static_cast<uint8_t>(~b(3) & 0x07);
        for (unsigned bit = 0; bit < 3; ++bit) {
            const bool was = s.buttonsHeld & (1u << bit);
            const bool is = held & (1u << bit);
            if (was != is) {
                s.typed.push_back(std::string(is ? "down " : "up ") + names[bit]);
            }
        }
        s.buttonsHeld = held;
        break;
    }
    case 0x17: {
        const auto usage = static_cast<uint16_t>(b(2) << 8 | b(3));
        s.mediaKeys.push_back(usage);
        s.typed.push_back("media " + hex4(usage));
        break;
    }
    case 0x20:
        ++s.exitReports;
        break;
    default:
        ++s.malformedReports;
        break;
    }
}

void VirtualMouse::Core::pushInput(const std::array<uint8_t, kVirtualReportLength>& report) {
    ++state.inputReportCount;
    for (auto& weak : readers) {
        if (auto q = weak.lock(); q && q->receivesInput) {
            std::lock_guard lock(q->mutex);
            if (q->reports.size() >= kReaderQueueLimit) {
                q->reports.pop_front();
            }
            q->reports.push_back(report);
            q->cv.notify_all();
        }
    }
    std::erase_if(readers, [](const auto& w) { return w.expired(); });
}

namespace {

class VirtualDevice final : public device::HidDevice {
public:
    VirtualDevice(std::shared_ptr<VirtualMouse::Core> core, int interface, unsigned generation,
                  std::shared_ptr<ReaderQueue> queue)
        : core_(std::move(core)), interface_(interface), generation_(generation),
          queue_(std::move(queue)) {}

    bool sendFeatureReport(std::span<const uint8_t> report) override {
        std::lock_guard lock(core_->mutex);
        if (!live() || interface_ != kFeatureInterface) {
            return false;
        }
        ReceivedReport r{std::chrono::steady_clock::now(), {report.begin(), report.end()}};
        ++core_->state.reportCount;
        core_->decode(r.bytes);
        core_->log(r);
        auto& kept = core_->reports;
        if (kept.size() >= kReportKeepLimit) {
            kept.erase(kept.begin(), kept.begin() + kReportKeepLimit / 2);
        }
        kept.push_back(std::move(r));
        return true;
    }

    ReadResult readInputReport(std::span<uint8_t> buffer) override {
        std::unique_lock lock(queue_->mutex);
        queue_->cv.wait(lock,
                        [&] { return queue_->woken || queue_->dead || !queue_->reports.empty(); });
        if (queue_->woken) {
            queue_->woken = false;
            return {ReadStatus::Woken, 0};
        }
        if (queue_->dead) {
            return {ReadStatus::Failed, 0};
        }
        const auto report = queue_->reports.front();
        queue_->reports.pop_front();
        const std::size_t n = std::min(buffer.size(), report.size());
        std::copy_n(report.begin(), n, buffer.begin());
        return {ReadStatus::Report, n};
    }

    void wake() override {
        std::lock_guard lock(queue_->mutex);
        queue_->woken = true;
        queue_->cv.notify_all();
    }

private:
    bool live() const { return core_->state.plugged && core_->generation == generation_; }

    std::shared_ptr<VirtualMouse::Core> core_;
    int interface_;
    unsigned generation_;
    std::shared_ptr<ReaderQueue> queue_;
};

class VirtualMonitor final : public device::HotplugMonitor {
public:
    explicit VirtualMonitor(std::shared_ptr<MonitorQueue> q) : q_(std::move(q)) {}
    int fd() const override { return q_->fd; }
    std::optional<DeviceChange> next() override {
        std::lock_guard lock(q_->mutex);
        if (q_->changes.empty()) {
            return std::nullopt;
        }
        DeviceChange c = std::move(q_->changes.front());
        q_->changes.pop_front();
        if (q_->changes.empty()) {
            uint64_t count;
            [[maybe_unused]] ssize_t ignored = ::read(q_->fd, &count, sizeof count);
        }
        return c;
    }

private:
    std::shared_ptr<MonitorQueue> q_;
};

} // namespace

VirtualMouse::VirtualMouse() : core_(std::make_shared<Core>()) {}

VirtualMouse::~VirtualMouse() {
    server_.reset(); // stop answering before the model goes away
    std::lock_guard lock(core_->mutex);
    for (auto& weak : core_->readers) {
        if (auto q = weak.lock()) {
            std::lock_guard ql(q->mutex);
            q->dead = true;
            q->cv.notify_all();
        }
    }
}

std::vector<HidInterfaceInfo> VirtualMouse::enumerate() {
    std::lock_guard lock(core_->mutex);
    if (!core_->state.plugged) {
        return {};
    }
    std::vector<HidInterfaceInfo> out(3);
    for (int i = 0; i < 3; ++i) {
        HidInterfaceInfo& e = out[static_cast<std::size_t>(i)];
        e.path = kInterfacePaths[static_cast<std::size_t>(i)];
        e.vendorId = 0x18F8;
        e.productId = 0x1286;
    }
    out[0].caps = {0x0001, 0x0002, 4, 0, 0};
    out[1].caps = {0xFF00, 0x0001, kVirtualReportLength, 0, 0};
    out[2].caps = {0xFF01, 0x0001, 0, 0, kVirtualReportLength};
    return out;
}

std::unique_ptr<device::HidDevice> VirtualMouse::open(const HidInterfaceInfo& info, Access) {
    std::lock_guard lock(core_->mutex);
    if (!core_->state.plugged) {
        return nullptr;
    }
    const auto it = std::find(kInterfacePaths.begin(), kInterfacePaths.end(), info.path);
    if (it == kInterfacePaths.end()) {
        return nullptr;
    }
    const int interface = static_cast<int>(it - kInterfacePaths.begin());
    auto queue = std::make_shared<ReaderQueue>();
    queue->receivesInput = interface == kInputInterface;
    core_->readers.push_back(queue); // every handle learns of an unplug
    return std::make_unique<VirtualDevice>(core_, interface, core_->generation, std::move(queue));
}

std::unique_ptr<device::HotplugMonitor> VirtualMouse::createMonitor() {
    auto q = std::make_shared<MonitorQueue>();
    if (q->fd < 0) {
        return nullptr;
    }
    std::lock_guard lock(core_->mutex);
    core_->monitors.push_back(q);
    return std::make_unique<VirtualMonitor>(std::move(q));
}

bool VirtualMouse::press(int button, std::optional<int> dpi, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (button < 1 || button > 15) {
        return fail("button number out of range 1..15");
    }
    if (dpi && (*dpi < 0 || *dpi > 3)) {
        return fail("DPI level out of range 0..3");
    }
    std::lock_guard lock(core_->mutex);
    DeviceState& s = core_->state;
    if (!s.plugged) {
        return fail("the mouse is unplugged");
    }
    if (dpi) {
        s.dpiLevel = static_cast<uint8_t>(*dpi);
    } else {
        const uint8_t code = s.buttonMap[static_cast<std::size_t>(button)];
        auto enabled = [&](int level) { return (s.dpiMask >> level) & 1; };
        if (code == 6) {
            for (int k = 1; k <= 4; ++k) {
                const int level = (s.dpiLevel + k) % 4;
                if (enabled(level)) {
                    s.dpiLevel = static_cast<uint8_t>(level);
                    break;
                }
            }
        } else if (code == 11) {
            for (int level = s.dpiLevel + 1; level <= 3; ++level) {
                if (enabled(level)) {
                    s.dpiLevel = static_cast<uint8_t>(level);
                    break;
                }
            }
        } else if (code == 12) {
            for (int level = s.dpiLevel - 1; level >= 0; --level) {
                if (enabled(level)) {
                    s.dpiLevel = static_cast<uint8_t>(level);
                    break;
                }
            }
        }
    }
    core_->pushInput({kInputReportId, static_cast<uint8_t>(0xF0 + button), s.dpiLevel});
    return true;
}

bool VirtualMouse::release(int button, std::string* error) {
    if (button < 1 || button > 15) {
        if (error) {
            *error = "button number out of range 1..15";
        }
        return false;
    }
    std::lock_guard lock(core_->mutex);
    if (!core_->state.plugged) {
        if (error) {
            *error = "the mouse is unplugged";
        }
        return false;
    }
    core_->pushInput({kInputReportId, static_cast<uint8_t>(0xF0 + button), 0x80});
    return true;
}

void VirtualMouse::unplug() {
    std::lock_guard lock(core_->mutex);
    if (!core_->state.plugged) {
        return;
    }
    core_->state.plugged = false;
    ++core_->generation;
    for (auto& weak : core_->readers) {
        if (auto q = weak.lock()) {
            std::lock_guard ql(q->mutex);
            q->dead = true;
            q->cv.notify_all();
        }
    }
    core_->readers.clear();
    core_->notifyMonitors(DeviceChangeKind::Removal);
}

void VirtualMouse::plug() {
    std::lock_guard lock(core_->mutex);
    if (core_->state.plugged) {
        return;
    }
    core_->state.plugged = true;
    core_->notifyMonitors(DeviceChangeKind::Arrival);
}

DeviceState VirtualMouse::state() const {
    std::lock_guard lock(core_->mutex);
    return core_->state;
}

std::vector<ReceivedReport> VirtualMouse::reports() const {
    std::lock_guard lock(core_->mutex);
    return core_->reports;
}

std::chrono::steady_clock::time_point VirtualMouse::startTime() const {
    return core_->start;
}

bool VirtualMouse::serve(const std::filesystem::path& dir, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (server_) {
        return fail("the virtual mouse is already served");
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return fail("cannot create " + dir.string() + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return fail(dir.string() + " is not a folder");
    }
    if (st.st_uid != ::geteuid()) {
        return fail(dir.string() + " belongs to another user");
    }
    // The socket drives the mouse: nobody else may reach it.
    if (::chmod(dir.c_str(), 0700) != 0) {
        return fail("cannot make " + dir.string() + " private: " + std::strerror(errno));
    }
    const std::filesystem::path logPath = dir / "reports.log";
    const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return fail("cannot write " + logPath.string() + ": " + std::strerror(errno));
    }
    auto server = std::make_unique<ControlServer>(*this);
    if (!server->start(dir / "control", error)) {
        ::close(fd);
        return false;
    }
    // Emptied only now: while another process serves the folder, the log is its own.
    if (::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return fail("cannot write " + logPath.string() + ": " + std::strerror(errno));
    }
    {
        std::lock_guard lock(core_->mutex);
        if (core_->logFd >= 0) {
            ::close(core_->logFd);
        }
        core_->logFd = fd;
    }
    server_ = std::move(server);
    return true;
}

std::string toJson(const DeviceState& s) {
    auto num = [](auto v) { return std::to_string(v); };
    std::string buttons = "{";
    for (std::size_t i = 1; i <= 8; ++i) {
        buttons += (i > 1 ? ",\"" : "\"") + std::to_string(i) + "\":" + num(s.buttonMap[i]);
    }
    buttons += "}";
    std::vector<uint8_t> keys;
    for (uint8_t k : s.keysHeld) {
        if (k != 0) {
            keys.push_back(k);
        }
    }
    std::string out = "{";
    out += "\"plugged\":" + std::string(s.plugged ? "true" : "false");
    out += ",\"buttons\":" + buttons;
    out += ",\"wheel\":" + num(s.wheelStatus);
    out += ",\"dpi\":{\"level\":" + num(s.dpiLevel) + ",\"mask\":" + num(s.dpiMask) +
           ",\"codes\":" + jsonArray(s.dpiCode, num) + "}";
    out += ",\"lighting\":" + num(s.lightingCode);
    out += ",\"fireUnits\":" + num(s.fireUnits);
    out += ",\"fireMs\":" + num(s.fireUnits * 8);
    out += ",\"keysHeld\":" + jsonArray(keys, num);
    out += ",\"buttonsHeld\":" + num(s.buttonsHeld);
    out += ",\"mediaKeys\":" + jsonArray(s.mediaKeys, num);
    out += ",\"typed\":" + jsonArray(s.typed, jsonString);
    out += ",\"exitReports\":" + num(s.exitReports);
    out += ",\"malformedReports\":" + num(s.malformedReports);
    out += ",\"reports\":" + num(s.reportCount);
    out += ",\"inputReports\":" + num(s.inputReportCount);
    return out + "}";
}

} // namespace torvex::sim
