#include "device/report_descriptor.h"

#include <algorithm>
#include <array>

namespace torvex::device {
namespace {

// Limits well above anything real hardware declares; they keep hostile input cheap.
constexpr std::size_t kMaxGlobalStack = 32;
constexpr int kMaxCollectionDepth = 64;
constexpr uint64_t kMaxBits = uint64_t{1} << 40;

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

enum LocalTag : uint8_t { kUsage = 0x0, kUsageMinimum = 0x1 };

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct Usage {
    uint16_t page = 0;
    uint16_t id = 0;
};

// Report bits of the top-level collection being parsed, by kind (input, output, feature) and
// report id.
struct Accumulator {
    std::array<std::array<uint64_t, 256>, 3> bits{};
    // Input items seen per report id, even those of no bits: such a report is still the id byte.
    std::array<bool, 256> inputIds{};
    bool usesReportIds = false;

    void add(int kind, uint32_t reportId, uint64_t n) {
        uint64_t& b = bits[static_cast<std::size_t>(kind)][reportId & 0xFF];
        b = std::min(kMaxBits, b + n);
        if (kind == 0) {
            inputIds[reportId & 0xFF] = true;
        }
    }

    std::vector<uint8_t> inputReportIds() const {
        std::vector<uint8_t> ids;
        for (std::size_t id = 0; id < inputIds.size(); ++id) {
            if (inputIds[id]) {
                ids.push_back(static_cast<uint8_t>(id));
            }
        }
        return ids;
    }

    uint16_t length(int kind) const {
        uint64_t best = 0;
        for (uint64_t b : bits[static_cast<std::size_t>(kind)]) {
            best = std::max(best, b);
        }
        if (best == 0) {
            return 0;
        }
        // One byte for the report id in front of the data, as the caller's buffers are framed.
        return static_cast<uint16_t>(std::min<uint64_t>(0xFFFF, (best + 7) / 8 + 1));
    }
};

uint32_t itemValue(std::span<const uint8_t> data) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        v |= uint32_t{data[i]} << (8 * i);
    }
    return v;
}

} // namespace

ParsedDescriptor parseReportDescriptor(std::span<const uint8_t> d) {
    ParsedDescriptor out;
    Globals g;
    std::vector<Globals> stack;
    // The collection's usage, when a local Usage item came first; a plain pair and a flag rather
    // than std::optional, which GCC 12 at -O2 wrongly calls maybe-uninitialized here.
    Usage firstUsage;
    bool haveFirstUsage = false;
    int depth = 0;
    Accumulator acc;
    TopLevelCollection current;

    auto fail = [&](std::size_t offset, const char* what) {
        out.error = std::string(what) + " at offset " + std::to_string(offset);
        return out;
    };

    std::size_t pos = 0;
    while (pos < d.size()) {
        const std::size_t at = pos;
        const uint8_t prefix = d[pos++];
        if (prefix == 0xFE) {
            // Long item: size byte, tag byte, then data. No long item tags are defined; skip it.
            if (d.size() - pos < 2) {
                return fail(at, "truncated long item");
            }
            const std::size_t size = d[pos];
            pos += 2;
            if (d.size() - pos < size) {
                return fail(at, "truncated long item");
            }
            pos += size;
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (d.size() - pos < size) {
            return fail(at, "truncated item");
        }
        const std::span<const uint8_t> data = d.subspan(pos, size);
        pos += size;
        const uint32_t value = itemValue(data);
        const auto type = static_cast<uint8_t>((prefix >> 2) & 3);
        const auto tag = static_cast<uint8_t>(prefix >> 4);

        if (type == kGlobal) {
            switch (tag) {
            case kUsagePage:
                g.usagePage = value;
                break;
            case kReportSize:
                g.reportSize = value;
                break;
            case kReportCount:
                g.reportCount = value;
                break;
            case kReportId:
                if (value == 0 || value > 255) {
                    return fail(at, "invalid report id");
                }
                g.reportId = value;
                out.usesReportIds = true;
                if (depth > 0) {
                    acc.usesReportIds = true;
                }
                break;
            case kPush:
                if (stack.size() >= kMaxGlobalStack) {
                    return fail(at, "global stack overflow");
                }
                stack.push_back(g);
                break;
            case kPop:
                if (stack.empty()) {
                    return fail(at, "pop without push");
                }
                g = stack.back();
                stack.pop_back();
                break;
            default:
                break; // logical and physical extents, units: not needed for lengths
            }
        } else if (type == kLocal) {
            if ((tag == kUsage || tag == kUsageMinimum) && !haveFirstUsage) {
                haveFirstUsage = true;
                // A four-byte usage carries its own page in the high half.
                firstUsage = size == 4 ? Usage{static_cast<uint16_t>(value >> 16),
                                               static_cast<uint16_t>(value & 0xFFFF)}
                                       : Usage{static_cast<uint16_t>(g.usagePage & 0xFFFF),
                                               static_cast<uint16_t>(value & 0xFFFF)};
            }
        } else if (type == kMain) {
            switch (tag) {
            case kInput:
            case kOutput:
            case kFeature:
                if (depth > 0) {
                    const int kind = tag == kInput ? 0 : tag == kOutput ? 1 : 2;
                    acc.add(kind, g.reportId, uint64_t{g.reportSize} * g.reportCount);
                }
                break;
            case kCollection:
                if (depth >= kMaxCollectionDepth) {
                    return fail(at, "collections nested too deep");
                }
                if (depth == 0) {
                    current = TopLevelCollection{};
                    const Usage u = haveFirstUsage
                                        ? firstUsage
                                        : Usage{static_cast<uint16_t>(g.usagePage & 0xFFFF), 0};
                    current.caps.usagePage = u.page;
                    current.caps.usage = u.id;
                    current.collectionType = static_cast<uint8_t>(value & 0xFF);
                    acc = Accumulator{};
                    // A report id declared before the collection applies to its items too.
                    acc.usesReportIds = g.reportId != 0;
                }
                ++depth;
                break;
            case kEndCollection:
                if (depth == 0) {
                    return fail(at, "end collection without collection");
                }
                if (--depth == 0) {
                    current.caps.inputReportByteLength = acc.length(0);
                    current.caps.outputReportByteLength = acc.length(1);
                    current.caps.featureReportByteLength = acc.length(2);
                    current.usesReportIds = acc.usesReportIds;
                    current.inputReportIds = acc.inputReportIds();
                    out.collections.push_back(current);
                }
                break;
            default:
                break;
            }
            haveFirstUsage = false; // local state lasts until the next main item
        }
        // Reserved item types carry nothing we use; their data was skipped above.
    }
    if (depth != 0) {
        return fail(d.size(), "unclosed collection");
    }
    return out;
}

} // namespace torvex::device
