#include "device/report_trace.h"

#include <cstdio>

namespace torvex::device {

std::string hexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

std::string millisecondsSince(std::chrono::steady_clock::time_point start,
                              std::chrono::steady_clock::time_point time) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(time - start).count();
    const bool negative = us < 0;
    const auto abs = negative ? -us : us;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%lld.%03lld", negative ? "-" : "",
                  static_cast<long long>(abs / 1000), static_cast<long long>(abs % 1000));
    return buf;
}

std::string traceLine(const FeatureTrace& trace, std::chrono::steady_clock::time_point start) {
    return "report +" + millisecondsSince(start, trace.time) + " " + hexBytes(trace.bytes);
}

} // namespace torvex::device
