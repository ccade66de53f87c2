// The test-double HID.dll: the HidD_ and HidP_ functions the program binds, answered by the
// simulated devices. HidP_GetExtendedAttributes and HidP_InitializeReportForID are left out on
// purpose, as in an old HID.dll: the program must bind without them.
#include <windows.h>
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

#include "sim/windll/WindowsBus.h"

using zrflash::sim::BusInterface;
using zrflash::sim::windll::WindowsBus;

namespace {

constexpr DWORD kPreparsedMagic = 0x5A525044;  // "ZRPD"

// What HidD_GetPreparsedData hands out: the interface's capabilities behind a marker.
struct PreparsedData {
    DWORD magic;
    HIDP_CAPS caps;
};

const PreparsedData* Valid(PHIDP_PREPARSED_DATA data) {
    auto* preparsed = reinterpret_cast<const PreparsedData*>(data);
    return preparsed != nullptr && preparsed->magic == kPreparsedMagic ? preparsed : nullptr;
}

std::shared_ptr<BusInterface> Reachable(HANDLE handle) { return WindowsBus::Instance().Reachable(handle); }

BOOLEAN CopyString(const std::u16string& text, PVOID buffer, ULONG length) {
    if (buffer == nullptr || text.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* target = static_cast<wchar_t*>(buffer);
    const std::size_t capacity = length / sizeof(wchar_t);
    const std::size_t count = std::min(text.size(), capacity);
    for (std::size_t index = 0; index < count; ++index) target[index] = static_cast<wchar_t>(text[index]);
    if (count < capacity) target[count] = 0;
    return TRUE;
}

BOOLEAN NotSupported(HANDLE handle) {
    if (Reachable(handle)) SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

}  // namespace

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID guid) {
    if (guid == nullptr) return;
    *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    if (!entry || attributes == nullptr) return FALSE;
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = entry->identity.vendorId;
    attributes->ProductID = entry->identity.productId;
    attributes->VersionNumber = entry->identity.versionNumber;
    WindowsBus::Instance().CountIdentification(entry->identity.vendorId);
    return TRUE;
}

BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA* data) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    if (!entry || data == nullptr) return FALSE;
    auto* preparsed = new PreparsedData{};
    preparsed->magic = kPreparsedMagic;
    const auto clamp = [](int length) { return static_cast<USHORT>(std::clamp(length, 0, 0xFFFF)); };
    preparsed->caps.FeatureReportByteLength = clamp(entry->identity.featureReportLength);
    preparsed->caps.InputReportByteLength = clamp(entry->identity.inputReportLength);
    preparsed->caps.OutputReportByteLength = clamp(entry->identity.outputReportLength);
    preparsed->caps.NumberLinkCollectionNodes = 1;
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(preparsed);
    return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto* preparsed = const_cast<PreparsedData*>(Valid(data));
    if (preparsed == nullptr) return FALSE;
    preparsed->magic = 0;
    delete preparsed;
    return TRUE;
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
    std::lock_guard lock(WindowsBus::Mutex());
    const PreparsedData* preparsed = Valid(data);
    if (preparsed == nullptr || caps == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    *caps = preparsed->caps;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN NTAPI HidD_SetFeature(HANDLE handle, PVOID report, ULONG length) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    if (!entry) return FALSE;
    if (report == nullptr || length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (entry->device->SetFeature({static_cast<const std::uint8_t*>(report), length})) return TRUE;
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

BOOLEAN NTAPI HidD_GetFeature(HANDLE handle, PVOID report, ULONG length) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    if (!entry) return FALSE;
    if (report == nullptr || length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (entry->device->GetFeature({static_cast<std::uint8_t*>(report), length})) return TRUE;
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

BOOLEAN NTAPI HidD_GetInputReport(HANDLE handle, PVOID, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    return NotSupported(handle);
}

BOOLEAN NTAPI HidD_SetOutputReport(HANDLE handle, PVOID, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    return NotSupported(handle);
}

BOOLEAN NTAPI HidD_GetNumInputBuffers(HANDLE handle, PULONG count) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (!Reachable(handle) || count == nullptr) return FALSE;
    *count = 32;
    return TRUE;
}

BOOLEAN NTAPI HidD_SetNumInputBuffers(HANDLE handle, ULONG count) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (!Reachable(handle)) return FALSE;
    if (count < 2 || count > 512) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOLEAN NTAPI HidD_FlushQueue(HANDLE handle) {
    std::lock_guard lock(WindowsBus::Mutex());
    return Reachable(handle) ? TRUE : FALSE;
}

BOOLEAN NTAPI HidD_GetConfiguration(HANDLE handle, PHIDD_CONFIGURATION, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    return NotSupported(handle);
}

BOOLEAN NTAPI HidD_SetConfiguration(HANDLE handle, PHIDD_CONFIGURATION, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    return NotSupported(handle);
}

BOOLEAN NTAPI HidD_GetManufacturerString(HANDLE handle, PVOID buffer, ULONG length) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    return entry ? CopyString(entry->identity.manufacturer, buffer, length) : FALSE;
}

BOOLEAN NTAPI HidD_GetProductString(HANDLE handle, PVOID buffer, ULONG length) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    return entry ? CopyString(entry->identity.product, buffer, length) : FALSE;
}

BOOLEAN NTAPI HidD_GetSerialNumberString(HANDLE handle, PVOID buffer, ULONG length) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    return entry ? CopyString(entry->identity.serialNumber, buffer, length) : FALSE;
}

BOOLEAN NTAPI HidD_GetIndexedString(HANDLE handle, ULONG index, PVOID buffer, ULONG length) {
    std::lock_guard lock(WindowsBus::Mutex());
    auto entry = Reachable(handle);
    if (!entry) return FALSE;
    if (index == 0) return CopyString(u"\x0409", buffer, length);  // the language list: English (US)
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

BOOLEAN NTAPI HidD_GetPhysicalDescriptor(HANDLE handle, PVOID, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (Reachable(handle)) SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

// The devices describe no buttons, values or usages beyond their capabilities.
NTSTATUS NTAPI HidP_GetLinkCollectionNodes(PHIDP_LINK_COLLECTION_NODE nodes, PULONG length,
                                           PHIDP_PREPARSED_DATA data) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (Valid(data) == nullptr || length == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (*length < 1 || nodes == nullptr) {
        *length = 1;
        return HIDP_STATUS_BUFFER_TOO_SMALL;
    }
    *nodes = HIDP_LINK_COLLECTION_NODE{};
    *length = 1;
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS NTAPI HidP_GetSpecificButtonCaps(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PHIDP_BUTTON_CAPS, PUSHORT length,
                                          PHIDP_PREPARSED_DATA data) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (Valid(data) == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (length != nullptr) *length = 0;
    return HIDP_STATUS_USAGE_NOT_FOUND;
}

NTSTATUS NTAPI HidP_GetSpecificValueCaps(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PHIDP_VALUE_CAPS, PUSHORT length,
                                         PHIDP_PREPARSED_DATA data) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (Valid(data) == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (length != nullptr) *length = 0;
    return HIDP_STATUS_USAGE_NOT_FOUND;
}

NTSTATUS NTAPI HidP_GetData(HIDP_REPORT_TYPE, PHIDP_DATA, PULONG length, PHIDP_PREPARSED_DATA data, PCHAR, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (Valid(data) == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (length != nullptr) *length = 0;
    return HIDP_STATUS_REPORT_DOES_NOT_EXIST;
}

NTSTATUS NTAPI HidP_SetData(HIDP_REPORT_TYPE, PHIDP_DATA, PULONG length, PHIDP_PREPARSED_DATA data, PCHAR, ULONG) {
    std::lock_guard lock(WindowsBus::Mutex());
    if (Valid(data) == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (length != nullptr) *length = 0;
    return HIDP_STATUS_REPORT_DOES_NOT_EXIST;
}

ULONG NTAPI HidP_MaxDataListLength(HIDP_REPORT_TYPE, PHIDP_PREPARSED_DATA) { return 0; }
ULONG NTAPI HidP_MaxUsageListLength(HIDP_REPORT_TYPE, USAGE, PHIDP_PREPARSED_DATA) { return 0; }

#define ZR_NO_USAGES(declaration)                                              \
    NTSTATUS NTAPI declaration {                                               \
        std::lock_guard lock(WindowsBus::Mutex());                             \
        return Valid(data) == nullptr ? HIDP_STATUS_INVALID_PREPARSED_DATA     \
                                      : HIDP_STATUS_USAGE_NOT_FOUND;           \
    }

ZR_NO_USAGES(HidP_GetUsages(HIDP_REPORT_TYPE, USAGE, USHORT, PUSAGE, PULONG, PHIDP_PREPARSED_DATA data, PCHAR, ULONG))
ZR_NO_USAGES(HidP_GetUsagesEx(HIDP_REPORT_TYPE, USHORT, PUSAGE_AND_PAGE, ULONG*, PHIDP_PREPARSED_DATA data, PCHAR,
                              ULONG))
ZR_NO_USAGES(HidP_SetUsages(HIDP_REPORT_TYPE, USAGE, USHORT, PUSAGE, PULONG, PHIDP_PREPARSED_DATA data, PCHAR, ULONG))
ZR_NO_USAGES(HidP_UnsetUsages(HIDP_REPORT_TYPE, USAGE, USHORT, PUSAGE, PULONG, PHIDP_PREPARSED_DATA data, PCHAR,
                              ULONG))
ZR_NO_USAGES(HidP_GetUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PULONG, PHIDP_PREPARSED_DATA data, PCHAR,
                                ULONG))
ZR_NO_USAGES(HidP_GetScaledUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PLONG, PHIDP_PREPARSED_DATA data, PCHAR,
                                      ULONG))
ZR_NO_USAGES(HidP_GetUsageValueArray(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PCHAR, USHORT, PHIDP_PREPARSED_DATA data,
                                     PCHAR, ULONG))
ZR_NO_USAGES(HidP_SetUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, ULONG, PHIDP_PREPARSED_DATA data, PCHAR,
                                ULONG))
ZR_NO_USAGES(HidP_SetScaledUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, LONG, PHIDP_PREPARSED_DATA data, PCHAR,
                                      ULONG))
ZR_NO_USAGES(HidP_SetUsageValueArray(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PCHAR, USHORT, PHIDP_PREPARSED_DATA data,
                                     PCHAR, ULONG))

#undef ZR_NO_USAGES

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

}  // extern "C"
