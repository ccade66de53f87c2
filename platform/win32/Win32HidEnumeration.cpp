// The present HID device interfaces as SetupAPI lists them, with their registry properties.
//
// Structure sizes come from the target's own records (sizeof): on x64 the interface data and
// the device information are 32 bytes and the detail header 8. Windows refuses the 32-bit
// figures (28 and 6) there, so they must never be hard-coded.
#include "platform/win32/Win32HidEnumeration.h"

#include <cstring>

namespace zrflash::platform::win32 {
namespace {

using hid::HidInterface;
using hid::HidRegistryProperties;

GUID ToGuid(const hid::Guid& guid) {
    GUID result{};
    result.Data1 = guid.data1;
    result.Data2 = guid.data2;
    result.Data3 = guid.data3;
    std::memcpy(result.Data4, guid.data4.data(), sizeof result.Data4);
    return result;
}

class PropertyReader {
public:
    PropertyReader(const SetupApiFunctions& setupApi, HDEVINFO set, SP_DEVINFO_DATA& device)
        : setupApi_(setupApi), set_(set), device_(device) {}

    // 4 bytes; 0 when absent.
    std::uint32_t Number(DWORD property) {
        DWORD value = 0;
        DWORD type = 0;
        if (!setupApi_.GetDeviceRegistryProperty(set_, &device_, property, &type, reinterpret_cast<BYTE*>(&value),
                                                 sizeof value, nullptr)) {
            return 0;
        }
        return value;
    }

    // The size first, then the value; empty when absent or of size 0.
    std::u16string Text(DWORD property) {
        const std::vector<char16_t> value = Raw(property);
        std::size_t length = 0;
        while (length < value.size() && value[length] != 0) ++length;
        return std::u16string(value.data(), length);
    }

    // A list of zero-terminated texts ended by an empty one.
    std::vector<std::u16string> List(DWORD property) {
        const std::vector<char16_t> value = Raw(property);
        std::vector<std::u16string> result;
        std::size_t start = 0;
        while (start < value.size() && value[start] != 0) {
            std::size_t end = start;
            while (end < value.size() && value[end] != 0) ++end;
            result.emplace_back(value.data() + start, end - start);
            start = end + 1;
        }
        return result;
    }

private:
    std::vector<char16_t> Raw(DWORD property) {
        DWORD type = 0;
        DWORD size = 0;
        setupApi_.GetDeviceRegistryProperty(set_, &device_, property, &type, nullptr, 0, &size);
        if (size == 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        // Rounded up to whole characters; a value that is not zero-terminated still ends inside.
        std::vector<char16_t> value(size / sizeof(char16_t) + 2, 0);
        if (!setupApi_.GetDeviceRegistryProperty(set_, &device_, property, &type, reinterpret_cast<BYTE*>(value.data()),
                                                 size, nullptr)) {
            return {};
        }
        return value;
    }

    const SetupApiFunctions& setupApi_;
    HDEVINFO set_;
    SP_DEVINFO_DATA& device_;
};

HidRegistryProperties ReadProperties(const SetupApiFunctions& setupApi, HDEVINFO set, SP_DEVINFO_DATA& device) {
    PropertyReader read(setupApi, set, device);
    HidRegistryProperties p;
    p.Capabilities = read.Number(SPDRP_CAPABILITIES);
    p.ClassDescr = read.Text(SPDRP_CLASS);
    p.ClassGUID = read.Text(SPDRP_CLASSGUID);
    p.CompatibleIDs = read.List(SPDRP_COMPATIBLEIDS);
    p.ConfigFlags = read.Number(SPDRP_CONFIGFLAGS);
    p.DeviceDescr = read.Text(SPDRP_DEVICEDESC);
    p.Driver = read.Text(SPDRP_DRIVER);
    p.FriendlyName = read.Text(SPDRP_FRIENDLYNAME);
    p.HardwareID = read.List(SPDRP_HARDWAREID);
    p.LowerFilters = read.List(SPDRP_LOWERFILTERS);
    p.Mfg = read.Text(SPDRP_MFG);
    p.UpperFilters = read.List(SPDRP_UPPERFILTERS);
    p.Address = read.Text(SPDRP_ADDRESS);
    p.BusNumber = read.Number(SPDRP_BUSNUMBER);
    p.BusType = read.Text(SPDRP_BUSTYPEGUID);
    p.Characteristics = read.Text(SPDRP_CHARACTERISTICS);
    p.DevType = read.Number(SPDRP_DEVTYPE);
    p.EnumeratorName = read.Text(SPDRP_ENUMERATOR_NAME);
    p.Exclusive = read.Number(SPDRP_EXCLUSIVE);
    p.LegacyBusType = read.Number(SPDRP_LEGACYBUSTYPE);
    p.LocationInfo = read.Text(SPDRP_LOCATION_INFORMATION);
    p.PhysDevObjName = read.Text(SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
    p.SecuritySDS = read.Text(SPDRP_SECURITY_SDS);
    p.Service = read.Text(SPDRP_SERVICE);
    p.UINumber = read.Number(SPDRP_UI_NUMBER);
    p.UINumberFormat = read.Text(SPDRP_UI_NUMBER_DESC_FORMAT);
    return p;
}

// The interface's path and device record; nullopt skips the member.
std::optional<HidInterface> ReadInterface(const SetupApiFunctions& setupApi, HDEVINFO set,
                                          SP_DEVICE_INTERFACE_DATA& interfaceData) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(SP_DEVINFO_DATA);
    DWORD required = 0;
    setupApi.GetDeviceInterfaceDetail(set, &interfaceData, nullptr, 0, &required, &device);
    if (required == 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return std::nullopt;

    // DWORD-aligned and zero-filled, so the path is terminated even if the platform does not.
    std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!setupApi.GetDeviceInterfaceDetail(set, &interfaceData, detail, required, nullptr, &device)) {
        return std::nullopt;
    }
    const std::size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    const std::size_t capacity = (required - pathOffset) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < capacity && detail->DevicePath[length] != 0) ++length;

    HidInterface found;
    found.deviceInstance = device.DevInst;
    found.path.assign(reinterpret_cast<const char16_t*>(detail->DevicePath), length);
    found.properties = ReadProperties(setupApi, set, device);
    return found;
}

}  // namespace

std::optional<std::vector<HidInterface>> EnumerateHidInterfaces(const SetupApiFunctions& setupApi,
                                                                const hid::Guid& interfaceClass) {
    const GUID guid = ToGuid(interfaceClass);
    HDEVINFO set = setupApi.GetClassDevs(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return std::nullopt;

    std::vector<HidInterface> result;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
        if (!setupApi.EnumDeviceInterfaces(set, nullptr, &guid, index, &interfaceData)) break;
        if (auto found = ReadInterface(setupApi, set, interfaceData)) result.push_back(std::move(*found));
    }
    setupApi.DestroyDeviceInfoList(set);
    return result;
}

}  // namespace zrflash::platform::win32
