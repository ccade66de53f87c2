// A device's identity, its synchronous handle, feature transfers, check-out, unplugging and end.
#include "hid/THidDevice.h"

#include <algorithm>

#include "hid/EControllerError.h"
#include "hid/THidDeviceController.h"
#include "hid/THidDeviceReadThread.h"

namespace zrflash::hid {

THidDevice::THidDevice(HidSystem& system, THidDeviceController& controller,
                       std::shared_ptr<const THidPnPInfo> pnpInfo)
    : FSystem(system),
      FMyController(&controller),
      FPnPInfo(std::move(pnpInfo)),
      FAlive(std::make_shared<THidDevice*>(this)) {
    FPollingDelayTime = controller.FDevPollingDelayTime;
    FThreadSleepTime = controller.FDevThreadSleepTime;
    FOnData = controller.FOnDeviceData;
    FOnDataError = controller.FOnDeviceDataError;
    FOnUnplug = controller.FOnDeviceUnplug;

    const HidHandle handle = OpenSynchronous();
    if (handle == HidHandle::None) throw EControllerError(kDeviceCannotBeOpened);
    FAttributes = {};
    FAttributes.Size = 12;
    const bool identified = FSystem.GetAttributes(handle, FAttributes);
    FSystem.Close(handle);
    if (!identified) throw EControllerError(kDeviceCannotBeIdentified);
}

THidDevice::~THidDevice() { ReleaseResources(); }

void THidDevice::Free(THidDevice*& HidDev) {
    if (HidDev == nullptr) return;
    THidDevice* device = HidDev;
    HidDev = nullptr;
    if (THidDeviceController* controller = device->FMyController) {
        if (auto index = controller->IndexOf(device)) controller->DestroyListed(*index);
    }
}

HidHandle THidDevice::OpenSynchronous() {
    HidHandle handle = FSystem.Open(FPnPInfo->DevicePath(), HidAccess::ReadWrite);
    FHasReadWriteAccess = handle != HidHandle::None;
    // Interfaces the system holds exclusively (keyboards, mice) still open for queries.
    if (handle == HidHandle::None) handle = FSystem.Open(FPnPInfo->DevicePath(), HidAccess::QueryOnly);
    return handle;
}

bool THidDevice::OpenFile() {
    if (MayOpen() && FHidFileHandle == HidHandle::None) {
        FHidFileHandle = OpenSynchronous();
        if (FHidFileHandle != HidHandle::None) {
            if (FNumInputBuffers != 0) FSystem.SetNumInputBuffers(FHidFileHandle, FNumInputBuffers);
            int count = 0;
            if (FSystem.GetNumInputBuffers(FHidFileHandle, count)) FNumInputBuffers = count;
        }
    }
    return FHidFileHandle != HidHandle::None;
}

void THidDevice::CloseFile() {
    if (FHidFileHandle != HidHandle::None) FSystem.Close(FHidFileHandle);
    FNumInputBuffers = 0;
    FHidFileHandle = HidHandle::None;
}

void THidDevice::CloseAllHandles() {
    CloseFile();
    CloseFileEx(THidOpenExMode::omhRead);
    CloseFileEx(THidOpenExMode::omhWrite);
}

PreparsedDataHandle THidDevice::PreparsedData() {
    if (FPreparsedData == PreparsedDataHandle::None && OpenFile()) {
        FPreparsedData = FSystem.GetPreparsedData(FHidFileHandle);
        CloseFile();
    }
    return FPreparsedData;
}

HidCaps THidDevice::Caps() {
    HidCaps caps{};
    const PreparsedDataHandle data = PreparsedData();
    if (data != PreparsedDataHandle::None && FSystem.GetCaps(data, caps) != kHidpStatusSuccess) caps = {};
    return caps;
}

bool THidDevice::SetFeature(std::span<std::uint8_t> Report, int Size) {
    if (Size < 0 || static_cast<std::size_t>(Size) > Report.size()) return false;
    if (!OpenFile()) return false;
    return FSystem.SetFeature(FHidFileHandle, Report.first(static_cast<std::size_t>(Size)));
}

bool THidDevice::GetFeature(std::span<std::uint8_t> Report, int Size) {
    if (Size < 0 || static_cast<std::size_t>(Size) > Report.size()) return false;
    if (!OpenFile()) return false;
    return FSystem.GetFeature(FHidFileHandle, Report.first(static_cast<std::size_t>(Size)));
}

bool THidDevice::CheckOut() {
    if (FMyController == nullptr || !FIsPluggedIn || FIsCheckedOut) return false;
    FMyController->TakeOut(*this);
    return true;
}

void THidDevice::MarkUnplugged() {
    // The reader goes first: its read handle is about to be closed under it.
    StopReader();
    CloseAllHandles();
    FIsPluggedIn = false;
    THidPlugEvent onUnplug = std::move(FOnUnplug);
    FOnUnplug = nullptr;
    if (onUnplug) onUnplug(*this);
}

void THidDevice::ReleaseResources() {
    StopReader();
    FOnData = nullptr;
    FOnUnplug = nullptr;
    CloseAllHandles();
    if (FPreparsedData != PreparsedDataHandle::None) FSystem.FreePreparsedData(FPreparsedData);
    FPreparsedData = PreparsedDataHandle::None;
    FLanguageStrings.clear();
}

void THidDevice::SetOnData(THidDataEvent Handler) {
    FOnDataShared = false;
    if (!Handler) StopReader();
    FOnData = std::move(Handler);
    StartReader();
}

void THidDevice::SetOnDataError(THidDataErrorEvent Handler) {
    FOnDataErrorShared = false;
    FOnDataError = std::move(Handler);
}

void THidDevice::SetOnUnplug(THidPlugEvent Handler) {
    FOnUnplugShared = false;
    FOnUnplug = std::move(Handler);
}

void THidDevice::SetPollingDelayTime(int Value) {
    if (Value >= 0 && Value <= 10000) FPollingDelayTime = Value;
}

void THidDevice::SetThreadSleepTime(int Value) {
    if (Value >= 10 && Value <= 10000) FThreadSleepTime = Value;
}

void THidDevice::StartReader() {
    if (!FOnData || !FIsPluggedIn || !FIsCheckedOut || !FHasReadWriteAccess || FDataThread) return;
    const std::size_t length = Caps().InputReportByteLength;
    OpenFileEx(THidOpenExMode::omhRead);
    FDataThread.reset(new THidDeviceReadThread(*this, length));
}

void THidDevice::StopReader() {
    if (FDataThread) FDataThread->Stop();
    FDataThread.reset();
}

void THidDevice::DeliverData(std::vector<std::uint8_t> report) {
    if (!FOnData || report.empty()) return;
    // A report longer than a 16-bit count can say is cut there.
    const auto size = static_cast<std::uint16_t>(std::min<std::size_t>(report.size() - 1, 0xFFFF));
    FOnData(*this, report[0], report.data() + 1, size);
}

void THidDevice::DeliverDataError(std::uint32_t error) {
    if (FOnDataError) FOnDataError(*this, error);
}

}  // namespace zrflash::hid
