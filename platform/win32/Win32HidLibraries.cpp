// SetupApi.dll and HID.dll bound at run time from the system directory, by reference count.
//
// Both are loaded from the system directory only (see Win32SystemFiles.h): a DLL of the same name
// beside the program or in the current directory is never used. A library counts as
// bound only when the file loaded and every function looked up was found; otherwise it is
// released at once, so a half-bound library never serves a call.
#include "platform/win32/Win32HidLibraries.h"

#include "platform/win32/Win32SystemFiles.h"

namespace zrflash::platform::win32 {
namespace {

// Looks a function up by its exact name; clears found when it is missing.
template <class Function>
void Look(HMODULE module, const char* name, Function& function, bool& found) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function == nullptr) found = false;
}

template <class Function>
void LookOptional(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

Win32HidLibraries::~Win32HidLibraries() {
    if (hidModule_ != nullptr) UnloadHid();
    if (setupApiModule_ != nullptr) UnloadSetupApi();
}

bool Win32HidLibraries::Bind(hid::HidLibrary library) {
    if (library == hid::HidLibrary::SetupApi) {
        if (++setupApiCount_ == 1 && !LoadSetupApi()) {
            UnloadSetupApi();
            return false;
        }
        return setupApiModule_ != nullptr;
    }
    if (++hidCount_ == 1 && !LoadHid()) {
        UnloadHid();
        return false;
    }
    return hidModule_ != nullptr;
}

void Win32HidLibraries::Release(hid::HidLibrary library) {
    if (library == hid::HidLibrary::SetupApi) {
        if (setupApiCount_ > 0 && --setupApiCount_ == 0) UnloadSetupApi();
    } else {
        if (hidCount_ > 0 && --hidCount_ == 0) UnloadHid();
    }
}

bool Win32HidLibraries::IsBound(hid::HidLibrary library) const {
    return library == hid::HidLibrary::SetupApi ? setupApiModule_ != nullptr : hidModule_ != nullptr;
}

bool Win32HidLibraries::LoadSetupApi() {
    setupApiModule_ = LoadSystemLibrary(L"SetupApi.dll");
    if (setupApiModule_ == nullptr) return false;
    bool found = true;
    HMODULE module = setupApiModule_;
    Look(module, "SetupDiGetClassDevsW", setupApi_.GetClassDevs, found);
    Look(module, "SetupDiEnumDeviceInterfaces", setupApi_.EnumDeviceInterfaces, found);
    Look(module, "SetupDiGetDeviceInterfaceDetailW", setupApi_.GetDeviceInterfaceDetail, found);
    Look(module, "SetupDiGetDeviceRegistryPropertyW", setupApi_.GetDeviceRegistryProperty, found);
    Look(module, "SetupDiDestroyDeviceInfoList", setupApi_.DestroyDeviceInfoList, found);
    return found;
}

bool Win32HidLibraries::LoadHid() {
    hidModule_ = LoadSystemLibrary(L"HID.dll");
    if (hidModule_ == nullptr) return false;
    bool found = true;
    HMODULE module = hidModule_;
    HidFunctions& f = hid_;
    Look(module, "HidD_GetHidGuid", f.GetHidGuid, found);
    Look(module, "HidD_GetPreparsedData", f.GetPreparsedData, found);
    Look(module, "HidD_FreePreparsedData", f.FreePreparsedData, found);
    Look(module, "HidD_GetConfiguration", f.GetConfiguration, found);
    Look(module, "HidD_SetConfiguration", f.SetConfiguration, found);
    Look(module, "HidD_FlushQueue", f.FlushQueue, found);
    Look(module, "HidD_GetFeature", f.GetFeature, found);
    Look(module, "HidD_SetFeature", f.SetFeature, found);
    Look(module, "HidD_GetNumInputBuffers", f.GetNumInputBuffers, found);
    Look(module, "HidD_SetNumInputBuffers", f.SetNumInputBuffers, found);
    Look(module, "HidD_GetAttributes", f.GetAttributes, found);
    Look(module, "HidD_GetManufacturerString", f.GetManufacturerString, found);
    Look(module, "HidD_GetProductString", f.GetProductString, found);
    Look(module, "HidD_GetSerialNumberString", f.GetSerialNumberString, found);
    Look(module, "HidD_GetPhysicalDescriptor", f.GetPhysicalDescriptor, found);
    Look(module, "HidD_GetIndexedString", f.GetIndexedString, found);
    Look(module, "HidP_GetCaps", f.GetCaps, found);
    Look(module, "HidP_GetLinkCollectionNodes", f.GetLinkCollectionNodes, found);
    Look(module, "HidP_GetSpecificButtonCaps", f.GetSpecificButtonCaps, found);
    Look(module, "HidP_GetSpecificValueCaps", f.GetSpecificValueCaps, found);
    Look(module, "HidP_GetData", f.GetData, found);
    Look(module, "HidP_SetData", f.SetData, found);
    Look(module, "HidP_MaxDataListLength", f.MaxDataListLength, found);
    Look(module, "HidP_GetUsages", f.GetUsages, found);
    Look(module, "HidP_GetUsagesEx", f.GetUsagesEx, found);
    Look(module, "HidP_SetUsages", f.SetUsages, found);
    Look(module, "HidP_UnsetUsages", f.UnsetUsages, found);
    Look(module, "HidP_MaxUsageListLength", f.MaxUsageListLength, found);
    Look(module, "HidP_GetUsageValue", f.GetUsageValue, found);
    Look(module, "HidP_GetScaledUsageValue", f.GetScaledUsageValue, found);
    Look(module, "HidP_GetUsageValueArray", f.GetUsageValueArray, found);
    Look(module, "HidP_SetUsageValue", f.SetUsageValue, found);
    Look(module, "HidP_SetScaledUsageValue", f.SetScaledUsageValue, found);
    Look(module, "HidP_SetUsageValueArray", f.SetUsageValueArray, found);
    LookOptional(module, "HidD_GetInputReport", f.GetInputReport);
    LookOptional(module, "HidD_SetOutputReport", f.SetOutputReport);
    LookOptional(module, "HidP_GetExtendedAttributes", f.GetExtendedAttributes);
    LookOptional(module, "HidP_InitializeReportForID", f.InitializeReportForID);
    return found;
}

void Win32HidLibraries::UnloadSetupApi() {
    if (setupApiModule_ != nullptr) FreeLibrary(setupApiModule_);
    setupApiModule_ = nullptr;
    setupApi_ = {};
    setupApiCount_ = 0;
}

void Win32HidLibraries::UnloadHid() {
    if (hidModule_ != nullptr) FreeLibrary(hidModule_);
    hidModule_ = nullptr;
    hid_ = {};
    hidCount_ = 0;
}

}  // namespace zrflash::platform::win32
