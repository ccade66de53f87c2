// Keeps the list of HID device interfaces, follows plugging and unplugging, and hands devices
// out for exclusive use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hid/HidEvents.h"
#include "hid/HidSystem.h"
#include "hid/THidDevice.h"

namespace zrflash::hid {

// The settable properties as the window definition gives them; applied without side effects.
struct THidControllerProperties {
    int DevPollingDelayTime = 0;
    int DevThreadSleepTime = 100;
    THidPlugEvent OnArrival;
    THidEnumerateEvent OnEnumerate;
    THidNotifyEvent OnDeviceChange;
    THidDeviceCreateError OnDeviceCreateError;
    THidDataEvent OnDeviceData;
    THidDataErrorEvent OnDeviceDataError;
    THidPlugEvent OnDeviceUnplug;
    THidPlugEvent OnRemoval;
};

class THidDeviceController {
public:
    // Binds the libraries and, when the HID library is bound, starts the device-change
    // notifications; the first pass runs from the GUI loop on the port's first notification.
    explicit THidDeviceController(HidSystem& system, THidControllerProperties properties = {});
    THidDeviceController(HidSystem& system, THidDeviceCreateError AOnHidCtlDeviceCreateError,
                         THidNotifyEvent AOnDeviceChange);
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;
    ~THidDeviceController();

    // One device-change pass; public so a user can force a rescan.
    void DeviceChange();
    int Enumerate();

    bool CheckOut(THidDevice*& HidDev);
    bool CheckOutByClass(THidDevice*& HidDev, const std::u16string& ClassName);
    bool CheckOutByID(THidDevice*& HidDev, int Vid, int Pid);
    bool CheckOutByIndex(THidDevice*& HidDev, int Idx);
    bool CheckOutByProductName(THidDevice*& HidDev, const std::u16string& ProductName);
    bool CheckOutByVendorName(THidDevice*& HidDev, const std::u16string& VendorName);
    bool CheckOutByCallback(THidDevice*& HidDev, const THidCheckCallback& Check);
    void CheckIn(THidDevice*& HidDev);
    int CountByClass(const std::u16string& ClassName);
    int CountByID(int Vid, int Pid);
    int CountByProductName(const std::u16string& ProductName);
    int CountByVendorName(const std::u16string& VendorName);
    int CountByCallback(const THidCheckCallback& Check);
    std::u16string HidVersion();

    const Guid& HidGuid() const { return FHidGuid; }
    int NumCheckedInDevices() const { return FNumCheckedInDevices; }
    int NumCheckedOutDevices() const { return FNumCheckedOutDevices; }
    int NumUnpluggedDevices() const { return FNumUnpluggedDevices; }
    std::string Version() const { return FVersion; }
    void SetVersion(const std::string& value) { FDummy = value; }
    // The listed devices in order of first appearance (read-only view for inspection).
    std::size_t Count() const { return FList.size(); }
    THidDevice& Device(std::size_t index) const { return *FList.at(index); }

    int DevPollingDelayTime() const { return FDevPollingDelayTime; }
    void SetDevPollingDelayTime(int Value);
    int DevThreadSleepTime() const { return FDevThreadSleepTime; }
    void SetDevThreadSleepTime(int Value);
    void SetOnArrival(THidPlugEvent Handler) { FOnArrival = std::move(Handler); }
    void SetOnEnumerate(THidEnumerateEvent Handler) { FOnEnumerate = std::move(Handler); }
    // Setting or clearing the handler runs one pass at once (handlers cannot be compared, so
    // every set counts as a change except replacing none by none).
    void SetOnDeviceChange(THidNotifyEvent Handler);
    void SetOnDeviceCreateError(THidDeviceCreateError Handler) { FOnDeviceCreateError = std::move(Handler); }
    // These three also reach the listed devices that still use the controller's handler.
    void SetOnDeviceData(THidDataEvent Handler);
    void SetOnDeviceDataError(THidDataErrorEvent Handler);
    void SetOnDeviceUnplug(THidPlugEvent Handler);
    void SetOnRemoval(THidPlugEvent Handler) { FOnRemoval = std::move(Handler); }

private:
    friend class THidDevice;
    using DeviceList = std::vector<std::unique_ptr<THidDevice>>;

    void Notification(std::uintptr_t wParam, std::intptr_t lParam);
    DeviceList Scan();
    std::unique_ptr<THidDevice> CreateWithRetry(const HidInterface& found);
    void RecomputeCounters();
    std::optional<std::size_t> IndexOf(const THidDevice* device) const;
    template <class Condition>
    bool CheckOutWhere(THidDevice*& HidDev, Condition condition);
    template <class Condition>
    int CountWhere(Condition condition);
    void TakeOut(THidDevice& device);
    void OfferToCallback(THidDevice& device, const std::function<void()>& call);
    // Destroys a listed device the user asked to free (replacement, counters).
    void DestroyListed(std::size_t index);

    HidSystem& FSystem;
    Guid FHidGuid = kDefaultHidGuid;
    THidPlugEvent FOnArrival;
    THidNotifyEvent FOnDeviceChange;
    THidEnumerateEvent FOnEnumerate;
    THidDataEvent FOnDeviceData;
    THidDataErrorEvent FOnDeviceDataError;
    THidPlugEvent FOnDeviceUnplug;
    THidPlugEvent FOnRemoval;
    THidDeviceCreateError FOnDeviceCreateError;
    int FDevPollingDelayTime = 0;
    int FDevThreadSleepTime = 100;
    std::string FVersion = "1.0.35";
    std::string FDummy;
    DeviceList FList;
    int FNumCheckedInDevices = 0;
    int FNumCheckedOutDevices = 0;
    int FNumUnpluggedDevices = 0;
    bool FInDeviceChange = false;
    std::intptr_t FLParam = 0;
    bool FSetupApiBound = false;
    bool FHidBound = false;
    bool FNotifying = false;
    bool FDestroying = false;
};

}  // namespace zrflash::hid
