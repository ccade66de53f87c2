// The controller's enumeration, check-out and counting families, check-in and freeing.
#include "hid/EControllerError.h"
#include "hid/THidDeviceController.h"

namespace zrflash::hid {

namespace {

bool SameId(const THidDevice& device, int Vid, int Pid) {
    // Identifiers widen from unsigned 16 bits, so -1 can only act as the product wildcard.
    const HidAttributes& attributes = device.Attributes();
    return static_cast<int>(attributes.VendorID) == Vid && (static_cast<int>(attributes.ProductID) == Pid || Pid == -1);
}

}  // namespace

void THidDeviceController::TakeOut(THidDevice& device) {
    device.FIsCheckedOut = true;
    ++FNumCheckedOutDevices;
    --FNumCheckedInDevices;
    device.StartReader();
}

int THidDeviceController::Enumerate() {
    int count = 0;
    for (std::size_t i = 0; i < FList.size(); ++i) {
        THidDevice* device = FList[i].get();
        if (!device->FIsPluggedIn) continue;
        ++count;
        bool goOn = false;
        if (FOnEnumerate) {
            OfferToCallback(*device, [&] { goOn = FOnEnumerate(*device, static_cast<int>(i)); });
            if (IndexOf(device) && !device->FIsCheckedOut) device->CloseAllHandles();
        }
        if (!goOn) break;
    }
    return count;
}

template <class Condition>
bool THidDeviceController::CheckOutWhere(THidDevice*& HidDev, Condition condition) {
    HidDev = nullptr;
    for (std::size_t i = 0; i < FList.size(); ++i) {
        THidDevice& device = *FList[i];
        if (condition(device, i) && !device.FIsCheckedOut) {
            TakeOut(device);
            HidDev = &device;
            return true;
        }
    }
    return false;
}

template <class Condition>
int THidDeviceController::CountWhere(Condition condition) {
    int count = 0;
    for (const auto& device : FList) {
        if (device->FIsPluggedIn && condition(*device)) ++count;
    }
    return count;
}

bool THidDeviceController::CheckOut(THidDevice*& HidDev) {
    return CheckOutWhere(HidDev, [](THidDevice&, std::size_t) { return true; });
}

bool THidDeviceController::CheckOutByIndex(THidDevice*& HidDev, int Idx) {
    HidDev = nullptr;
    if (Idx < 0 || static_cast<std::size_t>(Idx) >= FList.size()) return false;
    return CheckOutWhere(HidDev, [Idx](THidDevice&, std::size_t i) { return i == static_cast<std::size_t>(Idx); });
}

bool THidDeviceController::CheckOutByID(THidDevice*& HidDev, int Vid, int Pid) {
    return CheckOutWhere(HidDev, [&](THidDevice& device, std::size_t) { return SameId(device, Vid, Pid); });
}

bool THidDeviceController::CheckOutByProductName(THidDevice*& HidDev, const std::u16string& ProductName) {
    HidDev = nullptr;
    if (ProductName.empty()) return false;
    return CheckOutWhere(HidDev,
                         [&](THidDevice& device, std::size_t) { return device.ProductName() == ProductName; });
}

bool THidDeviceController::CheckOutByVendorName(THidDevice*& HidDev, const std::u16string& VendorName) {
    HidDev = nullptr;
    if (VendorName.empty()) return false;
    return CheckOutWhere(HidDev, [&](THidDevice& device, std::size_t) { return device.VendorName() == VendorName; });
}

bool THidDeviceController::CheckOutByClass(THidDevice*& HidDev, const std::u16string& ClassName) {
    HidDev = nullptr;
    if (ClassName.empty()) return false;
    return CheckOutWhere(HidDev,
                         [&](THidDevice& device, std::size_t) { return device.PnPInfo().ClassDescr() == ClassName; });
}

bool THidDeviceController::CheckOutByCallback(THidDevice*& HidDev, const THidCheckCallback& Check) {
    HidDev = nullptr;
    for (std::size_t i = 0; i < FList.size(); ++i) {
        THidDevice* device = FList[i].get();
        if (device->FIsCheckedOut) continue;
        bool wanted = false;
        OfferToCallback(*device, [&] { wanted = Check(*device); });
        if (!IndexOf(device)) continue;
        if (wanted && !device->FIsCheckedOut && device->FIsPluggedIn) {
            TakeOut(*device);
            HidDev = device;
            return true;
        }
        if (!device->FIsCheckedOut) device->CloseAllHandles();
    }
    return false;
}

int THidDeviceController::CountByID(int Vid, int Pid) {
    return CountWhere([&](THidDevice& device) { return SameId(device, Vid, Pid); });
}

int THidDeviceController::CountByProductName(const std::u16string& ProductName) {
    return CountWhere([&](THidDevice& device) { return device.ProductName() == ProductName; });
}

int THidDeviceController::CountByVendorName(const std::u16string& VendorName) {
    return CountWhere([&](THidDevice& device) { return device.VendorName() == VendorName; });
}

int THidDeviceController::CountByClass(const std::u16string& ClassName) {
    return CountWhere([&](THidDevice& device) { return device.PnPInfo().ClassDescr() == ClassName; });
}

int THidDeviceController::CountByCallback(const THidCheckCallback& Check) {
    int count = 0;
    std::vector<THidDevice*> plugged;
    for (auto& device : FList) {
        if (device->FIsPluggedIn) plugged.push_back(device.get());
    }
    for (THidDevice* device : plugged) {
        if (!IndexOf(device)) continue;
        bool yes = false;
        OfferToCallback(*device, [&] { yes = Check(*device); });
        if (yes) ++count;
        if (IndexOf(device) && !device->FIsCheckedOut) device->CloseAllHandles();
    }
    return count;
}

void THidDeviceController::CheckIn(THidDevice*& HidDev) {
    if (HidDev == nullptr) return;
    THidDevice* device = HidDev;
    HidDev = nullptr;
    const auto index = IndexOf(device);
    if (!index) return;
    device->StopReader();
    device->CloseAllHandles();
    if (!device->FIsPluggedIn) {
        DestroyListed(*index);
    } else if (device->FIsCheckedOut) {
        // A device that was not checked out leaves the counters alone.
        device->FIsCheckedOut = false;
        --FNumCheckedOutDevices;
        ++FNumCheckedInDevices;
    }
}

void THidDeviceController::DestroyListed(std::size_t index) {
    std::unique_ptr<THidDevice> old = std::move(FList[index]);
    THidDataEvent onData = old->FOnData;
    THidPlugEvent onUnplug = old->FOnUnplug;
    old->ReleaseResources();
    if (!old->FIsPluggedIn) {
        FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(index));
        --FNumUnpluggedDevices;
    } else {
        try {
            std::unique_ptr<THidDevice> fresh(new THidDevice(FSystem, *this, old->FPnPInfo));
            fresh->FOnData = std::move(onData);
            fresh->FOnUnplug = std::move(onUnplug);
            fresh->FOnDataError = old->FOnDataError;
            fresh->FOnDataShared = old->FOnDataShared;
            fresh->FOnDataErrorShared = old->FOnDataErrorShared;
            fresh->FOnUnplugShared = old->FOnUnplugShared;
            fresh->FPollingDelayTime = old->FPollingDelayTime.load();
            fresh->FThreadSleepTime = old->FThreadSleepTime.load();
            FList[index] = std::move(fresh);
            if (old->FIsCheckedOut) {
                --FNumCheckedOutDevices;
                ++FNumCheckedInDevices;
            }
        } catch (const EControllerError&) {
            // The entry goes; the counter it was counted in goes down with it.
            FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(index));
            if (old->FIsCheckedOut) --FNumCheckedOutDevices;
            else --FNumCheckedInDevices;
        }
    }
    old->FMyController = nullptr;
}

}  // namespace zrflash::hid
