// The one feature-report buffer through which everything the program tells the mouse passes.
//
// Byte 0 is the report id 0x07, byte 1 the command; a report writes only its own bytes, and every
// other byte keeps what an earlier report left there. The device receives the first
// writeCaps().featureReportByteLength bytes (at most 256). Building and sending happen under one
// lock, so reports from the window's thread and from the button worker never mix.
//
//   channel.send([&](FeatureChannel::Buffer b) { b[0] = 0x07; b[1] = 0x11; b[2] = wheel; });
//
// or, to send several reports without another thread's report in between:
//
//   auto s = channel.lock();
//   s.buffer()[1] = 0x10; ... s.send(); s.buffer()[1] = 0x11; ... s.send();
#pragma once

#include "device/device_link.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

namespace torvex::device {

inline constexpr uint8_t kFeatureReportId = 0x07;

// One report handed to an open write handle.
struct FeatureTrace {
    std::chrono::steady_clock::time_point time; // when it was handed over
    std::span<const uint8_t> bytes;             // exactly the declared length
    bool accepted = false;                      // the device took it
};

class FeatureChannel {
public:
    using Buffer = std::span<uint8_t, kReportBufferSize>;
    using TraceHook = std::function<void(const FeatureTrace&)>;

    explicit FeatureChannel(DeviceLink& link);

    // Exclusive use of the buffer while it lives.
    class Session {
    public:
        Buffer buffer() const { return Buffer(channel_->buffer_); }
        // Hands the first declared-length bytes to the write handle. False when there is no open
        // write handle or the device refused; nothing is retried.
        bool send();

    private:
        friend class FeatureChannel;
        Session(FeatureChannel& channel, std::unique_lock<std::mutex> lock)
            : channel_(&channel), lock_(std::move(lock)) {}
        FeatureChannel* channel_;
        std::unique_lock<std::mutex> lock_;
    };

    Session lock();

    // Fills the buffer with `fill` and sends it, as one step.
    bool send(const std::function<void(Buffer)>& fill);

    // Sees every report handed to an open write handle, in order, on the sending thread (under
    // the channel lock: the hook must not send).
    void setTraceHook(TraceHook hook);

    // A copy of the buffer, for diagnostics and tests.
    std::array<uint8_t, kReportBufferSize> contents() const;

private:
    bool sendLocked();

    DeviceLink& link_;
    mutable std::mutex mutex_;
    std::array<uint8_t, kReportBufferSize> buffer_{};
    TraceHook trace_;
};

} // namespace torvex::device
