// The HID system of real Windows: SetupAPI and HID.dll bound at run time, device handles from
// CreateFileW, and the device-change broadcast through a hidden top-level window.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "hid/HidSystem.h"
#include "platform/Gui.h"
#include "platform/win32/Win32HidLibraries.h"
#include "platform/win32/Win32HidNotificationWindow.h"

namespace zrflash::platform::win32 {

class Win32HidSystem final : public hid::HidSystem {
public:
    explicit Win32HidSystem(Gui& gui);
    ~Win32HidSystem() override;

    bool BindLibrary(hid::HidLibrary library) override;
    void ReleaseLibrary(hid::HidLibrary library) override;
    bool IsLibraryBound(hid::HidLibrary library) const override;
    std::u16string HidLibraryVersion() override;
    hid::Guid HidGuid() override;
    std::optional<std::vector<hid::HidInterface>> EnumerateInterfaces(const hid::Guid& interfaceClass) override;
    void StartDeviceChangeNotifications(hid::DeviceChangeCallback callback) override;
    void StopDeviceChangeNotifications() override;
    void PostToGuiThread(std::function<void()> work) override;

    hid::HidHandle Open(const std::u16string& path, hid::HidAccess access) override;
    void Close(hid::HidHandle handle) override;
    std::uint32_t LastError() override;
    bool GetAttributes(hid::HidHandle handle, hid::HidAttributes& attributes) override;
    hid::PreparsedDataHandle GetPreparsedData(hid::HidHandle handle) override;
    void FreePreparsedData(hid::PreparsedDataHandle data) override;
    hid::HidpStatus GetCaps(hid::PreparsedDataHandle data, hid::HidCaps& caps) override;

    bool SetFeature(hid::HidHandle handle, std::span<const std::uint8_t> report) override;
    bool GetFeature(hid::HidHandle handle, std::span<std::uint8_t> report) override;
    bool GetInputReport(hid::HidHandle handle, std::span<std::uint8_t> report) override;
    bool SetOutputReport(hid::HidHandle handle, std::span<const std::uint8_t> report) override;
    bool GetNumInputBuffers(hid::HidHandle handle, int& count) override;
    bool SetNumInputBuffers(hid::HidHandle handle, int count) override;
    bool FlushQueue(hid::HidHandle handle) override;
    bool GetConfiguration(hid::HidHandle handle, hid::HidConfiguration& configuration) override;
    bool SetConfiguration(hid::HidHandle handle, const hid::HidConfiguration& configuration) override;
    bool GetString(hid::HidHandle handle, hid::HidStringKind kind, std::uint32_t index,
                   std::span<char16_t> text) override;
    bool GetPhysicalDescriptor(hid::HidHandle handle, std::span<std::uint16_t> descriptor) override;
    std::optional<std::u16string> LanguageName(std::uint16_t languageId) override;
    bool ReadFile(hid::HidHandle handle, std::span<std::uint8_t> buffer, std::uint32_t& transferred) override;
    bool WriteFile(hid::HidHandle handle, std::span<const std::uint8_t> buffer, std::uint32_t& transferred) override;
    bool DeviceIoControl(hid::HidHandle handle, std::uint32_t code, std::span<const std::uint8_t> input,
                         std::span<std::uint8_t> output, std::uint32_t& returned) override;
    bool StartRead(hid::HidHandle handle, std::span<std::uint8_t> buffer) override;
    bool StartWrite(hid::HidHandle handle, std::span<const std::uint8_t> buffer) override;
    bool WaitForTransfer(hid::HidHandle handle, int milliseconds) override;
    std::uint32_t TransferResult(hid::HidHandle handle) override;
    bool CancelIo(hid::HidHandle handle) override;

    hid::HidpStatus GetSpecificButtonCaps(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                          std::span<hid::HidpButtonCaps> caps, std::uint16_t& length) override;
    hid::HidpStatus GetSpecificValueCaps(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                         std::span<hid::HidpValueCaps> caps, std::uint16_t& length) override;
    hid::HidpStatus GetLinkCollectionNodes(hid::PreparsedDataHandle data, std::span<hid::HidpLinkCollectionNode> nodes,
                                           std::uint32_t& length) override;
    hid::HidpStatus GetData(hid::PreparsedDataHandle data, std::uint32_t reportType, std::span<hid::HidpData> list,
                            std::uint32_t& length, std::span<std::uint8_t> report) override;
    hid::HidpStatus SetData(hid::PreparsedDataHandle data, std::uint32_t reportType, std::span<hid::HidpData> list,
                            std::uint32_t& length, std::span<std::uint8_t> report) override;
    std::uint32_t MaxDataListLength(hid::PreparsedDataHandle data, std::uint32_t reportType) override;
    std::uint32_t MaxUsageListLength(hid::PreparsedDataHandle data, std::uint32_t reportType,
                                     std::uint16_t usagePage) override;
    hid::HidpStatus GetUsages(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                              std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                              std::span<std::uint8_t> report) override;
    hid::HidpStatus GetUsagesEx(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                std::span<hid::HidpUsageAndPage> usages, std::uint32_t& usageLength,
                                std::span<std::uint8_t> report) override;
    hid::HidpStatus SetUsages(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                              std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                              std::span<std::uint8_t> report) override;
    hid::HidpStatus UnsetUsages(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                std::span<std::uint8_t> report) override;
    hid::HidpStatus GetUsageValue(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                  std::uint32_t& value, std::span<std::uint8_t> report) override;
    hid::HidpStatus GetScaledUsageValue(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                        std::int32_t& value, std::span<std::uint8_t> report) override;
    hid::HidpStatus SetUsageValue(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                  std::uint32_t value, std::span<std::uint8_t> report) override;
    hid::HidpStatus SetScaledUsageValue(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                        std::int32_t value, std::span<std::uint8_t> report) override;
    hid::HidpStatus GetUsageValueArray(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                       std::span<std::uint8_t> value, std::span<std::uint8_t> report) override;
    hid::HidpStatus SetUsageValueArray(hid::PreparsedDataHandle data, const hid::HidpParameters& parameters,
                                       std::span<std::uint8_t> value, std::span<std::uint8_t> report) override;
    hid::HidpStatus GetExtendedAttributes(hid::PreparsedDataHandle data, std::uint32_t reportType,
                                          std::uint16_t dataIndex, std::span<std::uint8_t> attributes,
                                          std::uint32_t& length) override;
    hid::HidpStatus InitializeReportForID(hid::PreparsedDataHandle data, std::uint32_t reportType,
                                          std::uint8_t reportId, std::span<std::uint8_t> report) override;

private:
    // The one pending transfer an overlapped handle carries; its record and event live until
    // the handle is closed.
    struct OverlappedTransfer {
        OVERLAPPED overlapped{};
        HANDLE event = nullptr;
        bool started = false;
    };

    std::shared_ptr<OverlappedTransfer> Transfer(hid::HidHandle handle);
    bool Start(hid::HidHandle handle, bool read, void* buffer, DWORD size);
    const HidFunctions& Hid() const { return libraries_.Hid(); }

    Gui& gui_;
    Win32HidLibraries libraries_;
    std::unique_ptr<Win32HidNotificationWindow> notifications_;
    std::mutex transfersMutex_;  // a device's input reader starts and ends its transfers on its own thread
    std::map<HANDLE, std::shared_ptr<OverlappedTransfer>> transfers_;
};

}  // namespace zrflash::platform::win32
