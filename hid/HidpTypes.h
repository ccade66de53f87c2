// The records of the report-query functions, in the platform's layout (64-bit).
#pragma once

#include <array>
#include <cstdint>

namespace zrflash::hid {

// HIDP_REPORT_TYPE values.
inline constexpr std::uint32_t kHidpInput = 0;
inline constexpr std::uint32_t kHidpOutput = 1;
inline constexpr std::uint32_t kHidpFeature = 2;

// The parameter fields a device passes to a query.
struct HidpParameters {
    std::uint32_t reportType = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t linkCollection = 0;
    std::uint16_t usage = 0;
};

// HIDP_BUTTON_CAPS (72 bytes); the range form and the single-usage form share rangeOrUsage.
struct HidpButtonCaps {
    std::uint16_t UsagePage = 0;
    std::uint8_t ReportID = 0;
    std::uint8_t IsAlias = 0;
    std::uint16_t BitField = 0;
    std::uint16_t LinkCollection = 0;
    std::uint16_t LinkUsage = 0;
    std::uint16_t LinkUsagePage = 0;
    std::uint8_t IsRange = 0;
    std::uint8_t IsStringRange = 0;
    std::uint8_t IsDesignatorRange = 0;
    std::uint8_t IsAbsolute = 0;
    std::array<std::uint32_t, 10> Reserved{};
    std::array<std::uint16_t, 8> rangeOrUsage{};
};
static_assert(sizeof(HidpButtonCaps) == 72);

// HIDP_VALUE_CAPS (72 bytes).
struct HidpValueCaps {
    std::uint16_t UsagePage = 0;
    std::uint8_t ReportID = 0;
    std::uint8_t IsAlias = 0;
    std::uint16_t BitField = 0;
    std::uint16_t LinkCollection = 0;
    std::uint16_t LinkUsage = 0;
    std::uint16_t LinkUsagePage = 0;
    std::uint8_t IsRange = 0;
    std::uint8_t IsStringRange = 0;
    std::uint8_t IsDesignatorRange = 0;
    std::uint8_t IsAbsolute = 0;
    std::uint8_t HasNull = 0;
    std::uint8_t Reserved = 0;
    std::uint16_t BitSize = 0;
    std::uint16_t ReportCount = 0;
    std::array<std::uint16_t, 5> Reserved2{};
    std::uint32_t UnitsExp = 0;
    std::uint32_t Units = 0;
    std::int32_t LogicalMin = 0;
    std::int32_t LogicalMax = 0;
    std::int32_t PhysicalMin = 0;
    std::int32_t PhysicalMax = 0;
    std::array<std::uint16_t, 8> rangeOrUsage{};
};
static_assert(sizeof(HidpValueCaps) == 72);

// HIDP_DATA; RawValue also carries the On flag of buttons.
struct HidpData {
    std::uint16_t DataIndex = 0;
    std::uint16_t Reserved = 0;
    std::uint32_t RawValue = 0;
};
static_assert(sizeof(HidpData) == 8);

// USAGE_AND_PAGE.
struct HidpUsageAndPage {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
};

// HIDP_LINK_COLLECTION_NODE; bits holds CollectionType (8 bits) and IsAlias (1 bit).
struct HidpLinkCollectionNode {
    std::uint16_t LinkUsage = 0;
    std::uint16_t LinkUsagePage = 0;
    std::uint16_t Parent = 0;
    std::uint16_t NumberOfChildren = 0;
    std::uint16_t NextSibling = 0;
    std::uint16_t FirstChild = 0;
    std::uint32_t bits = 0;
    std::uintptr_t UserContext = 0;
};
static_assert(sizeof(HidpLinkCollectionNode) == 24);

}  // namespace zrflash::hid
