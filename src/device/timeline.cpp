#include "device/timeline.h"

namespace torvex::device {

bool SteadyTimeline::sleepUntil(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    // steady_clock waits are absolute waits on CLOCK_MONOTONIC.
    cv_.wait_until(lock, deadline, [&] { return aborted_ || Clock::now() >= deadline; });
    return !aborted_;
}

void SteadyTimeline::abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    cv_.notify_all();
}

void SteadyTimeline::resume() {
    std::lock_guard lock(mutex_);
    aborted_ = false;
}

bool SteadyTimeline::aborted() const {
    std::lock_guard lock(mutex_);
    return aborted_;
}

bool Pacer::wait(std::chrono::milliseconds duration) {
    const auto now = timeline_.now();
    if (now - deadline_ > kMaxLag) {
        deadline_ = now; // the pause still counts in full from here
    }
    deadline_ += duration;
    return timeline_.sleepUntil(deadline_);
}

} // namespace torvex::device
