// The records the HID layer exchanges with the operating system, in the platform's own layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zrflash::hid {

// A handle to an opened device interface; None stands for "no handle" (INVALID_HANDLE_VALUE on
// Windows, -1 for a file descriptor).
enum class HidHandle : std::intptr_t { None = -1 };

// The platform's parsed report description of a device; None when there is none.
enum class PreparsedDataHandle : std::uintptr_t { None = 0 };

// NTSTATUS of the report-query functions.
using HidpStatus = std::uint32_t;
inline constexpr HidpStatus kHidpStatusSuccess = 0x00110000;
inline constexpr HidpStatus kHidpStatusNull = 0x80110001;
inline constexpr HidpStatus kHidpStatusNotImplemented = 0xC0110020;

// Platform error codes the layer reacts to.
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
inline constexpr std::uint32_t kErrorIoPending = 997;

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
    friend bool operator==(const Guid&, const Guid&) = default;
};

// The HID interface class used when the HID library cannot say it.
inline constexpr Guid kDefaultHidGuid{0x4D1E55B2, 0xF16F, 0x11CF,
                                      {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// HIDD_ATTRIBUTES.
struct HidAttributes {
    std::uint32_t Size = 0;
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

// HIDP_CAPS (64 bytes).
struct HidCaps {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
    std::array<std::uint16_t, 17> Reserved{};
    std::uint16_t NumberLinkCollectionNodes = 0;
    std::uint16_t NumberInputButtonCaps = 0;
    std::uint16_t NumberInputValueCaps = 0;
    std::uint16_t NumberInputDataIndices = 0;
    std::uint16_t NumberOutputButtonCaps = 0;
    std::uint16_t NumberOutputValueCaps = 0;
    std::uint16_t NumberOutputDataIndices = 0;
    std::uint16_t NumberFeatureButtonCaps = 0;
    std::uint16_t NumberFeatureValueCaps = 0;
    std::uint16_t NumberFeatureDataIndices = 0;
};
static_assert(sizeof(HidCaps) == 64);

// HIDD_CONFIGURATION; the cookie is the platform's and passes through untouched.
struct HidConfiguration {
    std::uintptr_t cookie = 0;
    std::uint32_t size = 0;
    std::uint32_t ringBufferSize = 0;
};

// The registry properties of a device interface's device node, read once per scan.
struct HidRegistryProperties {
    std::uint32_t Capabilities = 0;
    std::u16string ClassDescr;
    std::u16string ClassGUID;
    std::vector<std::u16string> CompatibleIDs;
    std::uint32_t ConfigFlags = 0;
    std::u16string DeviceDescr;
    std::u16string Driver;
    std::u16string FriendlyName;
    std::vector<std::u16string> HardwareID;
    std::vector<std::u16string> LowerFilters;
    std::u16string Mfg;
    std::vector<std::u16string> UpperFilters;
    std::u16string Address;
    std::uint32_t BusNumber = 0;
    std::u16string BusType;
    std::u16string Characteristics;
    std::uint32_t DevType = 0;
    std::u16string EnumeratorName;
    std::uint32_t Exclusive = 0;
    std::uint32_t LegacyBusType = 0;
    std::u16string LocationInfo;
    std::u16string PhysDevObjName;
    std::u16string SecuritySDS;
    std::u16string Service;
    std::uint32_t UINumber = 0;
    std::u16string UINumberFormat;
};

// One present HID device interface.
struct HidInterface {
    std::uint32_t deviceInstance = 0;  // identifies the device between scans
    std::u16string path;               // what is opened
    HidRegistryProperties properties;
};

}  // namespace zrflash::hid
