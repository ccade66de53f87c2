// Report lengths and top-level usage read from report descriptors, and malformed ones refused.
#include <gtest/gtest.h>

#include "FakeHidDriver.h"
#include "platform/linux/HidDescriptorParser.h"
#include "platform/linux/HidIdProperty.h"

namespace zrflash::test {
namespace {

using platform::linux_port::HidReportType;
using platform::linux_port::ParseHidDescriptor;

const std::vector<std::uint8_t> kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
    0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,
    0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

const std::vector<std::uint8_t> kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00,
    0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30,
    0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

// Input 1 (4 bytes) and features 2 (32 bytes), 3 (7 bytes) and 1 (2 bytes).
const std::vector<std::uint8_t> kWithReportIds = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,              //
    0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0x09, 0x01, 0x81, 0x02,  //
    0x85, 0x02, 0x95, 0x20, 0x09, 0x02, 0xB1, 0x02,        //
    0x85, 0x03, 0x95, 0x07, 0x09, 0x03, 0xB1, 0x02,        //
    0x85, 0x01, 0x95, 0x02, 0x09, 0x04, 0xB1, 0x02,        //
    0xC0};

// Push keeps 8 x 4, the 16-bit field in between is forgotten by Pop; a long item is skipped;
// a four-byte usage names its own page.
const std::vector<std::uint8_t> kPushPopLongItem = {
    0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x04, 0xA4, 0x75, 0x10, 0x95, 0x01,
    0xB4, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x81, 0x02, 0xC0};

struct DescriptorCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::uint16_t usagePage, usage;
    std::uint16_t input, output, feature;
    bool usesReportIds;
    std::uint16_t collections;
};

TEST(HidDescriptorParser, SizesReportsAsTheCapsGiveThem) {
    const DescriptorCase cases[] = {
        {"instrument", InstrumentDescriptor(), 0xFF00, 0x01, 0, 0, 19, false, 1},
        {"boot keyboard", kBootKeyboard, 0x01, 0x06, 9, 2, 0, false, 1},
        {"boot mouse", kBootMouse, 0x01, 0x02, 4, 0, 0, false, 2},
        {"report IDs", kWithReportIds, 0xFF00, 0x01, 5, 0, 33, true, 1},
        {"push, pop, long item", kPushPopLongItem, 0xFF00, 0x01, 5, 0, 0, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto summary = ParseHidDescriptor(c.bytes);
        ASSERT_TRUE(summary.valid);
        EXPECT_EQ(summary.usagePage, c.usagePage);
        EXPECT_EQ(summary.usage, c.usage);
        EXPECT_EQ(summary.MaxLength(HidReportType::Input), c.input);
        EXPECT_EQ(summary.MaxLength(HidReportType::Output), c.output);
        EXPECT_EQ(summary.MaxLength(HidReportType::Feature), c.feature);
        EXPECT_EQ(summary.usesReportIds, c.usesReportIds);
        EXPECT_EQ(summary.collections, c.collections);
    }
}

TEST(HidDescriptorParser, GivesEachReportIdItsOwnLengthWithTheIdByte) {
    const auto summary = ParseHidDescriptor(kWithReportIds);
    const std::map<std::uint8_t, std::uint16_t> feature{{1, 3}, {2, 33}, {3, 8}};
    const std::map<std::uint8_t, std::uint16_t> input{{1, 5}};
    EXPECT_EQ(summary.lengths.feature, feature);
    EXPECT_EQ(summary.lengths.input, input);
}

TEST(HidDescriptorParser, RefusesMalformedDescriptors) {
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"item cut short", {0x06, 0x00, 0xFF, 0x26, 0xFF}},
        {"long item cut short", {0xFE, 0x05, 0x10, 0x01}},
        {"pop without push", {0xA1, 0x01, 0xB4, 0xC0}},
        {"end without collection", {0xC0}},
        {"collection left open", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01}},
        {"report ID 0", {0xA1, 0x01, 0x85, 0x00, 0xC0}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ParseHidDescriptor(bytes).valid);
    }
}

TEST(HidDescriptorParser, HugeCountsSaturateInsteadOfWrapping) {
    // 0xFFFFFFFF fields of 32 bits: far beyond 16 bits of byte length.
    const std::vector<std::uint8_t> bytes = {0xA1, 0x01, 0x77, 0x20, 0x00, 0x00, 0x00, 0x97, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xB1, 0x02, 0xC0};
    const auto summary = ParseHidDescriptor(bytes);
    ASSERT_TRUE(summary.valid);
    EXPECT_EQ(summary.MaxLength(HidReportType::Feature), 0xFFFF);
}

TEST(HidIdProperty, ReadsBusVendorAndProduct) {
    struct Case {
        const char* text;
        bool valid;
        std::uint32_t bus;
        std::uint16_t vendor, product;
    };
    const Case cases[] = {
        {"0003:0000FF4D:0000F542", true, 3, 0xFF4D, 0xF542},
        {"0005:0000046D:0000B012", true, 5, 0x046D, 0xB012},
        {"0003:0000FF4D", false, 0, 0, 0},
        {"0003:0000FF4D:0001F542", false, 0, 0, 0},
        {"0003:0000FF4D:0000F542:1", false, 0, 0, 0},
        {"zz:1:2", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        platform::linux_port::HidrawInfo info{};
        ASSERT_EQ(platform::linux_port::ParseHidId(c.text, info), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(info.bus, c.bus);
        EXPECT_EQ(info.vendorId, c.vendor);
        EXPECT_EQ(info.productId, c.product);
    }
}

}  // namespace
}  // namespace zrflash::test
