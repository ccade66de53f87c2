// What the HID layer needs from the operating system: the HID and SetupAPI libraries, the list
// of present HID interfaces, device handles and transfers, and the device-change notification.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hid/HidTypes.h"
#include "hid/HidpTypes.h"

namespace zrflash::hid {

enum class HidLibrary { SetupApi, Hid };

// How a path is opened. The synchronous forms share read and write with others; the
// overlapped forms give a handle that carries one pending transfer of its direction.
enum class HidAccess { ReadWrite, QueryOnly, OverlappedRead, OverlappedWrite };

enum class HidStringKind { Manufacturer, Product, SerialNumber, Indexed };

// wParam and lParam of a device-change notification (DBT_DEVNODES_CHANGED is 7).
using DeviceChangeCallback = std::function<void(std::uintptr_t wParam, std::intptr_t lParam)>;
inline constexpr std::uintptr_t kDbtDevNodesChanged = 7;

// Every member is called on the GUI thread, except the overlapped transfer members, CancelIo,
// LastError and PostToGuiThread, which a device's input reader calls from its own thread.
class HidSystem {
public:
    virtual ~HidSystem() = default;

    // Reference-counted binding: the library is bound on the first call, and only if every
    // function it needs was found; false leaves it unbound (and its count unchanged).
    virtual bool BindLibrary(HidLibrary library) = 0;
    virtual void ReleaseLibrary(HidLibrary library) = 0;
    virtual bool IsLibraryBound(HidLibrary library) const = 0;
    // The HID library's file version ("FileVersion"); empty when it has none.
    virtual std::u16string HidLibraryVersion() = 0;

    virtual Guid HidGuid() = 0;
    // The present interfaces of that class in the platform's order; an interface whose path
    // cannot be read is left out. nullopt: the set of present devices could not be had at all.
    virtual std::optional<std::vector<HidInterface>> EnumerateInterfaces(const Guid& interfaceClass) = 0;

    // Starts the notifications: the port posts one first notification (7, -1) at once and
    // then reports every device-node change of the system from the GUI loop. Stop: none
    // after it returns. The callback may throw EControllerError (a device that could not be
    // created and that no handler took); the port lets it reach the loop's error handling.
    virtual void StartDeviceChangeNotifications(DeviceChangeCallback callback) = 0;
    virtual void StopDeviceChangeNotifications() = 0;
    // Runs work later on the GUI thread; callable from any thread.
    virtual void PostToGuiThread(std::function<void()> work) = 0;
    // What the user has to act on and no device event tells, such as an instrument that is
    // present but may not be opened. The program shows it in its log; called on the GUI thread.
    // Ports with nothing of the kind to say keep the default.
    using NoticeHandler = std::function<void(std::u16string_view notice)>;
    virtual void SetNoticeHandler(NoticeHandler handler) { (void)handler; }

    // HidHandle::None on failure (LastError tells why).
    virtual HidHandle Open(const std::u16string& path, HidAccess access) = 0;
    virtual void Close(HidHandle handle) = 0;
    virtual std::uint32_t LastError() = 0;

    virtual bool GetAttributes(HidHandle handle, HidAttributes& attributes) = 0;
    virtual PreparsedDataHandle GetPreparsedData(HidHandle handle) = 0;
    virtual void FreePreparsedData(PreparsedDataHandle data) = 0;
    virtual HidpStatus GetCaps(PreparsedDataHandle data, HidCaps& caps) = 0;

    // Exactly report.size() bytes are moved, report ID first.
    virtual bool SetFeature(HidHandle handle, std::span<const std::uint8_t> report) = 0;
    virtual bool GetFeature(HidHandle handle, std::span<std::uint8_t> report) = 0;
    virtual bool GetInputReport(HidHandle handle, std::span<std::uint8_t> report) = 0;
    virtual bool SetOutputReport(HidHandle handle, std::span<const std::uint8_t> report) = 0;
    virtual bool GetNumInputBuffers(HidHandle handle, int& count) = 0;
    virtual bool SetNumInputBuffers(HidHandle handle, int count) = 0;
    virtual bool FlushQueue(HidHandle handle) = 0;
    virtual bool GetConfiguration(HidHandle handle, HidConfiguration& configuration) = 0;
    virtual bool SetConfiguration(HidHandle handle, const HidConfiguration& configuration) = 0;

    // Fills text (zero-terminated when it fits); index is used by the Indexed kind only
    // (index 0 gives the list of language identifiers).
    virtual bool GetString(HidHandle handle, HidStringKind kind, std::uint32_t index,
                           std::span<char16_t> text) = 0;
    // LastError is kErrorInsufficientBuffer when the descriptor needs a larger buffer.
    virtual bool GetPhysicalDescriptor(HidHandle handle, std::span<std::uint16_t> descriptor) = 0;
    // The name of a language identifier; nullopt when the platform has none.
    virtual std::optional<std::u16string> LanguageName(std::uint16_t languageId) = 0;

    // Synchronous transfers on a synchronous handle; transferred receives the byte count.
    virtual bool ReadFile(HidHandle handle, std::span<std::uint8_t> buffer, std::uint32_t& transferred) = 0;
    virtual bool WriteFile(HidHandle handle, std::span<const std::uint8_t> buffer,
                           std::uint32_t& transferred) = 0;
    // A raw control request; a port without one answers false with kErrorNotSupported.
    virtual bool DeviceIoControl(HidHandle handle, std::uint32_t code, std::span<const std::uint8_t> input,
                                 std::span<std::uint8_t> output, std::uint32_t& returned) = 0;

    // Overlapped transfers on an overlapped handle. The buffer must stay alive until the
    // transfer has completed or been cancelled.
    virtual bool StartRead(HidHandle handle, std::span<std::uint8_t> buffer) = 0;
    virtual bool StartWrite(HidHandle handle, std::span<const std::uint8_t> buffer) = 0;
    // Waits up to milliseconds (alertably) for the pending transfer; true once it completed.
    virtual bool WaitForTransfer(HidHandle handle, int milliseconds) = 0;
    // Bytes moved by the last transfer of the handle, asked without waiting; 0 while pending,
    // failed or none.
    virtual std::uint32_t TransferResult(HidHandle handle) = 0;
    virtual bool CancelIo(HidHandle handle) = 0;

    // The report queries over preparsed data. A port without them answers
    // kHidpStatusNotImplemented, which these defaults do.
    virtual HidpStatus GetSpecificButtonCaps(PreparsedDataHandle data, const HidpParameters& parameters,
                                             std::span<HidpButtonCaps> caps, std::uint16_t& length);
    virtual HidpStatus GetSpecificValueCaps(PreparsedDataHandle data, const HidpParameters& parameters,
                                            std::span<HidpValueCaps> caps, std::uint16_t& length);
    virtual HidpStatus GetLinkCollectionNodes(PreparsedDataHandle data, std::span<HidpLinkCollectionNode> nodes,
                                              std::uint32_t& length);
    virtual HidpStatus GetData(PreparsedDataHandle data, std::uint32_t reportType, std::span<HidpData> list,
                               std::uint32_t& length, std::span<std::uint8_t> report);
    virtual HidpStatus SetData(PreparsedDataHandle data, std::uint32_t reportType, std::span<HidpData> list,
                               std::uint32_t& length, std::span<std::uint8_t> report);
    virtual std::uint32_t MaxDataListLength(PreparsedDataHandle data, std::uint32_t reportType);
    virtual std::uint32_t MaxUsageListLength(PreparsedDataHandle data, std::uint32_t reportType,
                                             std::uint16_t usagePage);
    // usageLength: in, the list's capacity; out, the usages taken or given.
    virtual HidpStatus GetUsages(PreparsedDataHandle data, const HidpParameters& parameters,
                                 std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                 std::span<std::uint8_t> report);
    virtual HidpStatus GetUsagesEx(PreparsedDataHandle data, const HidpParameters& parameters,
                                   std::span<HidpUsageAndPage> usages, std::uint32_t& usageLength,
                                   std::span<std::uint8_t> report);
    virtual HidpStatus SetUsages(PreparsedDataHandle data, const HidpParameters& parameters,
                                 std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                 std::span<std::uint8_t> report);
    virtual HidpStatus UnsetUsages(PreparsedDataHandle data, const HidpParameters& parameters,
                                   std::span<std::uint16_t> usages, std::uint32_t& usageLength,
                                   std::span<std::uint8_t> report);
    virtual HidpStatus GetUsageValue(PreparsedDataHandle data, const HidpParameters& parameters,
                                     std::uint32_t& value, std::span<std::uint8_t> report);
    virtual HidpStatus GetScaledUsageValue(PreparsedDataHandle data, const HidpParameters& parameters,
                                           std::int32_t& value, std::span<std::uint8_t> report);
    virtual HidpStatus SetUsageValue(PreparsedDataHandle data, const HidpParameters& parameters,
                                     std::uint32_t value, std::span<std::uint8_t> report);
    virtual HidpStatus SetScaledUsageValue(PreparsedDataHandle data, const HidpParameters& parameters,
                                           std::int32_t value, std::span<std::uint8_t> report);
    virtual HidpStatus GetUsageValueArray(PreparsedDataHandle data, const HidpParameters& parameters,
                                          std::span<std::uint8_t> value, std::span<std::uint8_t> report);
    virtual HidpStatus SetUsageValueArray(PreparsedDataHandle data, const HidpParameters& parameters,
                                          std::span<std::uint8_t> value, std::span<std::uint8_t> report);
    virtual HidpStatus GetExtendedAttributes(PreparsedDataHandle data, std::uint32_t reportType,
                                             std::uint16_t dataIndex, std::span<std::uint8_t> attributes,
                                             std::uint32_t& length);
    virtual HidpStatus InitializeReportForID(PreparsedDataHandle data, std::uint32_t reportType,
                                             std::uint8_t reportId, std::span<std::uint8_t> report);
};

}  // namespace zrflash::hid
