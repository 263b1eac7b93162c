// HID report-descriptor parser: turns the descriptor bytes of a device node into its top-level
// collections with their usages and report lengths. Accepts any bytes: it reads only inside the
// given span, advances at least one byte per item, and reports malformed input as an error.
#pragma once

#include "device/hid_backend.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace torvex::device {

struct TopLevelCollection {
    HidCaps caps;
    uint8_t collectionType = 0; // 1 = application
    bool usesReportIds = false;
    // Ids of the collection's Input items, sorted, each once (0 for items before any Report ID).
    // One hidraw node delivers the input reports of all its collections; these tell ours apart.
    std::vector<uint8_t> inputReportIds{};
};

struct ParsedDescriptor {
    std::vector<TopLevelCollection> collections;
    // True when any Report ID item appears; such a node's reports carry the id byte on the wire.
    bool usesReportIds = false;
    // Empty when the descriptor is well formed. On error `collections` holds the top-level
    // collections that were closed before the fault.
    std::string error;

    bool ok() const { return error.empty(); }
};

ParsedDescriptor parseReportDescriptor(std::span<const uint8_t> descriptor);

} // namespace torvex::device
