// A device's overlapped handles, raw transfers, buffer counts, configuration and report queries.
#include "hid/THidDevice.h"

#include <algorithm>

namespace zrflash::hid {

bool THidDevice::OpenFileEx(THidOpenExMode Mode) {
    if (!MayOpen()) return false;
    const std::u16string& path = FPnPInfo->DevicePath();
    if (Mode == THidOpenExMode::omhWrite) {
        if (FHidOverlappedWrite == HidHandle::None) FHidOverlappedWrite = FSystem.Open(path, HidAccess::OverlappedWrite);
        return FHidOverlappedWrite != HidHandle::None;
    }
    if (FHidOverlappedRead == HidHandle::None) {
        FHidOverlappedRead = FSystem.Open(path, HidAccess::OverlappedRead);
        if (FHidOverlappedRead != HidHandle::None) {
            if (FNumOverlappedBuffers != 0) FSystem.SetNumInputBuffers(FHidOverlappedRead, FNumOverlappedBuffers);
            int count = 0;
            if (FSystem.GetNumInputBuffers(FHidOverlappedRead, count)) FNumOverlappedBuffers = count;
        }
    }
    return FHidOverlappedRead != HidHandle::None;
}

void THidDevice::CloseFileEx(THidOpenExMode Mode) {
    HidHandle& handle = Mode == THidOpenExMode::omhRead ? FHidOverlappedRead : FHidOverlappedWrite;
    if (handle != HidHandle::None) FSystem.Close(handle);
    handle = HidHandle::None;
    if (Mode == THidOpenExMode::omhRead) FNumOverlappedBuffers = 0;
}

bool THidDevice::CancelIO(THidOpenExMode Mode) {
    const HidHandle handle = Mode == THidOpenExMode::omhRead ? FHidOverlappedRead : FHidOverlappedWrite;
    return handle != HidHandle::None && FSystem.CancelIo(handle);
}

std::uint32_t THidDevice::HidOverlappedReadResult() {
    return FHidOverlappedRead == HidHandle::None ? 0 : FSystem.TransferResult(FHidOverlappedRead);
}

std::uint32_t THidDevice::HidOverlappedWriteResult() {
    return FHidOverlappedWrite == HidHandle::None ? 0 : FSystem.TransferResult(FHidOverlappedWrite);
}

bool THidDevice::ReadFileEx(std::span<std::uint8_t> Report) {
    return OpenFileEx(THidOpenExMode::omhRead) && FSystem.StartRead(FHidOverlappedRead, Report);
}

bool THidDevice::WriteFileEx(std::span<const std::uint8_t> Report) {
    return OpenFileEx(THidOpenExMode::omhWrite) && FSystem.StartWrite(FHidOverlappedWrite, Report);
}

bool THidDevice::FlushQueue() { return OpenFile() && FSystem.FlushQueue(FHidFileHandle); }

bool THidDevice::ReadFile(std::span<std::uint8_t> Buffer, std::uint32_t& BytesRead) {
    BytesRead = 0;
    return OpenFile() && FSystem.ReadFile(FHidFileHandle, Buffer, BytesRead);
}

bool THidDevice::WriteFile(std::span<const std::uint8_t> Buffer, std::uint32_t& BytesWritten) {
    BytesWritten = 0;
    return OpenFile() && FSystem.WriteFile(FHidFileHandle, Buffer, BytesWritten);
}

bool THidDevice::DeviceIoControl(std::uint32_t IoControlCode, std::span<const std::uint8_t> InBuffer,
                                 std::span<std::uint8_t> OutBuffer, std::uint32_t& BytesReturned) {
    BytesReturned = 0;
    return OpenFile() && FSystem.DeviceIoControl(FHidFileHandle, IoControlCode, InBuffer, OutBuffer, BytesReturned);
}

bool THidDevice::GetInputReport(std::span<std::uint8_t> Report) {
    return OpenFile() && FSystem.GetInputReport(FHidFileHandle, Report);
}

bool THidDevice::SetOutputReport(std::span<const std::uint8_t> Report) {
    return OpenFile() && FSystem.SetOutputReport(FHidFileHandle, Report);
}

void THidDevice::SetNumInputBuffers(int Count) {
    if (!OpenFile()) return;
    FSystem.SetNumInputBuffers(FHidFileHandle, Count);
    int taken = 0;
    if (FSystem.GetNumInputBuffers(FHidFileHandle, taken)) FNumInputBuffers = taken;
}

void THidDevice::SetNumOverlappedBuffers(int Count) {
    if (!OpenFileEx(THidOpenExMode::omhRead)) return;
    FSystem.SetNumInputBuffers(FHidOverlappedRead, Count);
    int taken = 0;
    if (FSystem.GetNumInputBuffers(FHidOverlappedRead, taken)) FNumOverlappedBuffers = taken;
}

HidConfiguration THidDevice::Configuration() {
    HidConfiguration configuration{};
    if (!OpenFile() || !FSystem.GetConfiguration(FHidFileHandle, configuration)) configuration = {};
    return configuration;
}

void THidDevice::SetConfiguration(const HidConfiguration& Config) {
    if (OpenFile()) FSystem.SetConfiguration(FHidFileHandle, Config);
}

HidpParameters THidDevice::Parameters() const {
    return {FReportTypeParam, FUsagePageParam, FLinkCollectionParam, FUsageParam};
}

void THidDevice::RecomputeListLengths() {
    if (!MayOpen()) return;
    const PreparsedDataHandle data = PreparsedData();
    FMaxDataListLength = FSystem.MaxDataListLength(data, FReportTypeParam);
    FMaxUsageListLength = FSystem.MaxUsageListLength(data, FReportTypeParam, FUsagePageParam);
    FMaxButtonListLength = FMaxUsageListLength;
}

void THidDevice::SetReportTypeParam(std::uint32_t Value) {
    FReportTypeParam = Value;
    RecomputeListLengths();
}

void THidDevice::SetUsagePageParam(std::uint16_t Value) {
    FUsagePageParam = Value;
    RecomputeListLengths();
}

HidpLinkCollectionNode THidDevice::GetLinkCollectionNode(std::uint16_t Idx) {
    if (FLinkCollection.empty()) {
        const std::uint16_t count = Caps().NumberLinkCollectionNodes;
        if (count != 0) {
            std::vector<HidpLinkCollectionNode> nodes(count);
            std::uint32_t length = count;
            if (FSystem.GetLinkCollectionNodes(FPreparsedData, nodes, length) == kHidpStatusSuccess) {
                nodes.resize(std::min<std::size_t>(length, count));
                FLinkCollection = std::move(nodes);
            }
        }
    }
    return Idx < FLinkCollection.size() ? FLinkCollection[Idx] : HidpLinkCollectionNode{};
}

// Every query of the family answers kHidpStatusNull without a platform call when the device
// may not be opened.
#define ZR_HIDP_QUERY(call) return MayOpen() ? FSystem.call : kHidpStatusNull

HidpStatus THidDevice::GetButtonCaps(std::span<HidpButtonCaps> ButtonCaps, std::uint16_t& Count) {
    ZR_HIDP_QUERY(GetSpecificButtonCaps(PreparsedData(), {FReportTypeParam, 0, 0, 0}, ButtonCaps, Count));
}
HidpStatus THidDevice::GetValueCaps(std::span<HidpValueCaps> ValueCaps, std::uint16_t& Count) {
    ZR_HIDP_QUERY(GetSpecificValueCaps(PreparsedData(), {FReportTypeParam, 0, 0, 0}, ValueCaps, Count));
}
HidpStatus THidDevice::GetSpecificButtonCaps(std::span<HidpButtonCaps> ButtonCaps, std::uint16_t& Count) {
    ZR_HIDP_QUERY(GetSpecificButtonCaps(PreparsedData(), Parameters(), ButtonCaps, Count));
}
HidpStatus THidDevice::GetSpecificValueCaps(std::span<HidpValueCaps> ValueCaps, std::uint16_t& Count) {
    ZR_HIDP_QUERY(GetSpecificValueCaps(PreparsedData(), Parameters(), ValueCaps, Count));
}
HidpStatus THidDevice::GetData(std::span<HidpData> DataList, std::uint32_t& DataLength,
                               std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(GetData(PreparsedData(), FReportTypeParam, DataList, DataLength, Report));
}
HidpStatus THidDevice::SetData(std::span<HidpData> DataList, std::uint32_t& DataLength,
                               std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(SetData(PreparsedData(), FReportTypeParam, DataList, DataLength, Report));
}
HidpStatus THidDevice::GetUsages(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                                 std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(GetUsages(PreparsedData(), Parameters(), UsageList, UsageLength, Report));
}
HidpStatus THidDevice::GetButtons(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                                  std::span<std::uint8_t> Report) {
    return GetUsages(UsageList, UsageLength, Report);
}
HidpStatus THidDevice::GetUsagesEx(std::span<HidpUsageAndPage> UsageList, std::uint32_t& UsageLength,
                                   std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(GetUsagesEx(PreparsedData(), Parameters(), UsageList, UsageLength, Report));
}
HidpStatus THidDevice::GetButtonsEx(std::span<HidpUsageAndPage> UsageList, std::uint32_t& UsageLength,
                                    std::span<std::uint8_t> Report) {
    return GetUsagesEx(UsageList, UsageLength, Report);
}
HidpStatus THidDevice::SetUsages(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                                 std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(SetUsages(PreparsedData(), Parameters(), UsageList, UsageLength, Report));
}
HidpStatus THidDevice::SetButtons(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                                  std::span<std::uint8_t> Report) {
    return SetUsages(UsageList, UsageLength, Report);
}
HidpStatus THidDevice::UnsetUsages(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                                   std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(UnsetUsages(PreparsedData(), Parameters(), UsageList, UsageLength, Report));
}
HidpStatus THidDevice::UnsetButtons(std::span<std::uint16_t> UsageList, std::uint32_t& UsageLength,
                                    std::span<std::uint8_t> Report) {
    return UnsetUsages(UsageList, UsageLength, Report);
}
HidpStatus THidDevice::GetUsageValue(std::uint32_t& UsageValue, std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(GetUsageValue(PreparsedData(), Parameters(), UsageValue, Report));
}
HidpStatus THidDevice::GetScaledUsageValue(std::int32_t& UsageValue, std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(GetScaledUsageValue(PreparsedData(), Parameters(), UsageValue, Report));
}
HidpStatus THidDevice::SetUsageValue(std::uint32_t UsageValue, std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(SetUsageValue(PreparsedData(), Parameters(), UsageValue, Report));
}
HidpStatus THidDevice::SetScaledUsageValue(std::int32_t UsageValue, std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(SetScaledUsageValue(PreparsedData(), Parameters(), UsageValue, Report));
}
HidpStatus THidDevice::GetUsageValueArray(std::span<std::uint8_t> UsageValue, std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(GetUsageValueArray(PreparsedData(), Parameters(), UsageValue, Report));
}
HidpStatus THidDevice::SetUsageValueArray(std::span<std::uint8_t> UsageValue, std::span<std::uint8_t> Report) {
    ZR_HIDP_QUERY(SetUsageValueArray(PreparsedData(), Parameters(), UsageValue, Report));
}

#undef ZR_HIDP_QUERY

HidpStatus THidDevice::GetExtendedAttributes(std::uint16_t DataIndex, std::span<std::uint8_t> Attributes,
                                             std::uint32_t& LengthAttributes) {
    return FSystem.GetExtendedAttributes(FPreparsedData, FReportTypeParam, DataIndex, Attributes, LengthAttributes);
}

HidpStatus THidDevice::InitializeReportForID(std::uint8_t ReportID, std::span<std::uint8_t> Report) {
    return FSystem.InitializeReportForID(FPreparsedData, FReportTypeParam, ReportID, Report);
}

}  // namespace zrflash::hid
