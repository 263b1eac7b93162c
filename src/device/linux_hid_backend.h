// The real HID backend: hidraw nodes found through libudev, report descriptors parsed by
// parseReportDescriptor(), feature reports through HIDIOCSFEATURE, input reports (those of the
// opened collection) through poll() + read() with an eventfd for waking, and a udev monitor for
// arrivals and removals.
#pragma once

#include "device/hid_backend.h"

#include <memory>

namespace torvex::device {

// nullptr when libudev cannot be initialised.
std::unique_ptr<HidBackend> createLinuxHidBackend();

} // namespace torvex::device
