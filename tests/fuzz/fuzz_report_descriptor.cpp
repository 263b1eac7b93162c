// libFuzzer entry: the report-descriptor parser must take any bytes.
#include "device/report_descriptor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto parsed = torvex::device::parseReportDescriptor(std::span<const uint8_t>(data, size));
    // Every top-level collection takes at least two bytes of input.
    if (parsed.collections.size() > size / 2) {
        __builtin_trap();
    }
    for (const auto& c : parsed.collections) {
        // Input report ids come sorted, each once, and a collection with input reports has at
        // least one: a reader filtering by them must not lose its own collection's reports.
        const auto& ids = c.inputReportIds;
        if (std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<>()) != ids.end() ||
            (c.caps.inputReportByteLength != 0 && ids.empty())) {
            __builtin_trap();
        }
    }
    return 0;
}
