// The HID system over the virtual bus: what HID.dll and SetupAPI would answer for the
// simulated devices, so the real controller opens and identifies them.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "hid/HidSystem.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::sim {

// What the port was asked, for tests that check the layer's habits.
struct SimHidStatistics {
    int opens = 0;
    int preparsedDataFetches = 0;
    int attributeReads = 0;
};

class SimHidSystem : public hid::HidSystem {
public:
    explicit SimHidSystem(VirtualHidBus& bus);
    ~SimHidSystem() override;

    // Fault hook: a library that cannot be bound (missing file or function).
    void SetLibraryAvailable(hid::HidLibrary library, bool available);
    int BindCount(hid::HidLibrary library) const;
    int OpenHandleCount() const;
    SimHidStatistics Statistics() const;
    bool Notifying() const { return static_cast<bool>(FNotifications); }

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

private:
    struct OpenInterface;

    std::shared_ptr<OpenInterface> Find(hid::HidHandle handle) const;
    // The interface behind a handle if it is still plugged in; sets the last error otherwise.
    std::shared_ptr<BusInterface> Reachable(hid::HidHandle handle, bool needsWrite);

    VirtualHidBus& FBus;
    bool FAvailable[2] = {true, true};
    int FBindCount[2] = {0, 0};
    mutable std::mutex FMutex;
    std::map<std::intptr_t, std::shared_ptr<OpenInterface>> FHandles;
    std::intptr_t FNextHandle = 0x100;
    std::map<std::uintptr_t, hid::HidCaps> FPreparsed;
    std::uintptr_t FNextPreparsed = 0x1000;
    SimHidStatistics FStatistics;
    std::shared_ptr<hid::DeviceChangeCallback> FNotifications;
};

}  // namespace zrflash::sim
