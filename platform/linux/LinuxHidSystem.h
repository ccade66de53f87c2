// The HID system over hidraw: udev lists the interfaces and reports hot-plug, the hidraw ioctls
// carry the reports, and the report descriptor stands in for the platform's parsed data.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "hid/HidSystem.h"
#include "platform/linux/DescriptorWatch.h"
#include "platform/linux/LinuxHidDriver.h"

namespace zrflash::platform::linux_port {

struct LinuxHidOpenHandle;

class LinuxHidSystem final : public hid::HidSystem {
public:
    using PostFunction = std::function<void(std::function<void()>)>;
    // A present interface that refused to be opened for lack of permission.
    using OpenDeniedHandler = std::function<void(const HidrawNode& node)>;
    // An error that escaped the device-change callback, with its message.
    using NotificationErrorHandler = std::function<void(const std::string& message)>;

    // post must be callable from any thread (an input reader posts its reports through it).
    LinuxHidSystem(LinuxHidDriver& driver, PostFunction post, WatchDescriptorFunction watch);
    ~LinuxHidSystem() override;

    // Called once per interface (again after it was replugged) when opening it is not permitted.
    // Without a handler the refusal is written to the standard error stream.
    void SetOpenDeniedHandler(OpenDeniedHandler handler) { openDenied_ = std::move(handler); }
    // Called on the GUI thread when the device-change callback throws; the notifications go on.
    // Without a handler the error is written to the standard error stream.
    void SetNotificationErrorHandler(NotificationErrorHandler handler) { notificationError_ = std::move(handler); }
    void SetNoticeHandler(NoticeHandler handler) override;
    // Hands a notice to the program's log from the GUI loop (stderr while nobody listens).
    void Notice(std::u16string notice);

    bool BindLibrary(hid::HidLibrary library) override;
    void ReleaseLibrary(hid::HidLibrary library) override;
    bool IsLibraryBound(hid::HidLibrary library) const override;
    std::u16string HidLibraryVersion() override { return {}; }
    hid::Guid HidGuid() override { return hid::kDefaultHidGuid; }
    std::optional<std::vector<hid::HidInterface>> EnumerateInterfaces(const hid::Guid& interfaceClass) override;
    void StartDeviceChangeNotifications(hid::DeviceChangeCallback callback) override;
    void StopDeviceChangeNotifications() override;
    void PostToGuiThread(std::function<void()> work) override { post_(std::move(work)); }

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
    std::optional<std::u16string> LanguageName(std::uint16_t) override { return std::nullopt; }
    bool ReadFile(hid::HidHandle handle, std::span<std::uint8_t> buffer, std::uint32_t& transferred) override;
    bool WriteFile(hid::HidHandle handle, std::span<const std::uint8_t> buffer, std::uint32_t& transferred) override;
    bool DeviceIoControl(hid::HidHandle handle, std::uint32_t code, std::span<const std::uint8_t> input,
                         std::span<std::uint8_t> output, std::uint32_t& returned) override;
    bool StartRead(hid::HidHandle handle, std::span<std::uint8_t> buffer) override;
    bool StartWrite(hid::HidHandle handle, std::span<const std::uint8_t> buffer) override;
    bool WaitForTransfer(hid::HidHandle handle, int milliseconds) override;
    std::uint32_t TransferResult(hid::HidHandle handle) override;
    bool CancelIo(hid::HidHandle handle) override;

    // The instance number of an interface: a hash of its sysfs path, which is new for every
    // plugging (the kernel numbers each HID device afresh) and the same between scans.
    static std::uint32_t InstanceOf(const std::string& syspath);

private:
    using OpenHandle = LinuxHidOpenHandle;

    std::shared_ptr<OpenHandle> Find(hid::HidHandle handle) const;
    // The open handle if it may carry reports; sets the last error otherwise.
    std::shared_ptr<OpenHandle> Writable(hid::HidHandle handle);
    bool Failed(int result);
    // Sets the calling thread's last error; always false.
    static bool FailWith(std::uint32_t code);
    // Reads one input report with its ID byte first, as Windows delivers it.
    int ReadReport(OpenHandle& open, std::span<std::uint8_t> buffer, int timeoutMs);
    void ReportOpenDenied(const std::string& devnode);
    // Calls the device-change callback if notifications are still on; what it throws stops here.
    void Notify(const std::weak_ptr<hid::DeviceChangeCallback>& notifications, std::intptr_t lParam);

    LinuxHidDriver& driver_;
    PostFunction post_;
    WatchDescriptorFunction watch_;
    OpenDeniedHandler openDenied_;
    NotificationErrorHandler notificationError_;
    std::shared_ptr<NoticeHandler> notice_;
    int bindCount_[2] = {0, 0};
    mutable std::mutex mutex_;
    std::map<std::intptr_t, std::shared_ptr<OpenHandle>> handles_;
    std::intptr_t nextHandle_ = 0x100;
    std::map<std::uintptr_t, hid::HidCaps> preparsed_;
    std::uintptr_t nextPreparsed_ = 0x1000;
    std::map<std::string, HidrawNode> present_;  // by device node, from the last scan
    std::set<std::string> deniedReported_;      // sysfs paths already reported
    std::shared_ptr<hid::DeviceChangeCallback> notifications_;
    std::unique_ptr<DescriptorWatch> monitorWatch_;
};

}  // namespace zrflash::platform::linux_port
