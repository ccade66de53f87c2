// The controller's life, its device-change pass and its scan of the present HID interfaces.
#include "hid/THidDeviceController.h"

#include "hid/EControllerError.h"

namespace zrflash::hid {

namespace {

// Clears a flag on every way out of a scope, also when an error propagates.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
    ~FlagGuard() { FFlag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& FFlag;
};

}  // namespace

THidDeviceController::THidDeviceController(HidSystem& system, THidControllerProperties properties)
    : FSystem(system),
      FOnArrival(std::move(properties.OnArrival)),
      FOnDeviceChange(std::move(properties.OnDeviceChange)),
      FOnEnumerate(std::move(properties.OnEnumerate)),
      FOnDeviceData(std::move(properties.OnDeviceData)),
      FOnDeviceDataError(std::move(properties.OnDeviceDataError)),
      FOnDeviceUnplug(std::move(properties.OnDeviceUnplug)),
      FOnRemoval(std::move(properties.OnRemoval)),
      FOnDeviceCreateError(std::move(properties.OnDeviceCreateError)),
      FDevPollingDelayTime(properties.DevPollingDelayTime),
      FDevThreadSleepTime(properties.DevThreadSleepTime) {
    FSetupApiBound = FSystem.BindLibrary(HidLibrary::SetupApi);
    if (FSetupApiBound) FHidBound = FSystem.BindLibrary(HidLibrary::Hid);
    if (!FHidBound) return;  // inert: no notifications, no scans, no events
    FHidGuid = FSystem.HidGuid();
    FSystem.StartDeviceChangeNotifications(
        [this](std::uintptr_t wParam, std::intptr_t lParam) { Notification(wParam, lParam); });
    FNotifying = true;
}

THidDeviceController::THidDeviceController(HidSystem& system, THidDeviceCreateError AOnHidCtlDeviceCreateError,
                                           THidNotifyEvent AOnDeviceChange)
    : THidDeviceController(system) {
    SetOnDeviceChange(std::move(AOnDeviceChange));
    SetOnDeviceCreateError(std::move(AOnHidCtlDeviceCreateError));
}

THidDeviceController::~THidDeviceController() {
    FDestroying = true;
    FOnDeviceChange = nullptr;
    FOnEnumerate = nullptr;
    SetOnDeviceUnplug(nullptr);
    if (FNotifying) FSystem.StopDeviceChangeNotifications();
    for (auto& device : FList) {
        device->FMyController = nullptr;
        if (device->FIsCheckedOut) device->MarkUnplugged();
        device.reset();
    }
    FList.clear();
    // Only what was bound is released, so a half-bound start leaves no count behind.
    if (FSetupApiBound) FSystem.ReleaseLibrary(HidLibrary::SetupApi);
    if (FHidBound) FSystem.ReleaseLibrary(HidLibrary::Hid);
}

void THidDeviceController::Notification(std::uintptr_t wParam, std::intptr_t lParam) {
    if (FDestroying || wParam != kDbtDevNodesChanged || FInDeviceChange) return;
    FLParam = lParam;
    FlagGuard inPass(FInDeviceChange);
    DeviceChange();
}

void THidDeviceController::DeviceChange() {
    bool changed = FLParam == -1;
    DeviceList found = Scan();

    // Removals, last listed first. Handlers may check devices in, so each one is found again
    // by address before it is touched.
    std::vector<THidDevice*> listed;
    for (auto& device : FList) listed.push_back(device.get());
    for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
        THidDevice* device = *it;
        if (!IndexOf(device)) continue;
        bool present = false;
        if (device->FIsPluggedIn) {
            for (auto candidate = found.rbegin(); candidate != found.rend() && !present; ++candidate)
                present = (*candidate)->PnPInfo().DeviceID() == device->PnPInfo().DeviceID();
        }
        if (present) continue;
        changed = true;
        device->MarkUnplugged();
        if (FOnRemoval && IndexOf(device)) FOnRemoval(*device);
        if (auto index = IndexOf(device); index && !device->FIsCheckedOut) {
            FList[*index]->FMyController = nullptr;
            FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(*index));
        }
    }

    // Duplicates of listed, plugged-in devices are dropped; the listed object keeps its state.
    for (auto& candidate : found) {
        for (auto& device : FList) {
            if (device->FIsPluggedIn && device->PnPInfo().DeviceID() == candidate->PnPInfo().DeviceID()) {
                candidate->FMyController = nullptr;
                candidate.reset();
                break;
            }
        }
    }

    for (auto& candidate : found) {
        if (!candidate) continue;
        THidDevice* device = candidate.get();
        FList.push_back(std::move(candidate));
        changed = true;
        if (FOnArrival) OfferToCallback(*device, [&] { FOnArrival(*device); });
    }

    RecomputeCounters();
    if (changed && FOnDeviceChange) FOnDeviceChange(*this);
}

THidDeviceController::DeviceList THidDeviceController::Scan() {
    DeviceList result;
    if (!FHidBound) return result;
    auto interfaces = FSystem.EnumerateInterfaces(FHidGuid);
    if (!interfaces) return result;
    for (const HidInterface& found : *interfaces) {
        if (auto device = CreateWithRetry(found)) result.push_back(std::move(device));
    }
    return result;
}

std::unique_ptr<THidDevice> THidDeviceController::CreateWithRetry(const HidInterface& found) {
    auto pnpInfo = std::make_shared<const THidPnPInfo>(found);
    bool retryCreate = false;
    for (;;) {
        try {
            return std::unique_ptr<THidDevice>(new THidDevice(FSystem, *this, pnpInfo));
        } catch (const EControllerError&) {
            if (!FOnDeviceCreateError) throw;
            bool handled = false;
            FOnDeviceCreateError(*this, *pnpInfo, handled, retryCreate);
            if (!handled) throw;
            if (!retryCreate) return nullptr;
        }
    }
}

void THidDeviceController::RecomputeCounters() {
    int checkedOut = 0;
    int unplugged = 0;
    for (const auto& device : FList) {
        if (device->FIsCheckedOut) ++checkedOut;
        if (!device->FIsPluggedIn) ++unplugged;
    }
    FNumCheckedInDevices = static_cast<int>(FList.size()) - checkedOut;
    FNumUnpluggedDevices = unplugged;
    FNumCheckedOutDevices = checkedOut - unplugged;
}

std::optional<std::size_t> THidDeviceController::IndexOf(const THidDevice* device) const {
    for (std::size_t i = 0; i < FList.size(); ++i) {
        if (FList[i].get() == device) return i;
    }
    return std::nullopt;
}

void THidDeviceController::OfferToCallback(THidDevice& device, const std::function<void()>& call) {
    THidDevice* address = &device;
    // The handler may free the device; the flag is cleared only on a device still listed.
    struct Offer {
        THidDeviceController& controller;
        THidDevice* address;
        ~Offer() {
            if (controller.IndexOf(address)) address->FIsEnumerated = false;
        }
    } offer{*this, address};
    device.FIsEnumerated = true;
    call();
}

void THidDeviceController::SetOnDeviceChange(THidNotifyEvent Handler) {
    const bool differs = Handler || FOnDeviceChange;
    FOnDeviceChange = std::move(Handler);
    if (differs) DeviceChange();
}

void THidDeviceController::SetOnDeviceData(THidDataEvent Handler) {
    for (auto& device : FList) {
        if (!device->FOnDataShared) continue;
        device->SetOnData(Handler);
        device->FOnDataShared = true;
    }
    FOnDeviceData = std::move(Handler);
}

void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent Handler) {
    for (auto& device : FList) {
        if (device->FOnDataErrorShared) device->FOnDataError = Handler;
    }
    FOnDeviceDataError = std::move(Handler);
}

void THidDeviceController::SetOnDeviceUnplug(THidPlugEvent Handler) {
    for (auto& device : FList) {
        if (device->FOnUnplugShared) device->FOnUnplug = Handler;
    }
    FOnDeviceUnplug = std::move(Handler);
}

void THidDeviceController::SetDevPollingDelayTime(int Value) {
    for (auto& device : FList) {
        if (device->PollingDelayTime() == FDevPollingDelayTime) device->SetPollingDelayTime(Value);
    }
    FDevPollingDelayTime = Value;
}

void THidDeviceController::SetDevThreadSleepTime(int Value) {
    for (auto& device : FList) {
        if (device->ThreadSleepTime() == FDevThreadSleepTime) device->SetThreadSleepTime(Value);
    }
    FDevThreadSleepTime = Value;
}

std::u16string THidDeviceController::HidVersion() { return FSystem.HidLibraryVersion(); }

}  // namespace zrflash::hid
