// The HID system of real Windows: libraries, enumeration, notification, handles and transfers.
#include "platform/win32/Win32HidSystem.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/Win32HidEnumeration.h"
#include "platform/win32/Win32SystemFiles.h"

namespace zrflash::platform::win32 {
namespace {

using hid::HidHandle;
using hid::PreparsedDataHandle;

HANDLE Native(HidHandle handle) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle)); }
HidHandle Layer(HANDLE handle) { return static_cast<HidHandle>(reinterpret_cast<std::intptr_t>(handle)); }
PHIDP_PREPARSED_DATA Native(PreparsedDataHandle data) { return reinterpret_cast<PHIDP_PREPARSED_DATA>(data); }

// The HID functions take byte counts as ULONG; longer spans are refused rather than truncated.
bool FitsUlong(std::size_t bytes) { return bytes <= 0xFFFFFFFFu; }

static_assert(sizeof(HIDP_CAPS) == sizeof(hid::HidCaps));
static_assert(sizeof(HIDD_CONFIGURATION) == sizeof(hid::HidConfiguration));
static_assert(static_cast<std::intptr_t>(HidHandle::None) == -1, "INVALID_HANDLE_VALUE stands for no handle");

}  // namespace

Win32HidSystem::Win32HidSystem(Gui& gui) : gui_(gui) {}

Win32HidSystem::~Win32HidSystem() {
    StopDeviceChangeNotifications();
    std::lock_guard lock(transfersMutex_);
    for (auto& [handle, transfer] : transfers_) {
        ::CancelIo(handle);
        CloseHandle(transfer->event);
    }
}

bool Win32HidSystem::BindLibrary(hid::HidLibrary library) { return libraries_.Bind(library); }
void Win32HidSystem::ReleaseLibrary(hid::HidLibrary library) { libraries_.Release(library); }
bool Win32HidSystem::IsLibraryBound(hid::HidLibrary library) const { return libraries_.IsBound(library); }

// "FileVersion" of the English (United States), Windows multilingual block of HID.dll.
std::u16string Win32HidSystem::HidLibraryVersion() {
    if (libraries_.HidModule() == nullptr) return {};
    wchar_t path[MAX_PATH] = {};
    const DWORD pathLength = GetModuleFileNameW(libraries_.HidModule(), path, MAX_PATH);
    if (pathLength == 0 || pathLength >= MAX_PATH) return {};
    // VERSION.dll is no KnownDLL: bound here from the system directory, never imported.
    const SystemLibrary versionLibrary(L"version.dll");
    const auto getSize = versionLibrary.Find<decltype(&::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    const auto getInfo = versionLibrary.Find<decltype(&::GetFileVersionInfoW)>("GetFileVersionInfoW");
    const auto queryValue = versionLibrary.Find<decltype(&::VerQueryValueW)>("VerQueryValueW");
    if (getSize == nullptr || getInfo == nullptr || queryValue == nullptr) return {};
    DWORD ignored = 0;
    const DWORD size = getSize(path, &ignored);
    if (size == 0) return {};
    std::vector<std::uint8_t> block(size);
    if (!getInfo(path, 0, size, block.data())) return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!queryValue(block.data(), L"\\StringFileInfo\\040904E4\\FileVersion", reinterpret_cast<void**>(&value),
                    &length) ||
        value == nullptr) {
        return {};
    }
    std::size_t count = 0;
    while (count < length && value[count] != 0) ++count;
    return std::u16string(reinterpret_cast<const char16_t*>(value), count);
}

hid::Guid Win32HidSystem::HidGuid() {
    if (Hid().GetHidGuid == nullptr) return hid::kDefaultHidGuid;
    GUID guid{};
    Hid().GetHidGuid(&guid);
    hid::Guid result;
    result.data1 = guid.Data1;
    result.data2 = guid.Data2;
    result.data3 = guid.Data3;
    std::memcpy(result.data4.data(), guid.Data4, sizeof guid.Data4);
    return result;
}

std::optional<std::vector<hid::HidInterface>> Win32HidSystem::EnumerateInterfaces(const hid::Guid& interfaceClass) {
    if (!libraries_.IsBound(hid::HidLibrary::SetupApi)) return std::nullopt;
    return EnumerateHidInterfaces(libraries_.SetupApi(), interfaceClass);
}

void Win32HidSystem::StartDeviceChangeNotifications(hid::DeviceChangeCallback callback) {
    notifications_ = std::make_unique<Win32HidNotificationWindow>(std::move(callback));
    if (!notifications_->Created()) {
        notifications_.reset();
        return;
    }
    notifications_->PostFirstNotification();
}

void Win32HidSystem::StopDeviceChangeNotifications() { notifications_.reset(); }

void Win32HidSystem::PostToGuiThread(std::function<void()> work) { gui_.Post(std::move(work)); }

HidHandle Win32HidSystem::Open(const std::u16string& path, hid::HidAccess access) {
    const std::wstring widePath(path.begin(), path.end());
    DWORD desired = GENERIC_READ | GENERIC_WRITE;
    DWORD flags = 0;
    switch (access) {
        case hid::HidAccess::ReadWrite: break;
        case hid::HidAccess::QueryOnly: desired = 0; break;
        case hid::HidAccess::OverlappedRead:
            desired = GENERIC_READ;
            flags = FILE_FLAG_OVERLAPPED;
            break;
        case hid::HidAccess::OverlappedWrite:
            desired = GENERIC_WRITE;
            flags = FILE_FLAG_OVERLAPPED;
            break;
    }
    HANDLE handle = CreateFileW(widePath.c_str(), desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE || flags == 0) return Layer(handle);

    auto transfer = std::make_shared<OverlappedTransfer>();
    transfer->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (transfer->event == nullptr) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        SetLastError(error);
        return HidHandle::None;
    }
    std::lock_guard lock(transfersMutex_);
    transfers_[handle] = std::move(transfer);
    return Layer(handle);
}

void Win32HidSystem::Close(HidHandle handle) {
    if (handle == HidHandle::None) return;
    std::shared_ptr<OverlappedTransfer> transfer;
    {
        std::lock_guard lock(transfersMutex_);
        auto found = transfers_.find(Native(handle));
        if (found != transfers_.end()) {
            transfer = std::move(found->second);
            transfers_.erase(found);
        }
    }
    if (transfer && transfer->started) {
        // The record must outlive a pending transfer: cancel it and wait for its end first.
        ::CancelIo(Native(handle));
        DWORD ignored = 0;
        GetOverlappedResult(Native(handle), &transfer->overlapped, &ignored, TRUE);
    }
    CloseHandle(Native(handle));
    if (transfer) CloseHandle(transfer->event);
}

std::uint32_t Win32HidSystem::LastError() { return GetLastError(); }

bool Win32HidSystem::GetAttributes(HidHandle handle, hid::HidAttributes& attributes) {
    if (Hid().GetAttributes == nullptr) return false;
    HIDD_ATTRIBUTES native{};
    native.Size = sizeof(HIDD_ATTRIBUTES);
    if (!Hid().GetAttributes(Native(handle), &native)) return false;
    attributes.Size = native.Size;
    attributes.VendorID = native.VendorID;
    attributes.ProductID = native.ProductID;
    attributes.VersionNumber = native.VersionNumber;
    return true;
}

PreparsedDataHandle Win32HidSystem::GetPreparsedData(HidHandle handle) {
    PHIDP_PREPARSED_DATA data = nullptr;
    if (Hid().GetPreparsedData == nullptr || !Hid().GetPreparsedData(Native(handle), &data) || data == nullptr) {
        return PreparsedDataHandle::None;
    }
    return static_cast<PreparsedDataHandle>(reinterpret_cast<std::uintptr_t>(data));
}

void Win32HidSystem::FreePreparsedData(PreparsedDataHandle data) {
    if (data != PreparsedDataHandle::None && Hid().FreePreparsedData != nullptr) Hid().FreePreparsedData(Native(data));
}

hid::HidpStatus Win32HidSystem::GetCaps(PreparsedDataHandle data, hid::HidCaps& caps) {
    if (Hid().GetCaps == nullptr) return hid::kHidpStatusNotImplemented;
    HIDP_CAPS native{};
    const auto status = static_cast<hid::HidpStatus>(Hid().GetCaps(Native(data), &native));
    if (status == hid::kHidpStatusSuccess) std::memcpy(static_cast<void*>(&caps), &native, sizeof caps);
    return status;
}

bool Win32HidSystem::SetFeature(HidHandle handle, std::span<const std::uint8_t> report) {
    if (Hid().SetFeature == nullptr || !FitsUlong(report.size())) return false;
    // The function's buffer is not const; the caller's report is.
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    return Hid().SetFeature(Native(handle), copy.data(), static_cast<ULONG>(copy.size()));
}

bool Win32HidSystem::GetFeature(HidHandle handle, std::span<std::uint8_t> report) {
    if (Hid().GetFeature == nullptr || !FitsUlong(report.size())) return false;
    return Hid().GetFeature(Native(handle), report.data(), static_cast<ULONG>(report.size()));
}

bool Win32HidSystem::GetInputReport(HidHandle handle, std::span<std::uint8_t> report) {
    if (Hid().GetInputReport == nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    if (!FitsUlong(report.size())) return false;
    return Hid().GetInputReport(Native(handle), report.data(), static_cast<ULONG>(report.size()));
}

bool Win32HidSystem::SetOutputReport(HidHandle handle, std::span<const std::uint8_t> report) {
    if (Hid().SetOutputReport == nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    if (!FitsUlong(report.size())) return false;
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    return Hid().SetOutputReport(Native(handle), copy.data(), static_cast<ULONG>(copy.size()));
}

bool Win32HidSystem::GetNumInputBuffers(HidHandle handle, int& count) {
    ULONG value = 0;
    if (Hid().GetNumInputBuffers == nullptr || !Hid().GetNumInputBuffers(Native(handle), &value)) return false;
    count = static_cast<int>(std::min<ULONG>(value, 0x7FFFFFFF));
    return true;
}

bool Win32HidSystem::SetNumInputBuffers(HidHandle handle, int count) {
    if (Hid().SetNumInputBuffers == nullptr || count < 0) return false;
    return Hid().SetNumInputBuffers(Native(handle), static_cast<ULONG>(count));
}

bool Win32HidSystem::FlushQueue(HidHandle handle) {
    return Hid().FlushQueue != nullptr && Hid().FlushQueue(Native(handle));
}

bool Win32HidSystem::GetConfiguration(HidHandle handle, hid::HidConfiguration& configuration) {
    if (Hid().GetConfiguration == nullptr) return false;
    HIDD_CONFIGURATION native{};
    if (!Hid().GetConfiguration(Native(handle), &native, sizeof native)) return false;
    std::memcpy(static_cast<void*>(&configuration), &native, sizeof configuration);
    return true;
}

bool Win32HidSystem::SetConfiguration(HidHandle handle, const hid::HidConfiguration& configuration) {
    if (Hid().SetConfiguration == nullptr) return false;
    HIDD_CONFIGURATION native{};
    std::memcpy(&native, &configuration, sizeof native);
    return Hid().SetConfiguration(Native(handle), &native, sizeof native);
}

bool Win32HidSystem::GetString(HidHandle handle, hid::HidStringKind kind, std::uint32_t index,
                               std::span<char16_t> text) {
    const std::size_t bytes = text.size() * sizeof(char16_t);
    if (!FitsUlong(bytes)) return false;
    const auto size = static_cast<ULONG>(bytes);
    HANDLE device = Native(handle);
    switch (kind) {
        case hid::HidStringKind::Manufacturer:
            return Hid().GetManufacturerString != nullptr && Hid().GetManufacturerString(device, text.data(), size);
        case hid::HidStringKind::Product:
            return Hid().GetProductString != nullptr && Hid().GetProductString(device, text.data(), size);
        case hid::HidStringKind::SerialNumber:
            return Hid().GetSerialNumberString != nullptr && Hid().GetSerialNumberString(device, text.data(), size);
        case hid::HidStringKind::Indexed:
            return Hid().GetIndexedString != nullptr && Hid().GetIndexedString(device, index, text.data(), size);
    }
    return false;
}

bool Win32HidSystem::GetPhysicalDescriptor(HidHandle handle, std::span<std::uint16_t> descriptor) {
    const std::size_t bytes = descriptor.size() * sizeof(std::uint16_t);
    if (Hid().GetPhysicalDescriptor == nullptr || !FitsUlong(bytes)) return false;
    return Hid().GetPhysicalDescriptor(Native(handle), descriptor.data(), static_cast<ULONG>(bytes));
}

std::optional<std::u16string> Win32HidSystem::LanguageName(std::uint16_t languageId) {
    wchar_t name[256] = {};
    const int length = GetLocaleInfoW(MAKELCID(languageId, SORT_DEFAULT), LOCALE_SLANGUAGE, name, 256);
    if (length <= 1) return std::nullopt;
    return std::u16string(reinterpret_cast<const char16_t*>(name), static_cast<std::size_t>(length - 1));
}

bool Win32HidSystem::ReadFile(HidHandle handle, std::span<std::uint8_t> buffer, std::uint32_t& transferred) {
    transferred = 0;
    if (!FitsUlong(buffer.size())) return false;
    DWORD count = 0;
    const bool done = ::ReadFile(Native(handle), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr);
    transferred = count;
    return done;
}

bool Win32HidSystem::WriteFile(HidHandle handle, std::span<const std::uint8_t> buffer, std::uint32_t& transferred) {
    transferred = 0;
    if (!FitsUlong(buffer.size())) return false;
    DWORD count = 0;
    const bool done = ::WriteFile(Native(handle), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr);
    transferred = count;
    return done;
}

bool Win32HidSystem::DeviceIoControl(HidHandle handle, std::uint32_t code, std::span<const std::uint8_t> input,
                                     std::span<std::uint8_t> output, std::uint32_t& returned) {
    returned = 0;
    if (!FitsUlong(input.size()) || !FitsUlong(output.size())) return false;
    std::vector<std::uint8_t> inputCopy(input.begin(), input.end());
    DWORD count = 0;
    const bool done = ::DeviceIoControl(Native(handle), code, inputCopy.empty() ? nullptr : inputCopy.data(),
                                        static_cast<DWORD>(inputCopy.size()), output.empty() ? nullptr : output.data(),
                                        static_cast<DWORD>(output.size()), &count, nullptr);
    returned = count;
    return done;
}

std::shared_ptr<Win32HidSystem::OverlappedTransfer> Win32HidSystem::Transfer(HidHandle handle) {
    std::lock_guard lock(transfersMutex_);
    auto found = transfers_.find(Native(handle));
    return found == transfers_.end() ? nullptr : found->second;
}

// ReadFile / WriteFile with an OVERLAPPED record and an event: the transfer runs on; the
// reader waits on the event and asks for the result without waiting.
bool Win32HidSystem::Start(HidHandle handle, bool read, void* buffer, DWORD size) {
    auto transfer = Transfer(handle);
    if (!transfer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    ResetEvent(transfer->event);
    transfer->overlapped = {};
    transfer->overlapped.hEvent = transfer->event;
    const BOOL done = read ? ::ReadFile(Native(handle), buffer, size, nullptr, &transfer->overlapped)
                           : ::WriteFile(Native(handle), buffer, size, nullptr, &transfer->overlapped);
    if (done || GetLastError() == ERROR_IO_PENDING) {
        transfer->started = true;
        return true;
    }
    return false;
}

bool Win32HidSystem::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    if (!FitsUlong(buffer.size())) return false;
    return Start(handle, true, buffer.data(), static_cast<DWORD>(buffer.size()));
}

bool Win32HidSystem::StartWrite(HidHandle handle, std::span<const std::uint8_t> buffer) {
    if (!FitsUlong(buffer.size())) return false;
    // The buffer stays the caller's until the transfer ends; WriteFile only reads it.
    return Start(handle, false, const_cast<std::uint8_t*>(buffer.data()), static_cast<DWORD>(buffer.size()));
}

bool Win32HidSystem::WaitForTransfer(HidHandle handle, int milliseconds) {
    auto transfer = Transfer(handle);
    if (!transfer || !transfer->started) return false;
    return WaitForSingleObjectEx(transfer->event, static_cast<DWORD>(std::max(milliseconds, 0)), TRUE) == WAIT_OBJECT_0;
}

std::uint32_t Win32HidSystem::TransferResult(HidHandle handle) {
    auto transfer = Transfer(handle);
    if (!transfer || !transfer->started) return 0;
    DWORD count = 0;
    if (!GetOverlappedResult(Native(handle), &transfer->overlapped, &count, FALSE)) return 0;
    return count;
}

bool Win32HidSystem::CancelIo(HidHandle handle) { return ::CancelIo(Native(handle)); }

}  // namespace zrflash::platform::win32
