// SetupApi.dll and HID.dll bound at run time from the system directory, by reference count.
#pragma once

#include <windows.h>
#include <hidsdi.h>
#include <setupapi.h>

#include "hid/HidSystem.h"

namespace zrflash::platform::win32 {

// The SetupAPI functions the HID system calls (the W forms of the text functions).
struct SetupApiFunctions {
    decltype(&::SetupDiGetClassDevsW) GetClassDevs = nullptr;
    decltype(&::SetupDiEnumDeviceInterfaces) EnumDeviceInterfaces = nullptr;
    decltype(&::SetupDiGetDeviceInterfaceDetailW) GetDeviceInterfaceDetail = nullptr;
    decltype(&::SetupDiGetDeviceRegistryPropertyW) GetDeviceRegistryProperty = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList = nullptr;
};

// The HID functions the HID system calls. The four marked optional may be missing from an old
// HID.dll without failing the binding; their callers then answer "not supported".
struct HidFunctions {
    decltype(&::HidD_GetHidGuid) GetHidGuid = nullptr;
    decltype(&::HidD_GetPreparsedData) GetPreparsedData = nullptr;
    decltype(&::HidD_FreePreparsedData) FreePreparsedData = nullptr;
    decltype(&::HidD_GetConfiguration) GetConfiguration = nullptr;
    decltype(&::HidD_SetConfiguration) SetConfiguration = nullptr;
    decltype(&::HidD_FlushQueue) FlushQueue = nullptr;
    decltype(&::HidD_GetFeature) GetFeature = nullptr;
    decltype(&::HidD_SetFeature) SetFeature = nullptr;
    decltype(&::HidD_GetNumInputBuffers) GetNumInputBuffers = nullptr;
    decltype(&::HidD_SetNumInputBuffers) SetNumInputBuffers = nullptr;
    decltype(&::HidD_GetAttributes) GetAttributes = nullptr;
    decltype(&::HidD_GetManufacturerString) GetManufacturerString = nullptr;
    decltype(&::HidD_GetProductString) GetProductString = nullptr;
    decltype(&::HidD_GetSerialNumberString) GetSerialNumberString = nullptr;
    decltype(&::HidD_GetPhysicalDescriptor) GetPhysicalDescriptor = nullptr;
    decltype(&::HidD_GetIndexedString) GetIndexedString = nullptr;
    decltype(&::HidP_GetCaps) GetCaps = nullptr;
    decltype(&::HidP_GetLinkCollectionNodes) GetLinkCollectionNodes = nullptr;
    decltype(&::HidP_GetSpecificButtonCaps) GetSpecificButtonCaps = nullptr;
    decltype(&::HidP_GetSpecificValueCaps) GetSpecificValueCaps = nullptr;
    decltype(&::HidP_GetData) GetData = nullptr;
    decltype(&::HidP_SetData) SetData = nullptr;
    decltype(&::HidP_MaxDataListLength) MaxDataListLength = nullptr;
    decltype(&::HidP_GetUsages) GetUsages = nullptr;
    decltype(&::HidP_GetUsagesEx) GetUsagesEx = nullptr;
    decltype(&::HidP_SetUsages) SetUsages = nullptr;
    decltype(&::HidP_UnsetUsages) UnsetUsages = nullptr;
    decltype(&::HidP_MaxUsageListLength) MaxUsageListLength = nullptr;
    decltype(&::HidP_GetUsageValue) GetUsageValue = nullptr;
    decltype(&::HidP_GetScaledUsageValue) GetScaledUsageValue = nullptr;
    decltype(&::HidP_GetUsageValueArray) GetUsageValueArray = nullptr;
    decltype(&::HidP_SetUsageValue) SetUsageValue = nullptr;
    decltype(&::HidP_SetScaledUsageValue) SetScaledUsageValue = nullptr;
    decltype(&::HidP_SetUsageValueArray) SetUsageValueArray = nullptr;
    // Optional.
    decltype(&::HidD_GetInputReport) GetInputReport = nullptr;
    decltype(&::HidD_SetOutputReport) SetOutputReport = nullptr;
    decltype(&::HidP_GetExtendedAttributes) GetExtendedAttributes = nullptr;
    decltype(&::HidP_InitializeReportForID) InitializeReportForID = nullptr;
};

class Win32HidLibraries {
public:
    Win32HidLibraries() = default;
    ~Win32HidLibraries();
    Win32HidLibraries(const Win32HidLibraries&) = delete;
    Win32HidLibraries& operator=(const Win32HidLibraries&) = delete;

    bool Bind(hid::HidLibrary library);
    void Release(hid::HidLibrary library);
    bool IsBound(hid::HidLibrary library) const;

    const SetupApiFunctions& SetupApi() const { return setupApi_; }
    const HidFunctions& Hid() const { return hid_; }
    HMODULE HidModule() const { return hidModule_; }

private:
    bool LoadSetupApi();
    bool LoadHid();
    void UnloadSetupApi();
    void UnloadHid();

    int setupApiCount_ = 0;
    HMODULE setupApiModule_ = nullptr;
    SetupApiFunctions setupApi_;
    int hidCount_ = 0;
    HMODULE hidModule_ = nullptr;
    HidFunctions hid_;
};

}  // namespace zrflash::platform::win32
