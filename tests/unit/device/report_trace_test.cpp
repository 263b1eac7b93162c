#include "device/report_trace.h"

#include <gtest/gtest.h>

namespace torvex::device {
namespace {

TEST(ReportTrace, LineShape) {
    using std::chrono::microseconds;
    const auto start = std::chrono::steady_clock::time_point{} + microseconds(5'000'000);
    const std::array<uint8_t, 9> bytes = {0x07, 0x12, 0x00, 0x06, 0, 0, 0, 0, 0xAB};
    struct Case {
        long long afterUs;
        const char* line;
    };
    for (const Case c : {Case{0, "report +0.000 07 12 00 06 00 00 00 00 AB"},
                         Case{12'345, "report +12.345 07 12 00 06 00 00 00 00 AB"},
                         Case{1'000'007, "report +1000.007 07 12 00 06 00 00 00 00 AB"}}) {
        const FeatureTrace t{start + microseconds(c.afterUs), bytes, true};
        EXPECT_EQ(traceLine(t, start), c.line);
    }
    EXPECT_EQ(hexBytes({}), "");
}

} // namespace
} // namespace torvex::device
