#include "device/report_descriptor.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace torvex::device {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Building blocks of real descriptors.
const Bytes kBootMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05,
                          0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03,
                          0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05,
                          0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F,
                          0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0};
// The same with report id 1, as it sits beside the vendor collections on the mouse's node.
const Bytes kNumberedPointer = Bytes(kBootMouse.begin(), kBootMouse.begin() + 6) +
                               Bytes{0x85, 0x01} + Bytes(kBootMouse.begin() + 6, kBootMouse.end());
const Bytes kVendorInput = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x06, 0x15, 0x00, 0x26,
                            0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0xC0};
const Bytes kVendorFeature = {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85,
                              0x07, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                              0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0xC0};
// One collection, three report ids: input id 1 has 2 data bytes, input id 2 has 5, feature
// id 3 has 3; output id 2 has 1.
const Bytes kMultipleIds = {0x06, 0x00, 0xFF, 0x09, 0x20, 0xA1, 0x01, 0x75, 0x08, 0x85, 0x01,
                            0x95, 0x02, 0x81, 0x02, 0x85, 0x02, 0x95, 0x05, 0x81, 0x02, 0x95,
                            0x01, 0x91, 0x02, 0x85, 0x03, 0x95, 0x03, 0xB1, 0x02, 0xC0};

struct Case {
    const char* name;
    Bytes bytes;
    std::vector<HidCaps> collections;
    std::vector<Bytes> inputIds; // per collection
    bool ok;
    bool usesReportIds;
};

TEST(ReportDescriptor, TopLevelCollectionsReportLengthsAndInputIds) {
    const std::vector<Case> cases = {
        {"boot mouse without report ids: 4 data bytes + 1",
         kBootMouse,
         {{0x0001, 0x0002, 5, 0, 0}},
         {Bytes{0}},
         true,
         false},
        {"the mouse's vendor collections",
         kVendorInput + kVendorFeature,
         {{0xFF00, 0x0001, 9, 0, 0}, {0xFF01, 0x0001, 0, 0, 9}},
         {Bytes{6}, Bytes{}},
         true,
         true},
        {"a numbered pointer beside the vendor input: each keeps its own input ids",
         kNumberedPointer + kVendorInput,
         {{0x0001, 0x0002, 5, 0, 0}, {0xFF00, 0x0001, 9, 0, 0}},
         {Bytes{1}, Bytes{6}},
         true,
         true},
        {"a report id carries into the next collection until another is declared",
         kNumberedPointer + Bytes{0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02,
                                  0x81, 0x02, 0x85, 0x04, 0x81, 0x02, 0xC0},
         {{0x0001, 0x0002, 5, 0, 0}, {0xFF00, 0x0002, 3, 0, 0}},
         {Bytes{1}, Bytes{1, 4}},
         true,
         true},
        {"largest report per kind across report ids",
         kMultipleIds,
         {{0xFF00, 0x0020, 6, 2, 4}},
         {Bytes{1, 2}},
         true,
         true},
        {"push and pop restore the report size",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95,
          0x01, 0xA4, 0x75, 0x10, 0x81, 0x02, 0xB4, 0x81, 0x02, 0xC0},
         {{0xFF00, 0x0001, 4, 0, 0}},
         {Bytes{0}},
         true,
         false},
        {"a four-byte usage carries its own page",
         {0x05, 0x01, 0x0B, 0x01, 0x00, 0x01, 0xFF, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0xB1, 0x02,
          0xC0},
         {{0xFF01, 0x0001, 0, 0, 3}},
         {Bytes{}},
         true,
         false},
        {"long items are skipped; nested collections count for their top-level one",
         {0x05, 0x0C, 0x09, 0x01, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0xA1, 0x01,
          0xA1, 0x02, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0, 0xC0},
         {{0x000C, 0x0001, 3, 0, 0}},
         {Bytes{0}},
         true,
         false},
        {"a collection without a usage takes the page and usage 0",
         {0x06, 0x34, 0x12, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0},
         {{0x1234, 0x0000, 2, 0, 0}},
         {Bytes{0}},
         true,
         false},
        {"main items outside any collection are ignored",
         {0x75, 0x08, 0x95, 0x04, 0x81, 0x02},
         {},
         {},
         true,
         false},
        {"empty descriptor", {}, {}, {}, true, false},
        {"a truncated item keeps the collections closed before it",
         kBootMouse + Bytes{0x75},
         {{0x0001, 0x0002, 5, 0, 0}},
         {Bytes{0}},
         false,
         false},
        {"truncated four-byte item", {0x07, 0x01, 0x00}, {}, {}, false, false},
        {"truncated long item", {0xFE, 0x05, 0x00, 0x01}, {}, {}, false, false},
        {"end collection without collection", {0xC0}, {}, {}, false, false},
        {"unclosed collection", {0x09, 0x01, 0xA1, 0x01, 0x81, 0x02}, {}, {}, false, false},
        {"pop without push", {0xB4}, {}, {}, false, false},
        {"report id 0 is invalid", {0x85, 0x00}, {}, {}, false, false},
        {"report id above 255 is invalid", {0x86, 0x00, 0x01}, {}, {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedDescriptor p = parseReportDescriptor(c.bytes);
        EXPECT_EQ(p.ok(), c.ok) << p.error;
        if (c.ok) {
            EXPECT_EQ(p.usesReportIds, c.usesReportIds);
        }
        ASSERT_EQ(p.collections.size(), c.collections.size());
        for (std::size_t i = 0; i < c.collections.size(); ++i) {
            EXPECT_EQ(p.collections[i].caps, c.collections[i]) << "collection " << i;
            EXPECT_EQ(p.collections[i].inputReportIds, c.inputIds.at(i)) << "collection " << i;
        }
    }
}

TEST(ReportDescriptor, HostileNestingAndHugeCountsStayBounded) {
    Bytes deep;
    for (int i = 0; i < 100; ++i) {
        deep.insert(deep.end(), {0xA1, 0x01});
    }
    EXPECT_FALSE(parseReportDescriptor(deep).ok());

    Bytes pushes(100, 0xA4);
    EXPECT_FALSE(parseReportDescriptor(pushes).ok());

    // 0xFFFFFFFF bits times 0xFFFFFFFF: the length saturates instead of wrapping.
    const Bytes huge = {0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97,
                        0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0xC0};
    const ParsedDescriptor p = parseReportDescriptor(huge);
    ASSERT_TRUE(p.ok()) << p.error;
    ASSERT_EQ(p.collections.size(), 1u);
    EXPECT_EQ(p.collections[0].caps.inputReportByteLength, 0xFFFF);
}

TEST(ReportDescriptor, RandomAndMutatedBytesNeverFault) {
    // The real guard is the sanitizer build; this only has to terminate and stay in bounds.
    std::mt19937 rng(12345);
    const Bytes seed = kBootMouse + kVendorInput + kVendorFeature + kMultipleIds;
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes;
        if (round % 2 == 0) {
            bytes.resize(rng() % 64);
            for (uint8_t& b : bytes) {
                b = static_cast<uint8_t>(rng());
            }
        } else {
            bytes = seed;
            for (int k = 0; k < 4; ++k) {
                bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
            }
            bytes.resize(rng() % (bytes.size() + 1));
        }
        const ParsedDescriptor p = parseReportDescriptor(bytes);
        EXPECT_LE(p.collections.size(), bytes.size() / 2);
    }
}

} // namespace
} // namespace torvex::device
