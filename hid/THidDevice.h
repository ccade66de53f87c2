// One HID device interface as the controller lists it: identity, lazy handles, transfers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hid/HidEvents.h"
#include "hid/HidSystem.h"
#include "hid/THidPnPInfo.h"

namespace zrflash::hid {

class THidDeviceReadThread;

enum class THidOpenExMode { omhRead, omhWrite };

class THidDevice {
public:
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;
    ~THidDevice();

    // Destroys a device the caller holds and sets the variable to none. A listed, plugged-in
    // device is replaced in its controller's list by a fresh, unclaimed object for the same
    // interface (so this is also a check-in); a listed, unplugged one leaves the list.
    static void Free(THidDevice*& HidDev);

    // What the program uses.
    const HidAttributes& Attributes() const { return FAttributes; }
    // Only the first call reads the report description from the device; it is kept for the
    // device's lifetime, also after unplugging. All zero when there is none.
    HidCaps Caps();
    bool CheckOut();
    // Transfers Size bytes of Report (report ID first). A Size outside 0..Report.size() is
    // refused without device access, so no transfer goes beyond the caller's buffer.
    bool SetFeature(std::span<std::uint8_t> Report, int Size);
    bool GetFeature(std::span<std::uint8_t> Report, int Size);

    // Used by the layer itself.
    bool IsPluggedIn() const { return FIsPluggedIn; }
    bool IsCheckedOut() const { return FIsCheckedOut; }
    bool HasReadWriteAccess() const { return FHasReadWriteAccess; }
    HidHandle HidFileHandle() const { return FHidFileHandle; }
    const THidPnPInfo& PnPInfo() const { return *FPnPInfo; }
    THidDeviceController* Controller() const { return FMyController; }
    PreparsedDataHandle PreparsedData();
    bool OpenFile();
    void CloseFile();
    int Tag = 0;

    // Overlapped handles and transfers.
    HidHandle HidOverlappedRead() const { return FHidOverlappedRead; }
    HidHandle HidOverlappedWrite() const { return FHidOverlappedWrite; }
    std::uint32_t HidOverlappedReadResult();
    std::uint32_t HidOverlappedWriteResult();
    bool OpenFileEx(THidOpenExMode Mode);
    void CloseFileEx(THidOpenExMode Mode);
    bool CancelIO(THidOpenExMode Mode);
    // The buffer must outlive the transfer (until its result is taken or it is cancelled).
    bool ReadFileEx(std::span<std::uint8_t> Report);
    bool WriteFileEx(std::span<const std::uint8_t> Report);
    bool FlushQueue();
    bool ReadFile(std::span<std::uint8_t> Buffer, std::uint32_t& BytesRead);
    bool WriteFile(std::span<const std::uint8_t> Buffer, std::uint32_t& BytesWritten);
    bool DeviceIoControl(std::uint32_t IoControlCode, std::span<const std::uint8_t> InBuffer,
                         std::span<std::uint8_t> OutBuffer, std::uint32_t& BytesReturned);
    bool GetInputReport(std::span<std::uint8_t> Report);
    bool SetOutputReport(std::span<const std::uint8_t> Report);

    // Device strings, read while the device may be opened and kept once read.
    std::u16string VendorName();
    std::u16string ProductName();
    std::u16string SerialNumber();
    std::u16string GetDeviceString(std::uint8_t Idx);
    std::u16string DeviceStrings(std::uint8_t Idx) { return GetDeviceString(Idx); }
    const std::vector<std::u16string>& LanguageStrings();
    const std::vector<std::uint16_t>& PhysicalDescriptor();

    // Buffer counts and configuration.
    int NumInputBuffers() const { return FNumInputBuffers; }
    void SetNumInputBuffers(int Count);
    int NumOverlappedBuffers() const { return FNumOverlappedBuffers; }
    void SetNumOverlappedBuffers(int Count);
    HidConfiguration Configuration();
    void SetConfiguration(const HidConfiguration& Config);

    // Report queries; each answers kHidpStatusNull when the device may not be opened.
    std::uint32_t ReportTypeParam() const { return FReportTypeParam; }
    void SetReportTypeParam(std::uint32_t Value);
    std::uint16_t UsagePageParam() const { return FUsagePageParam; }
    void SetUsagePageParam(std::uint16_t Value);
    std::uint16_t LinkCollectionParam() const { return FLinkCollectionParam; }
    void SetLinkCollectionParam(std::uint16_t Value) { FLinkCollectionParam = Value; }
    std::uint16_t UsageParam() const { return FUsageParam; }
    void SetUsageParam(std::uint16_t Value) { FUsageParam = Value; }
    std::uint32_t MaxDataListLength() const { return FMaxDataListLength; }
    std::uint32_t MaxUsageListLength() const { return FMaxUsageListLength; }
    std::uint32_t MaxButtonListLength() const { return FMaxButtonListLength; }
    HidpLinkCollectionNode GetLinkCollectionNode(std::uint16_t Idx);
    HidpLinkCollectionNode LinkCollectionNodes(std::uint16_t Idx) { return GetLinkCollectionNode(Idx); }
    HidpStatus GetButtonCaps(std::span<HidpButtonCaps> ButtonCaps, std::uint16_t& Count);
    HidpStatus GetValueCaps(std::span<HidpValueCaps> ValueCaps, std::uint16_t& Count);
    HidpStatus GetSpecificButtonCaps(std::span<HidpButtonCaps> ButtonCaps, std::uint16_t& Count);
    HidpStatus GetSpecificValueCaps(std::span<HidpValueCaps> ValueCaps, std::uint16_t& Count);
    HidpStatus GetData(std::span<HidpData> DataList, std::uint32_t& DataLength, std::span<std::uint8_t> Report);
    HidpStatus SetData(std::span<HidpData> DataList, std::uint32_t& DataLength, std::span<std::uint8_t> Report);
    HidpStatus GetUsages(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                         std::span<std::uint8_t> Report);
    HidpStatus GetButtons(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                          std::span<std::uint8_t> Report);
    HidpStatus GetUsagesEx(std::span<HidpUsageAndPage> UsageList, std::uint32_t& UsageLength,
                           std::span<std::uint8_t> Report);
    HidpStatus GetButtonsEx(std::span<HidpUsageAndPage> UsageList, std::uint32_t& UsageLength,
                            std::span<std::uint8_t> Report);
    HidpStatus SetUsages(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                         std::span<std::uint8_t> Report);
    HidpStatus SetButtons(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                          std::span<std::uint8_t> Report);
    HidpStatus UnsetUsages(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                           std::span<std::uint8_t> Report);
    HidpStatus UnsetButtons(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                            std::span<std::uint8_t> Report);
    HidpStatus GetUsageValue(std::uint32_t& UsageValue, std::span<std::uint8_t> Report);
    HidpStatus GetScaledUsageValue(std::int32_t& UsageValue, std::span<std::uint8_t> Report);
    HidpStatus SetUsageValue(std::uint32_t UsageValue, std::span<std::uint8_t> Report);
    HidpStatus SetScaledUsageValue(std::int32_t UsageValue, std::span<std::uint8_t> Report);
    HidpStatus GetUsageValueArray(std::span<std::uint8_t> UsageValue, std::span<std::uint8_t> Report);
    HidpStatus SetUsageValueArray(std::span<std::uint8_t> UsageValue, std::span<std::uint8_t> Report);
    // These two need no open device.
    HidpStatus GetExtendedAttributes(std::uint16_t DataIndex, std::span<std::uint8_t> Attributes,
                                     std::uint32_t& LengthAttributes);
    HidpStatus InitializeReportForID(std::uint8_t ReportID, std::span<std::uint8_t> Report);

    // Input reader pacing and handlers.
    int PollingDelayTime() const { return FPollingDelayTime; }
    void SetPollingDelayTime(int Value);  // 0..10000, otherwise ignored
    int ThreadSleepTime() const { return FThreadSleepTime; }
    void SetThreadSleepTime(int Value);  // 10..10000, otherwise ignored
    const THidDataEvent& OnData() const { return FOnData; }
    void SetOnData(THidDataEvent Handler);
    const THidDataErrorEvent& OnDataError() const { return FOnDataError; }
    void SetOnDataError(THidDataErrorEvent Handler);
    const THidPlugEvent& OnUnplug() const { return FOnUnplug; }
    void SetOnUnplug(THidPlugEvent Handler);

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;

    // Opens and identifies the interface, then closes it again; throws EControllerError.
    THidDevice(HidSystem& system, THidDeviceController& controller, std::shared_ptr<const THidPnPInfo> pnpInfo);

    bool MayOpen() const { return FIsPluggedIn && (FIsCheckedOut || FIsEnumerated); }
    HidHandle OpenSynchronous();
    void CloseAllHandles();
    void MarkUnplugged();
    void StartReader();
    void StopReader();
    void ReleaseResources();
    HidpParameters Parameters() const;
    void RecomputeListLengths();
    bool ReadStringInto(HidStringKind kind, std::uint32_t index, std::u16string& text);
    std::vector<std::uint16_t> LanguageIds();
    void DeliverData(std::vector<std::uint8_t> report);
    void DeliverDataError(std::uint32_t error);

    HidSystem& FSystem;
    THidDeviceController* FMyController;
    bool FIsPluggedIn = true;
    bool FIsCheckedOut = false;
    bool FIsEnumerated = false;
    HidHandle FHidFileHandle = HidHandle::None;
    HidHandle FHidOverlappedRead = HidHandle::None;
    HidHandle FHidOverlappedWrite = HidHandle::None;
    HidAttributes FAttributes;
    std::shared_ptr<const THidPnPInfo> FPnPInfo;
    std::u16string FVendorName;
    std::u16string FProductName;
    std::u16string FSerialNumber;
    std::vector<std::uint16_t> FPhysicalDescriptor;
    bool FPhysicalDescriptorRead = false;
    PreparsedDataHandle FPreparsedData = PreparsedDataHandle::None;
    std::vector<std::u16string> FLanguageStrings;
    int FNumInputBuffers = 0;
    int FNumOverlappedBuffers = 0;
    std::atomic<int> FPollingDelayTime{0};
    std::atomic<int> FThreadSleepTime{100};
    std::vector<HidpLinkCollectionNode> FLinkCollection;
    std::uint32_t FMaxDataListLength = 0;
    std::uint32_t FMaxUsageListLength = 0;
    std::uint32_t FMaxButtonListLength = 0;
    std::uint32_t FReportTypeParam = 0;
    std::uint16_t FUsagePageParam = 0;
    std::uint16_t FLinkCollectionParam = 0;
    std::uint16_t FUsageParam = 0;
    THidDataEvent FOnData;
    THidDataErrorEvent FOnDataError;
    THidPlugEvent FOnUnplug;
    bool FHasReadWriteAccess = false;
    std::unique_ptr<THidDeviceReadThread> FDataThread;
    // Whether each handler is still the controller's default (a controller change reaches
    // only these; handlers cannot be compared).
    bool FOnDataShared = true;
    bool FOnDataErrorShared = true;
    bool FOnUnplugShared = true;
    // Reports the reader posts to the GUI thread are dropped once the device is gone.
    std::shared_ptr<THidDevice*> FAlive;
};

}  // namespace zrflash::hid
