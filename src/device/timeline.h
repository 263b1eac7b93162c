// Time for everything that paces reports: macro pauses and the release-all sequence. Waits are
// against absolute deadlines, so the time spent sending does not add up into drift, and they can
// be cut short when the mouse goes away or the program ends.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace torvex::device {

class Timeline {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~Timeline() = default;
    virtual Clock::time_point now() const = 0;
    // Returns when `deadline` has passed (true) or the timeline was aborted (false, at once).
    virtual bool sleepUntil(Clock::time_point deadline) = 0;
    // Wakes every sleeper; sleeps return false until resume().
    virtual void abort() = 0;
    virtual void resume() = 0;
};

// The real clock. abort() wakes every sleeper and makes later sleeps return false until
// resume().
class SteadyTimeline final : public Timeline {
public:
    Clock::time_point now() const override { return Clock::now(); }
    bool sleepUntil(Clock::time_point deadline) override;
    void abort() override;
    void resume() override;
    bool aborted() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool aborted_ = false;
};

// A running schedule: each wait moves the deadline on by its duration and sleeps until then.
class Pacer {
public:
    // Behind schedule by more than this (a suspended machine, an overloaded one), the schedule
    // starts again from now instead of firing the missed events in a burst.
    static constexpr std::chrono::milliseconds kMaxLag{50};

    explicit Pacer(Timeline& timeline) : timeline_(timeline), deadline_(timeline.now()) {}
    void restart() { deadline_ = timeline_.now(); }
    bool wait(std::chrono::milliseconds duration);
    Timeline::Clock::time_point deadline() const { return deadline_; }

private:
    Timeline& timeline_;
    Timeline::Clock::time_point deadline_;
};

} // namespace torvex::device
