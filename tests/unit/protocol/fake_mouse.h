// A minimal in-memory mouse for protocol tests: one read and one write collection, every feature
// report recorded with the test timeline's time, input reports queued by the test.
#pragma once

#include "device/device_link.h"
#include "device/timeline.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace torvex::device::testing {

// Virtual time: sleeping moves the clock to the deadline at once. onSleep runs before each sleep,
// so a test can act "while" a macro pauses.
class ManualTimeline final : public Timeline {
public:
    Clock::time_point now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    bool sleepUntil(Clock::time_point deadline) override {
        if (onSleep) {
            onSleep();
        }
        std::lock_guard lock(mutex_);
        if (aborted_) {
            return false;
        }
        now_ = std::max(now_, deadline);
        return true;
    }
    void abort() override {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    void resume() override {
        std::lock_guard lock(mutex_);
        aborted_ = false;
    }
    void advance(std::chrono::milliseconds d) {
        std::lock_guard lock(mutex_);
        now_ += d;
    }
    std::function<void()> onSleep;

private:
    mutable std::mutex mutex_;
    Clock::time_point now_{};
    bool aborted_ = false;
};

struct SentReport {
    Timeline::Clock::time_point time;
    std::vector<uint8_t> bytes;
};

class FakeMouse final : public HidBackend {
public:
    explicit FakeMouse(const Timeline& timeline) : timeline_(timeline) {}

    std::vector<HidInterfaceInfo> enumerate() override {
        std::vector<HidInterfaceInfo> list;
        if (!present) {
            return list;
        }
        HidInterfaceInfo read;
        read.path = "/dev/hidraw1";
        read.vendorId = kMouseVendorId;
        read.productId = kMouseProductId;
        read.caps = {kReadUsagePage, kVendorUsage, 9, 0, 0};
        HidInterfaceInfo write = read;
        write.path = "/dev/hidraw2";
        write.caps = {kWriteUsagePage, kVendorUsage, 0, 0, 9};
        list.push_back(read);
        list.push_back(write);
        return list;
    }

    std::unique_ptr<HidDevice> open(const HidInterfaceInfo&, Access) override {
        if (failOpen) {
            return nullptr;
        }
        return std::make_unique<Handle>(*this);
    }
    std::unique_ptr<HotplugMonitor> createMonitor() override { return nullptr; }

    void pushInput(std::vector<uint8_t> report) {
        std::lock_guard lock(mutex_);
        input_.push_back(std::move(report));
        cv_.notify_all();
    }
    std::vector<SentReport> sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    std::vector<std::vector<uint8_t>> sentBytes() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : sent()) {
            out.push_back(r.bytes);
        }
        return out;
    }
    void clearSent() {
        std::lock_guard lock(mutex_);
        sent_.clear();
    }
    // Waits (in real time) until `count` reports were sent; false after two seconds.
    bool waitForSent(std::size_t count) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(2), [&] { return sent_.size() >= count; });
    }

    bool present = true;
    bool failOpen = false;

private:
    class Handle final : public HidDevice {
    public:
        explicit Handle(FakeMouse& mouse) : mouse_(mouse) {}
        bool sendFeatureReport(std::span<const uint8_t> report) override {
            std::lock_guard lock(mouse_.mutex_);
            mouse_.sent_.push_back({mouse_.timeline_.now(), {report.begin(), report.end()}});
            mouse_.cv_.notify_all();
            return true;
        }
        ReadResult readInputReport(std::span<uint8_t> buffer) override {
            std::unique_lock lock(mouse_.mutex_);
            mouse_.cv_.wait(lock, [&] { return woken_ || !mouse_.input_.empty(); });
            if (woken_) {
                woken_ = false;
                return {ReadStatus::Woken, 0};
            }
            auto report = std::move(mouse_.input_.front());
            mouse_.input_.pop_front();
            const std::size_t n = std::min(report.size(), buffer.size());
            std::copy_n(report.begin(), n, buffer.begin());
            return {ReadStatus::Report, n};
        }
        void wake() override {
            std::lock_guard lock(mouse_.mutex_);
            woken_ = true;
            mouse_.cv_.notify_all();
        }

    private:
        FakeMouse& mouse_;
        bool woken_ = false;
    };

    const Timeline& timeline_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::vector<uint8_t>> input_;
    std::vector<SentReport> sent_;
};

// "07 10 01 01" -> bytes, padded with `fill` to `length` when given.
inline std::vector<uint8_t> hex(const std::string& text) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i + 1 < text.size() + 1; i += 3) {
        out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

} // namespace torvex::device::testing
