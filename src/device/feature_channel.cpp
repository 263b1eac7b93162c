#include "device/feature_channel.h"

#include <algorithm>

namespace torvex::device {

FeatureChannel::FeatureChannel(DeviceLink& link) : link_(link) {}

FeatureChannel::Session FeatureChannel::lock() {
    return Session(*this, std::unique_lock(mutex_));
}

bool FeatureChannel::Session::send() {
    return channel_->sendLocked();
}

bool FeatureChannel::send(const std::function<void(Buffer)>& fill) {
    std::lock_guard lock(mutex_);
    fill(Buffer(buffer_));
    return sendLocked();
}

bool FeatureChannel::sendLocked() {
    const DeviceHandle handle = link_.writeHandle();
    if (!handle.isOpen()) {
        return false; // null or failed handle: the report is lost, as with a failed send
    }
    // A declared length beyond the buffer would read past it: cut it to the buffer.
    const std::size_t length =
        std::min<std::size_t>(link_.writeCaps().featureReportByteLength, buffer_.size());
    const std::span<const uint8_t> bytes(buffer_.data(), length);
    const auto time = std::chrono::steady_clock::now();
    const bool accepted = handle.device->sendFeatureReport(bytes);
    if (trace_) {
        trace_(FeatureTrace{time, bytes, accepted});
    }
    return accepted;
}

void FeatureChannel::setTraceHook(TraceHook hook) {
    std::lock_guard lock(mutex_);
    trace_ = std::move(hook);
}

std::array<uint8_t, kReportBufferSize> FeatureChannel::contents() const {
    std::lock_guard lock(mutex_);
    return buffer_;
}

} // namespace torvex::device
