// Reads a HID report descriptor far enough to size its reports, as the platform's parsed data would.
#include "platform/linux/HidDescriptorParser.h"

#include <algorithm>
#include <vector>

namespace zrflash::platform::linux_port {
namespace {

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag : std::uint8_t { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };

enum GlobalTag : std::uint8_t { kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9,
                                kPush = 0xA, kPop = 0xB };

enum LocalTag : std::uint8_t { kUsage = 0x0 };

constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// Bits collected so far for each report ID of each type.
using ReportBits = std::map<std::uint8_t, std::uint64_t>;

std::uint16_t ByteLength(std::uint64_t bits) {
    // The ID byte counts even for a device without IDs: the caller's buffer always starts with it.
    const std::uint64_t bytes = (bits + 7) / 8 + 1;
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes, 0xFFFF));
}

std::map<std::uint8_t, std::uint16_t> Lengths(const ReportBits& bits) {
    std::map<std::uint8_t, std::uint16_t> lengths;
    for (const auto& [id, count] : bits) lengths[id] = ByteLength(count);
    return lengths;
}

}  // namespace

std::uint16_t HidDescriptorSummary::MaxLength(HidReportType type) const {
    const auto& table = type == HidReportType::Input    ? lengths.input
                        : type == HidReportType::Output ? lengths.output
                                                        : lengths.feature;
    std::uint16_t longest = 0;
    for (const auto& [id, length] : table) longest = std::max(longest, length);
    return longest;
}

HidDescriptorSummary ParseHidDescriptor(std::span<const std::uint8_t> descriptor) {
    HidDescriptorSummary summary;
    GlobalState global;
    std::vector<GlobalState> stack;
    std::vector<std::uint32_t> usages;
    ReportBits input, output, feature;
    int depth = 0;
    bool topLevelSeen = false;

    std::size_t at = 0;
    while (at < descriptor.size()) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            if (at + 2 >= descriptor.size()) return {};
            const std::size_t size = descriptor[at + 1];
            at += 3 + size;
            if (at > descriptor.size()) return {};
            continue;
        }
        const std::size_t sizeCode = prefix & 0x3;
        const std::size_t size = sizeCode == 3 ? 4 : sizeCode;
        if (at + 1 + size > descriptor.size()) return {};
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(descriptor[at + 1 + i]) << (8 * i);
        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);
        at += 1 + size;

        if (type == kMain) {
            const std::uint64_t bits = static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
            switch (tag) {
                case kInput: input[global.reportId] += bits; break;
                case kOutput: output[global.reportId] += bits; break;
                case kFeature: feature[global.reportId] += bits; break;
                case kCollection:
                    if (depth == 0 && !topLevelSeen) {
                        topLevelSeen = true;
                        const std::uint32_t usage = usages.empty() ? 0 : usages.front();
                        // A four-byte usage carries its own page in the upper half.
                        summary.usagePage = static_cast<std::uint16_t>(usage > 0xFFFF ? usage >> 16 : global.usagePage);
                        summary.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
                    }
                    ++depth;
                    ++summary.collections;
                    break;
                case kEndCollection:
                    if (depth == 0) return {};
                    --depth;
                    break;
                default: break;
            }
            usages.clear();
        } else if (type == kGlobal) {
            switch (tag) {
                case kUsagePage: global.usagePage = value; break;
                case kReportSize: global.reportSize = value; break;
                case kReportCount: global.reportCount = value; break;
                case kReportId:
                    if (value == 0 || value > 0xFF) return {};
                    global.reportId = static_cast<std::uint8_t>(value);
                    summary.usesReportIds = true;
                    break;
                case kPush: stack.push_back(global); break;
                case kPop:
                    if (stack.empty()) return {};
                    global = stack.back();
                    stack.pop_back();
                    break;
                default: break;
            }
        } else if (type == kLocal && tag == kUsage) {
            usages.push_back(size == 4 ? value : value & 0xFFFF);
        }
    }
    if (depth != 0) return {};
    summary.lengths = {Lengths(input), Lengths(output), Lengths(feature)};
    summary.valid = true;
    return summary;
}

}  // namespace zrflash::platform::linux_port
