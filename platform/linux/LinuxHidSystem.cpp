// The HID system over hidraw: udev lists the interfaces and reports hot-plug, the hidraw ioctls
// carry the reports, and the report descriptor stands in for the platform's parsed data.
#include "platform/linux/LinuxHidSystem.h"

#include <cerrno>
#include <cstdio>

#include "platform/linux/HidDescriptorParser.h"
#include "platform/linux/LinuxHidOpenHandle.h"
#include "platform/linux/PlatformErrorCode.h"
#include "platform/linux/Utf.h"

namespace zrflash::platform::linux_port {

using namespace zrflash::hid;

namespace {

thread_local std::uint32_t lastError = 0;

constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorInvalidData = 13;
constexpr HidpStatus kHidpStatusInvalidPreparsedData = 0xC0110001;
constexpr std::uint16_t kHidAttributesSize = 12;  // sizeof(HIDD_ATTRIBUTES)

int LibraryIndex(HidLibrary library) { return library == HidLibrary::SetupApi ? 0 : 1; }

std::u16string HardwareId(const HidrawNode& node) {
    char text[40];
    std::snprintf(text, sizeof text, "HID\\VID_%04X&PID_%04X", static_cast<unsigned>(node.vendorId),
                  static_cast<unsigned>(node.productId));
    return Utf8ToUtf16(text);
}

// What Windows keeps in the device node's registry, as far as udev knows it.
HidRegistryProperties PropertiesOf(const HidrawNode& node) {
    HidRegistryProperties properties;
    properties.ClassDescr = u"HIDClass";
    properties.DeviceDescr = Utf8ToUtf16(node.product.empty() ? node.name : node.product);
    properties.FriendlyName = Utf8ToUtf16(node.name);
    properties.Mfg = Utf8ToUtf16(node.manufacturer);
    properties.HardwareID = {HardwareId(node)};
    properties.Driver = Utf8ToUtf16(node.driver);
    properties.Service = Utf8ToUtf16(node.driver);
    properties.EnumeratorName = u"HID";
    properties.BusNumber = node.bus;
    properties.LocationInfo = Utf8ToUtf16(node.physical);
    properties.PhysDevObjName = Utf8ToUtf16(node.syspath);
    return properties;
}

}  // namespace

LinuxHidSystem::LinuxHidSystem(LinuxHidDriver& driver, PostFunction post, WatchDescriptorFunction watch)
    : driver_(driver), post_(std::move(post)), watch_(std::move(watch)) {}

LinuxHidSystem::~LinuxHidSystem() { StopDeviceChangeNotifications(); }

std::uint32_t LinuxHidSystem::InstanceOf(const std::string& syspath) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : syspath) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Nothing is loaded at run time on Linux: both "libraries" are udev, bound while it answers.
bool LinuxHidSystem::BindLibrary(HidLibrary library) {
    if (!driver_.Available()) return false;
    ++bindCount_[LibraryIndex(library)];
    return true;
}

void LinuxHidSystem::ReleaseLibrary(HidLibrary library) {
    int& count = bindCount_[LibraryIndex(library)];
    if (count > 0) --count;
}

bool LinuxHidSystem::IsLibraryBound(HidLibrary library) const { return bindCount_[LibraryIndex(library)] > 0; }

std::optional<std::vector<HidInterface>> LinuxHidSystem::EnumerateInterfaces(const Guid& interfaceClass) {
    auto nodes = driver_.Enumerate();
    if (!nodes) return std::nullopt;
    std::vector<HidInterface> result;
    std::map<std::string, HidrawNode> present;
    for (const auto& node : *nodes) present[node.devnode] = node;
    {
        std::lock_guard lock(mutex_);
        // An interface that went away may be plugged in again and is then reported again.
        std::set<std::string> stillDenied;
        for (const auto& [devnode, node] : present) {
            if (deniedReported_.count(node.syspath) != 0) stillDenied.insert(node.syspath);
        }
        deniedReported_ = std::move(stillDenied);
        present_ = std::move(present);
    }
    if (interfaceClass != kDefaultHidGuid) return result;
    for (const auto& node : *nodes) {
        result.push_back({InstanceOf(node.syspath), Utf8ToUtf16(node.devnode), PropertiesOf(node)});
    }
    return result;
}

void LinuxHidSystem::StartDeviceChangeNotifications(DeviceChangeCallback callback) {
    StopDeviceChangeNotifications();
    notifications_ = std::make_shared<DeviceChangeCallback>(std::move(callback));
    std::weak_ptr<DeviceChangeCallback> notifications = notifications_;
    const int monitor = driver_.OpenMonitor();
    if (monitor >= 0 && watch_) {
        monitorWatch_ = watch_(monitor, [this, notifications] {
            // Every pending event is taken; one notification stands for all of them.
            if (driver_.DrainMonitor()) Notify(notifications, 0);
        });
    } else {
        std::fprintf(stderr, "zrflash: no udev monitor (error %d): devices plugged in later will not be seen\n",
                     -monitor);
    }
    // The first notification comes at once, so the first scan happens even with no device present.
    // The callback lives no longer than the system that holds it, so a live one vouches for this.
    post_([this, notifications] {
        if (!notifications.expired()) Notify(notifications, -1);
    });
}

// An error must not unwind through Qt's dispatch, which would end the program: one that no
// handler took (a device that could not be created) is shown, and the notifications go on.
void LinuxHidSystem::Notify(const std::weak_ptr<DeviceChangeCallback>& notifications, std::intptr_t lParam) {
    auto callback = notifications.lock();
    if (!callback) return;
    std::string message;
    try {
        (*callback)(kDbtDevNodesChanged, lParam);
        return;
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = "unknown error";
    }
    if (notificationError_) {
        notificationError_(message);
    } else {
        std::fprintf(stderr, "zrflash: %s\n", message.c_str());
    }
}

void LinuxHidSystem::StopDeviceChangeNotifications() {
    if (!notifications_) return;
    notifications_.reset();
    monitorWatch_.reset();
    driver_.CloseMonitor();
}

HidHandle LinuxHidSystem::Open(const std::u16string& path, HidAccess access) {
    const std::string devnode = Utf16ToUtf8(path);
    // A query-only handle is opened for reading alone, so a node readable but not writable still
    // identifies itself; the reports are refused on it as Windows refuses them.
    const bool write = access == HidAccess::ReadWrite || access == HidAccess::OverlappedWrite;
    const int descriptor = driver_.Open(devnode, write ? HidrawOpenMode::ReadWrite : HidrawOpenMode::ReadOnly);
    if (descriptor < 0) {
        lastError = PlatformErrorCode(-descriptor);
        if (-descriptor == EACCES || -descriptor == EPERM) ReportOpenDenied(devnode);
        return HidHandle::None;
    }
    std::lock_guard lock(mutex_);
    const std::intptr_t value = nextHandle_++;
    handles_[value] = std::make_shared<LinuxHidOpenHandle>(driver_, descriptor, access, devnode);
    return static_cast<HidHandle>(value);
}

void LinuxHidSystem::SetNoticeHandler(NoticeHandler handler) {
    notice_ = handler ? std::make_shared<NoticeHandler>(std::move(handler)) : nullptr;
}

void LinuxHidSystem::Notice(std::u16string notice) {
    std::fprintf(stderr, "zrflash: %s\n", Utf16ToUtf8(notice).c_str());
    // Taken now: a handler replaced or cleared before the loop gets to it keeps its own copy.
    PostToGuiThread([handler = notice_, notice = std::move(notice)] {
        if (handler && *handler) (*handler)(notice);
    });
}

void LinuxHidSystem::ReportOpenDenied(const std::string& devnode) {
    HidrawNode node;
    {
        std::lock_guard lock(mutex_);
        auto found = present_.find(devnode);
        if (found == present_.end()) return;
        node = found->second;
        if (!deniedReported_.insert(node.syspath).second) return;
    }
    if (openDenied_) {
        openDenied_(node);
    } else {
        std::fprintf(stderr, "zrflash: no permission to open %s (vendor %04X, product %04X)\n", node.devnode.c_str(),
                     static_cast<unsigned>(node.vendorId), static_cast<unsigned>(node.productId));
    }
}

void LinuxHidSystem::Close(HidHandle handle) {
    std::shared_ptr<OpenHandle> open;
    {
        std::lock_guard lock(mutex_);
        auto found = handles_.find(static_cast<std::intptr_t>(handle));
        if (found == handles_.end()) return;
        open = std::move(found->second);
        handles_.erase(found);
    }
    // A reader thread still waiting on the descriptor keeps it open until its wait ends.
}

std::uint32_t LinuxHidSystem::LastError() { return lastError; }

bool LinuxHidSystem::FailWith(std::uint32_t code) {
    lastError = code;
    return false;
}

std::shared_ptr<LinuxHidSystem::OpenHandle> LinuxHidSystem::Find(HidHandle handle) const {
    std::lock_guard lock(mutex_);
    auto found = handles_.find(static_cast<std::intptr_t>(handle));
    if (found != handles_.end()) return found->second;
    lastError = kErrorInvalidHandle;
    return nullptr;
}

bool LinuxHidSystem::Failed(int result) {
    if (result >= 0) return false;
    lastError = PlatformErrorCode(-result);
    return true;
}

bool LinuxHidSystem::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    auto open = Find(handle);
    if (!open) return false;
    HidrawInfo info;
    if (Failed(driver_.GetInfo(open->descriptor, info))) return false;
    attributes.Size = kHidAttributesSize;
    attributes.VendorID = info.vendorId;
    attributes.ProductID = info.productId;
    std::lock_guard lock(mutex_);
    auto found = present_.find(open->devnode);
    attributes.VersionNumber = found == present_.end() ? 0 : found->second.versionNumber;
    return true;
}

PreparsedDataHandle LinuxHidSystem::GetPreparsedData(HidHandle handle) {
    auto open = Find(handle);
    if (!open) return PreparsedDataHandle::None;
    std::vector<std::uint8_t> descriptor;
    if (Failed(driver_.GetReportDescriptor(open->descriptor, descriptor))) return PreparsedDataHandle::None;
    const HidDescriptorSummary summary = ParseHidDescriptor(descriptor);
    if (!summary.valid) {
        lastError = kErrorInvalidData;
        return PreparsedDataHandle::None;
    }
    HidCaps caps{};
    caps.UsagePage = summary.usagePage;
    caps.Usage = summary.usage;
    caps.InputReportByteLength = summary.MaxLength(HidReportType::Input);
    caps.OutputReportByteLength = summary.MaxLength(HidReportType::Output);
    caps.FeatureReportByteLength = summary.MaxLength(HidReportType::Feature);
    caps.NumberLinkCollectionNodes = summary.collections;
    std::lock_guard lock(mutex_);
    const std::uintptr_t value = nextPreparsed_++;
    preparsed_[value] = caps;
    return static_cast<PreparsedDataHandle>(value);
}

void LinuxHidSystem::FreePreparsedData(PreparsedDataHandle data) {
    std::lock_guard lock(mutex_);
    preparsed_.erase(static_cast<std::uintptr_t>(data));
}

HidpStatus LinuxHidSystem::GetCaps(PreparsedDataHandle data, HidCaps& caps) {
    std::lock_guard lock(mutex_);
    auto found = preparsed_.find(static_cast<std::uintptr_t>(data));
    if (found == preparsed_.end()) return kHidpStatusInvalidPreparsedData;
    caps = found->second;
    return kHidpStatusSuccess;
}

}  // namespace zrflash::platform::linux_port
