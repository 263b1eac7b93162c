// libFuzzer entry: the report-descriptor parser must take any bytes.
#include "device/report_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto parsed = torvex::device::parseReportDescriptor(std::span<const uint8_t>(data, size));
    // Every top-level collection takes at least two bytes of input.
    if (parsed.collections.size() > size / 2) {
        __builtin_trap();
    }
    return 0;
}
