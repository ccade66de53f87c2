// Plugging, unplugging and input reports of the virtual HID bus.
#include "sim/VirtualHidBus.h"

#include <algorithm>
#include <cstdio>

namespace zrflash::sim {

namespace {

std::u16string Widen(const char* text) {
    std::u16string result;
    while (*text != 0) result.push_back(static_cast<char16_t>(*text++));
    return result;
}

std::u16string InterfacePath(const SimDeviceIdentity& identity, std::uint32_t instance) {
    char text[128];
    std::snprintf(text, sizeof text, "\\\\?\\hid#vid_%04x&pid_%04x#%u#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  static_cast<unsigned>(identity.vendorId), static_cast<unsigned>(identity.productId),
                  static_cast<unsigned>(instance));
    return Widen(text);
}

}  // namespace

VirtualHidBus::VirtualHidBus(PostFunction post, ElapseFunction elapse)
    : FPost(std::move(post)), FElapse(std::move(elapse)) {}

VirtualHidBus::~VirtualHidBus() {
    for (auto& entry : FInterfaces) {
        if (entry->plugged) entry->device->AttachHost(nullptr);
    }
}

std::uint32_t VirtualHidBus::Plug(SimDevice& device, BusInterfaceOptions options) {
    auto entry = std::make_shared<BusInterface>();
    entry->device = &device;
    entry->identity = device.Identity();
    entry->instance = options.instance != 0 ? options.instance : FNextInstance++;
    FNextInstance = std::max(FNextInstance, entry->instance + 1);
    entry->path = InterfacePath(entry->identity, entry->instance);
    entry->options = std::move(options);
    {
        std::lock_guard lock(FMutex);
        FInterfaces.push_back(entry);
    }
    device.AttachHost(this);
    RaiseDeviceChange();
    return entry->instance;
}

void VirtualHidBus::Unplug(SimDevice& device) {
    auto entry = FindPlugged(device);
    if (!entry) return;
    {
        std::lock_guard lock(FMutex);
        entry->plugged = false;
        entry->input.clear();
        // Handles may still point at the interface; it leaves the bus once they are gone.
        std::erase(FInterfaces, entry);
    }
    FInputArrived.notify_all();
    device.AttachHost(nullptr);
    RaiseDeviceChange();
}

void VirtualHidBus::Elapse(int milliseconds) {
    if (FElapse) FElapse(milliseconds);
}

void VirtualHidBus::ChangeOtherDevice() { RaiseDeviceChange(); }

bool VirtualHidBus::SetOpenMode(SimDevice& device, OpenMode mode) {
    auto entry = FindPlugged(device);
    if (entry) entry->options.openMode = mode;
    return entry != nullptr;
}

bool VirtualHidBus::SetAttributesReadable(SimDevice& device, bool readable) {
    auto entry = FindPlugged(device);
    if (entry) entry->options.attributesReadable = readable;
    return entry != nullptr;
}

bool VirtualHidBus::SendInputReport(SimDevice& device, std::span<const std::uint8_t> report) {
    auto entry = FindPlugged(device);
    if (!entry) return false;
    {
        std::lock_guard lock(FMutex);
        entry->input.emplace_back(report.begin(), report.end());
    }
    FInputArrived.notify_all();
    return true;
}

bool VirtualHidBus::IsPlugged(const SimDevice& device) const { return FindPlugged(device) != nullptr; }

std::optional<std::vector<std::shared_ptr<BusInterface>>> VirtualHidBus::Present() const {
    if (FEnumerationFails) return std::nullopt;
    std::lock_guard lock(FMutex);
    return FInterfaces;
}

std::shared_ptr<BusInterface> VirtualHidBus::FindByPath(const std::u16string& path) const {
    std::lock_guard lock(FMutex);
    for (const auto& entry : FInterfaces) {
        if (entry->path == path) return entry;
    }
    return nullptr;
}

std::shared_ptr<BusInterface> VirtualHidBus::FindPlugged(const SimDevice& device) const {
    std::lock_guard lock(FMutex);
    for (const auto& entry : FInterfaces) {
        if (entry->device == &device) return entry;
    }
    return nullptr;
}

void VirtualHidBus::SetDeviceChangeListener(std::function<void()> listener) {
    FListener = listener ? std::make_shared<std::function<void()>>(std::move(listener)) : nullptr;
}

void VirtualHidBus::RaiseDeviceChange() {
    if (!FPost) return;
    FPost([listener = std::weak_ptr(FListener)] {
        if (auto current = listener.lock()) (*current)();
    });
}

}  // namespace zrflash::sim
