// The test-double SetupApi.dll: the device-interface functions the program binds, listing the
// interfaces the test-double HID.dll has plugged in. Record sizes are checked as Windows checks
// them, so a caller with the 32-bit figures on x64 fails here as it would there.
#include <windows.h>
#define _SETUPAPI_
#include <setupapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "sim/windll/SimInterfaceRecord.h"

using zrflash::sim::windll::SimInterfaceRecord;

namespace {

constexpr DWORD kSetMagic = 0x5A524453;  // "ZRDS"
constexpr GUID kHidInterfaceClass{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr wchar_t kHidClassGuid[] = L"{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
constexpr GUID kHidClass{0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};

struct DeviceSet {
    DWORD magic = kSetMagic;
    std::vector<SimInterfaceRecord> records;
};

class BusLock {
public:
    BusLock() { ZrSimLock(); }
    ~BusLock() { ZrSimUnlock(); }
    BusLock(const BusLock&) = delete;
    BusLock& operator=(const BusLock&) = delete;
};

DeviceSet* Valid(HDEVINFO handle) {
    auto* set = static_cast<DeviceSet*>(handle);
    if (set == nullptr || handle == INVALID_HANDLE_VALUE || set->magic != kSetMagic) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return set;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The record a 1-based index kept in a Reserved field names.
const SimInterfaceRecord* Record(const DeviceSet& set, ULONG_PTR reserved) {
    if (reserved == 0 || reserved > set.records.size()) return nullptr;
    return &set.records[reserved - 1];
}

void FillDevice(SP_DEVINFO_DATA& device, const SimInterfaceRecord& record, ULONG_PTR reserved) {
    device.ClassGuid = kHidClass;
    device.DevInst = record.instance;
    device.Reserved = reserved;
}

std::vector<BYTE> TextValue(const std::wstring& text) {
    std::vector<BYTE> bytes((text.size() + 1) * sizeof(wchar_t), 0);
    std::memcpy(bytes.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return bytes;
}

std::vector<BYTE> ListValue(const std::vector<std::wstring>& texts) {
    std::wstring joined;
    for (const auto& text : texts) joined += text + L'\0';
    return TextValue(joined);  // the closing empty entry
}

std::vector<BYTE> NumberValue(DWORD value) {
    std::vector<BYTE> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

bool PropertyValue(const SimInterfaceRecord& record, DWORD property, DWORD& type, std::vector<BYTE>& value) {
    wchar_t hardware[64];
    swprintf(hardware, 64, L"HID\\VID_%04X&PID_%04X", record.vendorId, record.productId);
    type = REG_SZ;
    switch (property) {
        case SPDRP_DEVICEDESC: value = TextValue(record.product); return true;
        case SPDRP_MFG: value = TextValue(record.manufacturer); return true;
        case SPDRP_CLASS: value = TextValue(record.className); return true;
        case SPDRP_CLASSGUID: value = TextValue(kHidClassGuid); return true;
        case SPDRP_SERVICE: value = TextValue(L"HidUsb"); return true;
        case SPDRP_ENUMERATOR_NAME: value = TextValue(L"HID"); return true;
        case SPDRP_HARDWAREID:
            type = REG_MULTI_SZ;
            value = ListValue({hardware, L"HID_DEVICE"});
            return true;
        case SPDRP_COMPATIBLEIDS:
            type = REG_MULTI_SZ;
            value = ListValue({L"HID_DEVICE_SYSTEM_VHF", L"HID_DEVICE"});
            return true;
        case SPDRP_CAPABILITIES:
            type = REG_DWORD;
            value = NumberValue(0x84);  // surprise removal allowed, unique identifier
            return true;
        case SPDRP_CONFIGFLAGS:
            type = REG_DWORD;
            value = NumberValue(0);
            return true;
        default: return false;
    }
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
    BusLock lock;
    auto* set = new DeviceSet;
    if ((flags & DIGCF_DEVICEINTERFACE) != 0 && classGuid != nullptr && IsEqualGUID(*classGuid, kHidInterfaceClass)) {
        int count = ZrSimPresentInterfaces(nullptr, 0);
        if (count < 0) {
            delete set;
            SetLastError(ERROR_INVALID_DATA);
            return INVALID_HANDLE_VALUE;
        }
        set->records.resize(static_cast<std::size_t>(count));
        count = ZrSimPresentInterfaces(set->records.data(), count);
        set->records.resize(static_cast<std::size_t>(std::max(count, 0)));
    }
    return set;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA, const GUID* interfaceClass, DWORD index,
                                        PSP_DEVICE_INTERFACE_DATA data) {
    BusLock lock;
    DeviceSet* set = Valid(handle);
    if (set == nullptr) return FALSE;
    if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    if (interfaceClass == nullptr || !IsEqualGUID(*interfaceClass, kHidInterfaceClass) || index >= set->records.size()) {
        return Fail(ERROR_NO_MORE_ITEMS);
    }
    data->InterfaceClassGuid = kHidInterfaceClass;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                             PDWORD requiredSize, PSP_DEVINFO_DATA device) {
    BusLock lock;
    DeviceSet* set = Valid(handle);
    if (set == nullptr) return FALSE;
    if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    const SimInterfaceRecord* record = Record(*set, data->Reserved);
    if (record == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    if (detail != nullptr && detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (detail == nullptr && detailSize != 0) return Fail(ERROR_INVALID_USER_BUFFER);

    const std::size_t pathLength = wcsnlen(record->path, std::size(record->path));
    const auto required =
        static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (pathLength + 1) * sizeof(wchar_t));
    if (requiredSize != nullptr) *requiredSize = required;
    if (device != nullptr) FillDevice(*device, *record, data->Reserved);
    if (detail == nullptr || detailSize < required) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(detail->DevicePath, record->path, pathLength * sizeof(wchar_t));
    detail->DevicePath[pathLength] = 0;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyW(HDEVINFO handle, PSP_DEVINFO_DATA device, DWORD property,
                                              PDWORD propertyType, PBYTE buffer, DWORD bufferSize,
                                              PDWORD requiredSize) {
    BusLock lock;
    DeviceSet* set = Valid(handle);
    if (set == nullptr) return FALSE;
    if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    const SimInterfaceRecord* record = Record(*set, device->Reserved);
    if (record == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    DWORD type = 0;
    std::vector<BYTE> value;
    if (!PropertyValue(*record, property, type, value)) return Fail(ERROR_INVALID_DATA);
    if (requiredSize != nullptr) *requiredSize = static_cast<DWORD>(value.size());
    if (propertyType != nullptr) *propertyType = type;
    if (buffer == nullptr || bufferSize < value.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, value.data(), value.size());
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    BusLock lock;
    DeviceSet* set = Valid(handle);
    if (set == nullptr) return FALSE;
    set->magic = 0;
    delete set;
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

}  // extern "C"
