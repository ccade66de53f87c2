// The report queries over preparsed data, passed to HID.dll with the device's parameters. The
// list lengths the caller gives are capped at its buffers, so HID.dll never writes past them.
#include <algorithm>
#include <limits>

#include "platform/win32/Win32HidSystem.h"

namespace zrflash::platform::win32 {
namespace {

using hid::HidpParameters;
using hid::HidpStatus;
using hid::PreparsedDataHandle;

PHIDP_PREPARSED_DATA Native(PreparsedDataHandle data) { return reinterpret_cast<PHIDP_PREPARSED_DATA>(data); }
HIDP_REPORT_TYPE ReportType(std::uint32_t type) { return static_cast<HIDP_REPORT_TYPE>(type); }
PCHAR Bytes(std::span<std::uint8_t> report) { return reinterpret_cast<PCHAR>(report.data()); }
ULONG Length(std::span<std::uint8_t> report) {
    return static_cast<ULONG>(std::min<std::size_t>(report.size(), std::numeric_limits<ULONG>::max()));
}
template <class Length, class Span>
Length Capped(Length requested, const Span& buffer) {
    return static_cast<Length>(std::min<std::size_t>(requested, buffer.size()));
}

static_assert(sizeof(HIDP_BUTTON_CAPS) == sizeof(hid::HidpButtonCaps));
static_assert(sizeof(HIDP_VALUE_CAPS) == sizeof(hid::HidpValueCaps));
static_assert(sizeof(HIDP_DATA) == sizeof(hid::HidpData));
static_assert(sizeof(USAGE_AND_PAGE) == sizeof(hid::HidpUsageAndPage));
static_assert(sizeof(HIDP_LINK_COLLECTION_NODE) == sizeof(hid::HidpLinkCollectionNode));

}  // namespace

#define ZR_REQUIRE(function) \
    if (Hid().function == nullptr) return hid::kHidpStatusNotImplemented

HidpStatus Win32HidSystem::GetSpecificButtonCaps(PreparsedDataHandle data, const HidpParameters& p,
                                                 std::span<hid::HidpButtonCaps> caps, std::uint16_t& length) {
    ZR_REQUIRE(GetSpecificButtonCaps);
    USHORT count = Capped(length, caps);
    const auto status = static_cast<HidpStatus>(Hid().GetSpecificButtonCaps(
        ReportType(p.reportType), p.usagePage, p.linkCollection, p.usage,
        reinterpret_cast<PHIDP_BUTTON_CAPS>(caps.data()), &count, Native(data)));
    length = count;
    return status;
}

HidpStatus Win32HidSystem::GetSpecificValueCaps(PreparsedDataHandle data, const HidpParameters& p,
                                                std::span<hid::HidpValueCaps> caps, std::uint16_t& length) {
    ZR_REQUIRE(GetSpecificValueCaps);
    USHORT count = Capped(length, caps);
    const auto status = static_cast<HidpStatus>(Hid().GetSpecificValueCaps(
        ReportType(p.reportType), p.usagePage, p.linkCollection, p.usage,
        reinterpret_cast<PHIDP_VALUE_CAPS>(caps.data()), &count, Native(data)));
    length = count;
    return status;
}

HidpStatus Win32HidSystem::GetLinkCollectionNodes(PreparsedDataHandle data,
                                                  std::span<hid::HidpLinkCollectionNode> nodes,
                                                  std::uint32_t& length) {
    ZR_REQUIRE(GetLinkCollectionNodes);
    ULONG count = Capped(length, nodes);
    const auto status = static_cast<HidpStatus>(Hid().GetLinkCollectionNodes(
        reinterpret_cast<PHIDP_LINK_COLLECTION_NODE>(nodes.data()), &count, Native(data)));
    length = count;
    return status;
}

HidpStatus Win32HidSystem::GetData(PreparsedDataHandle data, std::uint32_t reportType, std::span<hid::HidpData> list,
                                   std::uint32_t& length, std::span<std::uint8_t> report) {
    ZR_REQUIRE(GetData);
    ULONG count = Capped(length, list);
    const auto status = static_cast<HidpStatus>(Hid().GetData(ReportType(reportType),
                                                              reinterpret_cast<PHIDP_DATA>(list.data()), &count,
                                                              Native(data), Bytes(report), Length(report)));
    length = count;
    return status;
}

HidpStatus Win32HidSystem::SetData(PreparsedDataHandle data, std::uint32_t reportType, std::span<hid::HidpData> list,
                                   std::uint32_t& length, std::span<std::uint8_t> report) {
    ZR_REQUIRE(SetData);
    ULONG count = Capped(length, list);
    const auto status = static_cast<HidpStatus>(Hid().SetData(ReportType(reportType),
                                                              reinterpret_cast<PHIDP_DATA>(list.data()), &count,
                                                              Native(data), Bytes(report), Length(report)));
    length = count;
    return status;
}

std::uint32_t Win32HidSystem::MaxDataListLength(PreparsedDataHandle data, std::uint32_t reportType) {
    if (Hid().MaxDataListLength == nullptr) return 0;
    return Hid().MaxDataListLength(ReportType(reportType), Native(data));
}

std::uint32_t Win32HidSystem::MaxUsageListLength(PreparsedDataHandle data, std::uint32_t reportType,
                                                 std::uint16_t usagePage) {
    if (Hid().MaxUsageListLength == nullptr) return 0;
    return Hid().MaxUsageListLength(ReportType(reportType), usagePage, Native(data));
}

HidpStatus Win32HidSystem::GetUsages(PreparsedDataHandle data, const HidpParameters& p,
                                     std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                     std::span<std::uint8_t> report) {
    ZR_REQUIRE(GetUsages);
    ULONG count = Capped(usageLength, usages);
    const auto status = static_cast<HidpStatus>(Hid().GetUsages(ReportType(p.reportType), p.usagePage,
                                                                p.linkCollection, usages.data(), &count, Native(data),
                                                                Bytes(report), Length(report)));
    usageLength = count;
    return status;
}

HidpStatus Win32HidSystem::GetUsagesEx(PreparsedDataHandle data, const HidpParameters& p,
                                       std::span<hid::HidpUsageAndPage> usages, std::uint32_t& usageLength,
                                       std::span<std::uint8_t> report) {
    ZR_REQUIRE(GetUsagesEx);
    ULONG count = Capped(usageLength, usages);
    const auto status = static_cast<HidpStatus>(
        Hid().GetUsagesEx(ReportType(p.reportType), p.linkCollection, reinterpret_cast<PUSAGE_AND_PAGE>(usages.data()),
                          &count, Native(data), Bytes(report), Length(report)));
    usageLength = count;
    return status;
}

HidpStatus Win32HidSystem::SetUsages(PreparsedDataHandle data, const HidpParameters& p,
                                     std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                     std::span<std::uint8_t> report) {
    ZR_REQUIRE(SetUsages);
    ULONG count = Capped(usageLength, usages);
    const auto status = static_cast<HidpStatus>(Hid().SetUsages(ReportType(p.reportType), p.usagePage,
                                                                p.linkCollection, usages.data(), &count, Native(data),
                                                                Bytes(report), Length(report)));
    usageLength = count;
    return status;
}

HidpStatus Win32HidSystem::UnsetUsages(PreparsedDataHandle data, const HidpParameters& p,
                                       std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                       std::span<std::uint8_t> report) {
    ZR_REQUIRE(UnsetUsages);
    ULONG count = Capped(usageLength, usages);
    const auto status = static_cast<HidpStatus>(Hid().UnsetUsages(ReportType(p.reportType), p.usagePage,
                                                                  p.linkCollection, usages.data(), &count,
                                                                  Native(data), Bytes(report), Length(report)));
    usageLength = count;
    return status;
}

HidpStatus Win32HidSystem::GetUsageValue(PreparsedDataHandle data, const HidpParameters& p, std::uint32_t& value,
                                         std::span<std::uint8_t> report) {
    ZR_REQUIRE(GetUsageValue);
    ULONG native = 0;
    const auto status = static_cast<HidpStatus>(Hid().GetUsageValue(ReportType(p.reportType), p.usagePage,
                                                                    p.linkCollection, p.usage, &native, Native(data),
                                                                    Bytes(report), Length(report)));
    value = native;
    return status;
}

HidpStatus Win32HidSystem::GetScaledUsageValue(PreparsedDataHandle data, const HidpParameters& p,
                                               std::int32_t& value, std::span<std::uint8_t> report) {
    ZR_REQUIRE(GetScaledUsageValue);
    LONG native = 0;
    const auto status = static_cast<HidpStatus>(Hid().GetScaledUsageValue(
        ReportType(p.reportType), p.usagePage, p.linkCollection, p.usage, &native, Native(data), Bytes(report),
        Length(report)));
    value = native;
    return status;
}

HidpStatus Win32HidSystem::SetUsageValue(PreparsedDataHandle data, const HidpParameters& p, std::uint32_t value,
                                         std::span<std::uint8_t> report) {
    ZR_REQUIRE(SetUsageValue);
    return static_cast<HidpStatus>(Hid().SetUsageValue(ReportType(p.reportType), p.usagePage, p.linkCollection,
                                                       p.usage, value, Native(data), Bytes(report), Length(report)));
}

HidpStatus Win32HidSystem::SetScaledUsageValue(PreparsedDataHandle data, const HidpParameters& p, std::int32_t value,
                                               std::span<std::uint8_t> report) {
    ZR_REQUIRE(SetScaledUsageValue);
    return static_cast<HidpStatus>(Hid().SetScaledUsageValue(ReportType(p.reportType), p.usagePage,
                                                             p.linkCollection, p.usage, value, Native(data),
                                                             Bytes(report), Length(report)));
}

HidpStatus Win32HidSystem::GetUsageValueArray(PreparsedDataHandle data, const HidpParameters& p,
                                              std::span<std::uint8_t> value, std::span<std::uint8_t> report) {
    ZR_REQUIRE(GetUsageValueArray);
    if (value.size() > 0xFFFF) return hid::kHidpStatusNull;
    return static_cast<HidpStatus>(Hid().GetUsageValueArray(ReportType(p.reportType), p.usagePage,
                                                            p.linkCollection, p.usage, Bytes(value),
                                                            static_cast<USHORT>(value.size()), Native(data),
                                                            Bytes(report), Length(report)));
}

HidpStatus Win32HidSystem::SetUsageValueArray(PreparsedDataHandle data, const HidpParameters& p,
                                              std::span<std::uint8_t> value, std::span<std::uint8_t> report) {
    ZR_REQUIRE(SetUsageValueArray);
    if (value.size() > 0xFFFF) return hid::kHidpStatusNull;
    return static_cast<HidpStatus>(Hid().SetUsageValueArray(ReportType(p.reportType), p.usagePage,
                                                            p.linkCollection, p.usage, Bytes(value),
                                                            static_cast<USHORT>(value.size()), Native(data),
                                                            Bytes(report), Length(report)));
}

HidpStatus Win32HidSystem::GetExtendedAttributes(PreparsedDataHandle data, std::uint32_t reportType,
                                                 std::uint16_t dataIndex, std::span<std::uint8_t> attributes,
                                                 std::uint32_t& length) {
    ZR_REQUIRE(GetExtendedAttributes);
    ULONG count = Capped(length, attributes);
    const auto status = static_cast<HidpStatus>(Hid().GetExtendedAttributes(
        ReportType(reportType), dataIndex, Native(data), reinterpret_cast<PHIDP_EXTENDED_ATTRIBUTES>(attributes.data()),
        &count));
    length = count;
    return status;
}

HidpStatus Win32HidSystem::InitializeReportForID(PreparsedDataHandle data, std::uint32_t reportType,
                                                 std::uint8_t reportId, std::span<std::uint8_t> report) {
    ZR_REQUIRE(InitializeReportForID);
    return static_cast<HidpStatus>(
        Hid().InitializeReportForID(ReportType(reportType), reportId, Native(data), Bytes(report), Length(report)));
}

#undef ZR_REQUIRE

}  // namespace zrflash::platform::win32
