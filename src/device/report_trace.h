// Text forms of reports for traces and logs.
#pragma once

#include "device/feature_channel.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace torvex::device {

// "07 10 01 01": two upper-case hex digits per byte, single spaces between.
std::string hexBytes(std::span<const uint8_t> bytes);

// Milliseconds from `start` to `time` with three decimals, e.g. "12.345".
std::string millisecondsSince(std::chrono::steady_clock::time_point start,
                              std::chrono::steady_clock::time_point time);

// One trace line without newline: "report +<ms since start> <bytes>".
std::string traceLine(const FeatureTrace& trace, std::chrono::steady_clock::time_point start);

} // namespace torvex::device
