// The HID system port over the virtual bus. Transfers move exactly the bytes the caller passed.
#include "sim/SimHidSystem.h"

#include <algorithm>
#include <cstdio>

namespace zrflash::sim {

using namespace zrflash::hid;

namespace {

thread_local std::uint32_t lastError = 0;

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr HidpStatus kHidpStatusInvalidPreparsedData = 0xC0110001;

int LibraryIndex(HidLibrary library) { return library == HidLibrary::SetupApi ? 0 : 1; }

std::u16string HardwareId(const SimDeviceIdentity& identity) {
    char text[40];
    std::snprintf(text, sizeof text, "HID\\VID_%04X&PID_%04X", static_cast<unsigned>(identity.vendorId),
                  static_cast<unsigned>(identity.productId));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

bool CopyText(const std::u16string& source, std::span<char16_t> text) {
    const std::size_t count = std::min(source.size(), text.size());
    std::copy_n(source.begin(), count, text.begin());
    if (count < text.size()) text[count] = 0;
    return true;
}

}  // namespace

// An open handle. Its overlapped state is guarded by the bus's mutex, which an input report
// arriving on the bus signals.
struct SimHidSystem::OpenInterface {
    std::shared_ptr<BusInterface> entry;
    HidAccess access = HidAccess::ReadWrite;
    int numInputBuffers = 32;
    std::span<std::uint8_t> pendingBuffer;
    bool pending = false;
    std::uint32_t result = 0;
};

SimHidSystem::SimHidSystem(VirtualHidBus& bus) : FBus(bus) {}

SimHidSystem::~SimHidSystem() { StopDeviceChangeNotifications(); }

void SimHidSystem::SetLibraryAvailable(HidLibrary library, bool available) {
    FAvailable[LibraryIndex(library)] = available;
}

int SimHidSystem::BindCount(HidLibrary library) const { return FBindCount[LibraryIndex(library)]; }

int SimHidSystem::OpenHandleCount() const {
    std::lock_guard lock(FMutex);
    return static_cast<int>(FHandles.size());
}

SimHidStatistics SimHidSystem::Statistics() const {
    std::lock_guard lock(FMutex);
    return FStatistics;
}

bool SimHidSystem::BindLibrary(HidLibrary library) {
    if (!FAvailable[LibraryIndex(library)]) return false;
    ++FBindCount[LibraryIndex(library)];
    return true;
}

void SimHidSystem::ReleaseLibrary(HidLibrary library) {
    int& count = FBindCount[LibraryIndex(library)];
    if (count > 0) --count;
}

bool SimHidSystem::IsLibraryBound(HidLibrary library) const { return FBindCount[LibraryIndex(library)] > 0; }

std::u16string SimHidSystem::HidLibraryVersion() { return u"10.0.19041.1"; }

Guid SimHidSystem::HidGuid() { return kDefaultHidGuid; }

std::optional<std::vector<HidInterface>> SimHidSystem::EnumerateInterfaces(const Guid& interfaceClass) {
    auto present = FBus.Present();
    if (!present) return std::nullopt;
    std::vector<HidInterface> result;
    if (interfaceClass != kDefaultHidGuid) return result;
    for (const auto& entry : *present) {
        HidInterface found;
        found.deviceInstance = entry->instance;
        found.path = entry->path;
        HidRegistryProperties& properties = found.properties;
        properties.ClassDescr = entry->options.className;
        properties.ClassGUID = u"{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
        properties.DeviceDescr = entry->identity.product;
        properties.HardwareID = {HardwareId(entry->identity)};
        properties.Mfg = entry->identity.manufacturer;
        properties.Service = u"HidUsb";
        properties.EnumeratorName = u"HID";
        result.push_back(std::move(found));
    }
    return result;
}

void SimHidSystem::StartDeviceChangeNotifications(DeviceChangeCallback callback) {
    FNotifications = std::make_shared<DeviceChangeCallback>(std::move(callback));
    std::weak_ptr<DeviceChangeCallback> notifications = FNotifications;
    FBus.SetDeviceChangeListener([notifications] {
        if (auto callback = notifications.lock()) (*callback)(kDbtDevNodesChanged, 0);
    });
    FBus.Post([notifications] {
        if (auto callback = notifications.lock()) (*callback)(kDbtDevNodesChanged, -1);
    });
}

void SimHidSystem::StopDeviceChangeNotifications() {
    if (!FNotifications) return;
    FNotifications.reset();
    FBus.SetDeviceChangeListener(nullptr);
}

void SimHidSystem::PostToGuiThread(std::function<void()> work) { FBus.Post(std::move(work)); }

HidHandle SimHidSystem::Open(const std::u16string& path, HidAccess access) {
    auto entry = FBus.FindByPath(path);
    std::lock_guard lock(FMutex);
    ++FStatistics.opens;
    if (!entry) {
        lastError = kErrorFileNotFound;
        return HidHandle::None;
    }
    const OpenMode mode = entry->options.openMode;
    if (mode == OpenMode::Never || (mode == OpenMode::QueryOnly && access != HidAccess::QueryOnly)) {
        lastError = kErrorAccessDenied;
        return HidHandle::None;
    }
    auto open = std::make_shared<OpenInterface>();
    open->entry = std::move(entry);
    open->access = access;
    const std::intptr_t value = FNextHandle++;
    FHandles[value] = std::move(open);
    return static_cast<HidHandle>(value);
}

void SimHidSystem::Close(HidHandle handle) {
    std::shared_ptr<OpenInterface> open;
    {
        std::lock_guard lock(FMutex);
        auto it = FHandles.find(static_cast<std::intptr_t>(handle));
        if (it == FHandles.end()) return;
        open = std::move(it->second);
        FHandles.erase(it);
    }
    std::lock_guard lock(FBus.Mutex());
    open->pending = false;
}

std::uint32_t SimHidSystem::LastError() { return lastError; }

std::shared_ptr<SimHidSystem::OpenInterface> SimHidSystem::Find(HidHandle handle) const {
    std::lock_guard lock(FMutex);
    auto it = FHandles.find(static_cast<std::intptr_t>(handle));
    return it == FHandles.end() ? nullptr : it->second;
}

std::shared_ptr<BusInterface> SimHidSystem::Reachable(HidHandle handle, bool needsWrite) {
    auto open = Find(handle);
    if (!open) {
        lastError = kErrorInvalidHandle;
        return nullptr;
    }
    bool plugged = false;
    {
        std::lock_guard lock(FBus.Mutex());
        plugged = open->entry->plugged;
    }
    if (!plugged) {
        lastError = kErrorDeviceNotConnected;
        return nullptr;
    }
    if (needsWrite && open->access == HidAccess::QueryOnly) {
        lastError = kErrorAccessDenied;
        return nullptr;
    }
    return open->entry;
}

bool SimHidSystem::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    {
        std::lock_guard lock(FMutex);
        ++FStatistics.attributeReads;
    }
    auto entry = Reachable(handle, false);
    if (!entry || !entry->options.attributesReadable) {
        if (entry) lastError = kErrorGenFailure;
        return false;
    }
    attributes.VendorID = entry->identity.vendorId;
    attributes.ProductID = entry->identity.productId;
    attributes.VersionNumber = entry->identity.versionNumber;
    return true;
}

PreparsedDataHandle SimHidSystem::GetPreparsedData(HidHandle handle) {
    auto entry = Reachable(handle, false);
    std::lock_guard lock(FMutex);
    ++FStatistics.preparsedDataFetches;
    if (!entry) return PreparsedDataHandle::None;
    HidCaps caps{};
    const auto clamp = [](int length) { return static_cast<std::uint16_t>(std::clamp(length, 0, 0xFFFF)); };
    caps.FeatureReportByteLength = clamp(entry->identity.featureReportLength);
    caps.InputReportByteLength = clamp(entry->identity.inputReportLength);
    caps.OutputReportByteLength = clamp(entry->identity.outputReportLength);
    caps.NumberLinkCollectionNodes = 1;
    const std::uintptr_t value = FNextPreparsed++;
    FPreparsed[value] = caps;
    return static_cast<PreparsedDataHandle>(value);
}

void SimHidSystem::FreePreparsedData(PreparsedDataHandle data) {
    std::lock_guard lock(FMutex);
    FPreparsed.erase(static_cast<std::uintptr_t>(data));
}

HidpStatus SimHidSystem::GetCaps(PreparsedDataHandle data, HidCaps& caps) {
    std::lock_guard lock(FMutex);
    auto it = FPreparsed.find(static_cast<std::uintptr_t>(data));
    if (it == FPreparsed.end()) return kHidpStatusInvalidPreparsedData;
    caps = it->second;
    return kHidpStatusSuccess;
}

bool SimHidSystem::SetFeature(HidHandle handle, std::span<const std::uint8_t> report) {
    auto entry = Reachable(handle, true);
    if (!entry) return false;
    if (report.empty()) {
        lastError = kErrorInvalidParameter;
        return false;
    }
    if (entry->device->SetFeature(report)) return true;
    lastError = kErrorGenFailure;
    return false;
}

bool SimHidSystem::GetFeature(HidHandle handle, std::span<std::uint8_t> report) {
    auto entry = Reachable(handle, true);
    if (!entry) return false;
    if (report.empty()) {
        lastError = kErrorInvalidParameter;
        return false;
    }
    if (entry->device->GetFeature(report)) return true;
    lastError = kErrorGenFailure;
    return false;
}

bool SimHidSystem::GetInputReport(HidHandle handle, std::span<std::uint8_t>) {
    if (Reachable(handle, true)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::SetOutputReport(HidHandle handle, std::span<const std::uint8_t>) {
    if (Reachable(handle, true)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::GetNumInputBuffers(HidHandle handle, int& count) {
    auto open = Find(handle);
    if (!open || !Reachable(handle, false)) return false;
    count = open->numInputBuffers;
    return true;
}

bool SimHidSystem::SetNumInputBuffers(HidHandle handle, int count) {
    auto open = Find(handle);
    if (!open || !Reachable(handle, false)) return false;
    // The platform takes 2..512 buffers.
    if (count < 2 || count > 512) {
        lastError = kErrorInvalidParameter;
        return false;
    }
    open->numInputBuffers = count;
    return true;
}

bool SimHidSystem::FlushQueue(HidHandle handle) {
    auto entry = Reachable(handle, false);
    if (!entry) return false;
    std::lock_guard lock(FBus.Mutex());
    entry->input.clear();
    return true;
}

bool SimHidSystem::GetConfiguration(HidHandle handle, HidConfiguration&) {
    if (Reachable(handle, false)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::SetConfiguration(HidHandle handle, const HidConfiguration&) {
    if (Reachable(handle, false)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::GetString(HidHandle handle, HidStringKind kind, std::uint32_t index, std::span<char16_t> text) {
    auto entry = Reachable(handle, false);
    if (!entry) return false;
    switch (kind) {
        case HidStringKind::Manufacturer: return CopyText(entry->identity.manufacturer, text);
        case HidStringKind::Product: return CopyText(entry->identity.product, text);
        case HidStringKind::SerialNumber:
            if (entry->identity.serialNumber.empty()) break;
            return CopyText(entry->identity.serialNumber, text);
        case HidStringKind::Indexed:
            if (index == 0) return CopyText(u"\x0409", text);
            break;
    }
    lastError = kErrorGenFailure;
    return false;
}

bool SimHidSystem::GetPhysicalDescriptor(HidHandle handle, std::span<std::uint16_t>) {
    if (Reachable(handle, false)) lastError = kErrorGenFailure;
    return false;
}

std::optional<std::u16string> SimHidSystem::LanguageName(std::uint16_t languageId) {
    if (languageId == 0x0409) return u"English (United States)";
    return std::nullopt;
}

bool SimHidSystem::ReadFile(HidHandle handle, std::span<std::uint8_t> buffer, std::uint32_t& transferred) {
    transferred = 0;
    auto entry = Reachable(handle, true);
    if (!entry) return false;
    std::lock_guard lock(FBus.Mutex());
    if (entry->input.empty()) {
        lastError = kErrorGenFailure;
        return false;
    }
    const auto& report = entry->input.front();
    transferred = static_cast<std::uint32_t>(std::min(report.size(), buffer.size()));
    std::copy_n(report.begin(), transferred, buffer.begin());
    entry->input.pop_front();
    return true;
}

bool SimHidSystem::WriteFile(HidHandle handle, std::span<const std::uint8_t>, std::uint32_t& transferred) {
    transferred = 0;
    if (Reachable(handle, true)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::DeviceIoControl(HidHandle handle, std::uint32_t, std::span<const std::uint8_t>,
                                   std::span<std::uint8_t>, std::uint32_t& returned) {
    returned = 0;
    if (Reachable(handle, false)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    auto open = Find(handle);
    if (!open || open->access != HidAccess::OverlappedRead) {
        lastError = kErrorInvalidHandle;
        return false;
    }
    if (!Reachable(handle, false)) return false;
    if (buffer.empty()) {
        lastError = kErrorInvalidParameter;
        return false;
    }
    std::lock_guard lock(FBus.Mutex());
    open->pendingBuffer = buffer;
    open->pending = true;
    open->result = 0;
    return true;
}

bool SimHidSystem::StartWrite(HidHandle handle, std::span<const std::uint8_t>) {
    auto open = Find(handle);
    if (!open || open->access != HidAccess::OverlappedWrite) {
        lastError = kErrorInvalidHandle;
        return false;
    }
    if (Reachable(handle, false)) lastError = kErrorNotSupported;
    return false;
}

bool SimHidSystem::WaitForTransfer(HidHandle handle, int milliseconds) {
    auto open = Find(handle);
    if (!open) return false;
    std::unique_lock lock(FBus.Mutex());
    BusInterface& entry = *open->entry;
    FBus.InputArrived().wait_for(lock, std::chrono::milliseconds(std::max(milliseconds, 0)), [&] {
        return !open->pending || !entry.plugged || !entry.input.empty();
    });
    if (!open->pending) return false;
    if (!entry.plugged) {
        open->pending = false;
        open->result = 0;
        return true;
    }
    if (entry.input.empty()) return false;
    const auto& report = entry.input.front();
    const std::size_t count = std::min(report.size(), open->pendingBuffer.size());
    std::copy_n(report.begin(), count, open->pendingBuffer.begin());
    entry.input.pop_front();
    open->pending = false;
    open->result = static_cast<std::uint32_t>(count);
    return true;
}

std::uint32_t SimHidSystem::TransferResult(HidHandle handle) {
    auto open = Find(handle);
    if (!open) return 0;
    std::lock_guard lock(FBus.Mutex());
    return open->pending ? 0 : open->result;
}

bool SimHidSystem::CancelIo(HidHandle handle) {
    auto open = Find(handle);
    if (!open) {
        lastError = kErrorInvalidHandle;
        return false;
    }
    {
        std::lock_guard lock(FBus.Mutex());
        open->pending = false;
        open->result = 0;
    }
    FBus.InputArrived().notify_all();
    return true;
}

}  // namespace zrflash::sim
