// The input reader's handling of any report bytes, with any button functions and macro tables:
// the worker then performs the event without touching anything outside the tables.
#include "device/button_events.h"
#include "fuzz_support.h"

namespace {
using namespace torvex;

// Time that passes at once, and not very far: long macros end quickly.
class InstantTimeline final : public device::Timeline {
public:
    Clock::time_point now() const override { return now_; }
    bool sleepUntil(Clock::time_point deadline) override {
        now_ = std::max(now_, deadline);
        return ++sleeps_ < 4096;
    }
    void abort() override {}
    void resume() override {}

private:
    Clock::time_point now_{};
    int sleeps_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    device::ButtonSettings settings;
    for (auto& f : settings.buttonFunction) {
        f = static_cast<int8_t>(in.byte()); // any code, negative ones too
    }
    settings.macroMode = in.byte() & 1;
    settings.curConfig = in.byte() % 8;
    MacroTables macros;
    for (auto* table : {&macros.macroTable, &macros.constMacroTable}) {
        table->count = in.byte() % 16; // may claim more than it holds
        for (auto& r : table->records) {
            r.eventCount = in.byte();
            r.repeatMode = in.byte();
            r.setRepeatCount(in.byte());
            for (std::size_t k = 0; k < 8; ++k) {
                r.events[k] = {in.byte(), in.byte()};
            }
        }
    }
    device::NoHidDevices backend;
    device::DeviceLink link(backend);
    device::FeatureChannel channel(link);
    InstantTimeline timeline;
    device::ButtonEventHooks hooks;
    hooks.settings = [&] { return settings; };
    device::ButtonEventService service(link, channel, macros, timeline,
                                       fuzz::scratch() / "config.ini", hooks);
    std::array<bool, 7> tracking{};
    for (auto& t : tracking) {
        t = (in.byte() & 1) != 0;
    }
    service.setDpiTracking(tracking);
    const auto rest = in.rest();
    for (std::size_t at = 0; at < rest.size();) {
        const std::size_t length =
            std::min<std::size_t>(rest.size() - at, 1 + static_cast<uint8_t>(rest[at]) % 12);
        service.handleInputReport(
            std::span(reinterpret_cast<const uint8_t*>(rest.data()) + at, length));
        service.performPending();
        at += length;
    }
    return 0;
}
