// Reads a HID report descriptor far enough to size its reports, as the platform's parsed data would.
#pragma once

#include <cstdint>
#include <map>
#include <span>

namespace zrflash::platform::linux_port {

enum class HidReportType { Input, Output, Feature };

struct HidReportLengths {
    // Byte length of each report by report ID (0 when the device uses no IDs), the ID byte included.
    std::map<std::uint8_t, std::uint16_t> input;
    std::map<std::uint8_t, std::uint16_t> output;
    std::map<std::uint8_t, std::uint16_t> feature;
};

struct HidDescriptorSummary {
    bool valid = false;          // false: the descriptor is malformed and nothing below can be trusted
    bool usesReportIds = false;
    std::uint16_t usagePage = 0;  // of the first top-level collection
    std::uint16_t usage = 0;
    std::uint16_t collections = 0;
    HidReportLengths lengths;

    // The longest report of that type with its ID byte, as HIDP_CAPS gives it; 0 when there is none.
    std::uint16_t MaxLength(HidReportType type) const;
};

// Device-supplied bytes: every item is bounds-checked; a truncated item, a report ID of 0, a
// Pop without Push or an unbalanced End Collection makes the descriptor invalid.
HidDescriptorSummary ParseHidDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace zrflash::platform::linux_port
