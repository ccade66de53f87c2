// The plug-and-play description of one HID device interface, fixed when the scan finds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/HidTypes.h"

namespace zrflash::hid {

class THidPnPInfo {
public:
    explicit THidPnPInfo(HidInterface found);

    std::uint32_t DeviceID() const { return FDeviceID; }
    const std::u16string& DevicePath() const { return FDevicePath; }
    std::uint32_t Capabilities() const { return FProperties.Capabilities; }
    const std::u16string& ClassDescr() const { return FProperties.ClassDescr; }
    const std::u16string& ClassGUID() const { return FProperties.ClassGUID; }
    const std::vector<std::u16string>& CompatibleIDs() const { return FProperties.CompatibleIDs; }
    std::uint32_t ConfigFlags() const { return FProperties.ConfigFlags; }
    const std::u16string& DeviceDescr() const { return FProperties.DeviceDescr; }
    const std::u16string& Driver() const { return FProperties.Driver; }
    const std::u16string& FriendlyName() const { return FProperties.FriendlyName; }
    const std::vector<std::u16string>& HardwareID() const { return FProperties.HardwareID; }
    const std::vector<std::u16string>& LowerFilters() const { return FProperties.LowerFilters; }
    const std::u16string& Mfg() const { return FProperties.Mfg; }
    const std::vector<std::u16string>& UpperFilters() const { return FProperties.UpperFilters; }
    const std::u16string& Address() const { return FProperties.Address; }
    std::uint32_t BusNumber() const { return FProperties.BusNumber; }
    const std::u16string& BusType() const { return FProperties.BusType; }
    const std::u16string& Characteristics() const { return FProperties.Characteristics; }
    std::uint32_t DevType() const { return FProperties.DevType; }
    const std::u16string& EnumeratorName() const { return FProperties.EnumeratorName; }
    std::uint32_t Exclusive() const { return FProperties.Exclusive; }
    std::uint32_t LegacyBusType() const { return FProperties.LegacyBusType; }
    const std::u16string& LocationInfo() const { return FProperties.LocationInfo; }
    const std::u16string& PhysDevObjName() const { return FProperties.PhysDevObjName; }
    const std::u16string& SecuritySDS() const { return FProperties.SecuritySDS; }
    const std::u16string& Service() const { return FProperties.Service; }
    std::uint32_t UINumber() const { return FProperties.UINumber; }
    const std::u16string& UINumberFormat() const { return FProperties.UINumberFormat; }

private:
    std::uint32_t FDeviceID;
    std::u16string FDevicePath;
    HidRegistryProperties FProperties;
};

}  // namespace zrflash::hid
